#pragma once

#include <QString>

namespace qv {

// One operation at a time on a machine: the window and quorvane-cli, any
// number of each, take this lock before they change anything and hold it to
// the end. It is a lock the kernel holds for the process, so a Quorvane that
// crashes or is killed lets go of it at once; nothing is left to clean up.
//
// Under Wine: flock() on ".quorvane.lock" in the prefix folder. Where that
// file can be neither made nor opened, the prefix folder cannot be written,
// so no Quorvane can change its registry, and the operation's own checks
// refuse it: the lock counts as held. On Windows: a named mutex ("Global\Quorvane.Operation") owned by the thread
// that took it; an abandoned mutex counts as free.
class OperationLock
{
public:
    // Tries once; never waits.
    OperationLock();
    ~OperationLock();
    OperationLock(const OperationLock &) = delete;
    OperationLock &operator=(const OperationLock &) = delete;

    bool held() const { return m_held; }
    // When not held: one sentence for the user, saying that another Quorvane
    // is working on this machine and what to do.
    QString refusal() const { return m_refusal; }

private:
    int m_fd = -1;
    bool m_held = false;
    QString m_refusal;
};

} // namespace qv
