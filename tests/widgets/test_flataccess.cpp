// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvane developers
// What the flat widgets give keyboard and screen reader users: the focus
// rectangle, their accessibility interfaces, and a status memo that keeps
// its newest lines in view.
#include "TFlatButtonUnit.h"
#include "TFlatCheckBoxUnit.h"
#include "TFlatMemoUnit.h"
#include "flatsupport.h"

#include <QAccessible>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTextBlock>

using namespace flattest;

namespace {

QFont layoutFont(bool bold)
{
    QFont f("Liberation Sans");
    f.setPixelSize(11);
    f.setBold(bold);
    return f;
}

QAccessibleInterface *accessible(QWidget *w)
{
    QAccessibleInterface *iface = QAccessible::queryAccessibleInterface(w);
    EXPECT_NE(iface, nullptr) << w->metaObject()->className();
    return iface;
}

bool hasAction(QAccessibleInterface *iface, const QString &action)
{
    return iface->actionInterface() && iface->actionInterface()->actionNames().contains(action);
}

// The pixels where two pictures of the same widget differ.
QList<QPoint> differences(const QImage &a, const QImage &b)
{
    QList<QPoint> out;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            if (a.pixel(x, y) != b.pixel(x, y))
                out << QPoint(x, y);
    return out;
}

} // namespace

class FlatAccessTest : public FormTest
{
protected:
    TFlatCheckBox *box(const QString &caption, int top)
    {
        auto *cb = new TFlatCheckBox(form.get());
        cb->setGeometry(10, top, 200, 17);
        cb->setFont(layoutFont(true));
        cb->setCaption(caption);
        cb->setChecked(true);
        return cb;
    }

    // The main window's status memo: 337 x 40 with a vertical scroll bar.
    TFlatMemo *statusMemo()
    {
        auto *m = new TFlatMemo(form.get());
        m->setGeometry(10, 200, 337, 40);
        m->setFont(layoutFont(false));
        m->setReadOnly(true);
        m->setScrollBars(TFlatMemo::ssVertical);
        m->setLines({"Ready."});
        return m;
    }

    // Whether the memo shows all of the line with this number.
    static bool shows(TFlatMemo *m, int line)
    {
        const QTextCursor at(m->document()->findBlockByNumber(line));
        return m->viewport()->rect().contains(m->cursorRect(at));
    }
};

TEST_F(FlatAccessTest, FocusRectangleShowsOnlyOnceTheKeyboardMovedTheFocus)
{
    auto *first = box("Turn off all updates", 10);
    auto *second = box("Clear the recent files", 40);
    showForm();
    second->setFocus(Qt::OtherFocusReason);
    const QImage idle = shot(first);

    // A mouse user: clicked twice, so ticked as before, focused and hot.
    QTest::mouseClick(first, Qt::LeftButton, {}, QPoint(5, 8));
    QTest::mouseClick(first, Qt::LeftButton, {}, QPoint(5, 8));
    ASSERT_TRUE(first->hasFocus());
    EXPECT_FALSE(first->showsFocusRect());
    EXPECT_TRUE(differences(idle, shot(first)).isEmpty());

    // The keyboard takes the focus away and brings it back.
    QTest::keyClick(first, Qt::Key_Tab);
    ASSERT_TRUE(second->hasFocus());
    QTest::keyClick(second, Qt::Key_Backtab);
    ASSERT_TRUE(first->hasFocus());
    ASSERT_TRUE(first->showsFocusRect());
    const QRect ring = first->focusRect();
    // Around the caption's text, not the box, and inside the control.
    EXPECT_GE(ring.left(), 13);
    EXPECT_LT(ring.right(), first->width());
    EXPECT_TRUE(ring.contains(first->captionRect().topLeft()));
    const QList<QPoint> changed = differences(idle, shot(first));
    ASSERT_FALSE(changed.isEmpty());
    for (const QPoint &p : changed) {
        const bool onRing = p.x() == ring.left() || p.x() == ring.right() || p.y() == ring.top() || p.y() == ring.bottom();
        EXPECT_TRUE(ring.contains(p) && onRing && (p.x() + p.y()) % 2 == 0) << p.x() << "," << p.y();
        EXPECT_EQ(at(shot(first), p.x(), p.y()), QColor(Qt::black));
    }

    // Once the focus has gone the box looks as it did.
    QTest::keyClick(first, Qt::Key_Tab);
    EXPECT_TRUE(differences(idle, shot(first)).isEmpty());
    // The other box shows it now.
    EXPECT_TRUE(second->showsFocusRect());
}

TEST_F(FlatAccessTest, CheckBoxIsACheckBoxNamedByItsCaption)
{
    auto *cb = box("&Plug-ins not to be loaded        LIST -->", 10);
    auto *other = box("Other", 40);
    QSignalSpy clicks(cb, &TFlatCheckBox::OnClick);
    showForm();
    other->setFocus();
    QAccessibleInterface *iface = accessible(cb);
    ASSERT_NE(iface, nullptr);
    EXPECT_EQ(iface->role(), QAccessible::CheckBox);
    EXPECT_EQ(iface->text(QAccessible::Name), "Plug-ins not to be loaded LIST -->");
    QAccessible::State s = iface->state();
    EXPECT_TRUE(s.checkable && s.checked && s.focusable);
    EXPECT_FALSE(s.focused || s.disabled);

    cb->setFocus();
    EXPECT_TRUE(iface->state().focused);

    // The toggle action does what Space does, OnClick included.
    ASSERT_TRUE(hasAction(iface, QAccessibleActionInterface::toggleAction()));
    iface->actionInterface()->doAction(QAccessibleActionInterface::toggleAction());
    EXPECT_FALSE(cb->Checked());
    EXPECT_EQ(clicks.count(), 1);
    EXPECT_FALSE(iface->state().checked);

    // A language switch renames it.
    cb->setCaption("Plug-ins ne chargent pas en démarrage    LIST -->");
    EXPECT_EQ(iface->text(QAccessible::Name), "Plug-ins ne chargent pas en démarrage LIST -->");
    cb->setCaption("A && B");
    EXPECT_EQ(iface->text(QAccessible::Name), "A & B");

    cb->setEnabled(false);
    EXPECT_TRUE(iface->state().disabled);
    EXPECT_FALSE(hasAction(iface, QAccessibleActionInterface::toggleAction()));
    iface->actionInterface()->doAction(QAccessibleActionInterface::toggleAction());
    EXPECT_EQ(clicks.count(), 1);
}

TEST_F(FlatAccessTest, ButtonIsAPushButtonThatCanBePressed)
{
    auto *b = new TFlatButton(form.get());
    b->setGeometry(10, 10, 113, 33);
    b->setCaption("&Optimize");
    QSignalSpy clicks(b, &TFlatButton::OnClick);
    showForm();
    QAccessibleInterface *iface = accessible(b);
    ASSERT_NE(iface, nullptr);
    EXPECT_EQ(iface->role(), QAccessible::Button);
    EXPECT_EQ(iface->text(QAccessible::Name), "Optimize");
    EXPECT_FALSE(iface->state().checkable);

    // Pressed from the event loop, once, as a click.
    ASSERT_TRUE(hasAction(iface, QAccessibleActionInterface::pressAction()));
    iface->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    EXPECT_EQ(clicks.count(), 0);
    QApplication::processEvents();
    EXPECT_EQ(clicks.count(), 1);

    b->setEnabled(false);
    EXPECT_TRUE(iface->state().disabled);
    EXPECT_FALSE(hasAction(iface, QAccessibleActionInterface::pressAction()));
    iface->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    QApplication::processEvents();
    EXPECT_EQ(clicks.count(), 1);

    // A latching button says whether it is down.
    auto *latch = new TFlatButton(form.get());
    latch->setGroupIndex(1);
    QAccessibleInterface *latchIface = accessible(latch);
    ASSERT_NE(latchIface, nullptr);
    EXPECT_TRUE(latchIface->state().checkable);
    EXPECT_FALSE(latchIface->state().checked);
    latchIface->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    QApplication::processEvents();
    EXPECT_TRUE(latch->Down());
    EXPECT_TRUE(latchIface->state().checked);
}

TEST_F(FlatAccessTest, StatusMemoIsReadOnlyTextWithItsLines)
{
    auto *m = statusMemo();
    m->clear();
    m->addLine("X.api will be loaded on startup.");
    m->addLine("Y.api will be loaded on startup.");
    QAccessibleInterface *iface = accessible(m);
    ASSERT_NE(iface, nullptr);
    EXPECT_TRUE(iface->state().readOnly);
    EXPECT_FALSE(iface->state().editable);
    ASSERT_NE(iface->textInterface(), nullptr);
    const int n = iface->textInterface()->characterCount();
    EXPECT_EQ(iface->textInterface()->text(0, n).split(u'\n'),
              QStringList({"X.api will be loaded on startup.", "Y.api will be loaded on startup."}));
}

TEST_F(FlatAccessTest, StatusMemoKeepsTheLinesThatFitAndAlwaysTheLast)
{
    auto *m = statusMemo();
    showForm();
    // Two lines fit in 40 pixels: both show.
    m->clear();
    m->addLine("a.api will be loaded on startup.");
    m->addLine("b.api will be loaded on startup.");
    EXPECT_TRUE(shows(m, 0));
    EXPECT_TRUE(shows(m, 1));

    // More than fit: the last two.
    m->addLine("c.api will be loaded on startup.");
    m->addLine("d.api will be loaded on startup.");
    EXPECT_FALSE(shows(m, 1));
    EXPECT_TRUE(shows(m, 2));
    EXPECT_TRUE(shows(m, 3));

    // The user scrolled back up; a new line still comes into view.
    m->verticalScrollBar()->triggerAction(QAbstractSlider::SliderToMinimum);
    ASSERT_TRUE(shows(m, 0));
    m->addLine("e.api will be loaded on startup.");
    EXPECT_TRUE(shows(m, 3));
    EXPECT_TRUE(shows(m, 4));
}

TEST_F(FlatAccessTest, LinesAddedBeforeTheMemoIsShownEndWithTheLastInView)
{
    auto *m = statusMemo();
    m->clear();
    for (const char *line : {"Reader 11.0 found.", "Folder found.", "PrintMe group missing.", "Ready to optimize."})
        m->addLine(line);
    showForm();
    EXPECT_TRUE(shows(m, 2));
    EXPECT_TRUE(shows(m, 3));
}
