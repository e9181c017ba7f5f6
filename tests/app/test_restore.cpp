// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvane developers
#include "app/test_optimize_support.h"
#include "platform/shelllink.h"

using qv::HKeyCurrentUser;
using qv::HKeyLocalMachine;

TEST_F(ReaderPrefix, RestoreAfterOptimizeBringsEverythingBack)
{
    const auto pluginsBefore = filesOf("plug_ins");
    optimize();
    ASSERT_TRUE(errorBoxes().isEmpty());
    // Checkbox states do not matter to Restore.
    setAllBoxes(false);
    dialogs.boxes.clear();
    dialogs.answer = qv::Dialogs::ResultYes;
    FakeProcess reader("C:\\Program Files\\Adobe\\Acrobat 7.0\\Reader\\AcroRd32.exe");

    restore();

    EXPECT_TRUE(errorBoxes().isEmpty()) << errorBoxes().join("\n").toStdString();
    EXPECT_TRUE(reader.ended());
    EXPECT_EQ(filesOf("plug_ins"), pluginsBefore);
    EXPECT_EQ(filesOf("Optional"), pluginsBefore); // the safety copy stays
    EXPECT_FALSE(exists("Wexmor.DAT"));

    expectUntickedPreferences();
    EXPECT_EQ(dword(HKeyCurrentUser, "FeatureLockdown", "bShowAdsAllow"), 1);
    EXPECT_EQ(dword(HKeyCurrentUser, "FeatureLockdown", "bUpdater"), 1);

    const auto link = qv::ShellLink::fromBytes(tmp.read("drive_c/users/tester/Desktop/AcroRd32.lnk"));
    ASSERT_TRUE(link.has_value());
    EXPECT_EQ(link->path(), readerFolder + "\\AcroRd32.exe");
    EXPECT_EQ(link->workingDirectory(), readerFolder);
    EXPECT_EQ(link->description(), "Adobe Reader 7.0");

    EXPECT_EQ(form->Memo->Lines(), QStringList({"Restore files and registry settings ... Done!"}));
    EXPECT_TRUE(memoHistory.contains("Restore files and registry settings ..."));
    ASSERT_EQ(dialogs.boxes.size(), 1u);
    EXPECT_EQ(dialogs.boxes[0].text, "Restoration completed. Do you want to start Adobe Reader 7.0 now?");
    EXPECT_EQ(dialogs.boxes[0].caption, "Information");
    EXPECT_EQ(dialogs.opened, QStringList({readerFolder + "\\AcroRd32.exe"}));
    EXPECT_FALSE(form->FlatButton1->isEnabled());
    EXPECT_FALSE(form->FlatButton2->isEnabled());
}

TEST_F(ReaderPrefix, RestoreWithoutMarkerTouchesNothing)
{
    tmp.write(readerHost + "/Optional/Annots.api", "annots api");
    tmp.write(readerHost + "/Optional/Other.api", "other api");
    const auto pluginsBefore = filesOf("plug_ins");
    const QByteArray userHive = tmp.read("user.reg");
    const QByteArray systemHive = tmp.read("system.reg");

    restore();

    EXPECT_EQ(form->Memo->Lines(), QStringList({"Nothing to restore!"}));
    EXPECT_EQ(filesOf("plug_ins"), pluginsBefore);
    EXPECT_EQ(tmp.read("user.reg"), userHive);
    EXPECT_EQ(tmp.read("system.reg"), systemHive);
    EXPECT_FALSE(QFileInfo::exists(tmp.file("drive_c/users/tester/Desktop/AcroRd32.lnk")));
    EXPECT_TRUE(dialogs.boxes.empty());
    EXPECT_FALSE(form->FlatButton2->isEnabled());
    EXPECT_TRUE(form->FlatButton1->isEnabled());
}

TEST_F(ReaderPrefix, RestoreKeepsANewerPlugInAndTheMarkerWhenTheCopyFails)
{
    optimize();
    // A plug-in updated in place since, and a sub-folder of plug_ins that cannot be made.
    tmp.write(readerHost + "/plug_ins/EWH32.api", "ewh32 api, updated");
    tmp.write(readerHost + "/plug_ins/Multimedia", "a file in the way");
    dialogs.boxes.clear();

    restore();

    EXPECT_EQ(tmp.read(readerHost + "/plug_ins/EWH32.api"), "ewh32 api, updated");
    EXPECT_EQ(tmp.read(readerHost + "/plug_ins/Annots.api"), "annots api");
    // Not called done: the message and the memo name what is missing and why.
    ASSERT_EQ(errorBoxes().size(), 1);
    EXPECT_TRUE(errorBoxes()[0].startsWith("Restoration was not completed. Not done:\n- " + readerFolder
                                           + "\\plug_ins\\Multimedia\\"))
        << errorBoxes()[0].toStdString();
    EXPECT_TRUE(errorBoxes()[0].contains("plug_ins\\Multimedia\" is in the way of a folder")) << errorBoxes()[0].toStdString();
    EXPECT_TRUE(exists("Wexmor.DAT"));
    const QStringList memo = form->Memo->Lines();
    ASSERT_FALSE(memo.isEmpty());
    EXPECT_EQ(memo.first(), "Restoration not completed. Not done:");
    EXPECT_TRUE(memo.contains("Not restored: Multimedia\\mm.api")) << memo.join('\n').toStdString();
    EXPECT_TRUE(form->FlatButton2->isEnabled());
}
