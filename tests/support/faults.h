// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvane developers
#pragma once

// The faults a machine can throw at an operation, made on purpose: a small
// full disk, a read-only mount, the immutable attribute, a process killed at
// a chosen moment. Mounts are made in a mount namespace of the test program's
// own, by an ordinary user too (see privateMounts); the attributes need
// root's CAP_LINUX_IMMUTABLE. Each helper says whether it could be made
// (ok(), why()), and the tests skip with the reason when it could not.

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>
#include <csignal>
#include <functional>
#include <utility>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <linux/capability.h>
#include <linux/fs.h>
#include <sched.h>
#include <sys/ioctl.h>
#include <sys/mount.h>
#include <sys/statvfs.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include "support/tempdir.h"

namespace faults {

namespace detail {

inline bool writeProcFile(const char *file, const QByteArray &text)
{
    const int fd = ::open(file, O_WRONLY | O_CLOEXEC);
    const bool ok = fd >= 0 && ::write(fd, text.constData(), size_t(text.size())) == text.size();
    if (fd >= 0)
        ::close(fd);
    return ok;
}

// Whether this process holds its user namespace's capabilities only while it mounts.
inline bool &capableOnlyToMount()
{
    static bool on = false;
    return on;
}

// Raises or lowers the effective capability to mount (the permitted set stays).
inline bool mountCapability(bool raised)
{
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct data[2] = {};
    if (::syscall(SYS_capget, &header, data) != 0)
        return false;
    data[0].effective = raised ? data[0].permitted & (1u << CAP_SYS_ADMIN) : 0;
    data[1].effective = 0;
    data[0].inheritable = data[1].inheritable = 0;
    return ::syscall(SYS_capset, &header, data) == 0;
}

} // namespace detail

// Mounts made by the tests stay in a mount namespace of this test program,
// so nothing else on the machine sees them and none outlives the program.
// Root with CAP_SYS_ADMIN makes one directly. Anyone else (an ordinary user,
// root in a container) makes a user namespace that maps its own user and
// group to themselves; an ordinary user holds that namespace's capabilities
// only while it mounts, so modes stop it as before and the programs it
// starts hold none. Empty when mounts can be made, else why not.
inline QString privateMounts()
{
    static const QString why = []() -> QString {
        auto privateTree = [] { return ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0; };
        if (::unshare(CLONE_NEWNS) == 0)
            return privateTree() ? QString() : QStringLiteral("the mounts could not be made private");
        const uid_t uid = ::geteuid();
        const gid_t gid = ::getegid();
        if (::unshare(CLONE_NEWUSER | CLONE_NEWNS) != 0)
            return QStringLiteral("this machine lets no user namespace be made (%1); a kernel or container "
                                  "setting forbids it")
                .arg(QString::fromLocal8Bit(std::strerror(errno)));
        if (!detail::writeProcFile("/proc/self/setgroups", "deny")
            || !detail::writeProcFile("/proc/self/uid_map", QByteArray::number(uid) + ' ' + QByteArray::number(uid) + " 1")
            || !detail::writeProcFile("/proc/self/gid_map", QByteArray::number(gid) + ' ' + QByteArray::number(gid) + " 1")
            || !privateTree())
            return QStringLiteral("the user namespace could not map this user or make its mounts private");
        // Root keeps them: modes never stopped it, and lowered, they would
        // keep it from the programs it starts, which regain them as root.
        detail::capableOnlyToMount() = uid != 0;
        if (uid != 0 && !detail::mountCapability(false))
            return QStringLiteral("the namespace's capabilities stayed raised");
        return QString();
    }();
    return why;
}

// mount(2) and umount2(2) in the program's own namespace.
inline bool mountHere(const char *source, const QByteArray &target, const char *type, unsigned long flags,
                      const char *data = nullptr)
{
    if (!privateMounts().isEmpty())
        return false;
    const bool raise = detail::capableOnlyToMount();
    if (raise)
        detail::mountCapability(true);
    const bool ok = ::mount(source, target.constData(), type, flags, data) == 0;
    if (raise)
        detail::mountCapability(false);
    return ok;
}

inline void unmountHere(const QByteArray &target)
{
    const bool raise = detail::capableOnlyToMount();
    if (raise)
        detail::mountCapability(true);
    ::umount2(target.constData(), MNT_DETACH);
    if (raise)
        detail::mountCapability(false);
}

// A small tmpfs: a disk that fills up.
class SmallDisk
{
public:
    explicit SmallDisk(int kib)
    {
        m_ok = mountHere("tmpfs", QFile::encodeName(m_dir.path()), "tmpfs", MS_NOSUID | MS_NODEV,
                         QByteArray("size=" + QByteArray::number(kib) + "k").constData());
    }
    ~SmallDisk()
    {
        if (m_ok)
            unmountHere(QFile::encodeName(m_dir.path()));
    }
    bool ok() const { return m_ok; }
    QString why() const { return m_ok ? QString() : QStringLiteral("no small disk: ") + privateMounts(); }
    QString path() const { return m_dir.path(); }

    // Writes a filler file until the disk is full; removing it makes room again.
    QString fill() const
    {
        const QString name = m_dir.path() + QStringLiteral("/filler");
        QFile f(name);
        if (f.open(QIODevice::Append)) {
            const QByteArray block(4096, 'f');
            while (f.write(block) == block.size() && f.flush()) {
            }
        }
        return name;
    }

private:
    TempDir m_dir;
    bool m_ok = false;
};

// A folder (or file) bound over another, as a mount would show it there;
// read-only when asked. (The read-only remount keeps the flags the place's
// mount has: a user namespace may not drop them.)
class BindMount
{
public:
    BindMount(const QString &source, const QString &target, bool readOnly = false) : m_target(QFile::encodeName(target))
    {
        struct statvfs fs = {};
        m_ok = ::statvfs(m_target.constData(), &fs) == 0
            && mountHere(QFile::encodeName(source).constData(), m_target, nullptr, MS_BIND | MS_REC);
        unsigned long kept = 0;
        for (auto [st, ms] : {std::pair{ST_NOSUID, MS_NOSUID}, {ST_NODEV, MS_NODEV}, {ST_NOEXEC, MS_NOEXEC},
                              {ST_NOATIME, MS_NOATIME}, {ST_NODIRATIME, MS_NODIRATIME}, {ST_RELATIME, MS_RELATIME}})
            if (fs.f_flag & st)
                kept |= ms;
        if (m_ok && readOnly && !mountHere(nullptr, m_target, nullptr, MS_BIND | MS_REMOUNT | MS_RDONLY | kept)) {
            unmountHere(m_target);
            m_ok = false;
        }
    }
    ~BindMount()
    {
        if (m_ok)
            unmountHere(m_target);
    }
    BindMount(const BindMount &) = delete;
    BindMount &operator=(const BindMount &) = delete;
    bool ok() const { return m_ok; }
    QString why() const { return m_ok ? QString() : QStringLiteral("no mount: ") + privateMounts(); }

private:
    QByteArray m_target;
    bool m_ok = false;
};

// A folder bound read-only over itself, as a read-only mount would show it.
struct ReadOnlyMount : BindMount
{
    explicit ReadOnlyMount(const QString &folder) : BindMount(folder, folder, true) {}
};

// The immutable (or append-only) attribute on a file or folder, lifted again
// at the end. Needs CAP_LINUX_IMMUTABLE (root's, outside any user namespace)
// and a file system that keeps the attribute.
class Attribute
{
public:
    explicit Attribute(const QString &path, int flag = FS_IMMUTABLE_FL) : m_path(QFile::encodeName(path)), m_flag(flag)
    {
        m_ok = ::geteuid() == 0 && set(true);
    }
    ~Attribute()
    {
        if (m_ok)
            set(false);
    }
    bool ok() const { return m_ok; }
    static QString why()
    {
        return QStringLiteral("the immutable and append-only attributes need root's CAP_LINUX_IMMUTABLE and a file "
                              "system that keeps them");
    }

private:
    bool set(bool on)
    {
        const int fd = ::open(m_path.constData(), O_RDONLY | O_NONBLOCK);
        if (fd < 0)
            return false;
        int flags = 0;
        bool done = ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
        if (done) {
            flags = on ? (flags | m_flag) : (flags & ~m_flag);
            done = ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
        }
        ::close(fd);
        return done;
    }
    QByteArray m_path;
    int m_flag;
    bool m_ok = false;
};

// Folder modes binding root too: CAP_DAC_OVERRIDE and CAP_DAC_READ_SEARCH
// leave this thread's effective set for the helper's life (they stay
// permitted, so they come back). An ordinary user is bound already.
class ModesBindRoot
{
public:
    ModesBindRoot()
    {
        __user_cap_data_struct lowered[2] = {};
        m_ok = ::geteuid() != 0 || ::syscall(SYS_capget, &m_header, m_saved) == 0;
        std::memcpy(lowered, m_saved, sizeof lowered);
        lowered[0].effective &= ~((1u << CAP_DAC_OVERRIDE) | (1u << CAP_DAC_READ_SEARCH));
        if (m_ok && ::geteuid() == 0)
            m_ok = m_lowered = ::syscall(SYS_capset, &m_header, lowered) == 0;
    }
    ~ModesBindRoot()
    {
        if (m_lowered)
            ::syscall(SYS_capset, &m_header, m_saved);
    }
    bool ok() const { return m_ok; }
    static QString why() { return QStringLiteral("root's power over folder modes could not be set aside (capset)"); }

private:
    __user_cap_header_struct m_header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct m_saved[2] = {};
    bool m_ok = false, m_lowered = false;
};

// Runs work in a child process that is killed at a chosen moment: work gets
// a function to call there, which sends the child SIGKILL. Gives back true
// when the child was killed, false when it got through without.
inline bool interrupted(const std::function<void(const std::function<void()> &kill)> &work)
{
    const pid_t child = ::fork();
    if (child == 0) {
        work([] { ::raise(SIGKILL); });
        ::_exit(0);
    }
    int status = 0;
    if (child < 0 || ::waitpid(child, &status, 0) != child)
        return false;
    return WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL;
}

} // namespace faults
