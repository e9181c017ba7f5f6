// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvane developers
#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QTimer>
#include <gtest/gtest.h>

#include "platform/fileoperation.h"

using namespace qv;

// The real windows: each button gives its answer, and the texts name the files.
TEST(FileOperationWindows, QuestionButtonsAnswerAndTextsNameTheFile)
{
    FileOperationUi::setInstance(nullptr);
    FileOperationUi &real = FileOperationUi::instance();
    QString shown;
    auto press = [&shown](QMessageBox::StandardButton which) {
        QTimer::singleShot(0, [&shown, which] {
            auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            ASSERT_NE(box, nullptr);
            shown = box->text();
            box->button(which)->click();
        });
    };
    const std::pair<QMessageBox::StandardButton, FileOperationUi::Answer> buttons[] = {
        {QMessageBox::Yes, FileOperationUi::Yes},
        {QMessageBox::YesToAll, FileOperationUi::YesToAll},
        {QMessageBox::No, FileOperationUi::No},
        {QMessageBox::Cancel, FileOperationUi::Cancel},
    };
    for (const auto &[button, answer] : buttons) {
        press(button);
        EXPECT_EQ(real.confirmReplace("C:\\dst\\a.txt", "C:\\src\\a.txt"), answer);
        EXPECT_TRUE(shown.contains("C:\\dst\\a.txt"));
    }
    press(QMessageBox::YesToAll);
    EXPECT_EQ(real.confirmMakeFolder("C:\\new folder"), FileOperationUi::YesToAll);
    EXPECT_TRUE(shown.contains("C:\\new folder"));

    press(QMessageBox::Ok);
    real.error("Error Copying File or Folder", "C:\\src\\a.txt", "The disk is full.");
    EXPECT_TRUE(shown.contains("C:\\src\\a.txt"));
    EXPECT_TRUE(shown.contains("The disk is full."));
}
