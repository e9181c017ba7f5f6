// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvane developers
#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

#include "platform/error.h"
#include "platform/wine/wineprefix.h"
#include "support/tempdir.h"

using qv::WinePrefix;

namespace {
// A prefix with drive C: on drive_c and Z: on a second folder standing for "/".
struct PrefixFixture : ::testing::Test
{
    TempDir tmp;
    QString root;
    QString zroot;
    void SetUp() override
    {
        root = tmp.file("prefix");
        zroot = tmp.file("zroot");
        QDir().mkpath(root + "/dosdevices");
        QDir().mkpath(root + "/drive_c/Program Files/Adobe/Reader 9.0/Reader");
        QDir().mkpath(zroot + "/home");
        QFile::link("../drive_c", root + "/dosdevices/c:");
        QFile::link(zroot, root + "/dosdevices/z:");
    }
};
} // namespace

TEST_F(PrefixFixture, MapsComponentsWithoutRegardToCase)
{
    WinePrefix p(root);
    EXPECT_TRUE(p.exists());
    EXPECT_EQ(p.toHost("c:\\PROGRAM FILES\\adobe\\reader 9.0\\READER"),
              QDir(root).canonicalPath() + "/drive_c/Program Files/Adobe/Reader 9.0/Reader");
    // Missing components are kept as given, below the last one that matched.
    EXPECT_EQ(p.toHost("C:\\program files\\New Folder\\x.txt"),
              QDir(root).canonicalPath() + "/drive_c/Program Files/New Folder/x.txt");
    EXPECT_EQ(p.toHost("C:/Program Files/./Adobe/../Adobe"), QDir(root).canonicalPath() + "/drive_c/Program Files/Adobe");
}

TEST_F(PrefixFixture, PathsWithoutDriveAreOnCAndUnknownDrivesDoNotExist)
{
    WinePrefix p(root);
    EXPECT_EQ(p.toHost("\\Program Files"), QDir(root).canonicalPath() + "/drive_c/Program Files");
    EXPECT_TRUE(p.toHost("Q:\\anything").isEmpty());
    EXPECT_TRUE(p.toHost("\\\\server\\share\\file").isEmpty());
    EXPECT_EQ(p.toHost("Z:\\home"), QDir(zroot).canonicalPath() + "/home");
}

TEST_F(PrefixFixture, CurrentFolderGovernsRelativePaths)
{
    WinePrefix p(root);
    EXPECT_FALSE(p.setCurrentDirectory("C:\\does not exist"));
    ASSERT_TRUE(p.setCurrentDirectory("c:\\program files\\adobe"));
    EXPECT_EQ(p.currentDirectory(), "C:\\Program Files\\Adobe");
    EXPECT_EQ(p.toHost("Reader 9.0"), QDir(root).canonicalPath() + "/drive_c/Program Files/Adobe/Reader 9.0");
}

TEST_F(PrefixFixture, HostPathsMapBackToTheLongestDrive)
{
    WinePrefix p(root);
    EXPECT_EQ(p.toWindows(root + "/drive_c/Program Files"), "C:\\Program Files");
    EXPECT_EQ(p.toWindows(zroot + "/home"), "Z:\\home");
}

TEST_F(PrefixFixture, ExactNamesWinAndADriveFollowsItsLinkWhenItMoves)
{
    WinePrefix p(root);
    const QString c = QDir(root).canonicalPath() + "/drive_c";
    // Two folders that differ only in case: the one written exactly is taken,
    // whether the whole path or only its folder exists as written.
    QDir().mkpath(c + "/Program Files/adobe");
    QFile leaf(c + "/Program Files/Adobe/Read.me");
    ASSERT_TRUE(leaf.open(QIODevice::WriteOnly));
    leaf.close();
    EXPECT_EQ(p.toHost("C:\\Program Files\\adobe"), c + "/Program Files/adobe");
    EXPECT_EQ(p.toHost("C:\\Program Files\\Adobe"), c + "/Program Files/Adobe");
    EXPECT_EQ(p.toHost("C:\\Program Files\\Adobe\\READ.ME"), c + "/Program Files/Adobe/Read.me");
    EXPECT_EQ(p.toHost("C:\\Program Files\\Adobe\\new.txt"), c + "/Program Files/Adobe/new.txt");

    // The same prefix object sees a drive moved to another folder at once.
    QDir().mkpath(tmp.file("elsewhere") + "/Program Files");
    ASSERT_TRUE(QFile::remove(root + "/dosdevices/c:"));
    ASSERT_TRUE(QFile::link(tmp.file("elsewhere"), root + "/dosdevices/c:"));
    EXPECT_EQ(p.toHost("C:\\PROGRAM FILES"), QDir(tmp.file("elsewhere")).canonicalPath() + "/Program Files");
    EXPECT_EQ(p.toWindows(tmp.file("elsewhere") + "/Program Files"), "C:\\Program Files");
    ASSERT_TRUE(QFile::remove(root + "/dosdevices/c:"));
    EXPECT_TRUE(p.toHost("C:\\Program Files").isEmpty());
}

TEST(WinePrefixLocation, MissingPrefixIsNamedWithTheWayOut)
{
    WinePrefix p("/nonexistent/quorvane-prefix");
    EXPECT_FALSE(p.exists());
    EXPECT_TRUE(p.missingMessage().contains("/nonexistent/quorvane-prefix"));
    EXPECT_TRUE(p.missingMessage().contains("WINEPREFIX"));
}

TEST(ErrorBox, FullStopOnlyAfterCharactersSortingAfterIt)
{
    EXPECT_EQ(qv::errorBoxText("Disk full"), "Disk full.");
    EXPECT_EQ(qv::errorBoxText("Done!"), "Done!");
    EXPECT_EQ(qv::errorBoxText("Ends."), "Ends.");
    EXPECT_EQ(qv::errorBoxText("Code 5"), "Code 5.");
    EXPECT_EQ(qv::errorBoxText(""), "");
}
