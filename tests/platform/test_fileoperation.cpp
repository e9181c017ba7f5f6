// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvane developers
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/xattr.h>

#include "platform/test_fileoperation_fixture.h"
#include "support/faults.h"

using namespace qv;

namespace {
constexpr uint16_t kQuiet = FOF_NOCONFIRMATION | FOF_NOCONFIRMMKDIR;
using BatchCopy = FileOpFixture;
using BatchDelete = FileOpFixture;
using BatchMoveRename = FileOpFixture;
using BatchWindows = FileOpFixture;
} // namespace

TEST_F(BatchCopy, WildcardsMatchWithoutRegardToCaseAndCoverDottedNames)
{
    write("src/A.TXT", "a");
    write("src/b.txt", "b");
    write("src/c.dat", "c");
    write("src/README", "r");
    write("src/.hidden", "h");
    write("src/sub/inner.txt", "i");

    EXPECT_EQ(runFileOp(FO_COPY, {"C:\\SRC\\*.txt"}, {"C:\\t1"}, kQuiet), 0);
    EXPECT_EQ(list("t1"), QStringList({"A.TXT", "b.txt"}));

    // "name.*" also matches the bare name; "?" is one character.
    EXPECT_EQ(runFileOp(FO_COPY, {"C:\\src\\readme.*", "C:\\src\\?.dat"}, {"C:\\t2"}, kQuiet), 0);
    EXPECT_EQ(list("t2"), QStringList({"README", "c.dat"}));
    EXPECT_EQ(runFileOp(FO_COPY, {"C:\\src\\*."}, {"C:\\t5"}, kQuiet | FOF_FILESONLY), 0);
    EXPECT_EQ(list("t5"), QStringList({"README"}));

    // "*.*" takes everything: names without a dot, hidden ones, folders.
    EXPECT_EQ(runFileOp(FO_COPY, {"C:\\src\\*.*"}, {"C:\\t3"}, kQuiet), 0);
    EXPECT_EQ(list("t3"), QStringList({".hidden", "A.TXT", "README", "b.txt", "c.dat", "sub"}));
    EXPECT_EQ(read("t3/sub/inner.txt"), "i");

    // Files only: the wildcard passes folders by.
    EXPECT_EQ(runFileOp(FO_COPY, {"C:\\src\\*"}, {"C:\\t4"}, kQuiet | FOF_FILESONLY), 0);
    EXPECT_FALSE(exists("t4/sub"));
    EXPECT_TRUE(exists("t4/README"));
    EXPECT_TRUE(ui.errors.empty());
}

TEST_F(BatchCopy, EmptyWildcardIsNothingButAMissingSourceFailsBeforeAnyCopy)
{
    write("src/a.txt", "a");
    EXPECT_EQ(runFileOp(FO_COPY, {"C:\\src\\*.xyz"}, {"C:\\t"}, kQuiet), 0);
    EXPECT_FALSE(exists("t"));
    EXPECT_TRUE(ui.errors.empty());

    EXPECT_EQ(runFileOp(FO_COPY, {"C:\\src\\a.txt", "C:\\src\\gone.txt"}, {"C:\\t"}, kQuiet), FileOpFileNotFound);
    ASSERT_EQ(ui.errors.size(), 1u);
    EXPECT_EQ(ui.errors[0].file, "C:\\src\\gone.txt");
    EXPECT_EQ(ui.errors[0].caption, "Error Copying File or Folder");
    EXPECT_FALSE(exists("t/a.txt"));

    EXPECT_NE(runFileOp(FO_COPY, {"C:\\nowhere\\*.*"}, {"C:\\t"}, kQuiet), 0);
}

TEST_F(BatchCopy, FolderBecomesAMissingTargetOrGoesInsideAnExistingOne)
{
    write("src/f/x.txt", "x");
    EXPECT_EQ(runFileOp(FO_COPY, {"C:\\src\\f"}, {"C:\\new"}, kQuiet), 0);
    EXPECT_EQ(read("new/x.txt"), "x");

    QDir().mkpath(c("existing"));
    EXPECT_EQ(runFileOp(FO_COPY, {"C:\\src\\f"}, {"C:\\existing"}, kQuiet), 0);
    EXPECT_EQ(read("existing/f/x.txt"), "x");

    // A single file onto a missing name takes that name.
    EXPECT_EQ(runFileOp(FO_COPY, {"C:\\src\\f\\x.txt"}, {"C:\\renamed.txt"}, kQuiet), 0);
    EXPECT_EQ(read("renamed.txt"), "x");

    // A trailing separator names a folder to be made; paired targets take one source each.
    EXPECT_EQ(runFileOp(FO_COPY, {"C:\\src\\f\\x.txt"}, {"C:\\made\\"}, kQuiet), 0);
    EXPECT_EQ(read("made/x.txt"), "x");
    EXPECT_EQ(runFileOp(FO_COPY, {"C:\\src\\f\\x.txt", "C:\\src\\f"}, {"C:\\p1.txt", "C:\\p2"},
                        kQuiet | FOF_MULTIDESTFILES),
              0);
    EXPECT_EQ(read("p1.txt"), "x");
    EXPECT_EQ(read("p2/x.txt"), "x");

    // Never into itself.
    EXPECT_EQ(runFileOp(FO_COPY, {"C:\\src"}, {"C:\\src\\f"}, kQuiet), FileOpDestinationInsideSource);
    EXPECT_FALSE(exists("src/f/src"));
}

TEST_F(BatchCopy, KeepsTimesModesAndLinksAsLinks)
{
    const QString f = write("src/tool.sh", "#!/bin/sh\n");
    ::chmod(QFile::encodeName(f).constData(), 0751);
    const struct timespec times[2] = {{1000000000, 0}, {1200000000, 500}};
    ::utimensat(AT_FDCWD, QFile::encodeName(f).constData(), times, 0);
    QFile::link("tool.sh", c("src/link.sh"));
    // Wine's hidden attribute rides along.
    ::setxattr(QFile::encodeName(f).constData(), "user.DOSATTRIB", "0x2", 3, 0);

    EXPECT_EQ(runFileOp(FO_COPY, {"C:\\src\\*.*"}, {"C:\\dst"}, kQuiet), 0);
    struct stat st;
    ASSERT_EQ(::stat(QFile::encodeName(c("dst/tool.sh")).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0751u);
    EXPECT_EQ(st.st_mtim.tv_sec, 1200000000);
    EXPECT_EQ(st.st_mtim.tv_nsec, 500);
    char attr[16] = {};
    EXPECT_EQ(::getxattr(QFile::encodeName(c("dst/tool.sh")).constData(), "user.DOSATTRIB", attr, sizeof attr), 3);
    EXPECT_STREQ(attr, "0x2");
    // A link is copied as the link it is, never followed: its text unchanged.
    EXPECT_TRUE(QFileInfo(c("dst/link.sh")).isSymLink());
    EXPECT_EQ(QFile::symLinkTarget(c("dst/link.sh")), c("dst/tool.sh"));
    EXPECT_EQ(read("dst/link.sh"), "#!/bin/sh\n");
}

TEST_F(BatchCopy, ReplacingAsksUnlessToldNotTo)
{
    write("src/a.txt", "new a");
    write("src/b.txt", "new b");
    write("dst/a.txt", "old a");
    write("dst/b.txt", "old b");

    ui.replaceAnswer = FileOperationUi::No;
    ShFileOpStruct op;
    EXPECT_EQ(runFileOp(FO_COPY, {"C:\\src\\*.txt"}, {"C:\\dst"}, FOF_NOCONFIRMMKDIR, &op), 0);
    EXPECT_TRUE(op.fAnyOperationsAborted);
    EXPECT_EQ(ui.replaceAsked, QStringList({"C:\\dst\\a.txt", "C:\\dst\\b.txt"}));
    EXPECT_EQ(read("dst/a.txt"), "old a");

    ui.replaceAsked.clear();
    ui.replaceAnswer = FileOperationUi::YesToAll;
    EXPECT_EQ(runFileOp(FO_COPY, {"C:\\src\\*.txt"}, {"C:\\dst"}, FOF_NOCONFIRMMKDIR), 0);
    EXPECT_EQ(ui.replaceAsked.size(), 1);
    EXPECT_EQ(read("dst/b.txt"), "new b");

    write("src/a.txt", "newer a");
    ui.replaceAnswer = FileOperationUi::Cancel;
    EXPECT_EQ(runFileOp(FO_COPY, {"C:\\src\\a.txt"}, {"C:\\dst"}, 0, &op), FileOpCancelled);
    EXPECT_TRUE(op.fAnyOperationsAborted);
    EXPECT_EQ(read("dst/a.txt"), "new a");

    ui.replaceAsked.clear();
    EXPECT_EQ(runFileOp(FO_COPY, {"C:\\src\\a.txt"}, {"C:\\dst"}, kQuiet), 0);
    EXPECT_TRUE(ui.replaceAsked.isEmpty());
    EXPECT_EQ(read("dst/a.txt"), "newer a");
}

TEST_F(BatchCopy, MissingTargetFoldersAreCreatedAfterAQuestionUnlessFlagged)
{
    write("src/a.txt", "a");
    EXPECT_EQ(runFileOp(FO_COPY, {"C:\\src\\*.*"}, {"C:\\x\\y\\z"}, FOF_NOCONFIRMMKDIR), 0);
    EXPECT_TRUE(ui.mkdirAsked.isEmpty());
    EXPECT_TRUE(exists("x/y/z/a.txt"));

    ui.mkdirAnswer = FileOperationUi::No;
    EXPECT_EQ(runFileOp(FO_COPY, {"C:\\src\\*.*"}, {"C:\\p\\q"}, 0), FileOpCancelled);
    EXPECT_EQ(ui.mkdirAsked, QStringList({"C:\\p\\q"}));
    EXPECT_FALSE(exists("p"));

    ui.mkdirAnswer = FileOperationUi::Yes;
    EXPECT_EQ(runFileOp(FO_COPY, {"C:\\src\\*.*"}, {"C:\\p\\q"}, 0), 0);
    EXPECT_TRUE(exists("p/q/a.txt"));
}

TEST_F(BatchCopy, RenameOnCollisionKeepsBothAndSelfCopyIsRefusedUnlessRenaming)
{
    write("src/a.txt", "new");
    write("dst/a.txt", "old");
    EXPECT_EQ(runFileOp(FO_COPY, {"C:\\src\\a.txt"}, {"C:\\dst"}, kQuiet | FOF_RENAMEONCOLLISION), 0);
    EXPECT_EQ(runFileOp(FO_COPY, {"C:\\src\\a.txt"}, {"C:\\dst"}, kQuiet | FOF_RENAMEONCOLLISION), 0);
    EXPECT_EQ(list("dst"), QStringList({"a - Copy (2).txt", "a - Copy.txt", "a.txt"}));
    EXPECT_EQ(read("dst/a.txt"), "old");
    EXPECT_EQ(read("dst/a - Copy.txt"), "new");

    // Onto itself: refused as Windows refuses it, unless renaming on collisions.
    EXPECT_EQ(runFileOp(FO_COPY, {"C:\\src\\a.txt"}, {"C:\\src"}, kQuiet), FileOpSameFile);
    EXPECT_EQ(runFileOp(FO_COPY, {"C:\\src\\a.txt"}, {"C:\\SRC\\A.txt"}, kQuiet), FileOpSameFile);
    EXPECT_EQ(runFileOp(FO_COPY, {"C:\\src"}, {"C:\\src"}, kQuiet), FileOpDestinationInsideSource);
    EXPECT_EQ(list("src"), QStringList({"a.txt"}));
    EXPECT_EQ(read("src/a.txt"), "new");
    EXPECT_EQ(runFileOp(FO_COPY, {"C:\\src\\a.txt"}, {"C:\\src"}, kQuiet | FOF_RENAMEONCOLLISION), 0);
    EXPECT_EQ(list("src"), QStringList({"a - Copy.txt", "a.txt"}));
}

TEST_F(BatchCopy, FailedCopyLeavesNothingHalfWritten)
{
    write("src/big.bin", QByteArray(1 << 20, 'b'));
    write("dst/big.bin", "previous");

    // A file-size limit makes the disk "full" at 64 KiB, for this process only.
    struct rlimit old;
    ::getrlimit(RLIMIT_FSIZE, &old);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = {64 * 1024, old.rlim_max};
    ::setrlimit(RLIMIT_FSIZE, &small);
    const int replace = runFileOp(FO_COPY, {"C:\\src\\big.bin"}, {"C:\\dst"}, kQuiet);
    const int fresh = runFileOp(FO_COPY, {"C:\\src\\big.bin"}, {"C:\\fresh"}, kQuiet);
    ::setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);

    EXPECT_EQ(replace, FileOpFileTooLarge);
    EXPECT_NE(fresh, 0);
    EXPECT_EQ(list("dst"), QStringList({"big.bin"}));
    EXPECT_EQ(read("dst/big.bin"), "previous");
    EXPECT_FALSE(exists("fresh/big.bin"));
    ASSERT_FALSE(ui.errors.empty());
    EXPECT_EQ(ui.errors[0].file, "C:\\dst\\big.bin");
}

TEST_F(BatchWindows, CancelStopsTheBatchAndIsReported)
{
    write("src/1.bin", QByteArray(100, '1'));
    write("src/2.bin", QByteArray(100, '2'));
    write("src/3.bin", QByteArray(100, '3'));
    ui.cancelAtUpdate = 2;
    ShFileOpStruct op;
    EXPECT_EQ(runFileOp(FO_COPY, {"C:\\src\\*.*"}, {"C:\\dst"}, kQuiet, &op), FileOpCancelled);
    EXPECT_TRUE(op.fAnyOperationsAborted);
    EXPECT_TRUE(ui.errors.empty()); // a cancel is no error to show
    EXPECT_FALSE(exists("dst/3.bin"));
    for (const QString &n : list("dst"))
        EXPECT_FALSE(n.contains("qvpart")) << n.toStdString();

    ui.cancelAtUpdate = 0;
    ui.updates = 0;
    EXPECT_EQ(runFileOp(FO_DELETE, {"C:\\src"}, {}, kQuiet), FileOpCancelled);
    EXPECT_TRUE(exists("src"));
}

TEST_F(BatchWindows, ProgressTitleSilentAndSimpleProgress)
{
    write("src/a.txt", "a");
    EXPECT_EQ(runFileOp(FO_COPY, {"C:\\src\\a.txt"}, {"C:\\d1"}, kQuiet, nullptr, "Custom"), 0);
    EXPECT_EQ(ui.titles, QStringList({"Copying..."}));
    EXPECT_TRUE(ui.progressFiles.contains("C:\\src\\a.txt"));

    ui.progressFiles.clear();
    EXPECT_EQ(runFileOp(FO_COPY, {"C:\\src\\a.txt"}, {"C:\\d2"}, kQuiet | FOF_SIMPLEPROGRESS, nullptr, "Custom"), 0);
    EXPECT_EQ(ui.titles.last(), "Custom");
    EXPECT_FALSE(ui.progressFiles.isEmpty());
    for (const QString &f : ui.progressFiles)
        EXPECT_TRUE(f.isEmpty());

    const int before = ui.updates;
    EXPECT_EQ(runFileOp(FO_COPY, {"C:\\src\\a.txt"}, {"C:\\d3"}, kQuiet | FOF_SILENT), 0);
    EXPECT_EQ(ui.updates, before);
    EXPECT_EQ(ui.titles.size(), 2);
}

TEST_F(BatchDelete, RemovesTreesButNeverFollowsLinks)
{
    write("keep/precious.txt", "p");
    write("doomed/a/b/c.txt", "c");
    write("doomed/.dot", "d");
    QFile::link(c("keep"), c("doomed/a/to-keep"));
    QFile::link(c("keep/precious.txt"), c("doomed/file-link"));
    QFile::link(c("keep"), c("toplink"));

    EXPECT_EQ(runFileOp(FO_DELETE, {"C:\\DOOMED", "C:\\toplink"}, {}, kQuiet), 0);
    EXPECT_FALSE(exists("doomed"));
    EXPECT_FALSE(exists("toplink"));
    EXPECT_EQ(read("keep/precious.txt"), "p");

    write("w/x.tmp", "x");
    write("w/y.TMP", "y");
    write("w/z.txt", "z");
    EXPECT_EQ(runFileOp(FO_DELETE, {"C:\\w\\*.tmp"}, {}, kQuiet), 0);
    EXPECT_EQ(list("w"), QStringList({"z.txt"}));

    // An item that went with its folder earlier in the batch is no error.
    write("n/inner.txt", "i");
    EXPECT_EQ(runFileOp(FO_DELETE, {"C:\\n", "C:\\n\\inner.txt"}, {}, kQuiet), 0);
    EXPECT_TRUE(ui.errors.empty());
}

TEST_F(BatchDelete, RefusesRootsPrefixAndHomeWhateverThePath)
{
    // Z: is a stand-in for "/", holding the prefix and a home folder.
    const QString fakeRoot = QDir(tmp.path()).canonicalPath();
    QFile::link(fakeRoot, root + "/dosdevices/z:");
    QDir().mkpath(fakeRoot + "/home/user/docs");
    QFile::link(fakeRoot + "/home/user", fakeRoot + "/homelink");
    QFile::link(fakeRoot + "/home", fakeRoot + "/alias");
    write("victim.txt", "v");
    const QByteArray oldHome = qgetenv("HOME");
    qputenv("HOME", (fakeRoot + "/home/user").toUtf8());

    const QStringList refused = {"C:\\",         "c:\\windows\\..",  "Z:\\",
                                 "Z:\\prefix",   "Z:\\home",         "Z:\\home\\user\\docs\\..",
                                 "Z:\\prefix\\drive_c\\..", "Z:\\alias\\user"};
    for (const QString &target : refused) {
        ui.errors.clear();
        EXPECT_EQ(runFileOp(FO_DELETE, {"C:\\victim.txt", target}, {}, kQuiet), FileOpAccessDenied)
            << target.toStdString();
        EXPECT_EQ(ui.errors.size(), 1u);
    }
    EXPECT_TRUE(exists("victim.txt")); // nothing of a refused batch is touched
    EXPECT_EQ(runFileOp(FO_MOVE, {"Z:\\home"}, {"C:\\elsewhere"}, kQuiet), FileOpAccessDenied);

    // A link to home is only a link.
    EXPECT_EQ(runFileOp(FO_DELETE, {"Z:\\homelink"}, {}, kQuiet), 0);
    EXPECT_TRUE(QFileInfo(fakeRoot + "/home/user/docs").isDir());
    qputenv("HOME", oldHome);
}

TEST_F(BatchDelete, StopsAtAFolderWhereAnotherDiskIsMounted)
{
    faults::SmallDisk disk(256);
    if (!disk.ok())
        GTEST_SKIP() << disk.why().toStdString();
    TempDir onDisk(disk.path());
    onDisk.write("theirs/kept.txt", "k");
    write("doomed/a.txt", "a");
    QDir().mkpath(c("doomed/mnt"));
    faults::BindMount mounted(onDisk.path(), c("doomed/mnt"));
    ASSERT_TRUE(mounted.ok()) << mounted.why().toStdString();

    EXPECT_EQ(runFileOp(FO_DELETE, {"C:\\doomed"}, {}, kQuiet), FileOpAccessDenied);
    ASSERT_EQ(ui.errors.size(), 1u);
    EXPECT_EQ(ui.errors[0].file, "C:\\doomed\\mnt");
    EXPECT_TRUE(ui.errors[0].reason.startsWith("Another disk is mounted on this folder")) << ui.errors[0].reason.toStdString();
    EXPECT_EQ(onDisk.read("theirs/kept.txt"), "k");
    EXPECT_EQ(read("doomed/mnt/theirs/kept.txt"), "k");
}

TEST_F(BatchDelete, AllowUndoMovesItemsToTheTrash)
{
    const QByteArray oldData = qgetenv("XDG_DATA_HOME");
    const QString data = QDir(tmp.path()).canonicalPath() + "/data";
    QDir().mkpath(data);
    qputenv("XDG_DATA_HOME", data.toUtf8());
    write("old/report.txt", "r");

    const int result = runFileOp(FO_DELETE, {"C:\\old"}, {}, kQuiet | FOF_ALLOWUNDO);
    qputenv("XDG_DATA_HOME", oldData);
    if (oldData.isEmpty())
        qunsetenv("XDG_DATA_HOME");

    EXPECT_EQ(result, 0);
    EXPECT_FALSE(exists("old"));
    QFile trashed(data + "/Trash/files/old/report.txt");
    ASSERT_TRUE(trashed.open(QIODevice::ReadOnly));
    EXPECT_EQ(trashed.readAll(), "r");
    EXPECT_TRUE(QFileInfo::exists(data + "/Trash/info/old.trashinfo"));
}

TEST_F(BatchDelete, AllowUndoMakesTheDataFolderTheTrashNeeds)
{
    // A fresh account has no data folder yet; the trash must still be the
    // one there, not a "files" folder wherever the program happens to run.
    const QByteArray oldData = qgetenv("XDG_DATA_HOME");
    const QString data = QDir(tmp.path()).canonicalPath() + "/fresh/share";
    qputenv("XDG_DATA_HOME", data.toUtf8());
    const QString oldCwd = QDir::currentPath();
    QDir().mkpath(tmp.path() + "/cwd");
    QDir::setCurrent(tmp.path() + "/cwd");
    write("old/report.txt", "r");

    const int result = runFileOp(FO_DELETE, {"C:\\old"}, {}, kQuiet | FOF_ALLOWUNDO);
    QDir::setCurrent(oldCwd);
    qputenv("XDG_DATA_HOME", oldData);
    if (oldData.isEmpty())
        qunsetenv("XDG_DATA_HOME");

    EXPECT_EQ(result, 0);
    EXPECT_FALSE(QFileInfo::exists(tmp.path() + "/cwd/files"));
    QFile trashed(data + "/Trash/files/old/report.txt");
    ASSERT_TRUE(trashed.open(QIODevice::ReadOnly));
    EXPECT_EQ(trashed.readAll(), "r");
}

TEST_F(BatchMoveRename, MoveMergesAndKeepsWhatWasNotReplaced)
{
    write("a/f/one.txt", "1 new");
    write("a/f/two.txt", "2");
    write("b/f/one.txt", "1 old");
    ui.replaceAnswer = FileOperationUi::No;
    EXPECT_EQ(runFileOp(FO_MOVE, {"C:\\a\\f"}, {"C:\\b"}, FOF_NOCONFIRMMKDIR), 0);
    EXPECT_EQ(read("b/f/one.txt"), "1 old");
    EXPECT_EQ(read("b/f/two.txt"), "2");
    EXPECT_EQ(read("a/f/one.txt"), "1 new"); // declined, so still at home
    EXPECT_FALSE(exists("a/f/two.txt"));

    EXPECT_EQ(runFileOp(FO_MOVE, {"C:\\a\\f\\*.*"}, {"C:\\c"}, kQuiet), 0);
    EXPECT_EQ(read("c/one.txt"), "1 new");
    EXPECT_EQ(list("a/f"), QStringList());
}

TEST_F(BatchMoveRename, RenameNeverReplacesButChangesLetterCase)
{
    write("r/a.txt", "a");
    write("r/b.txt", "b");
    EXPECT_EQ(runFileOp(FO_RENAME, {"C:\\r\\a.txt"}, {"C:\\r\\b.txt"}, kQuiet), FileOpAlreadyExists);
    EXPECT_EQ(read("r/b.txt"), "b");
    EXPECT_EQ(ui.errors.at(0).caption, "Error Renaming File or Folder");
    EXPECT_EQ(runFileOp(FO_RENAME, {"C:\\r\\a.txt"}, {"c.txt"}, kQuiet), 0);
    EXPECT_EQ(list("r"), QStringList({"b.txt", "c.txt"}));
    EXPECT_EQ(runFileOp(FO_RENAME, {"C:\\r\\*.txt"}, {"C:\\r\\d.txt"}, kQuiet), FileOpInvalidParameter);

    // Only the letter case changes: the same file takes the new spelling.
    write("r/Sub/x.txt", "x");
    EXPECT_EQ(runFileOp(FO_RENAME, {"C:\\r\\c.txt"}, {"C:\\R\\C.TXT"}, kQuiet), 0);
    EXPECT_EQ(runFileOp(FO_RENAME, {"C:\\r\\Sub"}, {"C:\\r\\SUB"}, kQuiet), 0);
    EXPECT_EQ(list("r"), QStringList({"C.TXT", "SUB", "b.txt"}));
    EXPECT_EQ(read("r/C.TXT"), "a");
    EXPECT_EQ(read("r/SUB/x.txt"), "x");
}

TEST_F(BatchMoveRename, MoveToAnotherFileSystemCopiesThenRemoves)
{
    // Drive D: on a disk of its own: a rename cannot take the tree there.
    faults::SmallDisk other(8 << 10);
    if (!other.ok())
        GTEST_SKIP() << other.why().toStdString();
    QFile::link(other.path(), root + "/dosdevices/d:");
    write("m/tree/a.txt", "a");
    write("m/tree/sub/b.bin", QByteArray(3 << 20, 'b'));
    struct stat from, to;
    ASSERT_TRUE(::stat(QFile::encodeName(c("m/tree")).constData(), &from) == 0
                && ::stat(QFile::encodeName(other.path()).constData(), &to) == 0);
    ASSERT_NE(from.st_dev, to.st_dev);
    EXPECT_EQ(runFileOp(FO_MOVE, {"C:\\m\\tree"}, {"D:\\moved"}, kQuiet), 0);
    EXPECT_FALSE(exists("m/tree"));
    QFile b(other.path() + "/moved/sub/b.bin");
    ASSERT_TRUE(b.open(QIODevice::ReadOnly));
    EXPECT_EQ(b.readAll(), QByteArray(3 << 20, 'b'));
}

// A tree copied into a folder made for it, and again over that copy: every
// file and folder keeps its mode, its time and Wine's attribute.
TEST_F(BatchCopy, ATreeKeepsEveryModeTimeAndAttribute)
{
    const struct
    {
        const char *rel;
        bool folder;
        mode_t mode;
        const char *attribute; // user.DOSATTRIB, or none
    } entries[] = {
        {"tree/a.api", false, 0644, "0x22"}, {"tree/b.api", false, 0600, nullptr},
        {"tree/c.api", false, 0755, "0x4"},  {"tree/Sub/d.api", false, 0640, "0x2"},
        {"tree/Sub/e.api", false, 0444, nullptr}, {"tree/Sub", true, 0750, "0x2"},
        {"tree/Empty", true, 0700, nullptr}, {"tree", true, 0755, nullptr},
    };
    long long stamp = 1100000000;
    for (const auto &e : entries) { // folders after what they hold, so their times stay
        const QByteArray host = QFile::encodeName(c(e.rel));
        if (e.folder)
            QDir().mkpath(c(e.rel));
        else
            write(e.rel, QByteArray(e.rel).repeated(1000));
        if (e.attribute)
            ::setxattr(host.constData(), "user.DOSATTRIB", e.attribute, std::strlen(e.attribute), 0);
        ::chmod(host.constData(), e.mode);
        const struct timespec times[2] = {{stamp, 0}, {stamp, 250}};
        ::utimensat(AT_FDCWD, host.constData(), times, AT_SYMLINK_NOFOLLOW);
        stamp += 1000;
    }
    for (int round = 0; round < 2; ++round) {
        ASSERT_EQ(runFileOp(FO_COPY, {"C:\\tree"}, {"C:\\out\\"}, kQuiet), 0) << round;
        stamp = 1100000000;
        for (const auto &e : entries) {
            const QString rel = QStringLiteral("out/") + e.rel;
            struct stat st;
            ASSERT_EQ(::lstat(QFile::encodeName(c(rel)).constData(), &st), 0) << rel.toStdString();
            EXPECT_EQ(st.st_mode & 07777, e.mode) << rel.toStdString();
            EXPECT_EQ(st.st_mtim.tv_sec, stamp) << rel.toStdString();
            EXPECT_EQ(st.st_mtim.tv_nsec, 250) << rel.toStdString();
            char attr[16] = {};
            const ssize_t n = ::getxattr(QFile::encodeName(c(rel)).constData(), "user.DOSATTRIB", attr, sizeof attr);
            EXPECT_EQ(QByteArray(attr, int(std::max<ssize_t>(n, 0))), QByteArray(e.attribute))
                << rel.toStdString();
            if (!e.folder) {
                EXPECT_EQ(read(rel), QByteArray(e.rel).repeated(1000));
            }
            stamp += 1000;
        }
    }
}
