// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvane developers
#include <QApplication>
#include <QKeyEvent>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

#include "app/promotionform.h"
#include "app/webaddresses.h"
#include "mainform.h"
#include "test_promotion_support.h"

namespace {

// What one close of the main window came to.
struct Closing
{
    int loop = -1;          // how the program's loop ended (see runInMainLoop)
    int dialogsShown = 0;   // dialogs seen while the close was going on
    bool ownedByWindow = false;
    bool openedOverDialog = true; // the shell was given the dialog as owner
    QString caption;        // the dialog's caption, for its language
    bool windowVisible = true;
    int dialogsLeft = -1;   // dialogs still in existence afterwards
    QStringList opened;
};

// Switches the main window to a language by its flag, asks it to close, and
// lets `act` do what the user does in the dialog that comes up.
Closing closeMainWindow(const char *flag, const std::function<void(TForm2 &)> &act)
{
    RecordingShell shell;
    TForm1 form(nullptr, false);
    form.show();
    QTest::mouseClick(form.findChild<QWidget *>(QLatin1String(flag)), Qt::LeftButton, {}, QPoint(8, 8));

    Closing c;
    c.loop = runInMainLoop([&] {
        QTimer::singleShot(0, &form, [&] {
            auto *dialog = qobject_cast<TForm2 *>(QApplication::activeModalWidget());
            if (!dialog)
                return;
            ++c.dialogsShown;
            c.ownedByWindow = dialog->parentWidget() == &form;
            c.caption = dialog->windowTitle();
            act(*dialog);
            for (QWidget *owner : shell.owners)
                c.openedOverDialog = c.openedOverDialog && owner == dialog;
        });
        form.close();
    });
    c.windowVisible = form.isVisible();
    c.dialogsLeft = int(form.findChildren<TForm2 *>().size());
    c.opened = shell.opened;
    return c;
}

void expectProgramEnded(const Closing &c)
{
    EXPECT_EQ(c.loop, 0);
    EXPECT_EQ(c.dialogsShown, 1);
    EXPECT_TRUE(c.ownedByWindow);
    EXPECT_FALSE(c.windowVisible);
    EXPECT_EQ(c.dialogsLeft, 0);
    EXPECT_TRUE(c.openedOverDialog);
}

} // namespace

TEST(ClosingTheMainWindow, EveryWayOutOfTheDialogEndsTheProgram)
{
    struct Way
    {
        const char *name;
        std::function<void(TForm2 &)> act;
        QStringList opened;
    };
    const QString download = QString::fromLatin1(qv::kProductDownloadAddress);
    const QString site = QString::fromLatin1(qv::kMakerWebSiteAddress);
    const Way ways[] = {
        {"Download", [](TForm2 &d) { QTest::mouseClick(d.Button1, Qt::LeftButton); }, {download}},
        {"Visit Website", [](TForm2 &d) { QTest::mouseClick(d.Button2, Qt::LeftButton); }, {site}},
        {"picture", [](TForm2 &d) { QTest::mouseClick(d.Image1, Qt::LeftButton); }, {site}},
        {"No, Thanks", [](TForm2 &d) { QTest::mouseClick(d.Button3, Qt::LeftButton); }, {}},
        {"close box", [](TForm2 &d) { d.close(); }, {}},
    };
    for (const Way &way : ways) {
        SCOPED_TRACE(way.name);
        const Closing c = closeMainWindow("Image16", way.act);
        expectProgramEnded(c);
        EXPECT_EQ(c.opened, way.opened);
    }
}

TEST(ClosingTheMainWindow, DialogSpeaksTheLanguageChosenLast)
{
    const auto decline = [](TForm2 &d) { d.Button3->click(); };
    EXPECT_EQ(closeMainWindow("Image14", decline).caption, QStringLiteral("Morvelle Recommendation"));
    EXPECT_EQ(closeMainWindow("Image5", decline).caption, QStringLiteral("Morvelleを推奨します"));
    EXPECT_EQ(closeMainWindow("Image15", decline).caption, QStringLiteral("Morvelle introduction"));
}

TEST(ClosingTheMainWindow, CloseRequestsWhileTheDialogIsUpDoNotStackDialogs)
{
    // A second request (a session ending, say) while the dialog is shown
    // must neither open a second dialog nor keep the program alive.
    int nested = 0;
    const Closing c = closeMainWindow("Image16", [&nested](TForm2 &d) {
        auto *form = qobject_cast<TForm1 *>(d.parentWidget());
        form->close();
        nested = int(form->findChildren<TForm2 *>().size());
        d.Button3->click();
    });
    EXPECT_EQ(nested, 1);
    expectProgramEnded(c);
}

TEST(ClosingTheMainWindow, EnterOrSpaceRightAfterTheDialogOpensActivatesDownload)
{
    for (Qt::Key key : {Qt::Key_Return, Qt::Key_Space}) {
        SCOPED_TRACE(key);
        QString focused;
        const Closing c = closeMainWindow("Image5", [&focused, key](TForm2 &d) {
            // The key goes where the keyboard focus is once the dialog is active.
            QWidget *target = QTest::qWaitForWindowActive(&d) ? QApplication::focusWidget() : nullptr;
            if (!target)
                return d.reject();
            focused = target->objectName();
            QTest::keyClick(target, key);
        });
        expectProgramEnded(c);
        EXPECT_EQ(focused, QStringLiteral("Button1"));
        EXPECT_EQ(c.opened, QStringList{QString::fromLatin1(qv::kProductDownloadAddress)});
    }
}

TEST(ClosingTheMainWindow, EscapeIsNoWayOutOfTheDialog)
{
    bool stillShown = false;
    const Closing c = closeMainWindow("Image16", [&stillShown](TForm2 &d) {
        QWidget *target = QTest::qWaitForWindowActive(&d) ? QApplication::focusWidget() : nullptr;
        QTest::keyClick(target ? target : &d, Qt::Key_Escape);
        QTest::keyClick(&d, Qt::Key_Escape);
        QApplication::processEvents();
        stillShown = d.isVisible() && QApplication::activeModalWidget() == &d && !programEnding();
        d.Button3->click();
    });
    EXPECT_TRUE(stillShown);
    expectProgramEnded(c);
    EXPECT_TRUE(c.opened.isEmpty());
}

TEST(ClosingTheMainWindow, DialogStandsInTheMiddleOfTheMainWindow)
{
    // No window manager here: the dialog must place itself.
    QRect window, dialog;
    QSize client;
    const Closing c = closeMainWindow("Image5", [&](TForm2 &d) {
        window = d.parentWidget()->frameGeometry();
        dialog = d.frameGeometry();
        client = d.size();
        d.Button3->click();
    });
    expectProgramEnded(c);
    EXPECT_EQ(client, QSize(296, 302));
    EXPECT_LE((dialog.center() - window.center()).manhattanLength(), 1)
        << dialog.center().x() << "," << dialog.center().y() << " vs " << window.center().x() << ","
        << window.center().y();
}

TEST(ClosingTheMainWindow, AtTheEndOfTheSessionTheWindowClosesWithoutTheDialog)
{
    RecordingShell shell;
    TForm1 form(nullptr, false);
    form.show();
    int dialogsShown = 0;
    const int loop = runInMainLoop([&] {
        QTimer::singleShot(0, &form, [&] {
            if (auto *dialog = QApplication::activeModalWidget()) {
                ++dialogsShown;
                dialog->close();
            }
        });
        form.closeForSessionEnd();
    });
    EXPECT_EQ(loop, 0);
    EXPECT_EQ(dialogsShown, 0);
    EXPECT_FALSE(form.isVisible());
    EXPECT_TRUE(form.findChildren<TForm2 *>().isEmpty());
}

TEST(ClosingTheMainWindow, TheSessionEndingTakesAShownDialogAwayToo)
{
    // The user closed the window and left the dialog up; then logs out.
    bool ending = false;
    const Closing c = closeMainWindow("Image16", [&ending](TForm2 &d) {
        qobject_cast<TForm1 *>(d.parentWidget())->closeForSessionEnd();
        ending = programEnding();
        if (!ending)
            d.Button3->click(); // do not leave the test hanging on it
    });
    EXPECT_TRUE(ending);
    expectProgramEnded(c);
    EXPECT_TRUE(c.opened.isEmpty());
}
