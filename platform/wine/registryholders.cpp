// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvane developers

// What holds the registry of a prefix back from taking changes: its
// wineserver keeps its own copy while any Windows program of the prefix
// runs, and writes that copy back over the hives when it ends.
#include "platform/registry.h"

#include <QDir>
#include <algorithm>

#include "platform/error.h"
#include "platform/processes.h"
#include "platform/wine/wineprefix.h"
#include "platform/wine/wineserver.h"

namespace qv {

namespace {

// Wine starts these itself; they end when the last program of the prefix does.
bool isWineBackgroundProgram(const QString &exeFile)
{
    static const char *const names[] = {"services.exe", "winedevice.exe", "plugplay.exe", "svchost.exe",
                                        "rpcss.exe", "explorer.exe", "conhost.exe", "winemenubuilder.exe",
                                        "start.exe", "wineboot.exe", "tabtip.exe"};
    for (const char *n : names)
        if (!exeFile.compare(QLatin1String(n), Qt::CaseInsensitive))
            return true;
    // Wine's host side: the server itself ("wineserver64 -p0", which lingers
    // a moment after the last program and is waited for) and the loader
    // before it has become a Windows program. Windows programs carry an extension.
    return exeFile.startsWith(QLatin1String("wine"), Qt::CaseInsensitive) && !exeFile.contains(QLatin1Char('.'));
}

} // namespace

// Every Windows program of this prefix keeps its server, and so its copy of the registry, alive.
void ensureNoProgramHoldsRegistry(const std::vector<int64_t> &endedByCaller)
{
    const QString root = WinePrefix::current().root();
    QStringList named;
    for (const ProcessEntry &e : ProcessControl::instance().snapshot()) {
        // Only a process known to run in this prefix: one whose prefix cannot
        // be told is not known to keep this server alive.
        if (e.prefix.isEmpty() || !runsInPrefix(e, root) || isWineBackgroundProgram(e.exeFile))
            continue;
        if (std::find(endedByCaller.begin(), endedByCaller.end(), e.pid) != endedByCaller.end())
            continue;
        const QString line = commandLineOf(e.pid);
        named << QStringLiteral("%1 (process %2%3)")
                     .arg(e.exeFile)
                     .arg(e.pid)
                     .arg(line.isEmpty() ? QString() : QStringLiteral(": ") + line);
    }
    if (named.isEmpty())
        return;
    throw Error(QStringLiteral("%1 running in the prefix \"%2\": %3. While Windows programs run there, Wine keeps its "
                               "own copy of the registry and would undo the changes when they end, so nothing was "
                               "changed. Close %4, then try again")
                    .arg(named.size() == 1 ? QStringLiteral("Another Windows program is")
                                           : QStringLiteral("Other Windows programs are"),
                         QDir::toNativeSeparators(root), named.join(QStringLiteral("; ")),
                         named.size() == 1 ? QStringLiteral("it") : QStringLiteral("them")));
}

// The prefix's wineserver ends a few seconds after its last program.
void waitForRegistry()
{
    wineserver::ensureStopped(WinePrefix::current().root());
}

} // namespace qv
