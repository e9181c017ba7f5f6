// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvane developers
#include "platform/processes.h"

#include "platform/wine/wineprefix.h"

#include <QDir>
#include <QFile>
#include <QElapsedTimer>
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
#include "platform/namebytes.h"

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

// What /proc/<pid>/stat tells of a process.
struct Stat
{
    QString comm;
    char state = 0;
    int64_t ppid = 0;
    uint64_t flags = 0;
    uint64_t startTime = 0;
};

// "pid (comm) S ppid pgrp session tty tpgid flags ... starttime ...": comm
// may hold blanks and brackets, so split at the last ')'.
bool parseStat(const QByteArray &stat, Stat &out)
{
    const int open = stat.indexOf('(');
    const int close = stat.lastIndexOf(')');
    if (open < 0 || close < open)
        return false;
    out.comm = namebytes::decode(stat.mid(open + 1, close - open - 1));
    if (close + 2 > stat.size())
        return false;
    // The fields after the name, found in place: a snapshot reads this file
    // for every process of the machine, and splitting it would copy all 50.
    QByteArrayView rest[20];
    int count = 0;
    const char *const end = stat.constData() + stat.size();
    for (const char *field = stat.constData() + close + 2; count < 20;) {
        const char *blank = static_cast<const char *>(memchr(field, ' ', size_t(end - field)));
        rest[count++] = QByteArrayView(field, (blank ? blank : end) - field);
        if (!blank)
            break;
        field = blank + 1;
    }
    if (count < 2 || rest[0].isEmpty())
        return false;
    out.state = rest[0].at(0);
    out.ppid = rest[1].toLongLong();
    out.flags = count > 6 ? rest[6].toULongLong() : 0;
    out.startTime = count > 19 ? rest[19].toULongLong() : 0; // the 22nd field
    return true;
}

// The start time of the live process of that id now; 0 when there is none
// (an ended process waiting to be reaped counts as none).
uint64_t startTimeOf(int64_t pid)
{
    const QByteArray file = "/proc/" + QByteArray::number(qint64(pid)) + "/stat";
    Stat st;
    if (!parseStat(readProcFile(AT_FDCWD, file.constData()), st) || st.state == 'Z' || st.state == 'X')
        return 0;
    return st.startTime;
}

// The owner of a process from "Uid:\treal\teffective\t...": -1 when the two
// differ (a program that changed its user is no Wine process of ours).
int64_t ownerOf(const QByteArray &status)
{
    for (const QByteArray &line : status.split('\n')) {
        if (!line.startsWith("Uid:"))
            continue;
        const QList<QByteArray> ids = line.mid(4).simplified().split(' ');
        if (ids.size() >= 2 && ids.at(0) == ids.at(1))
            return ids.at(0).toLongLong();
        return -1;
    }
    return -1;
}

bool g_pidfdsUsed = true;

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

} // namespace

// A held process: its pidfd, or without pidfds its id and start time.
struct ProcessHold
{
    int64_t pid = 0;
    uint64_t startTime = 0;
    int fd = -1;
    ~ProcessHold()
    {
        if (fd >= 0)
            ::close(fd);
    }
};

namespace {

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
        Stat st;
        ProcessEntry e;
        e.pid = pid;
        if (!parseStat(readProcFile(dirFd, "stat"), st) || st.state == 'Z' || st.state == 'X') {
            // Gone meanwhile, or ended and only waiting to be reaped.
            ::close(dirFd);
            continue;
        }
        e.parentPid = st.ppid;
        e.startTime = st.startTime;
        const QByteArray cmdline = readProcFile(dirFd, "cmdline");
        const QString argv0 = namebytes::decode(cmdline.left(cmdline.indexOf('\0') < 0 ? cmdline.size() : cmdline.indexOf('\0')));
        // A kernel thread runs no program file, so it has none to read.
        const bool kernelThread = st.flags & kKernelThread;
        // Only Wine's loader runs Windows programs: a native program that
        // shows a Windows path in argv[0] is named so, but is no Wine process.
        const bool loader = !kernelThread && runsWineLoader(dirFd);
        e.exeFile = executableName(argv0, st.comm, loader || winpath::looksLikeWindowsPath(argv0));
        if (loader) {
            e.prefix = prefixFromEnvironment(readProcFile(dirFd, "environ"));
            e.uid = ownerOf(readProcFile(dirFd, "status"));
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
        return namebytes::decode(prefix);
    if (!home.isEmpty())
        return namebytes::decode(home) + QStringLiteral("/.wine");
    return QString();
}

bool runsInPrefix(const ProcessEntry &entry, const QString &prefixRoot)
{
    if (entry.prefix.isEmpty() || entry.uid != static_cast<int64_t>(::getuid()))
        return false;
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

void SystemProcessControl::setPidfdsUsed(bool used)
{
    g_pidfdsUsed = used;
}

bool SystemProcessControl::hold(ProcessEntry &entry)
{
    if (entry.pid <= 0)
        return false;
    auto held = std::make_shared<ProcessHold>();
    held->pid = entry.pid;
    held->startTime = entry.startTime;
    // The pidfd first, then the look at who has that id: a process that
    // started when the listed one did is that process, and the pidfd,
    // opened before, names it.
    if (g_pidfdsUsed) {
        held->fd = pidfdOpen(entry.pid);
        if (held->fd < 0 && errno != ENOSYS)
            return false;
    }
    if (entry.startTime == 0 || startTimeOf(entry.pid) != entry.startTime)
        return false;
    entry.hold = std::move(held);
    return true;
}

WaitOutcome SystemProcessControl::terminateAndWait(const ProcessEntry &process, int timeoutMs, int &windowsError)
{
    // A process that was not held (gone meanwhile, or never found) leaves no
    // handle, and the wait on no handle is what fails, as on Windows.
    windowsError = 0;
    const ProcessHold *held = process.hold.get();
    if (!held || held->pid != process.pid) {
        windowsError = winerror::InvalidHandle;
        return WaitOutcome::Failed;
    }
    if (held->fd < 0) {
        // No pidfd: the start time, looked at right before the signal, tells
        // the process from one that took its id since.
        if (startTimeOf(held->pid) != held->startTime)
            return WaitOutcome::Ended; // it ended on its own, as a held handle would tell
        if (::kill(pid_t(held->pid), SIGKILL) != 0 && errno != ESRCH) {
            windowsError = winerror::InvalidHandle;
            return WaitOutcome::Failed;
        }
        QElapsedTimer clock;
        clock.start();
        while (startTimeOf(held->pid) == held->startTime) {
            if (clock.elapsed() >= timeoutMs)
                return WaitOutcome::TimedOut;
            ::usleep(10000);
        }
        return WaitOutcome::Ended;
    }
    if (pidfdSendSignal(held->fd, SIGKILL) < 0 && errno != ESRCH) {
        // Without the right to end it, waiting would only run into the time-out.
        windowsError = winerror::InvalidHandle;
        return WaitOutcome::Failed;
    }
    struct pollfd p = {held->fd, POLLIN, 0};
    int r;
    do {
        r = ::poll(&p, 1, timeoutMs);
    } while (r < 0 && errno == EINTR);
    if (r < 0) {
        windowsError = winerror::fromErrno(errno);
        return WaitOutcome::Failed;
    }
    return r == 0 ? WaitOutcome::TimedOut : WaitOutcome::Ended;
}

} // namespace qv
