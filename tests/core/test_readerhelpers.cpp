// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvane developers
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QCoreApplication>
#include <QTimer>
#include <gtest/gtest.h>

#include "core/backupmarker.h"
#include "core/readerhelpers.h"
#include "core/safetycopy.h"
#include "platform/error.h"
#include "platform/filesystem.h"
#include "platform/registry.h"
#include "platform/shelllink.h"
#include "platform/test_processes_fake.h"
#include "platform/wine/wineprefix.h"
#include "support/tempdir.h"

namespace {
const char *const ReaderArgv0 = "C:\\Program Files\\Adobe\\Acrobat 7.0\\Reader\\AcroRd32.exe";

// A prefix with drive C: and the user's shell folders in user.reg.
struct HelperPrefix : ::testing::Test
{
    TempDir tmp;
    ChildrenOnlyProcessControl processes;

    void SetUp() override
    {
        QDir().mkpath(tmp.file("dosdevices"));
        QDir().mkpath(tmp.file("drive_c/Reader"));
        QDir().mkpath(tmp.file("drive_c/users/tester/Desktop"));
        QDir().mkpath(tmp.file("drive_c/folder"));
        QFile::link("../drive_c", tmp.file("dosdevices/c:"));
        tmp.write("drive_c/Reader/AcroRd32.exe", "MZ");
        writeUserHive("\"Desktop\"=\"C:\\\\users\\\\tester\\\\Desktop\"\n");
        tmp.write("system.reg", "WINE REGISTRY Version 2\n;; All keys relative to \\\\Machine\n\n#arch=win32\n");
        qv::WinePrefix::setCurrent(tmp.path());
        qv::resetRegistryCache();
    }
    void writeUserHive(const QByteArray &shellFolderValues)
    {
        tmp.write("user.reg",
                  "WINE REGISTRY Version 2\n;; All keys relative to \\\\User\\\\S-1-5-21-0-0-0-1000\n\n#arch=win32\n\n"
                  "[Software\\\\Microsoft\\\\Windows\\\\CurrentVersion\\\\Explorer\\\\Shell Folders] 1700000000\n"
                  "#time=1d9c0e0a0a0a0a0\n"
                  + shellFolderValues);
    }
};
} // namespace

TEST_F(HelperPrefix, FindProcessIdMatchesTheWholeNameInAnyCaseAndTakesTheLast)
{
    EXPECT_EQ(FindProcessId("AcroRd32.exe"), -1);
    // A name that only holds Reader's is another program.
    FakeProcess longer("C:\\Old\\OldAcroRd32.exe.bak");
    FakeProcess shorter("C:\\Old\\AcroRd32.ex");
    EXPECT_EQ(FindProcessId("AcroRd32.exe"), -1);
    FakeProcess first(ReaderArgv0);
    FakeProcess upper("C:\\READER\\ACRORD32.EXE");
    ASSERT_GT(first.pid(), 0);
    ASSERT_GT(upper.pid(), 0);
    int64_t last = -1;
    for (const qv::ProcessEntry &e : processes.snapshot())
        if (e.pid == first.pid() || e.pid == upper.pid())
            last = e.pid;
    EXPECT_EQ(FindProcessId("acrord32.exe"), last);
    EXPECT_EQ(FindProcessId(QStringList{"AdobeARM.exe", "AcroRd32.exe"}), last);
}

TEST_F(HelperPrefix, FindProcessIdLeavesReadersOfOtherPrefixesAlone)
{
    // Each prefix is a machine of its own: a Reader open in another one is
    // not to be ended, however it reaches this prefix's folder (a link, a slash).
    processes.seePrefixes = true;
    TempDir other;
    QFile::link(tmp.path(), other.file("alias"));
    FakeProcess elsewhere(ReaderArgv0, other.path().toStdString());
    ASSERT_GT(elsewhere.pid(), 0);
    EXPECT_EQ(FindProcessId("AcroRd32.exe"), -1);
    FakeProcess here(ReaderArgv0, (other.file("alias") + "/").toStdString());
    ASSERT_GT(here.pid(), 0);
    EXPECT_EQ(FindProcessId("AcroRd32.exe"), here.pid());
}

TEST_F(HelperPrefix, KillProcessEndsOnlyTheGivenProcessAndHandlesPendingEventsOnce)
{
    FakeProcess a(ReaderArgv0);
    FakeProcess b(ReaderArgv0);
    const int64_t pid = FindProcessId("AcroRd32.exe");
    ASSERT_NE(pid, -1);
    bool eventHandled = false;
    QTimer::singleShot(0, [&] { eventHandled = true; });
    KillProcess(pid);
    EXPECT_TRUE(eventHandled);
    FakeProcess &ended = pid == a.pid() ? a : b;
    FakeProcess &other = pid == a.pid() ? b : a;
    EXPECT_TRUE(ended.ended());
    EXPECT_FALSE(other.ended());
    EXPECT_EQ(FindProcessId("AcroRd32.exe"), other.pid());
}

TEST_F(HelperPrefix, KillProcessReportsWhatCannotBeEndedAndGoesOnAfterATimeOut)
{
    try {
        KillProcess(999999999);
        FAIL() << "a vanished process must be reported";
    } catch (const qv::Error &e) {
        EXPECT_EQ(e.message(), "System Error.  Code: 6.\nThe handle is invalid.");
    }
    processes.forced = qv::WaitOutcome::Failed;
    processes.forcedError = 5;
    try {
        KillProcess(1234);
        FAIL() << "a refused terminate must be reported";
    } catch (const qv::Error &e) {
        EXPECT_EQ(e.message(), "System Error.  Code: 5.\nAccess is denied.");
    }
    processes.forced = qv::WaitOutcome::TimedOut;
    bool eventHandled = false;
    QTimer::singleShot(0, [&] { eventHandled = true; });
    EXPECT_NO_THROW(KillProcess(1234));
    EXPECT_FALSE(eventHandled); // nothing is done on a time-out
    QCoreApplication::processEvents();
}

TEST(ShortcutName, ReplacesTheExtensionOfTheFileName)
{
    EXPECT_EQ(shortcutLinkName("C:\\Reader\\AcroRd32.exe"), "AcroRd32.lnk");
    EXPECT_EQ(shortcutLinkName("C:\\Reader 7.0\\tool"), "tool.lnk");
    EXPECT_EQ(shortcutLinkName("C:\\a.b\\x.y.exe"), "x.y.lnk");
    EXPECT_EQ(shortcutLinkName("C:AcroRd32.exe"), "AcroRd32.lnk");
}

TEST_F(HelperPrefix, DesktopShortcutIsWrittenParseableAndReplacesAnOldOne)
{
    tmp.write("drive_c/users/tester/Desktop/AcroRd32.lnk", "stale");
    QString linkPath = "unchanged";
    CreateShortcut("C:\\Reader\\AcroRd32.exe", slDesktop, "", "", "", "Adobe Reader 7.0", linkPath);
    EXPECT_EQ(linkPath, "C:\\users\\tester\\Desktop\\AcroRd32.lnk");
    const auto link = qv::ShellLink::fromBytes(tmp.read("drive_c/users/tester/Desktop/AcroRd32.lnk"));
    ASSERT_TRUE(link.has_value());
    EXPECT_EQ(link->path(), "C:\\Reader\\AcroRd32.exe");
    EXPECT_EQ(link->description(), "Adobe Reader 7.0");
    EXPECT_EQ(link->workingDirectory(), "C:\\Reader\\"); // the target's folder by default
    EXPECT_TRUE(link->arguments().isEmpty());
}

TEST_F(HelperPrefix, ShortcutFolderAndSubFolderRules)
{
    // slFolder takes the sub-folder as the whole folder.
    QString linkPath;
    CreateShortcut("C:\\Reader\\AcroRd32.exe", slFolder, "C:\\folder", "C:\\work", "-x", "d", linkPath);
    EXPECT_EQ(linkPath, "C:\\folder\\AcroRd32.lnk");
    const auto link = qv::ShellLink::fromBytes(tmp.read("drive_c/folder/AcroRd32.lnk"));
    ASSERT_TRUE(link.has_value());
    EXPECT_EQ(link->workingDirectory(), "C:\\work");
    EXPECT_EQ(link->arguments(), "-x");

    // slFolder without a folder writes nothing and leaves the path alone.
    linkPath = "unchanged";
    CreateShortcut("C:\\Reader\\AcroRd32.exe", slFolder, "", "", "", "d", linkPath);
    EXPECT_EQ(linkPath, "unchanged");

    // A sub-folder below the desktop is not created: no file, yet the path is given back.
    CreateShortcut("C:\\Reader\\AcroRd32.exe", slDesktop, "Reader", "", "", "d", linkPath);
    EXPECT_EQ(linkPath, "C:\\users\\tester\\Desktop\\Reader\\AcroRd32.lnk");
    EXPECT_FALSE(QFileInfo::exists(tmp.file("drive_c/users/tester/Desktop/Reader")));

    // No "SendTo" value: no link.
    linkPath = "unchanged";
    CreateShortcut("C:\\Reader\\AcroRd32.exe", slSendTo, "", "", "", "d", linkPath);
    EXPECT_EQ(linkPath, "unchanged");
}

TEST_F(HelperPrefix, BackupMarkerIsFourteenBytesAndAnyFileOfThatNameCounts)
{
    EXPECT_FALSE(backupMarkerExists("C:\\Reader"));
    createBackupMarker("C:\\Reader");
    EXPECT_EQ(tmp.read("drive_c/Reader/Wexmor.DAT"), QByteArray("Backup Done.\r\n"));
    deleteBackupMarker("C:\\Reader");
    EXPECT_FALSE(QFileInfo::exists(tmp.file("drive_c/Reader/Wexmor.DAT")));
    tmp.write("drive_c/Reader/wexmor.dat", "");
    EXPECT_TRUE(backupMarkerExists("C:\\Reader"));
    deleteBackupMarker("C:\\Reader"); // found without regard to case, as Windows does
    EXPECT_FALSE(backupMarkerExists("C:\\Reader"));
    EXPECT_NO_THROW(deleteBackupMarker("C:\\Reader")); // nothing to delete is no error
}

TEST_F(HelperPrefix, BackupMarkerInAMissingFolderIsAnInputOutputError)
{
    EXPECT_THROW(createBackupMarker("C:\\No Reader"), qv::InOutError);
    EXPECT_FALSE(backupMarkerExists("C:\\No Reader"));
}

TEST_F(HelperPrefix, SafetyCopyComparisonByContent)
{
    tmp.write("drive_c/Reader/plug_ins/a.api", "A");
    tmp.write("drive_c/Reader/plug_ins/sub/b.api", "B");
    tmp.write("drive_c/Reader/plug_ins/.hidden.api", "H");
    tmp.write("drive_c/Reader/plug_ins/c.api", "C-new");
    tmp.write("drive_c/Reader/Optional/a.api", "A");
    tmp.write("drive_c/Reader/Optional/c.api", "C-old");
    tmp.write("drive_c/Reader/Optional/only.api", "O");
    EXPECT_EQ(qv::filesBelow("C:\\Reader\\plug_ins"), QStringList({".hidden.api", "a.api", "c.api", "sub\\b.api"}));
    EXPECT_TRUE(qv::filesBelow("C:\\Reader\\none").isEmpty());
    const SafetyCopyState s = compareWithSafetyCopy("C:\\Reader");
    EXPECT_EQ(s.safe, QStringList({"a.api"}));
    EXPECT_EQ(s.differing, QStringList({"c.api"}));
    EXPECT_EQ(s.missing, QStringList({".hidden.api", "sub\\b.api"}));
    EXPECT_TRUE(matchesStem("EWH32.api", "ewh32"));
    EXPECT_FALSE(matchesStem("sub\\EWH32.api", "EWH32"));
    EXPECT_FALSE(matchesStem("EWH321.api", "EWH32"));
}
