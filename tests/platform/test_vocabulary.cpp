// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvane developers
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "platform/wine/atomicfile.h"
#include "platform/filesystem.h"
#include "platform/wildcard.h"
#include "platform/winerror.h"
#include "platform/winpath.h"
#include "support/tempdir.h"

using namespace qv;

TEST(Wildcards, FollowWindowsRules)
{
    const QStringList names = {"README", "a.txt", "A.TXT.bak", "b.t", ".hidden", ".", "..", "x."};
    auto matches = [&](const char *pattern) {
        QStringList out;
        for (const QString &n : names)
            if (wildcardMatch(QString::fromLatin1(pattern), n))
                out << n;
        return out;
    };
    EXPECT_EQ(matches("*"), names);
    EXPECT_EQ(matches("*.*"), names);
    EXPECT_EQ(matches("*.TXT"), QStringList({"a.txt"}));
    EXPECT_EQ(matches("*.txt*"), QStringList({"a.txt", "A.TXT.bak"}));
    EXPECT_EQ(matches("?.t*"), QStringList({"a.txt", "A.TXT.bak", "b.t"}));
    // "name.*" takes the bare name too; "*." only names without an extension.
    EXPECT_EQ(matches("readme.*"), QStringList({"README"}));
    EXPECT_EQ(matches("*."), QStringList({"README", ".", "..", "x."}));
    EXPECT_EQ(matches("r*."), QStringList({"README"}));
    EXPECT_TRUE(hasWildcard(u"a?.txt"));
    EXPECT_FALSE(hasWildcard(u"C:\\a.txt"));
}

TEST(WindowsPaths, SplitJoinAndCompareAsWindowsDoes)
{
    EXPECT_EQ(winpath::folder("C:\\a\\b.txt"), "C:\\a\\");
    EXPECT_EQ(winpath::folder("C:b.txt"), "C:");
    EXPECT_EQ(winpath::folder("b.txt"), "");
    EXPECT_EQ(winpath::name("C:\\a/b.txt"), "b.txt");
    EXPECT_EQ(winpath::name("C:\\a\\"), "");
    EXPECT_EQ(winpath::leaf("C:\\a\\b\\\\"), "b");
    EXPECT_EQ(winpath::leaf("C:\\"), "");
    EXPECT_EQ(winpath::join("C:\\a", "b"), "C:\\a\\b");
    EXPECT_EQ(winpath::join("C:/a/", "b"), "C:/a/b");
    EXPECT_EQ(winpath::join("", "b"), "b");
    EXPECT_EQ(winpath::split(u"C:\\a\\\\b/c\\"), QStringList({"C:", "a", "b", "c"}));
    EXPECT_EQ(winpath::drive(u"c:\\x"), QChar('C'));
    EXPECT_TRUE(winpath::drive(u"\\x").isNull());
    EXPECT_TRUE(winpath::isUnc(u"//server/share"));
    EXPECT_TRUE(winpath::sameName(u"c:/Program Files\\ADOBE", u"C:\\program files/adobe"));
    EXPECT_FALSE(winpath::sameName(u"C:\\a", u"C:\\ab"));
    EXPECT_TRUE(winpath::looksLikeWindowsPath(u"c:/windows/notepad.exe"));
    EXPECT_FALSE(winpath::looksLikeWindowsPath(u"/usr/bin/wine"));
}

// One classification: the process calls, the batch operation and the text
// file each word the same failure from the same code.
TEST(WindowsErrors, EachInterfaceDerivesFromOneClassification)
{
    EXPECT_EQ(winerror::fromErrno(ESRCH), 87);
    EXPECT_EQ(winerror::fromErrno(EPERM), 5);
    EXPECT_EQ(winerror::fromErrno(EACCES), 5);
    EXPECT_EQ(systemErrorMessage(5), "System Error.  Code: 5.\nAccess is denied.");
    EXPECT_EQ(systemErrorMessage(87), "System Error.  Code: 87.\nThe parameter is incorrect.");
    EXPECT_EQ(systemErrorMessage(0), "A call to an OS function failed");

    EXPECT_EQ(winerror::fromErrno(ENOSPC), winerror::DiskFull);
    EXPECT_EQ(winerror::fromErrno(EFBIG), winerror::FileTooLarge);
    EXPECT_EQ(winerror::fromErrno(EXDEV), winerror::NotSameDevice);
    EXPECT_EQ(winerror::fromErrno(0), 0);
    EXPECT_EQ(winerror::fromErrno(EHWPOISON), winerror::GenFailure);
    // The text file reports a full disk the way it reports a short write.
    EXPECT_EQ(InOutError::codeFromErrno(ENOSPC), 101);
    EXPECT_EQ(InOutError::codeFromErrno(EACCES), 5);
    // Every class has words for the user, the unknown ones the system's own.
    EXPECT_TRUE(winerror::reasonForErrno(EROFS).contains("read-only"));
    EXPECT_EQ(winerror::reasonForErrno(EXDEV), "The system cannot move the file to a different disk drive.");
    EXPECT_FALSE(winerror::reasonForErrno(EHWPOISON).isEmpty());
}

TEST(AtomicFiles, TargetKeepsItsContentUntilCommitThenTakesTheNewWithItsMode)
{
    TempDir tmp;
    const QString target = tmp.write("hive.reg", "old");
    ASSERT_EQ(::chmod(QFile::encodeName(target).constData(), 0640), 0);
    {
        AtomicFile file(target);
        ASSERT_TRUE(file.open());
        ASSERT_TRUE(file.write("new, never committed"));
    }
    EXPECT_EQ(tmp.read("hive.reg"), "old");
    EXPECT_EQ(QDir(tmp.path()).entryList(QDir::Files | QDir::Hidden), QStringList({"hive.reg"}));

    AtomicFile file(target);
    ASSERT_TRUE(file.open());
    ASSERT_TRUE(file.write("new"));
    EXPECT_EQ(tmp.read("hive.reg"), "old");
    ASSERT_TRUE(file.commit());
    EXPECT_EQ(tmp.read("hive.reg"), "new");
    struct stat st;
    ASSERT_EQ(::stat(QFile::encodeName(target).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    EXPECT_EQ(QDir(tmp.path()).entryList(QDir::Files | QDir::Hidden), QStringList({"hive.reg"}));
}

TEST(AtomicFiles, ALinkIsFollowedOrReplacedAsAskedAndFailuresNameTheirStep)
{
    TempDir tmp;
    const QString real = tmp.write("elsewhere/user.reg", "old");
    const QString link = tmp.file("user.reg");
    ASSERT_TRUE(QFile::link(real, link));

    AtomicFile follow(link, AtomicFile::Link::Follow);
    ASSERT_TRUE(follow.open() && follow.write("followed") && follow.commit());
    EXPECT_TRUE(QFileInfo(link).isSymLink());
    EXPECT_EQ(tmp.read("elsewhere/user.reg"), "followed");

    AtomicFile replace(link);
    ASSERT_TRUE(replace.open() && replace.write("replaced") && replace.commit(AtomicFile::Sync::No));
    EXPECT_FALSE(QFileInfo(link).isSymLink());
    EXPECT_EQ(tmp.read("user.reg"), "replaced");
    EXPECT_EQ(tmp.read("elsewhere/user.reg"), "followed");

    AtomicFile nowhere(tmp.file("missing folder/x.reg"));
    EXPECT_FALSE(nowhere.open());
    EXPECT_EQ(nowhere.error(), ENOENT);
    EXPECT_EQ(nowhere.failedStep(), "creating a temporary file");
}
