// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvane developers
#pragma once

#include <QString>
#include <cstdint>
#include <memory>
#include <vector>

// systemErrorMessage(), for the failures of terminateAndWait.
#include "platform/winerror.h"

namespace qv {

// A process held open (a pidfd on Linux, a process handle on Windows), so
// that whatever is done to it reaches that very process and never another
// that took its id since. The machine's own type.
struct ProcessHold;

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
    // Owner of the process (its real and effective user alike); -1 when
    // unknown, or for a process that is not Wine's.
    int64_t uid = -1;
    // When it started (Linux: clock ticks since boot), which tells it from a
    // later process of the same id; 0 when unknown.
    uint64_t startTime = 0;
    // Set by ProcessControl::hold(); empty until then.
    std::shared_ptr<ProcessHold> hold = nullptr;
};

// The prefix a Wine process uses, from its environment (NUL-separated
// NAME=value records): $WINEPREFIX when set and not empty, else $HOME/.wine;
// empty when neither is there.
QString prefixFromEnvironment(const QByteArray &environment);

// Whether a listed process belongs to the prefix at prefixRoot: a process of
// Wine (its program is Wine's loader) whose prefix is that one, of the user
// running Quorvane. Each prefix is a machine of its own, so a Reader of
// another prefix is not ours to end; a native program that only bears a
// Windows name is no Reader; another user's process is never ours, also
// when Quorvane runs as root. A process whose prefix is unknown is not ours.
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
    // Opens a listed process at the moment it is found and makes sure it is
    // still the one listed (the same start); sets entry.hold. False when it
    // is gone or cannot be opened.
    virtual bool hold(ProcessEntry &entry) = 0;
    // Ends a held process hard and waits at most timeoutMs for it to be
    // gone. A process not held is not ended: the wait on no handle fails
    // (ERROR_INVALID_HANDLE), as on Windows. On Failed, windowsError
    // receives the Windows error code of the cause (winerror.h;
    // systemErrorMessage() words it).
    virtual WaitOutcome terminateAndWait(const ProcessEntry &process, int timeoutMs, int &windowsError) = 0;

    static ProcessControl &instance();
    // Takes no ownership; nullptr brings the real one back.
    static void setInstance(ProcessControl *control);
};

// The machine's own process list (/proc; Tool Help on Windows), held
// through pidfds (process handles on Windows). Where the kernel has no
// pidfds (before Linux 5.3) a held process is known by its start time,
// looked at again right before it is signalled.
class SystemProcessControl : public ProcessControl
{
public:
    std::vector<ProcessEntry> snapshot() override;
    bool hold(ProcessEntry &entry) override;
    WaitOutcome terminateAndWait(const ProcessEntry &process, int timeoutMs, int &windowsError) override;

    // Tests: hold by start time alone, as without pidfds.
    static void setPidfdsUsed(bool used);
};

} // namespace qv
