// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvane developers
#include "platform/processes.h"

#include "platform/wine/wineprefix.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include "platform/winerror.h"
#include "platform/winpath.h"

namespace qv {

namespace {
// A /proc file whole, by plain system calls: its reported size is 0, and
// the list reads several of them for every process of the machine.
QByteArray readProcFile(int dirFd, const char *name)
{
    const int fd = ::openat(dirFd, name, O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return QByteArray();
    QByteArray out;
    char buf[4096];
    for (;;) {
        const ssize_t n = ::read(fd, buf, sizeof buf);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        out.append(buf, n);
    }
    ::close(fd);
    return out;
}

// The kernel's PF_KTHREAD flag in /proc/<pid>/stat.
constexpr uint64_t kKernelThread = 0x00200000;

// Only the all-digit entries of /proc are processes.
bool isProcessName(const char *name, int64_t &pid)
{
    if (!*name)
        return false;
    int64_t v = 0;
    for (const char *c = name; *c; ++c) {
        if (*c < '0' || *c > '9' || v > (INT64_MAX - 9) / 10)
            return false;
        v = v * 10 + (*c - '0');
    }
    pid = v;
    return true;
}

// "pid (comm) S ppid pgrp session tty tpgid flags ...": comm may hold
// blanks and brackets, so split at the last ')'.
bool parseStat(const QByteArray &stat, QString &comm, char &state, int64_t &ppid, uint64_t &flags)
{
    const int open = stat.indexOf('(');
    const int close = stat.lastIndexOf(')');
    if (open < 0 || close < open)
        return false;
    comm = QString::fromUtf8(stat.mid(open + 1, close - open - 1));
    const QList<QByteArray> rest = stat.mid(close + 2).split(' ');
    if (rest.size() < 2 || rest.at(0).isEmpty())
        return false;
    state = rest.at(0).at(0);
    ppid = rest.at(1).toLongLong();
    flags = rest.size() > 6 ? rest.at(6).toULongLong() : 0;
    return true;
}

// A program started by its host path ("wine ~/.wine/drive_c/.../AcroRd32.exe")
// or a bare name shows no Windows path in argv[0]; Wine's loader running it
// (wine, wine64, wine64-preloader) tells it apart.
bool runsWineLoader(int dirFd)
{
    char target[4096];
    const ssize_t n = ::readlinkat(dirFd, "exe", target, sizeof target - 1);
    if (n <= 0)
        return false;
    target[n] = 0;
    const char *slash = std::strrchr(target, '/');
    return std::strncmp(slash ? slash + 1 : target, "wine", 4) == 0;
}

int pidfdOpen(int64_t pid)
{
    return static_cast<int>(::syscall(SYS_pidfd_open, static_cast<pid_t>(pid), 0));
}

int pidfdSendSignal(int fd, int sig)
{
    return static_cast<int>(::syscall(SYS_pidfd_send_signal, fd, sig, nullptr, 0));
}
} // namespace

QString executableName(const QString &argv0, const QString &processName, bool wineLoader)
{
    const bool windowsProgram = winpath::looksLikeWindowsPath(argv0) || (wineLoader && !argv0.isEmpty());
    const QString name = windowsProgram ? winpath::name(argv0) : processName;
    return name.left(259);
}

std::vector<ProcessEntry> SystemProcessControl::snapshot()
{
    std::vector<ProcessEntry> list;
    // The names alone tell the processes from the rest of /proc (no stat of
    // each entry); only those are opened.
    DIR *proc = ::opendir("/proc");
    if (!proc)
        return list;
    std::vector<int64_t> pids;
    while (const dirent *d = ::readdir(proc)) {
        int64_t pid = 0;
        if ((d->d_type == DT_DIR || d->d_type == DT_UNKNOWN) && isProcessName(d->d_name, pid))
            pids.push_back(pid);
    }
    ::closedir(proc);
    std::sort(pids.begin(), pids.end());
    for (int64_t pid : pids) {
        char path[32];
        std::snprintf(path, sizeof path, "/proc/%lld", static_cast<long long>(pid));
        const int dirFd = ::open(path, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (dirFd < 0)
            continue; // gone meanwhile
        QString comm;
        char state = 0;
        uint64_t flags = 0;
        ProcessEntry e;
        e.pid = pid;
        if (!parseStat(readProcFile(dirFd, "stat"), comm, state, e.parentPid, flags) || state == 'Z' || state == 'X') {
            // Gone meanwhile, or ended and only waiting to be reaped.
            ::close(dirFd);
            continue;
        }
        const QByteArray cmdline = readProcFile(dirFd, "cmdline");
        const QString argv0 = QString::fromUtf8(cmdline.left(cmdline.indexOf('\0') < 0 ? cmdline.size() : cmdline.indexOf('\0')));
        // A kernel thread runs no program file, so it has none to read.
        const bool kernelThread = flags & kKernelThread;
        const bool wine = winpath::looksLikeWindowsPath(argv0) || (!kernelThread && runsWineLoader(dirFd));
        e.exeFile = executableName(argv0, comm, wine);
        if (wine) {
            e.prefix = prefixFromEnvironment(readProcFile(dirFd, "environ"));
            struct stat st;
            if (::fstat(dirFd, &st) == 0)
                e.uid = st.st_uid;
        }
        ::close(dirFd);
        list.push_back(std::move(e));
    }
    return list;
}

QString prefixFromEnvironment(const QByteArray &environment)
{
    QByteArray prefix, home;
    for (const QByteArray &record : environment.split('\0')) {
        if (record.startsWith("WINEPREFIX="))
            prefix = record.mid(11);
        else if (record.startsWith("HOME="))
            home = record.mid(5);
    }
    if (!prefix.isEmpty())
        return QFile::decodeName(prefix);
    if (!home.isEmpty())
        return QFile::decodeName(home) + QStringLiteral("/.wine");
    return QString();
}

bool runsInPrefix(const ProcessEntry &entry, const QString &prefixRoot)
{
    struct stat st;
    if (entry.uid >= 0 && ::stat(QFile::encodeName(prefixRoot).constData(), &st) == 0
        && static_cast<int64_t>(st.st_uid) != entry.uid)
        return false;
    if (entry.prefix.isEmpty())
        return true;
    // The same folder may be reached through links or a trailing slash.
    auto canonical = [](const QString &path) {
        const QString real = QFileInfo(path).canonicalFilePath();
        return real.isEmpty() ? QDir::cleanPath(QDir(path).absolutePath()) : real;
    };
    return canonical(entry.prefix) == canonical(prefixRoot);
}

QString commandLineOf(int64_t pid)
{
    const QByteArray file = "/proc/" + QByteArray::number(qint64(pid)) + "/cmdline";
    QStringList words;
    for (const QByteArray &arg : readProcFile(AT_FDCWD, file.constData()).split('\0')) {
        const QString word = QString::fromUtf8(arg);
        if (!word.isEmpty())
            words << (word.contains(QLatin1Char(' ')) ? QLatin1Char('"') + word + QLatin1Char('"') : word);
    }
    QString line = words.join(QLatin1Char(' '));
    constexpr qsizetype kLongest = 200;
    if (line.size() > kLongest)
        line = line.left(kLongest) + QStringLiteral("...");
    return line;
}

bool runsOnThisMachine(const ProcessEntry &entry)
{
    return runsInPrefix(entry, WinePrefix::current().root());
}

WaitOutcome SystemProcessControl::terminateAndWait(int64_t pid, int timeoutMs, int &windowsError)
{
    // A process that cannot be opened (gone meanwhile, or not ours to end)
    // leaves no handle, and the wait on no handle is what fails, as on Windows.
    windowsError = 0;
    if (pid <= 0) {
        windowsError = winerror::InvalidHandle;
        return WaitOutcome::Failed;
    }
    // A pidfd names this very process, so a recycled id can never be hit.
    const int fd = pidfdOpen(pid);
    if (fd < 0) {
        windowsError = winerror::InvalidHandle;
        return WaitOutcome::Failed;
    }
    if (pidfdSendSignal(fd, SIGKILL) < 0 && errno != ESRCH) {
        // Without the right to end it, waiting would only run into the time-out.
        windowsError = winerror::InvalidHandle;
        ::close(fd);
        return WaitOutcome::Failed;
    }
    struct pollfd p = {fd, POLLIN, 0};
    int r;
    do {
        r = ::poll(&p, 1, timeoutMs);
    } while (r < 0 && errno == EINTR);
    const int err = errno;
    ::close(fd);
    if (r < 0) {
        windowsError = winerror::fromErrno(err);
        return WaitOutcome::Failed;
    }
    return r == 0 ? WaitOutcome::TimedOut : WaitOutcome::Ended;
}

} // namespace qv
