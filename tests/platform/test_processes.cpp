// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvane developers
#include <QCoreApplication>
#include <QTimer>
#include <QDir>
#include <QFile>
#include <sys/stat.h>
#include <gtest/gtest.h>

#include "platform/processes.h"
#include "platform/test_processes_fake.h"
#include "support/tempdir.h"

using qv::executableName;

TEST(ProcessName, WinePathGivesTheWindowsFileName)
{
    EXPECT_EQ(executableName("C:\\Program Files\\Adobe\\Reader\\AcroRd32.exe", "AcroRd32.exe"), "AcroRd32.exe");
    EXPECT_EQ(executableName("c:/windows/system32/winedevice.exe", "winedevice.exe"), "winedevice.exe");
    EXPECT_EQ(executableName("C:\\mixed/sep\\Tool.EXE", "x"), "Tool.EXE");
    // A Unix command goes by its process name, not its path.
    EXPECT_EQ(executableName("/usr/bin/sleep", "sleep"), "sleep");
    EXPECT_EQ(executableName("", "kworker/0:1"), "kworker/0:1");
    EXPECT_EQ(executableName("C:\\" + QString(400, 'a'), "x").size(), 259);
}

TEST(ProcessList, ListsAWineStyleChildByItsWindowsName)
{
    ChildrenOnlyProcessControl control;
    FakeProcess child("C:\\Program Files\\Adobe\\Acrobat 7.0\\Reader\\AcroRd32.exe");
    ASSERT_GT(child.pid(), 0);
    bool seen = false;
    for (const qv::ProcessEntry &e : control.snapshot())
        if (e.pid == child.pid()) {
            seen = true;
            EXPECT_EQ(e.exeFile, "AcroRd32.exe");
        }
    EXPECT_TRUE(seen);
}

TEST(ProcessList, AWineProcessCarriesThePrefixOfItsEnvironment)
{
    ChildrenOnlyProcessControl control;
    control.seePrefixes = true;
    FakeProcess child("C:\\x\\AcroRd32.exe", "/srv/other prefix");
    ASSERT_GT(child.pid(), 0);
    bool seen = false;
    for (const qv::ProcessEntry &e : control.snapshot())
        if (e.pid == child.pid()) {
            seen = true;
            EXPECT_EQ(e.prefix, "/srv/other prefix");
        }
    EXPECT_TRUE(seen);

    using qv::prefixFromEnvironment;
    EXPECT_EQ(prefixFromEnvironment(QByteArray("HOME=/home/u\0WINEPREFIX=/p\0", 27)), "/p");
    // An empty WINEPREFIX means the default, as Wine reads it.
    EXPECT_EQ(prefixFromEnvironment(QByteArray("WINEPREFIX=\0HOME=/home/u\0", 25)), "/home/u/.wine");
    EXPECT_EQ(prefixFromEnvironment(QByteArray("PATH=/bin\0", 10)), "");
    // An unknown prefix (environment closed to us) counts as the current one.
    EXPECT_TRUE(qv::runsInPrefix({1, 0, "AcroRd32.exe", ""}, "/srv/mine"));
    EXPECT_FALSE(qv::runsInPrefix({1, 0, "AcroRd32.exe", "/srv/other"}, "/srv/mine"));
    EXPECT_TRUE(qv::runsInPrefix({1, 0, "AcroRd32.exe", "/srv//mine/"}, "/srv/mine"));
    // Another user's process, whose environment we may not read, is not ours.
    const QString mine = QDir::tempPath();
    struct stat st;
    ASSERT_EQ(::stat(QFile::encodeName(mine).constData(), &st), 0);
    EXPECT_FALSE(qv::runsInPrefix({1, 0, "AcroRd32.exe", "", int64_t(st.st_uid) + 1}, mine));
    EXPECT_TRUE(qv::runsInPrefix({1, 0, "AcroRd32.exe", "", int64_t(st.st_uid)}, mine));
}

TEST(ProcessList, AProgramStartedByItsHostPathIsKnownByWinesLoader)
{
    // "wine ~/.wine/drive_c/.../AcroRd32.exe" shows the host path in argv[0];
    // only the loader running it says it is a Windows program of some prefix.
    TempDir tmp;
    const QString loader = tmp.file("wine64-preloader");
    ASSERT_TRUE(QFile::copy("/bin/sleep", loader));
    ChildrenOnlyProcessControl control;
    control.seePrefixes = true;
    const QByteArray program = QFile::encodeName(loader);
    FakeProcess byHostPath("/home/u/.wine/drive_c/Program Files/Adobe/Reader/AcroRd32.exe", "/srv/other prefix",
                           program.constData());
    FakeProcess byBareName("AcroRd32.exe", "/srv/third", program.constData());
    FakeProcess unixTool("/usr/local/bin/AcroRd32.exe.sh", "/srv/other prefix");
    ASSERT_GT(byHostPath.pid(), 0);
    ASSERT_GT(byBareName.pid(), 0);
    int seen = 0;
    for (const qv::ProcessEntry &e : control.snapshot()) {
        if (e.pid == byHostPath.pid() || e.pid == byBareName.pid()) {
            ++seen;
            EXPECT_EQ(e.exeFile, "AcroRd32.exe");
            EXPECT_EQ(e.prefix, e.pid == byHostPath.pid() ? "/srv/other prefix" : "/srv/third");
        }
        if (e.pid == unixTool.pid()) {
            EXPECT_EQ(e.exeFile, "sleep"); // not a Windows program: its process name
            EXPECT_EQ(e.prefix, "");
        }
    }
    EXPECT_EQ(seen, 2);
}

TEST(ProcessList, EndedButUnreapedProcessIsNotListed)
{
    ChildrenOnlyProcessControl control;
    FakeProcess child("C:\\x\\AcroRd32.exe");
    ASSERT_GT(child.pid(), 0);
    ::kill(child.pid(), SIGKILL);
    // Wait until it is a zombie, without reaping it.
    siginfo_t info{};
    ASSERT_EQ(waitid(P_PID, child.pid(), &info, WEXITED | WNOWAIT), 0);
    for (const qv::ProcessEntry &e : control.snapshot())
        EXPECT_NE(e.pid, child.pid());
}

TEST(ProcessEnd, TerminatesAndWaitsForTheProcess)
{
    FakeProcess child("C:\\x\\AcroRd32.exe");
    ASSERT_GT(child.pid(), 0);
    qv::SystemProcessControl control;
    int error = -1;
    EXPECT_EQ(control.terminateAndWait(child.pid(), 5000, error), qv::WaitOutcome::Ended);
    EXPECT_EQ(error, 0);
    EXPECT_TRUE(child.ended());
}

TEST(ProcessEnd, VanishedProcessFailsTheWaitOnNoHandle)
{
    qv::SystemProcessControl control;
    int error = 0;
    // Far above any pid_max, so no process can have it: as on Windows, the
    // open fails and the wait then fails with ERROR_INVALID_HANDLE.
    EXPECT_EQ(control.terminateAndWait(999999999, 5000, error), qv::WaitOutcome::Failed);
    EXPECT_EQ(error, 6);
    EXPECT_EQ(control.terminateAndWait(-1, 5000, error), qv::WaitOutcome::Failed);
    EXPECT_EQ(error, 6);
    // Ended and reaped between finding and ending it.
    FakeProcess child("C:\\x\\AcroRd32.exe");
    ASSERT_GT(child.pid(), 0);
    const pid_t pid = child.pid();
    ::kill(pid, SIGKILL);
    child.reap();
    EXPECT_EQ(control.terminateAndWait(pid, 5000, error), qv::WaitOutcome::Failed);
    EXPECT_EQ(error, 6);
}
