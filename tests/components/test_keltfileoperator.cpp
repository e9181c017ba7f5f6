// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvane developers
#include <QDir>
#include <cstring>
#include <functional>
#include <gtest/gtest.h>

#include "keltfileoperator.h"
#include "platform/error.h"
#include "platform/test_fileoperation_fixture.h"
#include "support/errormessage.h"

namespace {

// Stands in for the shell and keeps copies of what it was handed.
class ProbeOperator : public TKELFileOperator
{
public:
    int calls = 0;
    int answer = 0;
    QByteArray from, to, title;
    uint32_t wFunc = 0;
    uint16_t flags = 0;

protected:
    int callShell(qv::ShFileOpStruct &r) override
    {
        ++calls;
        wFunc = r.wFunc;
        flags = r.fFlags;
        title = r.lpszProgressTitle;
        // Lists end at the first empty entry: read up to the double zero.
        const char *p = r.pFrom;
        while (*p)
            p += std::strlen(p) + 1;
        from = QByteArray(r.pFrom, int(p - r.pFrom) + 1);
        // The target list is always one entry and its two zero bytes.
        to = QByteArray(r.pTo, int(std::strlen(r.pTo)) + 2);
        return answer;
    }
};


// Which events fired, in order; each must carry the component as sender.
QStringList *eventLog(TKELFileOperator &op)
{
    auto *log = new QStringList;
    QObject::connect(&op, &QObject::destroyed, [log] { delete log; });
    auto add = [log, &op](const char *name) {
        return [log, name, &op](TKELFileOperator *sender) {
            EXPECT_EQ(sender, &op);
            *log << name;
        };
    };
    QObject::connect(&op, &TKELFileOperator::OnDone, &op, add("Done"));
    QObject::connect(&op, &TKELFileOperator::OnSuccessCopy, &op, add("SuccessCopy"));
    QObject::connect(&op, &TKELFileOperator::OnSuccessDelete, &op, add("SuccessDelete"));
    QObject::connect(&op, &TKELFileOperator::OnSuccessMove, &op, add("SuccessMove"));
    QObject::connect(&op, &TKELFileOperator::OnSuccessRename, &op, add("SuccessRename"));
    QObject::connect(&op, &TKELFileOperator::OnFailCopy, &op, add("FailCopy"));
    QObject::connect(&op, &TKELFileOperator::OnFailDelete, &op, add("FailDelete"));
    QObject::connect(&op, &TKELFileOperator::OnFailMove, &op, add("FailMove"));
    QObject::connect(&op, &TKELFileOperator::OnFailRename, &op, add("FailRename"));
    return log;
}

using FileOperatorTest = FileOpFixture;

} // namespace

TEST(FileOperatorFlags, FreshComponentAndFlagTranslation)
{
    TKELFileOperator op;
    EXPECT_EQ(op.Flags(), (TKELFileFlags{opAllowUndo, opNoConfirmMkDir}));
    EXPECT_EQ(op.ShellRequest().fFlags, 0x0240);
    EXPECT_EQ(op.Operation(), opCopyFile);
    EXPECT_EQ(op.ShellRequest().hwnd, nullptr);
    EXPECT_TRUE(op.FilesFrom().isEmpty());
    EXPECT_FALSE(op.About().isEmpty());
    EXPECT_LE(op.About().size(), 37);

    op.setFlags({});
    EXPECT_EQ(op.ShellRequest().fFlags, 0);
    EXPECT_TRUE(op.Flags().isEmpty());
    op.setFlags({opNoConfirmation, opNoConfirmMkDir});
    EXPECT_EQ(op.ShellRequest().fFlags, 0x0210);

    // Ordinals follow the names, the shell bits do not.
    const uint16_t bits[10] = {0x40, 0x02, 0x80, 0x01, 0x10, 0x200, 0x08, 0x04, 0x100, 0x20};
    for (int i = 0; i < 10; ++i) {
        op.setFlags(TKELFileFlag(i));
        EXPECT_EQ(op.ShellRequest().fFlags, bits[i]) << "ordinal " << i;
        EXPECT_EQ(op.Flags().toInt(), 1 << i);
    }
    // The published property reads and writes the same set.
    op.setProperty("Flags", int(TKELFileFlags{opSilent, opFilesOnly}.toInt()));
    EXPECT_EQ(op.ShellRequest().fFlags, qv::FOF_SILENT | qv::FOF_FILESONLY);
}

TEST(FileOperatorBase, ExecuteComponentDoesNothing)
{
    TKELExecuteComponent base;
    EXPECT_FALSE(base.Execute());
}

TEST_F(FileOperatorTest, TargetCheckComesBeforeEverythingElse)
{
    ProbeOperator op;
    QStringList *events = eventLog(op);
    op.setDirFrom("C:\\missing");
    EXPECT_EQ(messageOf([&] { op.Execute(); }), "Directory Information is invalid");
    op.FilesFrom() << "a.txt";
    op.setOperation(opMoveFile);
    EXPECT_EQ(messageOf([&] { op.Execute(); }), "Directory Information is invalid");
    EXPECT_EQ(op.calls, 0);
    EXPECT_TRUE(events->isEmpty());
    EXPECT_EQ(op.ShellRequest().wFunc, qv::FO_MOVE); // set before the check
    EXPECT_EQ(op.DirFrom(), "C:\\missing\\");

    // A delete needs no target but still a source folder that exists.
    op.setOperation(opDeleteFile);
    EXPECT_EQ(messageOf([&] { op.Execute(); }), "Can not locate current Directory");
    EXPECT_EQ(op.calls, 0);
    EXPECT_TRUE(events->isEmpty());
}

TEST_F(FileOperatorTest, DeleteHandsTheShellAnEmptyTarget)
{
    ProbeOperator op;
    op.setOperation(opDeleteFile);
    op.FilesFrom() << "C:\\x\\file.txt";
    EXPECT_TRUE(op.Execute());
    EXPECT_EQ(op.calls, 1);
    EXPECT_EQ(op.wFunc, qv::FO_DELETE);
    EXPECT_EQ(op.to, QByteArray("\0\0", 2));
    EXPECT_EQ(op.from, QByteArray("C:\\x\\file.txt\0\0", 15));
    EXPECT_EQ(op.title, "Deleteing...");
}

TEST_F(FileOperatorTest, SourceFolderPrefixesEveryLineAndBecomesCurrent)
{
    QDir().mkpath(c("src"));
    ProbeOperator op;
    op.setDirFrom("C:\\src");
    op.setDirTo("C:\\dst");
    op.setFilesFrom({"a.txt", "b.txt"});
    EXPECT_TRUE(op.Execute());
    EXPECT_EQ(op.from, QByteArray("C:\\src\\a.txt\0C:\\src\\b.txt\0\0", 27));
    EXPECT_EQ(op.to, QByteArray("C:\\dst\0\0", 8));
    EXPECT_EQ(op.DirFrom(), "C:\\src\\");
    EXPECT_EQ(qv::WinePrefix::current().currentDirectory(), "C:\\src");
    EXPECT_EQ(QDir::currentPath(), c("src"));
    EXPECT_EQ(op.title, "Copying...");
    EXPECT_EQ(op.flags, 0x0240);
}

TEST_F(FileOperatorTest, EventsFollowTheShellResult)
{
    struct Case
    {
        TKELFileFunction op;
        uint32_t wFunc;
        const char *title, *success, *fail;
    };
    const Case cases[] = {
        {opCopyFile, qv::FO_COPY, "Copying...", "SuccessCopy", "FailCopy"},
        {opDeleteFile, qv::FO_DELETE, "Deleteing...", "SuccessDelete", "FailDelete"},
        {opMoveFile, qv::FO_MOVE, "Moving...", "SuccessMove", "FailMove"},
        {opRenameFile, qv::FO_RENAME, "Renaming...", "SuccessRename", "FailRename"},
    };
    for (const Case &k : cases) {
        ProbeOperator op;
        QStringList *events = eventLog(op);
        op.setOperation(k.op);
        op.setDirTo("C:\\t");
        op.FilesFrom() << "C:\\s";
        EXPECT_TRUE(op.Execute());
        EXPECT_EQ(op.wFunc, k.wFunc);
        EXPECT_EQ(op.title, k.title);
        op.answer = 1223;
        EXPECT_FALSE(op.Execute());
        EXPECT_EQ(*events, QStringList({k.success, "Done", k.fail, "Done"}));

        // No lines: no shell call, but the failure event and OnDone.
        op.FilesFrom().clear();
        events->clear();
        EXPECT_FALSE(op.Execute());
        EXPECT_EQ(op.calls, 2);
        EXPECT_EQ(*events, QStringList({k.fail, "Done"}));
    }
}

TEST_F(FileOperatorTest, CopiesAndDeletesThroughTheShell)
{
    write("Reader/plug_ins/EWH32.api", "ewh");
    write("Reader/plug_ins/Search.API", "search");
    write("Reader/plug_ins/sub/deep.dat", "deep");

    TKELFileOperator fo1, fo2;
    fo1.setFlags({opNoConfirmation, opNoConfirmMkDir});
    fo2.setFlags({opNoConfirmation, opNoConfirmMkDir});
    fo2.setOperation(opDeleteFile);

    fo1.FilesFrom() << "C:\\Reader\\plug_ins\\*.*";
    fo1.setDirTo("C:\\Reader\\Optional");
    EXPECT_TRUE(fo1.Execute());
    EXPECT_EQ(list("Reader/Optional"), QStringList({"EWH32.api", "Search.API", "sub"}));
    EXPECT_EQ(read("Reader/Optional/sub/deep.dat"), "deep");

    fo2.FilesFrom() << "C:\\Reader\\plug_ins";
    EXPECT_TRUE(fo2.Execute());
    EXPECT_FALSE(exists("Reader/plug_ins"));

    fo1.FilesFrom().clear();
    fo1.FilesFrom() << "C:\\Reader\\Optional\\EWH32.*" << "C:\\Reader\\Optional\\search.*";
    fo1.setDirTo("C:\\Reader\\plug_ins");
    EXPECT_TRUE(fo1.Execute());
    EXPECT_EQ(list("Reader/plug_ins"), QStringList({"EWH32.api", "Search.API"}));
    EXPECT_TRUE(ui.errors.empty());

    // A missing plain source fails, and the shell says which.
    fo2.FilesFrom().clear();
    fo2.FilesFrom() << "C:\\Reader\\nothing here";
    EXPECT_FALSE(fo2.Execute());
    ASSERT_EQ(ui.errors.size(), 1u);
    EXPECT_EQ(ui.errors[0].file, "C:\\Reader\\nothing here");
}
