// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvane developers
#pragma once

#include <QString>
#include <memory>

namespace qv {

// A Windows program started in the current prefix with the prefix's own
// Wine build (prefixes.h), in a session of its own so that it outlives us,
// and watched for its first moments: when Wine cannot run the program (no
// Wine, no such program, a broken prefix) it says why on stderr and ends at
// once with an error status, and the user is to be told.
class WineStart
{
public:
    enum State {
        Running, // still running, or not yet known to have failed
        Failed,  // could not be started, or ended at once with an error
        Ended,   // ended on its own without an error
    };

    // Starts the program; nothing waits for it.
    explicit WineStart(const QString &windowsProgram);
    // A program still running is left running (and reaped when it ends).
    ~WineStart();
    WineStart(const WineStart &) = delete;
    WineStart &operator=(const WineStart &) = delete;

    // How the program stands now; never waits.
    State poll();
    // Polls until it is no longer running or ms have passed.
    State wait(int ms);

    // The command line that was run, as a user would type it.
    const QString &command() const { return m_command; }
    // For Failed: a message for the user naming the command and what Wine said.
    const QString &failure() const { return m_failure; }

    // How long a start is watched for an early failure; tests shorten it.
    static int watchMs();
    static void setWatchMs(int ms);

private:
    void fail(const QString &why);
    QString wineSaid() const;

    QString m_program;
    QString m_command;
    QString m_failure;
    long long m_pid = -1;
    State m_state = Running;
    struct Log;
    std::unique_ptr<Log> m_log;
};

} // namespace qv
