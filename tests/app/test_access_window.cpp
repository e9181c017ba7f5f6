// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvane developers
// The main window for everyone: under a dark desktop theme, with the
// keyboard alone, and through a screen reader.
#include <QAccessible>
#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include "app/promotionform.h"
#include "platform/ui/windowed.h"
#include "test_languages_texts.h"
#include "test_startup_support.h"

namespace {

// A dark desktop colour scheme: light text on dark surfaces in every role.
QPalette darkPalette()
{
    const QColor surface(45, 45, 48), base(30, 30, 30), text(235, 235, 235);
    QPalette pal;
    for (QPalette::ColorGroup g : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        for (int r = 0; r < QPalette::NColorRoles; ++r)
            pal.setColor(g, QPalette::ColorRole(r), surface);
        for (QPalette::ColorRole r : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText, QPalette::BrightText,
                                      QPalette::ToolTipText, QPalette::HighlightedText, QPalette::Light,
                                      QPalette::Midlight})
            pal.setColor(g, r, text);
        for (QPalette::ColorRole r : {QPalette::Base, QPalette::AlternateBase, QPalette::Dark, QPalette::Shadow})
            pal.setColor(g, r, base);
    }
    return pal;
}

// The dark theme for one test, set before any window is made.
struct DarkTheme
{
    QPalette before = QApplication::palette();
    DarkTheme() { QApplication::setPalette(darkPalette()); }
    ~DarkTheme() { QApplication::setPalette(before); }
};

int lightness(QRgb c)
{
    return QColor(c).lightness();
}

// The darkest and the lightest pixel of r in img.
std::pair<int, int> range(const QImage &img, const QRect &r)
{
    int darkest = 255, lightest = 0;
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x) {
            darkest = std::min(darkest, lightness(img.pixel(x, y)));
            lightest = std::max(lightest, lightness(img.pixel(x, y)));
        }
    return {darkest, lightest};
}

// Text drawn dark on a light ground: black ink on the specified white or
// money green whatever the theme says; a greyed caption in the button
// shadow grey.
void expectDarkOnLight(const QImage &img, const QRect &r, const QColor &ground, const char *what, int ink = 40)
{
    SCOPED_TRACE(what);
    const auto [darkest, lightest] = range(img, r);
    EXPECT_LE(darkest, ink);
    EXPECT_EQ(QColor(img.pixel(r.right(), r.bottom())), ground);
    EXPECT_GE(lightest, ground.lightness());
}

QAccessibleInterface *accessible(QObject *o)
{
    return QAccessible::queryAccessibleInterface(o);
}

struct Expected
{
    QWidget *control;
    QAccessible::Role role;
    QString name;
};

struct AccessWindow : ::testing::Test
{
    FakeShell shell;
    FakeDialogs dialogs;
    std::unique_ptr<TForm1> form;
    void SetUp() override
    {
        qv::Shell::setInstance(&shell);
        qv::Dialogs::setInstance(&dialogs);
    }
    void TearDown() override
    {
        form.reset();
        qv::Shell::setInstance(nullptr);
        qv::Dialogs::setInstance(nullptr);
    }
    void showWindow()
    {
        form = std::make_unique<TForm1>(nullptr, false);
        form->show();
        form->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
    }
    QRect inWindow(QWidget *w, QRect r) const { return r.translated(w->mapTo(form.get(), QPoint())); }

    // What every control of the window says it is, in the current language.
    QList<Expected> expected(const QStringList &captions, const QString &title) const
    {
        const QList<TFlatCheckBox *> boxes = {form->FlatCheckBox3, form->FlatCheckBox1, form->FlatCheckBox4,
                                              form->FlatCheckBox2, form->FlatCheckBox5, form->FlatCheckBox6,
                                              form->FlatCheckBox8, form->FlatCheckBox9, form->FlatCheckBox7,
                                              form->FlatCheckBox10, form->FlatCheckBox11};
        QList<Expected> out;
        for (int i = 0; i < boxes.size(); ++i)
            out.append({boxes[i], QAccessible::CheckBox, captions[i].simplified()});
        out.append({form->FlatButton1, QAccessible::Button, captions[11]});
        out.append({form->FlatButton2, QAccessible::Button, captions[12]});
        out.append({form->ListView1, QAccessible::List, captions[10].simplified()});
        out.append({form->Image1, QAccessible::Graphic, title});
        const QList<QPair<TImage *, QString>> flags = {
            {form->Image14, "Français"}, {form->Image2, "Deutsch"}, {form->Image15, "English (US)"},
            {form->Image16, "English (UK)"}, {form->Image13, "Español"}, {form->Image3, "Italiano"},
            {form->Image4, "Portuguese"}, {form->Image5, "日本語"}};
        for (const auto &[flag, name] : flags)
            out.append({flag, QAccessible::Button, name});
        out.append({form->Label1, QAccessible::Link, form->Label1->text().simplified()});
        return out;
    }

    void expectNames(const QStringList &captions, const QString &title)
    {
        for (const Expected &e : expected(captions, title)) {
            SCOPED_TRACE(e.control->objectName().toStdString());
            QAccessibleInterface *iface = accessible(e.control);
            ASSERT_NE(iface, nullptr);
            EXPECT_EQ(iface->role(), e.role);
            EXPECT_EQ(iface->text(QAccessible::Name), e.name);
        }
    }
};

// The captions as the English language table has them.
QStringList englishCaptions()
{
    QStringList out;
    for (const char *caption : kExpectedLanguages[0].captions)
        out << QString::fromUtf8(caption);
    return out;
}

} // namespace

TEST_F(AccessWindow, UnderADarkThemeTheWindowKeepsItsOwnColours)
{
    DarkTheme dark;
    showWindow();
    form->FlatCheckBox6->setEnabled(false); // greyed as when the icon is missing
    form->Memo->clear();
    form->Memo->addLine("X.api will be loaded on startup.");
    form->ListView1->addItem("X.api");
    const QImage img = form->grab().toImage().convertToFormat(QImage::Format_RGB32);
    const QColor white(Qt::white), moneyGreen(192, 220, 192);

    EXPECT_EQ(QColor(img.pixel(5, 200)), white);
    // The seven options below the banner, the one greyed included.
    for (TFlatCheckBox *box : {form->FlatCheckBox5, form->FlatCheckBox6, form->FlatCheckBox8, form->FlatCheckBox9,
                               form->FlatCheckBox7, form->FlatCheckBox10, form->FlatCheckBox11})
        expectDarkOnLight(img, inWindow(box, box->captionRect()), white, qPrintable(box->objectName()),
                          box->isEnabled() ? 40 : 160);
    expectDarkOnLight(img, inWindow(form->Memo, QRect(3, 3, 300, 34)), white, "memo");
    for (TFlatButton *b : {form->FlatButton1, form->FlatButton2})
        expectDarkOnLight(img, inWindow(b, b->textBounds()), moneyGreen, qPrintable(b->objectName()));
    const QRect item = form->ListView1->visualItemRect(form->ListView1->item(0));
    expectDarkOnLight(img, inWindow(form->ListView1->viewport(), item), white, "list");
    EXPECT_EQ(QColor(img.pixel(form->ListView1->x() + 200, form->ListView1->y() + 100)), white);
}

TEST_F(AccessWindow, UnderADarkThemeTheDialogsStayReadable)
{
    DarkTheme dark;
    showWindow();

    // The promotion dialog looks as designed: button face, green message.
    TForm2 dialog(form.get(), "English");
    dialog.show();
    const QImage shot = dialog.grab().toImage().convertToFormat(QImage::Format_RGB32);
    EXPECT_EQ(QColor(shot.pixel(290, 290)), QColor(240, 240, 240));
    EXPECT_EQ(dialog.Label1->palette().color(QPalette::WindowText), QColor(0, 128, 0));
    const QRect caption = dialog.Button3->geometry().adjusted(6, 6, -6, -6);
    EXPECT_LE(range(shot, caption).first, 60);
    dialog.hide();

    // The shell's own message box follows the theme: light on dark, still
    // text that stands out from its ground.
    int contrast = -1;
    QTimer::singleShot(0, [&contrast] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (!box)
            return;
        auto *label = box->findChild<QLabel *>("qt_msgbox_label");
        if (label) {
            const QImage text = label->grab().toImage().convertToFormat(QImage::Format_RGB32);
            const auto [darkest, lightest] = range(text, text.rect());
            contrast = lightest - darkest;
        }
        box->accept();
    });
    qv::ui::WindowDialogs().messageBox(form.get(), "Optimization Completed. Start Adobe Reader now?", "Information",
                                       qv::Dialogs::YesNo, qv::Dialogs::NoIcon);
    EXPECT_GE(contrast, 150);
}

TEST_F(AccessWindow, EveryControlHasItsRoleAndName)
{
    showWindow();
    expectNames(englishCaptions(), "Quorvane 3.01");

    // Nothing of the window is left an unnamed filler.
    QAccessibleInterface *window = accessible(form.get());
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(window->text(QAccessible::Name), "Quorvane 3.01");
    for (int i = 0; i < window->childCount(); ++i) {
        QAccessibleInterface *child = window->child(i);
        SCOPED_TRACE(child->object()->objectName().toStdString());
        EXPECT_NE(child->role(), QAccessible::Client);
        if (child->object() != form->Memo) {
            EXPECT_FALSE(child->text(QAccessible::Name).isEmpty());
        }
    }

    // The memo: text to read, not to type into.
    QAccessibleInterface *memo = accessible(form->Memo);
    EXPECT_TRUE(memo->state().readOnly);
    EXPECT_EQ(memo->textInterface()->text(0, memo->textInterface()->characterCount()), "Ready.");
}

TEST_F(AccessWindow, NamesFollowTheInterfaceLanguage)
{
    showWindow();
    // A flag pressed through the screen reader switches as a click does.
    QAccessibleInterface *french = accessible(form->Image14);
    ASSERT_TRUE(french->actionInterface()->actionNames().contains(QAccessibleActionInterface::pressAction()));
    french->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    QApplication::processEvents();
    ASSERT_EQ(form->Language, "French");
    QStringList captions;
    for (const char *name : {"FlatCheckBox3", "FlatCheckBox1", "FlatCheckBox4", "FlatCheckBox2", "FlatCheckBox5",
                             "FlatCheckBox6", "FlatCheckBox8", "FlatCheckBox9", "FlatCheckBox7", "FlatCheckBox10",
                             "FlatCheckBox11", "FlatButton1", "FlatButton2"})
        captions << form->findChild<QWidget *>(name)->property("Caption").toString();
    EXPECT_EQ(captions[11], "Optimiser");
    EXPECT_EQ(accessible(form->ListView1)->text(QAccessible::Name), "Plug-ins ne chargent pas en démarrage LIST -->");
    expectNames(captions, "Quorvane 3.01");

    form->Image5Click();
    EXPECT_EQ(accessible(form->Image1)->text(QAccessible::Name), form->windowTitle());
    EXPECT_EQ(accessible(form->FlatButton1)->text(QAccessible::Name), "高速化");
}

TEST_F(AccessWindow, StatesFollowTheControls)
{
    showWindow();
    form->FlatCheckBox5->setEnabled(false);
    form->FlatCheckBox7->setChecked(false);
    form->FlatCheckBox8->setFocus();
    for (TFlatCheckBox *box : {form->FlatCheckBox5, form->FlatCheckBox7, form->FlatCheckBox8}) {
        SCOPED_TRACE(box->objectName().toStdString());
        const QAccessible::State s = accessible(box)->state();
        EXPECT_EQ(bool(s.checked), box->Checked());
        EXPECT_EQ(bool(s.disabled), !box->isEnabled());
        EXPECT_EQ(bool(s.focused), box->hasFocus());
    }
    form->FlatButton1->setEnabled(false); // as once Optimize has run
    EXPECT_TRUE(accessible(form->FlatButton1)->state().disabled);
    EXPECT_TRUE(accessible(form->FlatButton1)->actionInterface()->actionNames().isEmpty());
}

TEST_F(AccessWindow, TabReachesOptimizeAndRestoreAndSpacePressesThem)
{
    showWindow();
    // Counted here instead of running the operations.
    int optimize = 0, restore = 0;
    QObject::disconnect(form->FlatButton1, nullptr, form.get(), nullptr);
    QObject::disconnect(form->FlatButton2, nullptr, form.get(), nullptr);
    QObject::connect(form->FlatButton1, &TFlatButton::OnClick, [&optimize] { ++optimize; });
    QObject::connect(form->FlatButton2, &TFlatButton::OnClick, [&restore] { ++restore; });

    form->FlatCheckBox3->setFocus();
    QStringList order{QApplication::focusWidget()->objectName()};
    for (int i = 0; i < 15; ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        order << QApplication::focusWidget()->objectName();
    }
    EXPECT_EQ(order, QStringList({"FlatCheckBox3", "FlatCheckBox1", "FlatCheckBox4", "FlatCheckBox2",
                                  "FlatCheckBox5", "FlatCheckBox6", "FlatCheckBox8", "FlatCheckBox9",
                                  "FlatCheckBox7", "FlatCheckBox10", "FlatCheckBox11", "FlatButton1",
                                  "FlatButton2", "ListView1", "Memo", "FlatCheckBox3"}));

    // The keyboard user sees where the focus is.
    EXPECT_TRUE(form->FlatCheckBox3->showsFocusRect());
    QTest::keyClick(form->FlatCheckBox3, Qt::Key_Backtab);
    QTest::keyClick(form->Memo, Qt::Key_Backtab);
    QTest::keyClick(form->ListView1, Qt::Key_Backtab);
    QTest::keyClick(form->FlatButton2, Qt::Key_Backtab);
    ASSERT_TRUE(form->FlatButton1->hasFocus());
    EXPECT_TRUE(form->FlatButton1->isHot()); // the pale face with its raised frame
    EXPECT_TRUE(accessible(form->FlatButton1)->state().focused);

    QTest::keyClick(form->FlatButton1, Qt::Key_Space);
    EXPECT_EQ(optimize, 1);
    QTest::keyClick(form->FlatButton1, Qt::Key_Tab);
    QTest::keyClick(form->FlatButton2, Qt::Key_Space);
    EXPECT_EQ(restore, 1);
    EXPECT_EQ(optimize, 1);
    // Space on an option still ticks it, and only that.
    form->FlatCheckBox9->setFocus(Qt::TabFocusReason);
    QTest::keyClick(form->FlatCheckBox9, Qt::Key_Space);
    EXPECT_FALSE(form->FlatCheckBox9->Checked());
    EXPECT_EQ(optimize + restore, 2);
}
