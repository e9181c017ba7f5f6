// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvane developers
#include <QDir>
#include <QFile>
#include <gtest/gtest.h>
#include <thread>

#include "platform/fileoperation.h"
#include "platform/filesystem.h"
#include "platform/operationlock.h"
#include "platform/writeprobe.h"
#include "platform/windowless.h"
#include "platform_win/winsupport.h"
#include "support/errormessage.h"
#include "support/tempdir.h"

// After our headers: the system's FO_ and FOF_ macros would rename our constants.
#define WIN32_LEAN_AND_MEAN // keeps out the shell's FO_ and FOF_ macros
#include <windows.h>

namespace {

QStringList names(const std::vector<qv::FoundEntry> &found)
{
    QStringList out;
    for (const qv::FoundEntry &e : found)
        out << e.name;
    out.sort(Qt::CaseInsensitive);
    return out;
}

// One batch as the file operation component hands it to the shell.
int batch(uint32_t func, const QStringList &from, const QString &to, uint16_t flags)
{
    QByteArray f;
    for (const QString &p : from)
        f += p.toUtf8() + '\0';
    f += '\0';
    const QByteArray t = to.toUtf8() + QByteArray(2, '\0');
    qv::ShFileOpStruct op;
    op.wFunc = func;
    op.pFrom = f.constData();
    op.pTo = t.constData();
    op.fFlags = flags;
    op.lpszProgressTitle = "Copying...";
    return qv::shFileOperation(op);
}

} // namespace

TEST(WinFiles, ExistenceTellsFilesFromFolders)
{
    TempDir tmp;
    const QString file = windowsPath(tmp.write("Wexmor.DAT", "x"));
    const QString folder = windowsPath(tmp.path());
    EXPECT_TRUE(qv::fileExists(file));
    EXPECT_FALSE(qv::directoryExists(file));
    EXPECT_TRUE(qv::directoryExists(folder));
    EXPECT_FALSE(qv::fileExists(folder));
    EXPECT_FALSE(qv::fileExists(folder + "\\missing"));
    EXPECT_TRUE(qv::deleteFile(file));
    EXPECT_FALSE(qv::fileExists(file));
    EXPECT_FALSE(qv::deleteFile(file));
}

TEST(WinFiles, AFolderSearchHonoursThePatternAndTheMask)
{
    TempDir tmp;
    for (const char *n : {"a.api", "b.API", "readme", "notes.txt"})
        tmp.write(QString("plug_ins/") + n, "x");
    QDir(tmp.path()).mkpath("plug_ins/Sub");
    const QString hidden = windowsPath(tmp.write("plug_ins/hidden.api", "x"));
    SetFileAttributesW(hidden.toStdWString().c_str(), FILE_ATTRIBUTE_HIDDEN);
    const QString folder = windowsPath(tmp.file("plug_ins"));

    EXPECT_EQ(names(qv::findFiles(folder + "\\*.api", qv::faAnyFile & ~qv::faDirectory)),
              QStringList({"a.api", "b.API", "hidden.api"}));
    // Every entry without hidden, system or volume label: folders count, "." and ".." too.
    EXPECT_EQ(names(qv::findFiles(folder + "\\*.*", qv::faAnyFile & ~(qv::faHidden | qv::faSysFile | qv::faVolumeId))),
              QStringList({".", "..", "a.api", "b.API", "notes.txt", "readme", "Sub"}));
    EXPECT_TRUE(qv::findFiles(folder + "\\", qv::faAnyFile).empty());
    EXPECT_TRUE(qv::findFiles(folder + "\\missing\\*.*", qv::faAnyFile).empty());
}

TEST(WinFiles, FolderServicesWorkOnTheTreeTheyAreGiven)
{
    TempDir tmp;
    const QString root = windowsPath(tmp.path());
    EXPECT_TRUE(qv::makeFolder(root + "\\Optional\\Multimedia"));
    tmp.write("Optional/Multimedia/MMPlayer.api", "same");
    tmp.write("Optional/EWH32.api", "same");
    tmp.write("Optional/other.api", "other");
    EXPECT_EQ(qv::filesBelow(root + "\\Optional"), QStringList({"EWH32.api", "Multimedia\\MMPlayer.api", "other.api"}));
    EXPECT_TRUE(qv::filesBelow(root + "\\missing").isEmpty());
    EXPECT_TRUE(qv::sameFileContent(root + "\\Optional\\EWH32.api", root + "\\Optional\\Multimedia\\MMPlayer.api"));
    EXPECT_FALSE(qv::sameFileContent(root + "\\Optional\\EWH32.api", root + "\\Optional\\other.api"));
    EXPECT_FALSE(qv::removeEmptyFolder(root + "\\Optional\\Multimedia"));
    EXPECT_EQ(qv::folderIdentity(root + "\\OPTIONAL"), qv::folderIdentity(root + "\\Optional\\"));
}

TEST(WinFiles, TheTextFileEndsLinesWithCrLfAndNamesItsFailures)
{
    TempDir tmp;
    const QString path = windowsPath(tmp.file("Wexmor.DAT"));
    qv::TextFile f(path);
    f.rewrite();
    f.writeLine("Quorvane");
    f.writeLine("");
    f.close();
    EXPECT_EQ(tmp.read("Wexmor.DAT"), QByteArray("Quorvane\r\n\r\n"));

    qv::TextFile nowhere(windowsPath(tmp.file("missing/Wexmor.DAT")));
    EXPECT_EQ(messageOf([&] { nowhere.rewrite(); }), "Invalid filename");
    qv::TextFile folder(windowsPath(tmp.path()));
    EXPECT_EQ(messageOf([&] { folder.rewrite(); }), "File access denied");
}

TEST(WinFileOperation, CopiesAWildcardIntoANewFolderAndDeletesForGood)
{
    TempDir tmp;
    tmp.write("plug_ins/EWH32.api", "e");
    tmp.write("plug_ins/search.api", "s");
    tmp.write("plug_ins/Multimedia/MMPlayer.api", "m");
    const QString root = windowsPath(tmp.path());
    const uint16_t quiet = qv::FOF_NOCONFIRMATION | qv::FOF_NOCONFIRMMKDIR;
    ASSERT_EQ(batch(qv::FO_COPY, {root + "\\plug_ins\\*.*"}, root + "\\Optional", quiet), 0);
    EXPECT_EQ(tmp.read("Optional/EWH32.api"), "e");
    EXPECT_EQ(tmp.read("Optional/Multimedia/MMPlayer.api"), "m");

    ASSERT_EQ(batch(qv::FO_DELETE, {root + "\\plug_ins"}, QString(), quiet), 0);
    EXPECT_FALSE(QFile::exists(tmp.file("plug_ins")));
    ASSERT_EQ(batch(qv::FO_COPY, {root + "\\Optional\\EWH32.*", root + "\\Optional\\search.*"}, root + "\\plug_ins", quiet), 0);
    EXPECT_EQ(QDir(tmp.file("plug_ins")).entryList(QDir::Files), QStringList({"EWH32.api", "search.api"}));
}

TEST(WinFileOperation, AFailureWithoutWindowsReachesWhoeverAnswersForThem)
{
    TempDir tmp;
    qv::WindowlessFileOperationUi notes(qv::Echo::No);
    qv::FileOperationUi::setInstance(&notes);
    const int result = batch(qv::FO_COPY, {windowsPath(tmp.file("missing.api"))}, windowsPath(tmp.file("to")),
                             qv::FOF_NOCONFIRMATION | qv::FOF_NOCONFIRMMKDIR);
    qv::FileOperationUi::setInstance(nullptr);
    EXPECT_NE(result, 0);
    // Kept for the caller that only sees a file missing.
    EXPECT_EQ(qv::lastFileOperationFailure().code, result);
    EXPECT_FALSE(qv::lastFileOperationFailure().reason.isEmpty());
    ASSERT_EQ(notes.notes().size(), 1u);
    EXPECT_EQ(notes.notes()[0].caption, "Error Copying File or Folder");
    EXPECT_TRUE(notes.notes()[0].subject.endsWith("missing.api"));
}

TEST(WinOperationChecks, OneOperationAtATimeAndPlacesThatCannotBeChangedAreNamed)
{
    {
        qv::OperationLock first;
        ASSERT_TRUE(first.held());
        // Another Quorvane: the mutex belongs to the thread that took it.
        bool secondHeld = true;
        QString refusal;
        std::thread([&] {
            qv::OperationLock second;
            secondHeld = second.held();
            refusal = second.refusal();
        }).join();
        EXPECT_FALSE(secondHeld);
        EXPECT_TRUE(refusal.startsWith("Another Quorvane is working")) << refusal.toStdString();
    }
    bool heldAfter = false;
    std::thread([&] { heldAfter = qv::OperationLock().held(); }).join();
    EXPECT_TRUE(heldAfter);

    TempDir tmp;
    const QString folder = windowsPath(tmp.path());
    EXPECT_EQ(qv::folderWriteProblem(folder), QString());
    EXPECT_TRUE(qv::folderWriteProblem(folder + "\\missing").startsWith("it cannot be reached"));
    const QString file = tmp.file("user.reg");
    QFile(file).open(QIODevice::WriteOnly);
    EXPECT_EQ(qv::hostFileReplaceProblem(windowsPath(file)), QString());
    ASSERT_TRUE(SetFileAttributesW(windowsPath(file).toStdWString().c_str(), FILE_ATTRIBUTE_READONLY));
    EXPECT_TRUE(qv::hostFileReplaceProblem(windowsPath(file)).contains("read-only"));
    SetFileAttributesW(windowsPath(file).toStdWString().c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST(WinFiles, AResolvedFolderKnowsNamesBelowItAndAFolderPutInItsPlace)
{
    TempDir tmp;
    const QString root = windowsPath(tmp.path());
    ASSERT_TRUE(qv::makeFolder(root + "\\Optional\\Sub"));
    tmp.write("Optional/Sub/EWH32.api", "e");
    const qv::ResolvedFolder optional(root + "\\Optional");
    ASSERT_TRUE(optional.found());
    EXPECT_EQ(qv::filesBelow(optional), QList<QByteArray>({"Sub/EWH32.api"}));
    EXPECT_TRUE(qv::fileExists(optional, "sub/ewh32.API"));
    EXPECT_TRUE(optional.unchanged());

    ASSERT_TRUE(QDir(tmp.path()).rename("Optional", "Old"));
    ASSERT_TRUE(QDir(tmp.path()).mkdir("Optional"));
    EXPECT_FALSE(optional.unchanged());
    EXPECT_THROW(optional.ensureUnchanged(), qv::Error);
}
