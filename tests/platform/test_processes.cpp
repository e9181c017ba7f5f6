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
}

TEST(ProcessList, OnlyAWineProcessOfThisPrefixAndThisUserRunsInIt)
{
    const int64_t me = ::getuid();
    const struct
    {
        qv::ProcessEntry entry;
        bool ours;
    } cases[] = {
        {{1, 0, "AcroRd32.exe", "/srv/mine", me}, true},
        {{1, 0, "AcroRd32.exe", "/srv//mine/", me}, true}, // the same folder, spelt otherwise
        {{1, 0, "AcroRd32.exe", "/srv/other", me}, false},
        {{1, 0, "AcroRd32.exe", "", me}, false},              // no Wine process, or its environment is closed
        {{1, 0, "AcroRd32.exe", "/srv/mine", me + 1}, false}, // another user's, also for root
        {{1, 0, "AcroRd32.exe", "/srv/mine", -1}, false},     // owner unknown, or it changed its user
    };
    for (const auto &c : cases)
        EXPECT_EQ(qv::runsInPrefix(c.entry, "/srv/mine"), c.ours)
            << c.entry.prefix.toStdString() << " uid " << c.entry.uid;
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
    FakeProcess unixTool("/usr/local/bin/AcroRd32.exe.sh", "/srv/other prefix", "/bin/sleep");
    FakeProcess nativeNamedLikeReader("C:\\x\\AcroRd32.exe", "/srv/other prefix", "/bin/sleep");
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
        if (e.pid == nativeNamedLikeReader.pid()) {
            EXPECT_EQ(e.exeFile, "AcroRd32.exe"); // named so, but Wine's loader does not run it
            EXPECT_EQ(e.prefix, "");
            EXPECT_EQ(e.uid, -1);
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

namespace {
// The child's record in the process list, as the list gives it.
qv::ProcessEntry listed(qv::ProcessControl &control, pid_t pid)
{
    for (const qv::ProcessEntry &e : control.snapshot())
        if (e.pid == pid)
            return e;
    return {};
}
} // namespace

// Both ways of holding a process: its pidfd, and (as without pidfds) its start time.
class ProcessEnd : public ::testing::TestWithParam<bool>
{
protected:
    void SetUp() override { qv::SystemProcessControl::setPidfdsUsed(GetParam()); }
    void TearDown() override { qv::SystemProcessControl::setPidfdsUsed(true); }
    qv::SystemProcessControl control;
};

TEST_P(ProcessEnd, EndsTheHeldProcessAndWaitsForIt)
{
    FakeProcess child("C:\\x\\AcroRd32.exe");
    ASSERT_GT(child.pid(), 0);
    qv::ProcessEntry entry = listed(control, child.pid());
    ASSERT_TRUE(control.hold(entry));
    int error = -1;
    EXPECT_EQ(control.terminateAndWait(entry, 5000, error), qv::WaitOutcome::Ended);
    EXPECT_EQ(error, 0);
    EXPECT_TRUE(child.ended());
}

TEST_P(ProcessEnd, AnotherProcessUnderTheSameIdIsNeverHeldNorEnded)
{
    FakeProcess child("C:\\x\\AcroRd32.exe");
    ASSERT_GT(child.pid(), 0);
    // The record of an earlier process of that id: another start time.
    qv::ProcessEntry earlier = listed(control, child.pid());
    earlier.startTime -= 1;
    EXPECT_FALSE(control.hold(earlier));
    int error = 0;
    EXPECT_EQ(control.terminateAndWait(earlier, 5000, error), qv::WaitOutcome::Failed);
    EXPECT_EQ(error, 6); // no handle, as on Windows
    EXPECT_FALSE(child.ended());

    // Held, then ended and reaped before it is ended by us: nothing is signalled.
    qv::ProcessEntry entry = listed(control, child.pid());
    ASSERT_TRUE(control.hold(entry));
    ::kill(child.pid(), SIGKILL);
    child.reap();
    EXPECT_EQ(control.terminateAndWait(entry, 5000, error), qv::WaitOutcome::Ended);
    // Far above any pid_max: nothing to hold.
    qv::ProcessEntry none{999999999, 0, "AcroRd32.exe"};
    EXPECT_FALSE(control.hold(none));
}

INSTANTIATE_TEST_SUITE_P(PidfdOrStartTime, ProcessEnd, ::testing::Bool());
