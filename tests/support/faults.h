// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvane developers
#pragma once

// The faults a machine can throw at an operation, made on purpose: a small
// full disk, a read-only mount, the immutable attribute, a process killed at
// a chosen moment. Mounts need root; each helper says whether it could be
// made (ok()), and the tests skip cleanly when it could not.

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>
#include <csignal>
#include <functional>

#include <fcntl.h>
#include <linux/fs.h>
#include <sched.h>
#include <sys/ioctl.h>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>

#include "support/tempdir.h"

namespace faults {

// Mounts made by the tests stay in a mount namespace of this test program,
// so nothing else on the machine sees them and none outlives the program.
inline bool privateMounts()
{
    static const bool ok = [] {
        if (::geteuid() != 0 || ::unshare(CLONE_NEWNS) != 0)
            return false;
        return ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0;
    }();
    return ok;
}

// A small tmpfs: a disk that fills up.
class SmallDisk
{
public:
    explicit SmallDisk(int kib)
    {
        m_ok = privateMounts()
            && ::mount("tmpfs", QFile::encodeName(m_dir.path()).constData(), "tmpfs", MS_NOSUID | MS_NODEV,
                       QByteArray("size=" + QByteArray::number(kib) + "k").constData())
                == 0;
    }
    ~SmallDisk()
    {
        if (m_ok)
            ::umount2(QFile::encodeName(m_dir.path()).constData(), MNT_DETACH);
    }
    bool ok() const { return m_ok; }
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

// A folder bound read-only over itself, as a read-only mount would show it.
class ReadOnlyMount
{
public:
    explicit ReadOnlyMount(const QString &folder) : m_folder(QFile::encodeName(folder))
    {
        m_ok = privateMounts() && ::mount(m_folder.constData(), m_folder.constData(), nullptr, MS_BIND, nullptr) == 0;
        if (m_ok && ::mount(nullptr, m_folder.constData(), nullptr, MS_BIND | MS_REMOUNT | MS_RDONLY, nullptr) != 0) {
            ::umount2(m_folder.constData(), MNT_DETACH);
            m_ok = false;
        }
    }
    ~ReadOnlyMount()
    {
        if (m_ok)
            ::umount2(m_folder.constData(), MNT_DETACH);
    }
    bool ok() const { return m_ok; }

private:
    QByteArray m_folder;
    bool m_ok = false;
};

// The immutable (or append-only) attribute on a file or folder, lifted again
// at the end. Needs root and a file system that keeps the attribute.
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
