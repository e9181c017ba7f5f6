// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvane developers
#pragma once

#include <QString>
#include <cstdint>
#include <vector>

// systemErrorMessage(), for the failures of terminateAndWait.
#include "platform/winerror.h"

namespace qv {

// One record of the process list: the id and the executable name. A Wine
// process names the Windows executable it runs in argv[0]; its file name is
// the executable name. Other processes go by their process name.
struct ProcessEntry
{
    int64_t pid = 0;
    int64_t parentPid = 0;
    QString exeFile;
    // Host folder of the Wine prefix a Windows program runs in; empty when
    // that cannot be told (not a Wine process, or its environment is closed to us).
    QString prefix = QString();
    // Owner of the process; -1 when unknown.
    int64_t uid = -1;
};

// The prefix a Wine process uses, from its environment (NUL-separated
// NAME=value records): $WINEPREFIX when set and not empty, else $HOME/.wine;
// empty when neither is there.
QString prefixFromEnvironment(const QByteArray &environment);

// Whether a listed process belongs to the prefix at prefixRoot. Each prefix
// is a machine of its own, so a Reader of another prefix is not ours to end.
// Wine only runs a prefix its user owns, so a process of another user is
// not ours either. A process whose prefix is unknown counts as ours.
bool runsInPrefix(const ProcessEntry &entry, const QString &prefixRoot);
// Whether a listed process runs on the machine the program works on (the
// current prefix), and so is ours to end.
bool runsOnThisMachine(const ProcessEntry &entry);

// The command line of a process as a person would type it: its arguments
// joined by blanks, quoted where they hold one, cut short after about 200
// characters. Empty when it cannot be read. On Windows: always empty;
// nothing there needs it (no program holds the registry back).
QString commandLineOf(int64_t pid);

// The executable name of a process from its argv[0] and its process name:
// the last component of argv[0] (either separator) when argv[0] is a Windows
// path or Wine's loader runs the process, else the process name. At most 259
// characters, as Windows keeps them.
QString executableName(const QString &argv0, const QString &processName, bool wineLoader = false);

enum class WaitOutcome { Ended, TimedOut, Failed };

// The process list and ending a process, behind an interface so that tests
// can keep to their own children instead of the whole machine.
class ProcessControl
{
public:
    virtual ~ProcessControl() = default;
    // Every running process of the machine (zombies excluded), in /proc order.
    virtual std::vector<ProcessEntry> snapshot() = 0;
    // Ends the process hard and waits at most timeoutMs for it to be gone.
    // On Failed, windowsError receives the Windows error code of the cause
    // (winerror.h; systemErrorMessage() words it).
    virtual WaitOutcome terminateAndWait(int64_t pid, int timeoutMs, int &windowsError) = 0;

    static ProcessControl &instance();
    // Takes no ownership; nullptr brings the real one back.
    static void setInstance(ProcessControl *control);
};

// The machine's own process list from /proc, ended through pidfd.
class SystemProcessControl : public ProcessControl
{
public:
    std::vector<ProcessEntry> snapshot() override;
    WaitOutcome terminateAndWait(int64_t pid, int timeoutMs, int &windowsError) override;
};

} // namespace qv
