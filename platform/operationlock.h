// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvane developers
#pragma once

#include <QString>
#include <cstdint>

namespace qv {

// One operation at a time per prefix: the window and quorvane-cli, any
// number of each, take this lock before they change anything and hold it to
// the end. It is a lock the kernel holds for the process, so a Quorvane that
// crashes or is killed lets go of it at once; nothing is left to clean up.
//
// Under Wine: flock() on a file named after the prefix folder's device and
// inode, in a folder of this user's own in /tmp as Wine keeps its server's
// ("/tmp/quorvane-UID/prefix-DEV-INO.lock"), so that taking the lock leaves
// the prefix as it was; the prefix folder's ".quorvane.lock" where that
// folder is not this user's alone. Where no lock file can be had at all (a
// missing prefix), the lock counts as held and the operation's own checks
// refuse it. On Windows, where the machine has one registry: a named mutex
// ("Global\Quorvane.Operation") owned by the thread that took it; an
// abandoned mutex counts as free. Every registry save under Wine takes a
// lock of its own besides (wine/registrystaging.cpp says why there are two).
class OperationLock
{
public:
    // Tries once; never waits.
    OperationLock();
    ~OperationLock();
    OperationLock(const OperationLock &) = delete;
    OperationLock &operator=(const OperationLock &) = delete;

    bool held() const { return m_held; }
    // The lock file for a prefix folder (Wine only; empty when the folder is
    // missing). Tests hold it from another process.
    static QString fileFor(const QString &prefixRoot);
    // When not held: one sentence for the user, saying that another Quorvane
    // is working on this prefix and what to do.
    QString refusal() const { return m_refusal; }

private:
    // What holds the lock: the lock file's descriptor under Wine, the
    // mutex's HANDLE on Windows; kNone while nothing does.
    static constexpr std::intptr_t kNone = -1;
    std::intptr_t m_handle = kNone;
    bool m_held = false;
    QString m_refusal;
};

} // namespace qv
