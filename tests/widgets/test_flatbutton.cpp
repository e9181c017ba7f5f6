// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvane developers
#include "TFlatButtonUnit.h"
#include "TFlatCheckBoxUnit.h"
#include "TFlatMemoUnit.h"
#include "flatsupport.h"

#include <QDialog>
#include <QPainter>
#include <QSignalSpy>

using namespace flattest;

namespace {

const QColor kMoneyGreen(192, 220, 192);
const QColor kLime(0, 255, 0);

// 15 x 15 on white: a black plus sign two pixels thick and a blue dot.
QPixmap crossGlyph()
{
    QImage img(15, 15, QImage::Format_RGB32);
    img.fill(Qt::white);
    for (int i = 2; i < 13; ++i) {
        img.setPixelColor(i, 7, Qt::black);
        img.setPixelColor(i, 8, Qt::black);
        img.setPixelColor(7, i, Qt::black);
        img.setPixelColor(8, i, Qt::black);
    }
    img.setPixelColor(2, 2, Qt::blue);
    return QPixmap::fromImage(img);
}

// A strip of `n` images of `w` x `h`, each one plain colour, with a white
// bottom-left pixel in the first so that the transparent colour is white.
QPixmap strip(int n, int w, int h, const QVector<QColor> &colours)
{
    QImage img(n * w, h, QImage::Format_RGB32);
    QPainter p(&img);
    for (int i = 0; i < n; ++i)
        p.fillRect(i * w, 0, w, h, colours[i]);
    p.end();
    img.setPixelColor(0, h - 1, Qt::white);
    return QPixmap::fromImage(img);
}

} // namespace

class FlatButtonTest : public FormTest
{
protected:
    // A button set up as the main window's are.
    TFlatButton *make(const QString &caption, QRect geometry = QRect(20, 20, 120, 30))
    {
        auto *b = new TFlatButton(form.get());
        b->setGeometry(geometry);
        b->setCaption(caption);
        b->setColor(kMoneyGreen);
        b->setColorDown(kLime);
        b->setColorHighLight(kPale);
        b->setLayout(TFlatButton::blGlyphLeft);
        QFont f("Liberation Sans");
        f.setPixelSize(11);
        f.setBold(true);
        b->setFont(f);
        return b;
    }
    static void expectFrame(const QImage &img, QColor topLeft, QColor bottomRight)
    {
        const int W = img.width(), H = img.height();
        EXPECT_EQ(at(img, 0, 0), topLeft);
        EXPECT_EQ(at(img, W / 2, 0), topLeft);
        EXPECT_EQ(at(img, 0, H / 2), topLeft);
        EXPECT_EQ(at(img, W - 1, 0), bottomRight); // top-right corner
        EXPECT_EQ(at(img, 0, H - 1), bottomRight); // bottom-left corner
        EXPECT_EQ(at(img, W - 1, H / 2), bottomRight);
        EXPECT_EQ(at(img, W / 2, H - 1), bottomRight);
    }
};

TEST_F(FlatButtonTest, InitialProperties)
{
    auto *b = new TFlatButton(form.get());
    EXPECT_EQ(b->size(), QSize(25, 25));
    EXPECT_EQ(b->TransparentMode(), TFlatButton::tmNone);
    EXPECT_FALSE(b->Default());
    EXPECT_FALSE(b->AllowAllUp());
    EXPECT_EQ(b->Color(), kWhite);
    EXPECT_TRUE(b->ParentColor());
    EXPECT_EQ(b->ColorFocused(), kPale);
    EXPECT_EQ(b->ColorDown(), kDown);
    EXPECT_EQ(b->ColorBorder(), kBorder);
    EXPECT_EQ(b->ColorHighLight(), kWhite);
    EXPECT_EQ(b->ColorShadow(), QColor(Qt::black));
    EXPECT_EQ(b->AdvColorFocused(), 10);
    EXPECT_EQ(b->AdvColorDown(), 10);
    EXPECT_EQ(b->AdvColorBorder(), 50);
    EXPECT_EQ(b->GroupIndex(), 0);
    EXPECT_FALSE(b->Down());
    EXPECT_TRUE(b->Glyph().isNull());
    EXPECT_EQ(b->Layout(), TFlatButton::blGlyphTop);
    EXPECT_EQ(b->Margin(), -1);
    EXPECT_EQ(b->NumGlyphs(), 1);
    EXPECT_EQ(b->Spacing(), 4);
    EXPECT_EQ(b->ModalResult(), 0);
    EXPECT_FALSE(b->TabStop());
}

TEST_F(FlatButtonTest, FacesUpHotPressedAndDefault)
{
    auto *b = make("Optimize");
    b->setGlyph(crossGlyph());
    showForm();
    b->clearFocus();

    QImage up = shot(b);
    expectFrame(up, kBorder, kBorder);
    EXPECT_EQ(at(up, 1, 1), kMoneyGreen);
    EXPECT_EQ(at(up, b->width() - 2, b->height() - 2), kMoneyGreen);

    hover(b, QPoint(3, 3));
    ASSERT_TRUE(b->isHot());
    QImage hot = shot(b);
    expectFrame(hot, kPale, QColor(Qt::black));
    EXPECT_EQ(at(hot, 1, 1), kPale);

    const QPoint glyphUp = b->glyphPos();
    const QRect textUp = b->textBounds();
    QTest::mousePress(b, Qt::LeftButton, {}, QPoint(3, 3));
    QImage pressed = shot(b);
    expectFrame(pressed, QColor(Qt::black), kPale);
    EXPECT_EQ(at(pressed, 1, 1), kLime);
    EXPECT_EQ(b->glyphPos(), glyphUp + QPoint(1, 1));
    EXPECT_EQ(b->textBounds(), textUp.translated(1, 1));
    // The glyph moved too: its black centre now lies one pixel further.
    EXPECT_EQ(at(pressed, glyphUp.x() + 8, glyphUp.y() + 8), QColor(Qt::black));
    EXPECT_EQ(at(pressed, glyphUp.x() + 1, glyphUp.y() + 1), kLime); // transparent white
    QTest::mouseRelease(b, Qt::LeftButton, {}, QPoint(3, 3));

    b->setDefault(true);
    hover(b, QPoint(300, 200));
    b->clearFocus();
    b->setEnabled(false); // leaves the hot state whatever the timer did
    b->setEnabled(true);
    QImage def = shot(b);
    EXPECT_FALSE(b->isHot());
    expectFrame(def, kBorder, kBorder);
    EXPECT_EQ(at(def, 1, 1), kBorder);
    EXPECT_EQ(at(def, 1, b->height() - 2), kBorder);
    EXPECT_EQ(at(def, 2, 2), kMoneyGreen);
}

TEST_F(FlatButtonTest, MainWindowLayoutCentresGlyphAndCaptionAsOneBlock)
{
    auto *b = make("Optimize");
    b->setGlyph(crossGlyph());
    showForm();
    shot(b);
    const QPoint g = b->glyphPos();
    const QRect t = b->textBounds();
    EXPECT_EQ(t.left(), g.x() + 15 + 4);
    const int before = g.x(), after = b->width() - (t.right() + 1);
    EXPECT_LE(std::abs(before - after), 1);
    EXPECT_EQ(g.y(), (30 - 15 + 1) / 2);
}

TEST_F(FlatButtonTest, MarginAndSpacingMinusOneSplitTheFreeSpaceInThree)
{
    auto *b = make("Go", QRect(20, 20, 100, 30));
    b->setGlyph(crossGlyph());
    b->setMargin(-1);
    b->setSpacing(-1);
    showForm();
    shot(b);
    const int T = b->textBounds().width();
    const int gap = (100 - (15 + T)) / 3;
    EXPECT_EQ(b->glyphPos().x(), gap);
    EXPECT_EQ(b->textBounds().left(), gap + 15 + gap);
    EXPECT_GE(100 - b->textBounds().right() - 1, gap); // the remainder goes last

    b->setLayout(TFlatButton::blGlyphRight);
    b->setMargin(5);
    b->setSpacing(4);
    shot(b);
    EXPECT_EQ(b->glyphPos().x(), 100 - 5 - 15);
    EXPECT_EQ(b->textBounds().right() + 1, 100 - 5 - 15 - 4);

    b->setMargin(-5); // ignored
    EXPECT_EQ(b->Margin(), 5);
}

TEST_F(FlatButtonTest, GlyphSetterDerivesNumGlyphs)
{
    auto *b = make("");
    b->setGlyph(strip(4, 15, 15, {Qt::red, Qt::green, Qt::blue, Qt::yellow}));
    EXPECT_EQ(b->NumGlyphs(), 4);
    b->setGlyph(strip(6, 15, 15, {Qt::red, Qt::red, Qt::red, Qt::red, Qt::red, Qt::red}));
    EXPECT_EQ(b->NumGlyphs(), 1);
    b->setNumGlyphs(2);
    QImage odd(50, 15, QImage::Format_RGB32);
    odd.fill(Qt::red);
    b->setGlyph(QPixmap::fromImage(odd));
    EXPECT_EQ(b->NumGlyphs(), 2);
}

TEST_F(FlatButtonTest, StripImagePerFace)
{
    auto *b = make("", QRect(20, 20, 40, 40));
    b->setGroupIndex(3);
    b->setAllowAllUp(true);
    b->setGlyph(strip(4, 10, 10, {Qt::red, Qt::green, Qt::blue, Qt::yellow}));
    showForm();
    b->clearFocus();
    auto centre = [&] {
        const QImage img = shot(b);
        return at(img, b->glyphPos().x() + 5, b->glyphPos().y() + 5);
    };
    EXPECT_EQ(centre(), QColor(Qt::red));
    QTest::mousePress(b, Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_EQ(centre(), QColor(Qt::blue));
    QTest::mouseRelease(b, Qt::LeftButton, {}, QPoint(5, 5));
    ASSERT_TRUE(b->Down());
    EXPECT_EQ(centre(), QColor(Qt::yellow));
    b->setDown(false);
    b->setEnabled(false);
    EXPECT_EQ(centre(), QColor(Qt::green));

    // Two images: the second, disabled one runs on to the strip's end.
    b->setEnabled(true);
    b->setGlyph(strip(2, 10, 10, {Qt::red, Qt::green}));
    EXPECT_EQ(b->NumGlyphs(), 2);
    EXPECT_EQ(centre(), QColor(Qt::red));
    b->setEnabled(false);
    EXPECT_EQ(centre(), QColor(Qt::green));
}

TEST_F(FlatButtonTest, DisabledSingleGlyphAndCaptionAreEmbossed)
{
    auto *b = make("Restore");
    b->setGlyph(crossGlyph());
    b->setEnabled(false);
    showForm();
    const QImage img = shot(b);
    EXPECT_EQ(b->face(), TFlatButton::Face::Disabled);
    expectFrame(img, kBorder, kBorder);
    const QPoint g = b->glyphPos();
    // Ink in the shadow colour, the light copy one pixel right and down.
    EXPECT_EQ(at(img, g.x() + 2, g.y() + 7), kDark);
    EXPECT_EQ(at(img, g.x() + 8, g.y() + 12), kDark);
    EXPECT_EQ(at(img, g.x() + 9, g.y() + 13), kLight);
    EXPECT_EQ(at(img, g.x() + 9, g.y() + 3), kLight);
    // Everything else of the glyph, the blue dot included, is see-through.
    EXPECT_EQ(at(img, g.x() + 2, g.y() + 2), kMoneyGreen);
    EXPECT_EQ(at(img, g.x() + 12, g.y() + 2), kMoneyGreen);
    EXPECT_EQ(countColor(img, QRect(g, QSize(15, 15)), kFace), 0);
    const QRect t = b->textBounds();
    EXPECT_GT(countColor(img, t.adjusted(0, 0, 1, 1), kLight), 0);
    EXPECT_GT(countColor(img, t, kDark), 5);
    EXPECT_EQ(countColor(img, t, Qt::black), 0);
}

TEST_F(FlatButtonTest, PressMoveOutReleaseIsNoClickMovingBackInIs)
{
    auto *b = make("Optimize");
    showForm();
    QSignalSpy clicks(b, &TFlatButton::OnClick);
    QTest::mousePress(b, Qt::LeftButton, {}, QPoint(10, 10));
    EXPECT_EQ(b->face(), TFlatButton::Face::Down);
    QTest::mouseMove(b, QPoint(200, 10));
    EXPECT_EQ(b->face(), TFlatButton::Face::Up);
    QTest::mouseRelease(b, Qt::LeftButton, {}, QPoint(200, 10));
    EXPECT_EQ(clicks.count(), 0);
    EXPECT_EQ(b->face(), TFlatButton::Face::Up);

    QTest::mousePress(b, Qt::LeftButton, {}, QPoint(10, 10));
    QTest::mouseMove(b, QPoint(200, 10));
    QTest::mouseMove(b, QPoint(20, 12));
    EXPECT_EQ(b->face(), TFlatButton::Face::Down);
    QTest::mouseRelease(b, Qt::LeftButton, {}, QPoint(20, 12));
    EXPECT_EQ(clicks.count(), 1);
}

TEST_F(FlatButtonTest, ReleaseOnTheRowBelowCountsOnTheColumnRightDoesNot)
{
    auto *b = make("Optimize");
    showForm();
    QSignalSpy clicks(b, &TFlatButton::OnClick);
    QTest::mousePress(b, Qt::LeftButton, {}, QPoint(10, 10));
    QTest::mouseRelease(b, Qt::LeftButton, {}, QPoint(10, b->height()));
    EXPECT_EQ(clicks.count(), 1);
    QTest::mousePress(b, Qt::LeftButton, {}, QPoint(10, 10));
    QTest::mouseRelease(b, Qt::LeftButton, {}, QPoint(b->width(), 10));
    EXPECT_EQ(clicks.count(), 1);
    QTest::mousePress(b, Qt::LeftButton, {}, QPoint(10, 10));
    QTest::mouseRelease(b, Qt::LeftButton, {}, QPoint(b->width() - 1, b->height()));
    EXPECT_EQ(clicks.count(), 2);
}

TEST_F(FlatButtonTest, OtherMouseButtonsNeitherPressNorClick)
{
    auto *b = make("Optimize");
    showForm();
    QSignalSpy clicks(b, &TFlatButton::OnClick);
    QSignalSpy downs(b, &TFlatButton::OnMouseDown);
    QTest::mouseClick(b, Qt::RightButton, {}, QPoint(10, 10));
    EXPECT_EQ(downs.count(), 1);
    EXPECT_EQ(clicks.count(), 0);
}

TEST_F(FlatButtonTest, SpaceOnAFocusedButtonClicksOnceOnRelease)
{
    auto *b = make("Optimize");
    showForm();
    b->setFocus();
    QSignalSpy clicks(b, &TFlatButton::OnClick);
    QTest::keyPress(b, Qt::Key_Space);
    EXPECT_EQ(b->face(), TFlatButton::Face::Down);
    EXPECT_EQ(at(shot(b), 1, 1), kLime);
    // Held down: the keyboard repeats press and release pairs.
    for (int i = 0; i < 3; ++i) {
        QKeyEvent repeatUp(QEvent::KeyRelease, Qt::Key_Space, Qt::NoModifier, " ", true);
        QApplication::sendEvent(b, &repeatUp);
        QKeyEvent repeatDown(QEvent::KeyPress, Qt::Key_Space, Qt::NoModifier, " ", true);
        QApplication::sendEvent(b, &repeatDown);
    }
    EXPECT_EQ(clicks.count(), 0);
    QTest::keyRelease(b, Qt::Key_Space);
    EXPECT_EQ(clicks.count(), 1);
    EXPECT_EQ(b->face(), TFlatButton::Face::Up);
    // A release whose press went elsewhere is no click.
    QTest::keyRelease(b, Qt::Key_Space);
    EXPECT_EQ(clicks.count(), 1);
}

TEST_F(FlatButtonTest, AcceleratorLetterClicks)
{
    auto *b = make("&Optimize");
    auto *cb = new TFlatCheckBox(form.get());
    cb->setGeometry(20, 80, 121, 17);
    showForm();
    cb->setFocus();
    QSignalSpy clicks(b, &TFlatButton::OnClick);
    QTest::keyClick(cb, Qt::Key_O);
    EXPECT_EQ(clicks.count(), 1);
    QTest::keyClick(cb, Qt::Key_P);
    EXPECT_EQ(clicks.count(), 1);
    b->setEnabled(false);
    QTest::keyClick(cb, Qt::Key_O);
    EXPECT_EQ(clicks.count(), 1);
}

TEST_F(FlatButtonTest, LettersTypedIntoATextBoxAreNoAccelerators)
{
    auto *b = make("&Optimize");
    auto *memo = new TFlatMemo(form.get());
    memo->setGeometry(20, 80, 200, 60);
    memo->setReadOnly(true);
    showForm();
    memo->setFocus();
    QSignalSpy clicks(b, &TFlatButton::OnClick);
    QTest::keyClick(memo, Qt::Key_O);
    EXPECT_EQ(clicks.count(), 0);
    QTest::keyClick(memo, Qt::Key_O, Qt::AltModifier); // with Alt it is one
    EXPECT_EQ(clicks.count(), 1);
}

TEST_F(FlatButtonTest, GroupedButtonsLatchLikeRadioButtons)
{
    auto *a = make("A", QRect(20, 20, 60, 30));
    auto *b = make("B", QRect(100, 20, 60, 30));
    auto *other = make("C", QRect(180, 20, 60, 30));
    a->setGroupIndex(1);
    b->setGroupIndex(1);
    other->setGroupIndex(2);
    showForm();
    QSignalSpy aClicks(a, &TFlatButton::OnClick);
    QTest::mouseClick(a, Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_TRUE(a->Down());
    EXPECT_EQ(a->face(), TFlatButton::Face::Exclusive);
    EXPECT_EQ(aClicks.count(), 1);
    QTest::mouseClick(other, Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_TRUE(a->Down()); // another group leaves it alone
    QTest::mouseClick(b, Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_TRUE(b->Down());
    EXPECT_FALSE(a->Down());
    EXPECT_EQ(a->face(), TFlatButton::Face::Up);
    // Without AllowAllUp the down button stays down.
    QTest::mouseClick(b, Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_TRUE(b->Down());
    b->setDown(false);
    EXPECT_TRUE(b->Down());
    // AllowAllUp spreads through the group.
    a->setAllowAllUp(true);
    EXPECT_TRUE(b->AllowAllUp());
    EXPECT_FALSE(other->AllowAllUp());
    QTest::mouseClick(b, Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_FALSE(b->Down());
    // Leaving the group releases a latched button: a push button cannot
    // stay down.
    ASSERT_TRUE(other->Down());
    other->setGroupIndex(0);
    EXPECT_FALSE(other->Down());
    EXPECT_EQ(other->face(), TFlatButton::Face::Up);
    other->setDown(true);
    EXPECT_FALSE(other->Down());
}

TEST_F(FlatButtonTest, ModalResultEndsTheDialogThatHoldsIt)
{
    QDialog dialog;
    auto *ok = new TFlatButton(&dialog);
    ok->setModalResult(QDialog::Accepted);
    ok->setGeometry(10, 10, 60, 25);
    auto *neutral = new TFlatButton(&dialog);
    neutral->setGeometry(80, 10, 60, 25);
    dialog.open();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    QSignalSpy finished(&dialog, &QDialog::finished);
    QTest::mouseClick(neutral, Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_TRUE(dialog.isVisible());
    QTest::mouseClick(ok, Qt::LeftButton, {}, QPoint(5, 5));
    ASSERT_EQ(finished.count(), 1);
    EXPECT_EQ(finished.at(0).at(0).toInt(), QDialog::Accepted);
    EXPECT_FALSE(dialog.isVisible());
    // Without a parent a click touches no form.
    TFlatButton lone;
    lone.setModalResult(5);
    QSignalSpy clicks(&lone, &TFlatButton::OnClick);
    lone.Click();
    EXPECT_EQ(clicks.count(), 1);
}

TEST_F(FlatButtonTest, DisablingClearsHotAndReEnablingComesBackUp)
{
    auto *b = make("Optimize");
    showForm();
    hover(b, QPoint(5, 5));
    ASSERT_TRUE(b->isHot());
    b->setEnabled(false);
    EXPECT_FALSE(b->isHot());
    EXPECT_EQ(b->face(), TFlatButton::Face::Disabled);
    b->setEnabled(true);
    EXPECT_TRUE(b->isHot()); // the pointer is still over it
    shot(b);
    EXPECT_EQ(b->face(), TFlatButton::Face::Up);
}

TEST_F(FlatButtonTest, AdvancedColoursDeriveFromColor)
{
    auto *b = make("x");
    QPalette pal = form->palette();
    pal.setColor(QPalette::Window, QColor(0, 0, 128));
    form->setPalette(pal);
    EXPECT_EQ(b->Color(), kMoneyGreen); // ParentColor was turned off by setColor
    b->setUseAdvColors(true);
    EXPECT_TRUE(b->ParentColor());
    EXPECT_EQ(b->Color(), QColor(0, 0, 128));
    using flat::Direction;
    EXPECT_EQ(b->ColorFocused(), flat::advancedColor(QColor(0, 0, 128), {}, 10, Direction::Lighten));
    EXPECT_EQ(b->ColorDown(), flat::advancedColor(QColor(0, 0, 128), {}, 10, Direction::Darken));
    b->setAdvColorBorder(20);
    EXPECT_EQ(b->ColorBorder(), flat::advancedColor(QColor(0, 0, 128), {}, 20, Direction::Darken));
}

TEST(FlatButtonTimer, SharedTimerLivesFromTheFirstToTheLastButton)
{
    ASSERT_EQ(TFlatButton::hoverTimer(), nullptr);
    auto *a = new TFlatButton;
    const QTimer *timer = TFlatButton::hoverTimer();
    ASSERT_NE(timer, nullptr);
    EXPECT_EQ(timer->interval(), 100);
    auto *b = new TFlatButton;
    EXPECT_EQ(TFlatButton::hoverTimer(), timer);
    EXPECT_EQ(TFlatCheckBox::hoverTimer(), nullptr); // a separate timer per kind
    delete a;
    delete b;
    EXPECT_EQ(TFlatButton::hoverTimer(), nullptr);
}

TEST_F(FlatButtonTest, TimerTickEndsTheHoverAndAnInactiveWindowGetsNone)
{
    auto *b = make("Optimize");
    showForm();
    QSignalSpy entered(b, &TFlatButton::OnMouseEnter);
    hover(b, QPoint(5, 5));
    ASSERT_TRUE(b->isHot());
    hover(form.get(), QPoint(300, 250));
    EXPECT_TRUE(QTest::qWaitFor([&] { return !b->isHot(); }, 5000));
    EXPECT_FALSE(TFlatButton::hoverTimer()->isActive());

    // With none of the program's windows active, hovering lights nothing.
    QApplication::setActiveWindow(nullptr);
    ASSERT_EQ(QApplication::activeWindow(), nullptr);
    hover(b, QPoint(6, 6));
    EXPECT_FALSE(b->isHot());
    EXPECT_EQ(entered.count(), 2); // the platform's enter is reported regardless
}
