// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvane developers
#include "FlatUtilitys.h"
#include "flatsupport.h"

#include <QLabel>
#include <QPainter>

using namespace flattest;
using flat::Direction;

TEST(HslConversion, PrimaryColoursOnThe240Scale)
{
    EXPECT_EQ(flat::rgbToHsl(QColor(255, 0, 0)), (flat::Hsl{0, 240, 120}));
    EXPECT_EQ(flat::rgbToHsl(QColor(0, 255, 0)), (flat::Hsl{80, 240, 120}));   // 239 / 3 = 79.67
    EXPECT_EQ(flat::rgbToHsl(QColor(0, 0, 255)), (flat::Hsl{159, 240, 120}));  // 2 * 239 / 3 = 159.33
    EXPECT_EQ(flat::rgbToHsl(QColor(255, 255, 255)), (flat::Hsl{0, 0, 240}));
    EXPECT_EQ(flat::rgbToHsl(QColor(160, 150, 131)), (flat::Hsl{26, 32, 137}));
    EXPECT_EQ(flat::hslToRgb(0, 240, 120), QColor(255, 0, 0));
    // The hue scale of 239 makes green not come back exactly pure.
    EXPECT_EQ(flat::hslToRgb(80, 240, 120), QColor(0, 255, 2));
}

TEST(HslConversion, GreysRoundTripWithoutHueOrSaturation)
{
    for (int v : {0, 1, 64, 128, 200, 254, 255}) {
        const flat::Hsl hsl = flat::rgbToHsl(QColor(v, v, v));
        EXPECT_EQ(hsl.h, 0) << v;
        EXPECT_EQ(hsl.s, 0) << v;
        EXPECT_EQ(flat::hslToRgb(hsl), QColor(v, v, v)) << v;
    }
    // The scale has 241 lightness steps for 256 greys: some move by one.
    EXPECT_EQ(flat::hslToRgb(flat::rgbToHsl(QColor(127, 127, 127))), QColor(128, 128, 128));
}

TEST(HslConversion, HalvesRoundToTheEvenNeighbour)
{
    EXPECT_EQ(flat::hslToRgb(0, 0, 8).red(), 8);   // 255 * 8 / 240 = 8.5
    EXPECT_EQ(flat::hslToRgb(0, 0, 24).red(), 26); // 25.5
    EXPECT_EQ(flat::hslToRgb(0, 0, 40).red(), 42); // 42.5
}

TEST(AdvancedColor, ZeroPercentKeepsTheColourCurrentlySet)
{
    const QColor current(12, 34, 56);
    EXPECT_EQ(flat::advancedColor(Qt::white, current, 0, Direction::Lighten), current);
    EXPECT_EQ(flat::advancedColor(Qt::black, current, 0, Direction::Darken), current);
}

TEST(AdvancedColor, LightnessLimits)
{
    // Black darkened by more than the added 10 ends at lightness 0.
    EXPECT_EQ(flat::advancedColor(Qt::black, Qt::red, 50, Direction::Darken), QColor(0, 0, 0));
    EXPECT_EQ(flat::rgbToHsl(flat::advancedColor(QColor(0, 0, 40), Qt::red, 60, Direction::Darken)).l, 0);
    // Black darkened by 5 keeps 5 of the added 10: 255 * 5 / 240 = 5.3.
    EXPECT_EQ(flat::advancedColor(Qt::black, Qt::red, 5, Direction::Darken), QColor(5, 5, 5));
    // Lightening stops at 100 on the 240 scale, so white comes out grey.
    EXPECT_EQ(flat::advancedColor(Qt::white, Qt::red, 10, Direction::Lighten), QColor(106, 106, 106));
    EXPECT_EQ(flat::rgbToHsl(flat::advancedColor(QColor(200, 100, 50), Qt::red, 30, Direction::Lighten)).l, 100);
    // Below the cap the lightness grows by 10 plus the percentage.
    EXPECT_EQ(flat::advancedColor(Qt::black, Qt::red, 50, Direction::Lighten), QColor(64, 64, 64));
}

TEST(AdvancedColor, LightBaseDarkenedSlightlyStaysOnTheScale)
{
    // 240 + 10 - 3 would lie past white; it is held at white instead.
    EXPECT_EQ(flat::advancedColor(Qt::white, Qt::red, 3, Direction::Darken), QColor(255, 255, 255));
    EXPECT_EQ(flat::advancedColor(QColor(255, 255, 250), Qt::red, 2, Direction::Darken), QColor(255, 255, 255));
}

TEST(Frame3D, TwoNestedRingsWithCornersInTheBottomRightColour)
{
    QImage img(10, 8, QImage::Format_RGB32);
    img.fill(Qt::white);
    QPainter p(&img);
    flat::drawFrame3D(p, QRect(0, 0, 10, 8), Qt::red, Qt::blue, 2);
    p.end();
    const QColor red(Qt::red), blue(Qt::blue), white(Qt::white);
    // outer ring
    EXPECT_EQ(at(img, 0, 0), red);
    EXPECT_EQ(at(img, 8, 0), red);
    EXPECT_EQ(at(img, 0, 6), red);
    EXPECT_EQ(at(img, 9, 0), blue); // top-right
    EXPECT_EQ(at(img, 0, 7), blue); // bottom-left
    EXPECT_EQ(at(img, 9, 7), blue);
    EXPECT_EQ(at(img, 9, 4), blue);
    EXPECT_EQ(at(img, 4, 7), blue);
    // inner ring
    EXPECT_EQ(at(img, 1, 1), red);
    EXPECT_EQ(at(img, 7, 1), red);
    EXPECT_EQ(at(img, 8, 1), blue);
    EXPECT_EQ(at(img, 1, 6), blue);
    EXPECT_EQ(at(img, 8, 6), blue);
    // inside untouched
    EXPECT_EQ(countColor(img, QRect(2, 2, 6, 4), white), 24);
}

TEST(Frame3D, WidthZeroDrawsNothing)
{
    QImage img(6, 6, QImage::Format_RGB32);
    img.fill(Qt::white);
    QPainter p(&img);
    flat::drawFrame3D(p, QRect(0, 0, 6, 6), Qt::red, Qt::blue, 0);
    p.end();
    EXPECT_EQ(countColor(img, img.rect(), Qt::white), 36);
}

TEST(Accelerators, LetterAfterASingleAmpersand)
{
    EXPECT_TRUE(flat::isAccel(u'o', "&Optimize"));
    EXPECT_TRUE(flat::isAccel(u'O', "&optimize"));
    EXPECT_TRUE(flat::isAccel(u'r', "Rest&ore") == false);
    EXPECT_TRUE(flat::isAccel(u'o', "Rest&ore"));
    EXPECT_FALSE(flat::isAccel(u'b', "Fish && &Chips"));
    EXPECT_TRUE(flat::isAccel(u'c', "Fish && &Chips"));
    EXPECT_FALSE(flat::isAccel(u'&', "A && B"));
    EXPECT_FALSE(flat::isAccel(u'x', "trailing &"));
    EXPECT_FALSE(flat::isAccel(u'n', "none"));
}

class ParentBackground : public FormTest
{
};

TEST_F(ParentBackground, NothingWithoutAParent)
{
    QWidget lone;
    lone.resize(10, 10);
    QImage img(10, 10, QImage::Format_RGB32);
    img.fill(Qt::green);
    QPainter p(&img);
    flat::paintParentBackground(&lone, p);
    p.end();
    EXPECT_EQ(countColor(img, img.rect(), Qt::green), 100);
}

TEST_F(ParentBackground, ShowsTheParentAndThePicturesBelowButNotThoseAbove)
{
    QPixmap red(40, 40);
    red.fill(Qt::red);
    auto *picture = new QLabel(form.get());
    picture->setPixmap(red);
    picture->setGeometry(0, 0, 40, 40);
    auto *target = new QWidget(form.get());
    target->setGeometry(20, 20, 40, 40);
    auto *above = new QLabel(form.get());
    QPixmap blue(10, 10);
    blue.fill(Qt::blue);
    above->setPixmap(blue);
    above->setGeometry(50, 50, 10, 10);
    showForm();

    QImage img(40, 40, QImage::Format_RGB32);
    img.fill(Qt::green);
    QPainter p(&img);
    flat::paintParentBackground(target, p);
    p.end();
    EXPECT_EQ(at(img, 0, 0), QColor(Qt::red));   // the picture's corner at (20, 20)
    EXPECT_EQ(at(img, 19, 19), QColor(Qt::red));
    EXPECT_EQ(at(img, 20, 20), kWhite);          // the form's background
    EXPECT_EQ(at(img, 35, 35), kWhite);          // the label above is not ours to show
}
