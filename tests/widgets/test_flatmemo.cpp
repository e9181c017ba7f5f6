// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvane developers
#include "TFlatButtonUnit.h"
#include "TFlatMemoUnit.h"
#include "flatsupport.h"

#include <QScrollBar>

using namespace flattest;

namespace {

const QColor kFlat(235, 234, 225);
const QColor kFocus(255, 250, 200);

// Border, band and text background of a memo's current look.
struct Look
{
    QColor border, band, inner, text;
};

Look lookOf(TFlatMemo *m)
{
    const QImage img = shot(m);
    const int W = img.width(), H = img.height();
    return {at(img, 0, H / 2), at(img, 1, H / 2), at(img, W / 2, 2), at(img, W / 2, H / 2)};
}

} // namespace

class FlatMemoTest : public FormTest
{
protected:
    // The main window's status memo.
    TFlatMemo *statusMemo()
    {
        auto *m = new TFlatMemo(form.get());
        m->setGeometry(10, 200, 337, 40);
        m->setColorFlat(kWhite);
        m->setParentColor(true);
        m->setReadOnly(true);
        m->setScrollBars(TFlatMemo::ssVertical);
        m->setLines({"Ready."});
        return m;
    }
};

TEST_F(FlatMemoTest, InitialProperties)
{
    TFlatMemo lone;
    EXPECT_EQ(lone.size(), QSize(185, 89));
    EXPECT_EQ(lone.ColorFlat(), kFlat); // no parent to take a colour from
    EXPECT_EQ(lone.ColorFocused(), kWhite);
    EXPECT_EQ(lone.ColorBorder(), kBorder);
    EXPECT_TRUE(lone.ParentColor());
    EXPECT_EQ(lone.AdvColorFocused(), 10);
    EXPECT_EQ(lone.AdvColorBorder(), 50);
    EXPECT_FALSE(lone.UseAdvColors());
    auto *child = new TFlatMemo(form.get());
    EXPECT_EQ(child->ColorFlat(), kWhite);
}

TEST_F(FlatMemoTest, StatusMemoIsWhiteWithABrownBorderIdleAndFocused)
{
    auto *m = statusMemo();
    auto *b = new TFlatButton(form.get());
    b->setGeometry(10, 10, 50, 25);
    showForm();
    b->setFocus();
    Look idle = lookOf(m);
    EXPECT_EQ(idle.border, kBorder);
    EXPECT_EQ(idle.band, kWhite);
    EXPECT_EQ(idle.inner, kWhite);
    EXPECT_EQ(idle.text, kWhite);
    m->setFocus();
    Look focused = lookOf(m);
    EXPECT_EQ(focused.border, kBorder);
    EXPECT_EQ(focused.band, kWhite);
    const QImage img = shot(m);
    EXPECT_EQ(at(img, 0, 0), kBorder);
    EXPECT_EQ(at(img, 336, 39), kBorder);
    EXPECT_EQ(at(img, 2, 2), kWhite);
    // The vertical bar lies inside the frame.
    const QRect bar(m->verticalScrollBar()->mapTo(m, QPoint(0, 0)), m->verticalScrollBar()->size());
    EXPECT_EQ(bar, QRect(337 - 19, 3, 16, 34));
    EXPECT_EQ(m->Lines(), QStringList{"Ready."});
}

TEST_F(FlatMemoTest, BandAndTextFollowTheFocus)
{
    auto *m = new TFlatMemo(form.get());
    m->setGeometry(10, 10, 200, 80);
    m->setColorFlat(kFlat);
    m->setColorFocused(kFocus);
    auto *b = new TFlatButton(form.get());
    b->setGeometry(10, 150, 50, 25);
    showForm();
    b->setFocus();
    Look flatLook = lookOf(m);
    EXPECT_EQ(flatLook.band, kFlat);
    EXPECT_EQ(flatLook.inner, kFlat);
    EXPECT_EQ(flatLook.text, kFlat);
    QTest::mouseClick(m->viewport(), Qt::LeftButton, {}, QPoint(20, 20));
    ASSERT_TRUE(m->hasFocus());
    Look focused = lookOf(m);
    EXPECT_EQ(focused.border, kBorder);
    EXPECT_EQ(focused.band, kFocus);
    EXPECT_EQ(focused.inner, kFocus);
    EXPECT_EQ(focused.text, kFocus);
    b->setFocus();
    hover(b, QPoint(5, 5));
    EXPECT_EQ(lookOf(m).text, kFlat);
}

TEST_F(FlatMemoTest, HoverLooksFocusedUnlessAnotherMemoHasTheFocus)
{
    auto *m = new TFlatMemo(form.get());
    m->setGeometry(10, 10, 200, 80);
    m->setColorFlat(kFlat);
    m->setColorFocused(kFocus);
    auto *otherMemo = new TFlatMemo(form.get());
    otherMemo->setGeometry(220, 10, 150, 80);
    auto *b = new TFlatButton(form.get());
    b->setGeometry(10, 150, 50, 25);
    showForm();

    otherMemo->setFocus();
    hover(m, QPoint(50, 40));
    ASSERT_TRUE(m->isHot());
    EXPECT_EQ(lookOf(m).band, kFlat);
    hover(b, QPoint(5, 5));
    EXPECT_FALSE(m->isHot());

    b->setFocus();
    hover(m, QPoint(50, 40));
    EXPECT_EQ(lookOf(m).band, kFocus);
    EXPECT_EQ(lookOf(m).text, kFocus);
    hover(b, QPoint(5, 5));
    EXPECT_EQ(lookOf(m).band, kFlat);
}

TEST_F(FlatMemoTest, CornerBetweenTwoScrollBarsTakesTheLookColour)
{
    auto *m = new TFlatMemo(form.get());
    m->setGeometry(10, 10, 200, 80);
    m->setColorFlat(kFlat);
    m->setColorFocused(kFocus);
    m->setScrollBars(TFlatMemo::ssBoth);
    showForm();
    m->clearFocus();
    const int W = 200, H = 80;
    const QImage img = shot(m);
    EXPECT_EQ(countColor(img, QRect(W - 19, H - 19, 16, 16), kFlat), 256);
    EXPECT_NE(at(img, W - 20, H - 10), kFlat); // the horizontal bar
    EXPECT_NE(at(img, W - 10, H - 20), kFlat); // the vertical bar
    EXPECT_EQ(at(img, W - 1, H - 1), kBorder);
    m->setFocus();
    EXPECT_EQ(countColor(shot(m), QRect(W - 19, H - 19, 16, 16), kFocus), 256);
}

TEST_F(FlatMemoTest, SettingColorFlatStopsFollowingTheParent)
{
    auto *follower = new TFlatMemo(form.get());
    auto *own = new TFlatMemo(form.get());
    own->setColorFlat(QColor(1, 2, 3));
    EXPECT_FALSE(own->ParentColor());
    QPalette pal = form->palette();
    pal.setColor(QPalette::Window, QColor(90, 100, 110));
    form->setPalette(pal);
    EXPECT_EQ(follower->ColorFlat(), QColor(90, 100, 110));
    EXPECT_EQ(own->ColorFlat(), QColor(1, 2, 3));
    own->setParentColor(true);
    EXPECT_EQ(own->ColorFlat(), QColor(90, 100, 110));
}

TEST_F(FlatMemoTest, AdvancedColoursDeriveFromColorFlat)
{
    auto *m = new TFlatMemo(form.get());
    m->setColorFlat(Qt::red);
    m->setUseAdvColors(true);
    EXPECT_TRUE(m->ParentColor());
    EXPECT_EQ(m->ColorFlat(), kWhite);
    using flat::Direction;
    EXPECT_EQ(m->ColorFocused(), flat::advancedColor(kWhite, {}, 10, Direction::Lighten));
    EXPECT_EQ(m->ColorBorder(), flat::advancedColor(kWhite, {}, 50, Direction::Darken));
}

TEST_F(FlatMemoTest, LinesAddAndClear)
{
    auto *m = new TFlatMemo(form.get());
    EXPECT_TRUE(m->Lines().isEmpty());
    m->addLine("Ready.");
    m->addLine("Adobe Reader 7.0 found.");
    EXPECT_EQ(m->Lines(), (QStringList{"Ready.", "Adobe Reader 7.0 found."}));
    m->clear();
    EXPECT_TRUE(m->Lines().isEmpty());
    m->addLine("Optimization Completed.");
    EXPECT_EQ(m->Lines(), QStringList{"Optimization Completed."});
    m->setLines({"a", "", "b"});
    EXPECT_EQ(m->Lines(), (QStringList{"a", "", "b"}));
}
