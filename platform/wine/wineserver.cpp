// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvane developers
#include "platform/wine/wineserver.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QThread>
#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include "platform/error.h"
#include "platform/namebytes.h"
#include "platform/wine/inputfile.h"

namespace qv::wineserver {

namespace {
// Wine's server leaves three seconds after its last program; allow for a slow machine.
int g_timeoutMs = 6000;
QString g_base = QStringLiteral("/tmp");

QString hex(unsigned long long v)
{
    return QString::number(v, 16);
}
} // namespace

int timeoutMs() { return g_timeoutMs; }
void setTimeoutMs(int ms) { g_timeoutMs = ms; }
QString socketBase() { return g_base; }
void setSocketBase(const QString &folder) { g_base = folder; }

QStringList socketDirs(const QString &prefixRoot)
{
    struct stat st;
    if (::stat(namebytes::encode(prefixRoot).constData(), &st) != 0)
        return {};
    const QString leaf = QStringLiteral("/server-%1-%2").arg(hex(st.st_dev), hex(st.st_ino));
    QStringList dirs;
    // Debian's Wine keeps the server in a private temporary folder whose
    // name it writes into the prefix's "wineserver" file.
    const inputfile::Read named = inputfile::read(prefixRoot + QStringLiteral("/wineserver"), 4096);
    if (named.ok()) {
        const QString name = namebytes::decode(named.bytes.trimmed());
        if (!name.isEmpty() && !name.contains(QLatin1String(".."))) {
            if (name.startsWith(QLatin1Char('/'))) {
                dirs << name + leaf;
            } else {
                dirs << g_base + QLatin1Char('/') + name + leaf;
                const QString tmp = qEnvironmentVariable("TMPDIR");
                if (!tmp.isEmpty() && tmp != g_base)
                    dirs << tmp + QLatin1Char('/') + name + leaf;
            }
        }
    }
    dirs << g_base + QStringLiteral("/.wine-%1").arg(st.st_uid) + leaf;
    if (getuid() != st.st_uid)
        dirs << g_base + QStringLiteral("/.wine-%1").arg(getuid()) + leaf;
    return dirs;
}

long long runningPid(const QString &prefixRoot)
{
    for (const QString &dir : socketDirs(prefixRoot)) {
        const QByteArray lock = namebytes::encode(dir + QStringLiteral("/lock"));
        // The folder's name comes from the prefix: only a regular file is
        // opened there (a device could act on being opened), never for writing.
        const int rfd = inputfile::openRegular(AT_FDCWD, lock.constData(), O_NOFOLLOW);
        if (rfd < 0)
            continue; // no server folder, or a stale one without its lock
        struct flock fl = {};
        fl.l_type = F_WRLCK;
        fl.l_whence = SEEK_SET;
        fl.l_start = 0;
        fl.l_len = 0; // any part of the file
        const int r = ::fcntl(rfd, F_GETLK, &fl);
        ::close(rfd);
        if (r == 0 && fl.l_type != F_UNLCK)
            return fl.l_pid > 0 ? fl.l_pid : -1;
    }
    return 0;
}

void ensureStopped(const QString &prefixRoot)
{
    long long pid = runningPid(prefixRoot);
    if (!pid)
        return;
    QElapsedTimer timer;
    timer.start();
    // The server's process tells when it ends: waiting on it resumes the
    // moment Wine has left, where a look every so often would lag behind.
    int exitFd = -1;
    long long exitFdPid = 0;
    while (pid && timer.elapsed() < g_timeoutMs) {
        if (pid != exitFdPid) {
            if (exitFd >= 0)
                ::close(exitFd);
            // No descriptor when the server's id cannot be told (another pid
            // namespace) or the system has no pidfd: then look again soon.
            exitFd = pid > 0 ? int(::syscall(SYS_pidfd_open, pid_t(pid), 0)) : -1;
            exitFdPid = pid;
        }
        // keep the window painting while Wine winds down
        if (QCoreApplication::instance())
            QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        const int slice = int(std::min<qint64>(exitFd >= 0 ? 50 : 5, g_timeoutMs - timer.elapsed()));
        if (slice > 0) {
            if (exitFd >= 0) {
                struct pollfd p = {exitFd, POLLIN, 0};
                ::poll(&p, 1, slice); // an interruption only means an early look
            } else {
                QThread::msleep(ulong(slice));
            }
        }
        // Look again whatever woke us: another server may have taken the
        // lock, or the id may have been reused before the descriptor was had.
        pid = runningPid(prefixRoot);
    }
    if (exitFd >= 0)
        ::close(exitFd);
    if (!pid)
        return;
    throw Error(QStringLiteral("Wine is still running in the prefix \"%1\" (wineserver%2). It keeps its own copy "
                               "of the registry and would undo the change when it ends, so nothing was written. "
                               "Close every Windows program of this prefix, or run \"wineserver -k\" with "
                               "WINEPREFIX=\"%1\", then try again")
                    .arg(QDir::toNativeSeparators(prefixRoot),
                         pid > 0 ? QStringLiteral(", process %1").arg(pid) : QString()));
}

} // namespace qv::wineserver
