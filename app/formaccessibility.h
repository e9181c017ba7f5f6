// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvane developers
#pragma once
// What screen readers learn about the layout's plain controls: a picture
// that does something when clicked (a flag) is a button named by its hint,
// any other picture a named graphic, and the notice a link.

namespace qv {

// Registers the interfaces through the flat widgets' factory. The controls'
// constructors call it; calling it again does nothing.
void installFormAccessibility();

} // namespace qv
