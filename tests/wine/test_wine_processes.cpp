// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvane developers
// Finding and ending a Windows program that runs under Wine.

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QThread>
#include <csignal>
#include <gtest/gtest.h>

#include "core/readerhelpers.h"
#include "platform/error.h"
#include "platform/processes.h"
#include "wineloop.h"

namespace {

const QString kHelperExe = QStringLiteral("qvproc.exe");

int countListed(const QString &name)
{
    int n = 0;
    for (const qv::ProcessEntry &e : qv::ProcessControl::instance().snapshot())
        n += e.exeFile == name;
    return n;
}

// Waits until n processes of that name are listed (Wine takes a moment to start one).
bool waitForListed(const QString &name, int n)
{
    QElapsedTimer t;
    t.start();
    while (countListed(name) < n) {
        if (t.elapsed() > 30000)
            return false;
        QThread::msleep(100);
    }
    return true;
}

struct Sleeper
{
    QProcess process;
    Sleeper(WineLoop &wine, const QString &prefix, const QStringList &programAndArguments)
    {
        process.setProcessEnvironment(wine.environment(prefix));
        process.start(QStringLiteral("wine"), programAndArguments);
        process.waitForStarted(30000);
    }
    ~Sleeper()
    {
        if (process.state() != QProcess::NotRunning) {
            process.kill();
            process.waitForFinished(10000);
        }
    }
};

} // namespace

class WineProcesses : public WineTest
{
protected:
    void TearDown() override
    {
        if (wine)
            wine->stopServer(wine->otherPrefix());
        WineTest::TearDown();
    }
};

TEST_F(WineProcesses, AHelperOfThisPrefixIsFoundAndEndedOneOfAnotherPrefixIsNot)
{
    // One in another prefix, started by its host path as "wine /path/x.exe"
    // does, and so shown by that path; one in ours, by its Windows path.
    Sleeper there(*wine, wine->otherPrefix(), {wine->helper(QStringLiteral("qvproc")), "sleep", "60000"});
    ASSERT_TRUE(waitForListed(kHelperExe, 1));
    EXPECT_EQ(FindProcessId(kHelperExe), -1) << "a program of another prefix is not ours";
    Sleeper here(*wine, wine->prefix(), {WineLoop::windowsPath(wine->helper(QStringLiteral("qvproc"))), "sleep", "60000"});
    ASSERT_TRUE(waitForListed(kHelperExe, 2));

    const int64_t pid = FindProcessId(kHelperExe);
    ASSERT_NE(pid, -1);
    EXPECT_EQ(pid, int64_t(here.process.processId()));
    EXPECT_NO_THROW(KillProcess(pid));
    // (KillProcess lets pending events run, so QProcess may have seen the end already)
    EXPECT_TRUE(here.process.state() == QProcess::NotRunning || here.process.waitForFinished(5000));
    EXPECT_EQ(FindProcessId(kHelperExe), -1);
    EXPECT_EQ(there.process.state(), QProcess::Running) << "the other prefix's program must be left running";
}

TEST_F(WineProcesses, EndingAProgramThatIsGoneHitsNoOtherProcess)
{
    // Windows' own sequence on a process that has just ended: OpenProcess
    // fails, TerminateProcess and WaitForSingleObject meet no handle.
    const QStringList seen = QString::fromUtf8(wine->run({QStringLiteral("wine"), wine->helper(QStringLiteral("qvproc")),
                                                          QStringLiteral("gone")}))
                                 .trimmed()
                                 .split(QLatin1Char(' '));
    ASSERT_EQ(seen.size(), 11) << seen.join(' ').toStdString();
    EXPECT_EQ(seen[1], "0") << "OpenProcess gave a handle";
    EXPECT_EQ(seen[2], "87"); // ERROR_INVALID_PARAMETER from the open
    EXPECT_EQ(seen[7], "ffffffff"); // WAIT_FAILED
    const int waitError = seen[8].toInt();
    EXPECT_EQ(waitError, 6); // ERROR_INVALID_HANDLE, which the caller reports

    // Ours holds the program from the moment it is found, as a handle would:
    // one found and then gone before it is ended has ended, and no other
    // process that took its id since is hit.
    Sleeper gone(*wine, wine->prefix(), {WineLoop::windowsPath(wine->helper(QStringLiteral("qvproc"))), "sleep", "60000"});
    ASSERT_TRUE(waitForListed(kHelperExe, 1));
    const int64_t pid = FindProcessId(kHelperExe);
    ASSERT_NE(pid, -1);
    ::kill(pid_t(pid), SIGKILL);
    ASSERT_TRUE(gone.process.waitForFinished(10000));
    EXPECT_NO_THROW(KillProcess(pid));
    // An id no find has held is never ended, and fails as a wait on no handle does.
    try {
        KillProcess(pid + 1);
        FAIL() << "a process that was not found was ended";
    } catch (const qv::Error &e) {
        EXPECT_EQ(e.message().toStdString(), qv::systemErrorMessage(waitError).toStdString());
        EXPECT_EQ(e.message().toStdString(), "System Error.  Code: 6.\nThe handle is invalid.");
    }
}
