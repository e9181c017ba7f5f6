// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvane developers
#pragma once

#include <QString>
#include <vector>

#include "platform/machine.h"

// Which prefixes hold a Reader: the machine's survey and its choice, asked
// about the Reader's own versions key.
namespace qv {

// Every prefix the machine's prefix managers keep, each with its Reader
// versions and its Wine build; none on Windows.
std::vector<ReaderPrefix> surveyPrefixes();

// The machine to work on when named is what the user named (--prefix;
// empty when nothing was): machine::choosePrefix's rule, for a Reader.
machine::PrefixChoice choosePrefixFor(const QString &named);

} // namespace qv
