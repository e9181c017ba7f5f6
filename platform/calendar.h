// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvane developers

// The calendar of the machine the program runs on.
#pragma once

namespace qv {

// The current calendar year of the local date (the notice's copyright year).
int currentYear();

} // namespace qv
