// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvane developers
#include <gtest/gtest.h>

#include "platform/application.h"
#include "platform/test_fileoperation_fixture.h"
#include "platform/windowless.h"

using namespace qv;

namespace {

// The batch with nothing registered, as a program without a window runs it.
struct WindowlessBatch : FileOpFixture
{
    void SetUp() override
    {
        FileOpFixture::SetUp();
        FileOperationUi::setInstance(nullptr);
        windowless = dynamic_cast<WindowlessFileOperationUi *>(&FileOperationUi::instance());
        ASSERT_NE(windowless, nullptr);
        windowless->clear();
    }
    WindowlessFileOperationUi *windowless = nullptr;
};

} // namespace

TEST_F(WindowlessBatch, ErrorsReachStderrAndTheCallerAndQuestionsAreRefused)
{
    write("src/a.txt", "new");
    write("dst/a.txt", "old");

    testing::internal::CaptureStderr();
    const int missing = runFileOp(FO_COPY, {"C:\\src\\gone.txt"}, {"C:\\dst"}, FOF_NOCONFIRMATION);
    // Replacing a file needs a yes nobody can give: the batch stops, the file stays.
    const int replace = runFileOp(FO_COPY, {"C:\\src\\a.txt"}, {"C:\\dst"}, FOF_NOCONFIRMMKDIR);
    const int mkdir = runFileOp(FO_COPY, {"C:\\src\\a.txt"}, {"C:\\new\\"}, 0);
    const std::string said = testing::internal::GetCapturedStderr();

    EXPECT_EQ(missing, FileOpFileNotFound);
    EXPECT_EQ(replace, FileOpCancelled);
    EXPECT_EQ(mkdir, FileOpCancelled);
    EXPECT_EQ(read("dst/a.txt"), "old");
    EXPECT_FALSE(exists("new"));
    ASSERT_EQ(windowless->notes().size(), 3u);
    EXPECT_EQ(windowless->notes()[0].caption, "Error Copying File or Folder");
    EXPECT_EQ(windowless->notes()[0].subject, "C:\\src\\gone.txt");
    EXPECT_EQ(windowless->notes()[1].subject, "C:\\dst\\a.txt");
    EXPECT_EQ(windowless->notes()[2].subject, "C:\\new\\");
    for (const WindowlessNote &note : windowless->notes())
        EXPECT_NE(said.find(note.line().toStdString()), std::string::npos) << said;
}

TEST(WindowlessDialogs, NoQuestionIsAnsweredYesAndTheErrorBoxReachesStderr)
{
    WindowlessDialogs dialogs(Echo::No);
    Dialogs::setInstance(&dialogs);
    setApplicationTitle("Quorvane 3.01");
    showError("Disk full");
    const auto answer = Dialogs::instance().messageBox(nullptr, "Start Reader?", "Confirm", Dialogs::YesNo,
                                                       Dialogs::QuestionIcon);
    const QString typed = Dialogs::instance().inputBox("Reader", "Which version?", "9.0");
    Dialogs::setInstance(nullptr);

    EXPECT_EQ(answer, Dialogs::ResultNo);
    EXPECT_EQ(typed, "9.0");
    ASSERT_EQ(dialogs.notes().size(), 3u);
    EXPECT_EQ(dialogs.notes()[0].line(), "Quorvane 3.01: Disk full.");

    // Unregistered, the error box is a line on stderr.
    testing::internal::CaptureStderr();
    showError("File access denied");
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "Quorvane 3.01: File access denied.\n");
}
