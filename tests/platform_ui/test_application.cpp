// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvane developers
#include <QGuiApplication>
#include <gtest/gtest.h>

#include "platform/application.h"
#include "platform/dialogs.h"

namespace {

class RecordingDialogs : public qv::Dialogs
{
public:
    QString inputBox(const QString &, const QString &, const QString &def) override { return def; }
    Result messageBox(QWidget *, const QString &text, const QString &caption, Buttons buttons, Icon icon) override
    {
        this->text = text;
        this->caption = caption;
        this->buttons = buttons;
        this->icon = icon;
        return ResultOk;
    }
    QString text, caption;
    Buttons buttons = YesNo;
    Icon icon = NoIcon;
};

} // namespace

TEST(ApplicationTitle, CaptionsErrorBoxesWithoutDecoratingOtherWindows)
{
    const QString before = QGuiApplication::applicationDisplayName();
    qv::setApplicationTitle(QStringLiteral("Quorvane 3.01"));
    EXPECT_EQ(qv::applicationTitle(), "Quorvane 3.01");
    // On X11 and Wayland Qt appends the display name to every window title,
    // which would turn an "Information" box into "Information — Quorvane 3.01".
    EXPECT_EQ(QGuiApplication::applicationDisplayName(), before);

    RecordingDialogs dialogs;
    qv::Dialogs::setInstance(&dialogs);
    qv::showError(QStringLiteral("File access denied"));
    qv::Dialogs::setInstance(nullptr);
    EXPECT_EQ(dialogs.text, "File access denied.");
    EXPECT_EQ(dialogs.caption, "Quorvane 3.01");
    EXPECT_EQ(dialogs.buttons, qv::Dialogs::Ok);
    EXPECT_EQ(dialogs.icon, qv::Dialogs::ErrorIcon);
}
