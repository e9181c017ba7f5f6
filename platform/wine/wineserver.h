// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvane developers
#pragma once

#include <QString>

namespace qv {

// The wineserver of a prefix keeps the registry in memory and writes the hive
// files back when it exits, undoing any change made behind its back. It is
// found through its socket folder, /tmp/.wine-<uid>/server-<dev>-<inode>/
// (device and inode of the prefix folder, in hex), or with Debian's Wine
// $TMPDIR/<name>/server-<dev>-<inode>/ where <name> is the content of the
// prefix's "wineserver" file, and by the lock it holds on the "lock" file
// there for as long as it runs.
namespace wineserver {

// The socket folders where a server of this prefix would live (one for the
// prefix owner's uid, one for ours when they differ).
QStringList socketDirs(const QString &prefixRoot);
// The process id of the running server, 0 when there is none (-1 when it
// runs but its id cannot be told).
long long runningPid(const QString &prefixRoot);
// Waits up to timeoutMs() for the server to go; throws an Error that names
// the cause and the way out when it is still there.
void ensureStopped(const QString &prefixRoot);

int timeoutMs();
void setTimeoutMs(int ms);
// The folder holding the per-user ".wine-<uid>" folders ("/tmp"); tests move it.
QString socketBase();
void setSocketBase(const QString &folder);

} // namespace wineserver
} // namespace qv
