// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvane developers

// The registry as a 32-bit program sees it on a 64-bit prefix, as Reader
// sees it: HKEY_LOCAL_MACHINE\Software lies in Software\Wow6432Node, and
// Software\Classes in Software\Classes\Wow6432Node, apart from the keys both
// views share.
#pragma once

#include <QString>
#include <QStringList>

namespace qv::view32 {

// Where a key path below HKEY_LOCAL_MACHINE lies in the 32-bit view.
QStringList redirect32(const QStringList &path);
// Keys a fresh 64-bit prefix fills only in the 64-bit view; reads fall back to it.
bool readsFallBackTo64(const QStringList &path);
// Whether a name is "Wow6432Node".
bool isWow6432Node(const QString &name);
// Whether a key right below Software shows in both views, and so also
// among the subkeys of Software\Wow6432Node.
bool showsInBothViews(const QString &softwareSubkey);

} // namespace qv::view32
