// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvane developers
#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <functional>
#include <gtest/gtest.h>

#include "platform/dialogs.h"

namespace {

// Runs the real input box and acts on it once it is up.
QString answer(const QString &def, const std::function<void(QDialog *, QLineEdit *)> &act)
{
    QTimer::singleShot(0, [act] {
        auto *dialog = qobject_cast<QDialog *>(QApplication::activeModalWidget());
        ASSERT_TRUE(dialog);
        act(dialog, dialog->findChild<QLineEdit *>());
    });
    return qv::Dialogs::instance().inputBox("Caption", "Prompt", def);
}

void press(QDialog *dialog, QDialogButtonBox::StandardButton which)
{
    dialog->findChild<QDialogButtonBox *>()->button(which)->click();
}

} // namespace

TEST(InputBox, OkCancelAndClosing)
{
    // OK on the untouched field: the default.
    EXPECT_EQ(answer("6.0", [](QDialog *d, QLineEdit *) { press(d, QDialogButtonBox::Ok); }), "6.0");
    // Cancel or closing: the default, whatever was typed.
    EXPECT_EQ(answer("6.0", [](QDialog *d, QLineEdit *e) {
                  e->setText("7.0");
                  press(d, QDialogButtonBox::Cancel);
              }),
              "6.0");
    EXPECT_EQ(answer("6.0", [](QDialog *d, QLineEdit *e) {
                  e->setText("7.0");
                  d->close();
              }),
              "6.0");
    // OK on an emptied field: empty text, not the default.
    EXPECT_EQ(answer("6.0", [](QDialog *d, QLineEdit *e) {
                  e->clear();
                  press(d, QDialogButtonBox::Ok);
              }),
              "");
}

TEST(InputBox, DefaultIsSelectedAndTheFieldHoldsAtMost255Characters)
{
    QString selected;
    const QString typed = answer("C:\\Reader", [&](QDialog *d, QLineEdit *e) {
        selected = e->selectedText();
        e->setText(QString(300, 'x'));
        press(d, QDialogButtonBox::Ok);
    });
    EXPECT_EQ(selected, "C:\\Reader");
    EXPECT_EQ(typed, QString(255, 'x'));
}
