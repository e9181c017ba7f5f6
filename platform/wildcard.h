// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvane developers
#pragma once

#include <QStringView>

namespace qv {

// Windows' wildcards, as its folder searches and the batch file operation
// take them, compared without regard to case:
// - '*' is any run of characters (dots included), '?' exactly one;
// - "*" and "*.*" match every name;
// - a pattern ending in ".*" also matches the name without that extension:
//   "readme.*" finds "README";
// - a pattern ending in a lone "." asks for names without an extension:
//   "*." finds "README" (and "." and ".."), not "a.txt".
bool wildcardMatch(QStringView pattern, QStringView name);
// Whether a name holds '*' or '?'.
bool hasWildcard(QStringView name);

} // namespace qv
