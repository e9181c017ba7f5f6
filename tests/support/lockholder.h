// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvane developers
#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>
#include <csignal>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

// Another process holding a lock, as a second Quorvane or a running
// wineserver would (a process never sees its own fcntl locks as foreign).
class LockHolder
{
public:
    enum Kind { Fcntl, Flock };
    LockHolder(const QString &file, Kind kind, int holdMs = -1)
    {
        int ready[2];
        if (::pipe(ready) != 0)
            return;
        const QByteArray name = QFile::encodeName(file);
        m_pid = ::fork();
        if (m_pid == 0) {
            const int fd = ::open(name.constData(), O_RDWR | O_CREAT, 0600);
            struct flock fl = {};
            fl.l_type = F_WRLCK;
            fl.l_whence = SEEK_SET;
            fl.l_len = 1;
            const bool ok = fd >= 0 && (kind == Fcntl ? ::fcntl(fd, F_SETLK, &fl) == 0 : ::flock(fd, LOCK_EX) == 0);
            const char c = ok ? '1' : '0';
            (void)!::write(ready[1], &c, 1);
            if (holdMs >= 0)
                ::usleep(useconds_t(holdMs) * 1000);
            else
                ::pause();
            ::_exit(0);
        }
        char c = 0;
        (void)!::read(ready[0], &c, 1);
        ::close(ready[0]);
        ::close(ready[1]);
        m_ok = c == '1';
    }
    ~LockHolder()
    {
        if (m_pid > 0) {
            ::kill(m_pid, SIGKILL);
            ::waitpid(m_pid, nullptr, 0);
        }
    }
    bool ok() const { return m_ok; }
    pid_t pid() const { return m_pid; }

private:
    pid_t m_pid = -1;
    bool m_ok = false;
};
