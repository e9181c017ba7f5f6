// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvane developers
#include "TFlatCheckBoxUnit.h"
#include "flatsupport.h"

#include <QLabel>
#include <QSignalSpy>

#include <set>
#include <utility>

using namespace flattest;

namespace {

// The check mark's pixels relative to the box's top-left corner.
std::set<std::pair<int, int>> checkMark()
{
    std::set<std::pair<int, int>> px;
    auto seg = [&](int x0, int y0, int x1, int /*y1: the run is diagonal*/) {
        const int dx = x1 > x0 ? 1 : -1;
        for (int x = x0, y = y0; x != x1; x += dx, ++y)
            px.insert({x, y});
    };
    seg(2, 4, 6, 8);
    seg(2, 5, 5, 8);
    seg(2, 6, 5, 9);
    seg(8, 2, 4, 6);
    seg(8, 3, 4, 7);
    seg(8, 4, 5, 7);
    return px;
}

QFont captionFont()
{
    QFont f("Liberation Sans");
    f.setPixelSize(11);
    f.setBold(true);
    return f;
}

} // namespace

class FlatCheckBoxTest : public FormTest
{
protected:
    TFlatCheckBox *make(const QString &caption, QRect geometry = QRect(10, 10, 121, 17))
    {
        auto *cb = new TFlatCheckBox(form.get());
        cb->setGeometry(geometry);
        cb->setCaption(caption);
        cb->setFont(captionFont());
        return cb;
    }
};

TEST_F(FlatCheckBoxTest, InitialPropertiesAndColours)
{
    auto *cb = new TFlatCheckBox(form.get());
    EXPECT_EQ(cb->size(), QSize(121, 17));
    EXPECT_FALSE(cb->Transparent());
    EXPECT_FALSE(cb->Checked());
    EXPECT_TRUE(cb->Caption().isEmpty());
    EXPECT_EQ(cb->Color(), kWhite); // taken from the form
    EXPECT_TRUE(cb->ParentColor());
    EXPECT_EQ(cb->ColorFocused(), kWhite);
    EXPECT_EQ(cb->ColorDown(), kDown);
    EXPECT_EQ(cb->ColorCheck(), QColor(Qt::black));
    EXPECT_EQ(cb->ColorBorder(), kBorder);
    EXPECT_EQ(cb->AdvColorFocused(), 10);
    EXPECT_EQ(cb->AdvColorDown(), 10);
    EXPECT_EQ(cb->AdvColorBorder(), 50);
    EXPECT_FALSE(cb->UseAdvColors());
    EXPECT_EQ(cb->Layout(), TFlatCheckBox::checkboxLeft);
    EXPECT_TRUE(cb->TabStop());
    EXPECT_TRUE(cb->ParentFont());
    // The Designer-facing names answer through the property system too.
    EXPECT_EQ(cb->property("ColorBorder").value<QColor>(), kBorder);
    EXPECT_TRUE(cb->setProperty("Checked", true));
    EXPECT_TRUE(cb->Checked());
}

TEST_F(FlatCheckBoxTest, BoxSitsAtTheSamePlaceWhateverTheHeight)
{
    for (int h : {17, 30, 60}) {
        auto *cb = make("Caption", QRect(10, 10, 121, h));
        cb->setColorCheck(Qt::black);
        showForm();
        const QImage img = shot(cb);
        EXPECT_EQ(at(img, 1, 3), kBorder) << h;
        EXPECT_EQ(at(img, 11, 3), kBorder) << h;
        EXPECT_EQ(at(img, 1, 13), kBorder) << h;
        EXPECT_EQ(at(img, 11, 13), kBorder) << h;
        EXPECT_EQ(at(img, 0, 3), kWhite) << h;
        EXPECT_EQ(at(img, 1, 2), kWhite) << h;
        EXPECT_EQ(at(img, 12, 8), kWhite) << h;
        EXPECT_EQ(at(img, 6, 14), kWhite) << h;
        EXPECT_EQ(countColor(img, QRect(2, 4, 9, 9), kWhite), 81) << h; // unticked: plain fill
        delete cb;
    }
}

TEST_F(FlatCheckBoxTest, EveryCheckMarkPixelAndNothingElse)
{
    auto *cb = make("");
    cb->setColor(QColor(10, 200, 10)); // fill distinct from the form
    cb->setColorCheck(QColor(200, 0, 0));
    cb->setChecked(true);
    showForm();
    cb->clearFocus(); // neither focused nor hot: the box takes Color
    const QImage img = shot(cb);
    const auto mark = checkMark();
    EXPECT_EQ(mark.size(), 4u + 3 + 3 + 4 + 4 + 3);
    for (int y = 1; y < 10; ++y)
        for (int x = 1; x < 10; ++x) {
            const QColor expected = mark.count({x, y}) ? QColor(200, 0, 0) : QColor(10, 200, 10);
            EXPECT_EQ(at(img, 1 + x, 3 + y), expected) << x << "," << y;
        }
}

TEST_F(FlatCheckBoxTest, PressedBoxTurnsDownColourAndReleaseToggles)
{
    auto *cb = make("Option");
    showForm();
    QSignalSpy clicks(cb, &TFlatCheckBox::OnClick);
    QTest::mousePress(cb, Qt::LeftButton, {}, QPoint(6, 8));
    EXPECT_TRUE(cb->isPressed());
    EXPECT_TRUE(cb->hasFocus());
    QImage img = shot(cb);
    EXPECT_EQ(at(img, 4, 6), kDown);
    EXPECT_EQ(at(img, 1, 3), kBorder);
    QTest::mouseRelease(cb, Qt::LeftButton, {}, QPoint(6, 8));
    EXPECT_TRUE(cb->Checked());
    EXPECT_EQ(clicks.count(), 1);
    img = shot(cb);
    EXPECT_EQ(at(img, 1 + 2, 3 + 4), QColor(Qt::black)); // mark drawn
    EXPECT_EQ(at(img, 1 + 1, 3 + 1), kWhite);            // focused fill is white
    // Clicking a ticked box clears it.
    QTest::mouseClick(cb, Qt::LeftButton, {}, QPoint(40, 8));
    EXPECT_FALSE(cb->Checked());
    EXPECT_EQ(clicks.count(), 2);
}

TEST_F(FlatCheckBoxTest, ReleaseOutsideStillTogglesWhenItWasHotAtThePress)
{
    auto *cb = make("Option");
    showForm();
    hover(cb, QPoint(5, 5));
    EXPECT_TRUE(cb->isHot());
    QTest::mousePress(cb, Qt::LeftButton, {}, QPoint(5, 5));
    QTest::mouseMove(cb, QPoint(300, 100));
    QTest::mouseRelease(cb, Qt::LeftButton, {}, QPoint(300, 100));
    EXPECT_TRUE(cb->Checked());
}

TEST_F(FlatCheckBoxTest, SettingCheckedToItsValueFiresNothing)
{
    auto *cb = make("Option");
    QSignalSpy clicks(cb, &TFlatCheckBox::OnClick);
    cb->setChecked(false);
    EXPECT_EQ(clicks.count(), 0);
    cb->setChecked(true);
    cb->setChecked(true);
    EXPECT_EQ(clicks.count(), 1);
}

TEST_F(FlatCheckBoxTest, SpaceOnTheFocusedBoxTogglesAndFiresOnClick)
{
    auto *cb = make("Option");
    auto *other = make("Other", QRect(10, 40, 121, 17));
    cb->setChecked(true);
    showForm();
    cb->setFocus();
    QSignalSpy clicks(cb, &TFlatCheckBox::OnClick);
    QSignalSpy otherClicks(other, &TFlatCheckBox::OnClick);
    QTest::keyClick(cb, Qt::Key_Space);
    EXPECT_FALSE(cb->Checked());
    EXPECT_EQ(clicks.count(), 1);
    EXPECT_EQ(otherClicks.count(), 0); // only the focused box reacts to Space
}

TEST_F(FlatCheckBoxTest, AcceleratorLetterFocusesAndToggles)
{
    auto *first = make("&Updates");
    auto *second = make("&Splash", QRect(10, 40, 121, 17));
    auto *twin = make("&Splash again", QRect(10, 70, 121, 17));
    showForm();
    first->setFocus();
    QTest::keyClick(first, Qt::Key_S);
    EXPECT_TRUE(second->Checked());
    EXPECT_TRUE(second->hasFocus());
    EXPECT_FALSE(twin->Checked()); // the first taker stops the round
    QTest::keyClick(second, Qt::Key_U, Qt::AltModifier);
    EXPECT_TRUE(first->Checked());
    EXPECT_TRUE(first->hasFocus());
    QTest::keyClick(first, Qt::Key_Q); // no one's letter
    EXPECT_TRUE(first->Checked());
    EXPECT_TRUE(second->Checked());
}

TEST_F(FlatCheckBoxTest, DisabledTickedBoxIsGreyEmbossedAndIgnoresClicks)
{
    auto *cb = make("Disabled option");
    cb->setChecked(true);
    cb->setEnabled(false);
    showForm();
    QSignalSpy clicks(cb, &TFlatCheckBox::OnClick);
    QTest::mouseClick(cb, Qt::LeftButton, {}, QPoint(6, 8));
    EXPECT_TRUE(cb->Checked());
    EXPECT_EQ(clicks.count(), 0);
    const QImage img = shot(cb);
    for (auto [x, y] : checkMark())
        EXPECT_EQ(at(img, 1 + x, 3 + y), kDark) << x << "," << y;
    const QRect caption = cb->captionRect();
    EXPECT_GT(countColor(img, caption.adjusted(0, 0, 1, 1), kLight), 5);
    EXPECT_GT(countColor(img, caption, kDark), 5);
    EXPECT_EQ(countColor(img, caption, Qt::black), 0);
}

TEST_F(FlatCheckBoxTest, RightLayoutPutsTheBoxRightAndAlignsTheCaptionRight)
{
    auto *cb = make("Right", QRect(10, 10, 150, 17));
    cb->setLayout(TFlatCheckBox::checkboxRight);
    showForm();
    const QImage img = shot(cb);
    const int W = 150;
    EXPECT_EQ(at(img, W - 12, 3), kBorder);
    EXPECT_EQ(at(img, W - 2, 13), kBorder);
    EXPECT_EQ(at(img, W - 1, 3), kWhite);
    EXPECT_EQ(at(img, W - 13, 3), kWhite);
    int rightmost = -1, leftmost = W;
    for (int y = 0; y < 17; ++y)
        for (int x = 0; x < W - 13; ++x)
            if (at(img, x, y) != kWhite) {
                rightmost = std::max(rightmost, x);
                leftmost = std::min(leftmost, x);
            }
    EXPECT_LE(rightmost, W - 17);
    EXPECT_GE(rightmost, W - 20);
    EXPECT_GT(leftmost, 60); // the short caption hugs the right edge
    cb->setBiDiMode(Qt::LeftToRight);
    EXPECT_EQ(cb->Layout(), TFlatCheckBox::checkboxLeft);
    cb->setBiDiMode(Qt::RightToLeft);
    EXPECT_EQ(cb->Layout(), TFlatCheckBox::checkboxRight);
}

TEST_F(FlatCheckBoxTest, WrappedCaptionIsCutAtTheBottomOfItsRectangle)
{
    const QString caption = "Remove the advertisements and the other distractions";
    auto *tall = make(caption, QRect(10, 10, 121, 60));
    auto *cut = make(caption, QRect(10, 80, 121, 17));
    showForm();
    const QImage big = shot(tall);
    const QImage small = shot(cut);
    // Both wrap the same way; the short one shows the rows its caption
    // rectangle holds and not one more.
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 121; ++x)
            ASSERT_EQ(at(big, x, y), at(small, x, y)) << x << "," << y;
    const int lineHeight = QFontMetrics(captionFont()).lineSpacing();
    EXPECT_GT(countInk(big, QRect(16, 1 + lineHeight, 104, lineHeight), kWhite), 20);
    // Nothing below the caption rectangle.
    EXPECT_EQ(countInk(small, QRect(0, 16, 121, 1), kWhite), 0);
    EXPECT_GT(countInk(big, QRect(16, 16, 104, 1), kWhite), 0);
}

TEST_F(FlatCheckBoxTest, HoverMakesItHotAndRedrawsOnlyTheBox)
{
    auto *cb = make("Option");
    cb->setColorFocused(QColor(255, 255, 0));
    showForm();
    QTest::qWait(0);
    struct PaintRecorder : QObject {
        QVector<QRect> rects;
        bool eventFilter(QObject *, QEvent *e) override
        {
            if (e->type() == QEvent::Paint)
                rects.append(static_cast<QPaintEvent *>(e)->rect());
            return false;
        }
    } recorder;
    cb->installEventFilter(&recorder);
    hover(cb, QPoint(40, 8));
    EXPECT_TRUE(cb->isHot());
    QCoreApplication::processEvents();
    ASSERT_FALSE(recorder.rects.isEmpty());
    for (const QRect &r : recorder.rects)
        EXPECT_EQ(r, cb->boxRect());
    const QImage img = shot(cb);
    EXPECT_EQ(at(img, 5, 7), QColor(255, 255, 0));
}

TEST_F(FlatCheckBoxTest, SeeThroughBoxShowsThePictureBehindIt)
{
    QPixmap banner(200, 40);
    banner.fill(QColor(30, 60, 90));
    auto *picture = new QLabel(form.get());
    picture->setPixmap(banner);
    picture->setGeometry(0, 0, 200, 40);
    auto *clear = make("See-through", QRect(10, 10, 121, 17));
    clear->setTransparent(true);
    auto *solid = make("Solid", QRect(10, 30, 121, 17));
    showForm();
    EXPECT_EQ(at(shot(clear), 118, 15), QColor(30, 60, 90));
    EXPECT_EQ(at(shot(clear), 5, 8), kWhite); // the box keeps its fill
    EXPECT_EQ(at(shot(solid), 118, 5), kWhite);
}

// The window as a whole, not the box alone: a see-through box lets the
// picture show in the window, also after it redraws itself, and a box made
// solid again covers it with its own colour.
TEST_F(FlatCheckBoxTest, SeeThroughBoxInTheWindowFollowsItsSetting)
{
    QPixmap banner(200, 60);
    banner.fill(QColor(30, 60, 90));
    auto *picture = new QLabel(form.get());
    picture->setPixmap(banner);
    picture->setGeometry(0, 0, 200, 60);
    auto *clear = make("See-through", QRect(10, 10, 121, 17));
    clear->setTransparent(true);
    make("Other", QRect(10, 30, 121, 17))->setTransparent(true);
    showForm();
    EXPECT_EQ(at(shot(form.get()), 10 + 118, 10 + 15), QColor(30, 60, 90));
    EXPECT_EQ(at(shot(form.get()), 10 + 5, 10 + 8), kWhite);
    clear->setChecked(true);
    QApplication::processEvents();
    EXPECT_EQ(at(shot(form.get()), 10 + 118, 10 + 15), QColor(30, 60, 90));
    EXPECT_EQ(at(shot(form.get()), 150, 50), QColor(30, 60, 90)); // outside the boxes
    clear->setTransparent(false);
    QApplication::processEvents();
    EXPECT_EQ(at(shot(form.get()), 10 + 118, 10 + 15), kWhite);
}

TEST_F(FlatCheckBoxTest, AdvancedColoursDeriveFromTheParentColour)
{
    QPalette pal = form->palette();
    pal.setColor(QPalette::Window, QColor(40, 80, 120));
    form->setPalette(pal);
    auto *cb = make("Option");
    cb->setColor(Qt::red); // turns ParentColor off
    EXPECT_FALSE(cb->ParentColor());
    cb->setUseAdvColors(true);
    EXPECT_TRUE(cb->ParentColor());
    const QColor base(40, 80, 120);
    using flat::Direction;
    EXPECT_EQ(cb->Color(), base);
    EXPECT_EQ(cb->ColorFocused(), flat::advancedColor(base, {}, 10, Direction::Lighten));
    EXPECT_EQ(cb->ColorDown(), flat::advancedColor(base, {}, 10, Direction::Darken));
    EXPECT_EQ(cb->ColorBorder(), flat::advancedColor(base, {}, 50, Direction::Darken));
    // A 0 percentage leaves the colour as it is.
    cb->setColorBorder(Qt::green);
    cb->setAdvColorBorder(0);
    EXPECT_EQ(cb->ColorBorder(), QColor(Qt::green));
    // A new parent colour is followed and derived again.
    pal.setColor(QPalette::Window, QColor(200, 100, 50));
    form->setPalette(pal);
    EXPECT_EQ(cb->Color(), QColor(200, 100, 50));
    EXPECT_EQ(cb->ColorDown(), flat::advancedColor(QColor(200, 100, 50), {}, 10, Direction::Darken));
}

TEST(FlatCheckBoxTimer, SharedTimerLivesFromTheFirstToTheLastBox)
{
    ASSERT_EQ(TFlatCheckBox::hoverTimer(), nullptr);
    auto *a = new TFlatCheckBox;
    const QTimer *timer = TFlatCheckBox::hoverTimer();
    ASSERT_NE(timer, nullptr);
    EXPECT_EQ(timer->interval(), 100);
    EXPECT_FALSE(timer->isActive());
    auto *b = new TFlatCheckBox;
    EXPECT_EQ(TFlatCheckBox::hoverTimer(), timer);
    delete a;
    EXPECT_EQ(TFlatCheckBox::hoverTimer(), timer);
    delete b;
    EXPECT_EQ(TFlatCheckBox::hoverTimer(), nullptr);
}

TEST_F(FlatCheckBoxTest, TimerTickEndsTheHoverWhenThePointerHasGone)
{
    auto *cb = make("Option");
    auto *neighbour = make("Neighbour", QRect(10, 40, 121, 17));
    showForm();
    hover(cb, QPoint(40, 8));
    ASSERT_TRUE(cb->isHot());
    EXPECT_TRUE(TFlatCheckBox::hoverTimer()->isActive());
    // Over another box: the first leaves at once, the new one is tracked.
    hover(neighbour, QPoint(40, 8));
    EXPECT_FALSE(cb->isHot());
    EXPECT_TRUE(neighbour->isHot());
    // Off every box: no move reaches one, so the timer has to notice.
    hover(form.get(), QPoint(300, 250));
    EXPECT_TRUE(QTest::qWaitFor([&] { return !neighbour->isHot(); }, 5000));
    EXPECT_FALSE(TFlatCheckBox::hoverTimer()->isActive());
}
