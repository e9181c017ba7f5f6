// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvane developers
#include "platform/wine/winestart.h"

#include <QDir>
#include <QFileInfo>
#include <QProcessEnvironment>
#include <QStandardPaths>
#include <QTemporaryFile>
#include <QThread>
#include <QElapsedTimer>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

#include "platform/wine/prefixes.h"
#include "platform/wine/wineprefix.h"
#include "platform/namebytes.h"

namespace qv {

namespace {
// A first start in a prefix brings up its wineserver: Wine 8 took six
// seconds to say it could not find a program on a busy machine. Watching
// longer costs nothing; the window answers meanwhile.
int g_watchMs = 20000;

// What Wine prints when it cannot run a program is one line starting
// "wine:"; an error of a module is an "err:" line. Of a longer log, those
// lines say it best; otherwise its last lines.
QString messageOf(const QString &log)
{
    QStringList lines;
    for (const QString &l : log.split(QLatin1Char('\n')))
        if (!l.trimmed().isEmpty())
            lines << l.trimmed();
    QStringList picked;
    for (const QString &l : std::as_const(lines))
        if (l.startsWith(QLatin1String("wine:")))
            picked << l;
    if (picked.isEmpty())
        for (const QString &l : std::as_const(lines))
            if (l.contains(QLatin1String(":err:")) || l.startsWith(QLatin1String("err:")))
                picked << l;
    if (picked.isEmpty())
        picked = lines;
    QString text = picked.mid(std::max<qsizetype>(0, picked.size() - 3)).join(QLatin1Char('\n'));
    if (text.size() > 600)
        text = text.left(600) + QStringLiteral("...");
    return text;
}
} // namespace

// Wine's stderr goes to a file of ours that is gone from the folder once we
// are done with it; the program keeps writing into it until it ends.
struct WineStart::Log
{
    QTemporaryFile file{QDir::tempPath() + QStringLiteral("/quorvane-wine-XXXXXX.log")};
};

int WineStart::watchMs() { return g_watchMs; }
void WineStart::setWatchMs(int ms) { g_watchMs = ms; }

WineStart::WineStart(const QString &windowsProgram) : m_program(windowsProgram), m_log(std::make_unique<Log>())
{
    const QString root = WinePrefix::current().root();
    const WineBuild build = prefixes::wineBuild(root);
    const QStringList arguments = build.arguments + QStringList{windowsProgram};
    m_command = prefixes::commandLine(build, root, windowsProgram);

    // Never another Wine in the place of the one the prefix pins: that
    // would upgrade the prefix behind its manager's back.
    if (!build.problem.isEmpty()) {
        fail(QStringLiteral("The prefix's Wine build (%1): %2. Choose another Wine build for this prefix in its "
                            "manager")
                 .arg(build.description, build.problem));
        return;
    }
    // A program given without a folder is looked up on PATH, as a shell does.
    QString program = build.program;
    if (!program.contains(QLatin1Char('/'))) {
        const QString found = QStandardPaths::findExecutable(program);
        if (found.isEmpty()) {
            fail(QStringLiteral("%1 was not found on PATH. Install Wine, or start the program yourself")
                     .arg(build.program));
            return;
        }
        program = found;
    } else if (!QFileInfo(program).isFile()) {
        fail(QStringLiteral("%1 (%2) does not exist. Install it again through the prefix manager, or choose "
                            "another Wine build for this prefix there")
                 .arg(program, build.description));
        return;
    }

    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("WINEPREFIX"), root);
    // Wine's "fixme" lines would fill the log for as long as the program
    // runs; its errors stay. A value the user set is kept.
    if (!env.contains(QStringLiteral("WINEDEBUG")))
        env.insert(QStringLiteral("WINEDEBUG"), QStringLiteral("fixme-all"));

    std::vector<QByteArray> argBytes{namebytes::encode(program)};
    for (const QString &a : arguments)
        argBytes.push_back(a.toLocal8Bit());
    std::vector<char *> argv;
    for (QByteArray &a : argBytes)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    std::vector<QByteArray> envBytes;
    for (const QString &e : env.toStringList())
        envBytes.push_back(e.toLocal8Bit());
    std::vector<char *> envp;
    for (QByteArray &e : envBytes)
        envp.push_back(e.data());
    envp.push_back(nullptr);

    const int logFd = m_log->file.open() ? int(m_log->file.handle()) : -1;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    if (logFd >= 0)
        posix_spawn_file_actions_adddup2(&actions, logFd, 2);
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    // A session of its own: closing the terminal we were started from does
    // not end the program with us.
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSID);
    pid_t pid = -1;
    const int error = posix_spawn(&pid, argv[0], &actions, &attributes, argv.data(), envp.data());
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
    if (error != 0) {
        fail(QStringLiteral("%1 could not be run: %2").arg(program, QString::fromLocal8Bit(std::strerror(error))));
        return;
    }
    m_pid = pid;
}

WineStart::~WineStart()
{
    if (m_state == Running && m_pid > 0) {
        // Someone has to collect its status when it ends, or it lingers
        // in the process list until we are gone.
        const pid_t pid = pid_t(m_pid);
        std::thread([pid] {
            int status = 0;
            while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
            }
        }).detach();
    }
}

void WineStart::fail(const QString &why)
{
    m_state = Failed;
    m_failure = QStringLiteral("%1 could not be started.\n\nCommand: %2\n\n%3")
                    .arg(QDir::toNativeSeparators(m_program), m_command, why);
}

QString WineStart::wineSaid() const
{
    QFile log(m_log->file.fileName());
    if (!log.open(QIODevice::ReadOnly))
        return QString();
    return messageOf(QString::fromLocal8Bit(log.read(64 * 1024)));
}

WineStart::State WineStart::poll()
{
    if (m_state != Running || m_pid <= 0)
        return m_state;
    int status = 0;
    const pid_t r = waitpid(pid_t(m_pid), &status, WNOHANG);
    if (r == 0)
        return Running;
    if (r < 0) {
        // Collected elsewhere; all that can be told is that it ended.
        m_state = Ended;
        return m_state;
    }
    if (WIFEXITED(status) && WEXITSTATUS(status) == 0) {
        m_state = Ended;
        return m_state;
    }
    const QString said = wineSaid();
    const QString how = WIFEXITED(status) ? QStringLiteral("Wine ended at once with status %1").arg(WEXITSTATUS(status))
                                          : QStringLiteral("Wine was ended by signal %1").arg(WTERMSIG(status));
    fail(said.isEmpty() ? how + QLatin1Char('.') : how + QStringLiteral(". Wine said:\n") + said);
    return m_state;
}

WineStart::State WineStart::wait(int ms)
{
    QElapsedTimer clock;
    clock.start();
    while (poll() == Running && clock.elapsed() < ms)
        QThread::msleep(20);
    return m_state;
}

} // namespace qv
