// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvane developers
#include <QBuffer>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include "app/pictures.h"
#include "quorvaneversion.h"
#include "support/demoprefix.h"

namespace {

QString picture(const char *name)
{
    // The path built in: __FILE__ is relative when ccache rewrites paths.
    return sourceDir() + "/resources/pictures/" + name;
}

QByteArray bytes(const char *name)
{
    QFile f(picture(name));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// The text of a JPEG's first comment segment, up to the picture data; null
// when it has none.
QByteArray jpegComment(const QByteArray &jpeg)
{
    int at = 2; // past the start-of-image marker
    while (at + 4 <= jpeg.size() && quint8(jpeg[at]) == 0xff) {
        const quint8 marker = quint8(jpeg[at + 1]);
        const int length = (quint8(jpeg[at + 2]) << 8) | quint8(jpeg[at + 3]);
        if (marker == 0xda) // start of scan: no header segments follow
            break;
        if (marker == 0xfe)
            return jpeg.mid(at + 4, length - 2);
        at += 2 + length;
    }
    return {};
}

} // namespace

TEST(Pictures, DecodesTheStoredPicturesAtTheirSizes)
{
    const QImage banner = qv::loadPicture(picture("banner.jpg"));
    ASSERT_EQ(banner.size(), QSize(668, 202));
    // The banner's top is dark blue, its bottom light (the options are drawn there).
    EXPECT_LT(qBlue(banner.pixel(300, 2)) + qGreen(banner.pixel(300, 2)), 300);
    EXPECT_GT(qGray(banner.pixel(600, 180)), 220);
    EXPECT_EQ(qv::loadPicture(picture("product.jpg")).size(), QSize(200, 200));
    for (const char *flag : {"flag_fr.gif", "flag_de.gif", "flag_us.gif", "flag_gb.gif", "flag_es.gif",
                             "flag_it.gif", "flag_pt.gif", "flag_jp.gif"})
        EXPECT_EQ(qv::loadPicture(picture(flag)).size(), QSize(14, 14)) << flag;
    const QImage glyph = qv::loadPicture(picture("optimize.bmp"));
    EXPECT_EQ(glyph.size(), QSize(15, 15));
}

// scripts/make-pictures draws the version of CMakeLists.txt into the banner
// and names it in the banner's comment: a new version wants a new banner.
TEST(Pictures, BannerShowsTheVersionBuilt)
{
    EXPECT_EQ(jpegComment(bytes("banner.jpg")), QByteArray(QUORVANE_TITLE));
}

TEST(Pictures, GifColoursComeThroughThePalette)
{
    // France: blue, white, red from left to right in the middle row.
    const QImage fr = qv::decodeGif(bytes("flag_fr.gif"));
    ASSERT_FALSE(fr.isNull());
    const QRgb left = fr.pixel(2, 7), middle = fr.pixel(7, 7), right = fr.pixel(11, 7);
    EXPECT_GT(qBlue(left), qRed(left));
    EXPECT_GT(qGray(middle), 240);
    EXPECT_GT(qRed(right), qBlue(right));
    // Japan: a red disc on white.
    const QImage jp = qv::decodeGif(bytes("flag_jp.gif"));
    EXPECT_GT(qRed(jp.pixel(7, 7)), 150);
    EXPECT_LT(qGreen(jp.pixel(7, 7)), 60);
    EXPECT_GT(qGray(jp.pixel(2, 4)), 240);
}

TEST(Pictures, BadDataGivesANullImageNotACrash)
{
    const QByteArray jpeg = bytes("banner.jpg"), gif = bytes("flag_gb.gif");
    ASSERT_FALSE(jpeg.isEmpty());
    ASSERT_FALSE(gif.isEmpty());
    EXPECT_TRUE(qv::decodeJpeg({}).isNull());
    EXPECT_TRUE(qv::decodeGif({}).isNull());
    EXPECT_TRUE(qv::decodeJpeg("not a picture at all").isNull());
    EXPECT_TRUE(qv::decodeGif("GIF89a garbage").isNull());
    EXPECT_TRUE(qv::decodeJpeg(gif).isNull());
    EXPECT_TRUE(qv::decodeGif(jpeg).isNull());
    // Cut short: the header alone is not a picture; every prefix must be survived.
    EXPECT_TRUE(qv::decodeJpeg(jpeg.left(20)).isNull());
    for (int n = 0; n < gif.size(); n += 7)
        (void)qv::decodeGif(gif.left(n));
    for (int n = 0; n < jpeg.size(); n += jpeg.size() / 40)
        (void)qv::decodeJpeg(jpeg.left(n));
    EXPECT_TRUE(qv::loadPicture("/nonexistent/x.jpg").isNull());
}

TEST(Pictures, PlainBitmapsBothWaysUpAndCutShort)
{
    // A 2 x 2 24-bit bitmap: blue, green / red, white (rows padded to 8 bytes).
    auto bitmap = [](int height, const QByteArray &rows) {
        QByteArray b("BM");
        auto put = [&b](quint32 v, int n) {
            for (int i = 0; i < n; ++i)
                b.append(char(v >> (8 * i)));
        };
        put(54 + rows.size(), 4); put(0, 4); put(54, 4);
        put(40, 4); put(2, 4); put(quint32(height), 4); put(1, 2); put(24, 2); put(0, 4);
        put(rows.size(), 4); put(2835, 4); put(2835, 4); put(0, 4); put(0, 4);
        return b + rows;
    };
    const QByteArray top = QByteArray::fromHex("ff0000" "00ff00" "0000"), bottom = QByteArray::fromHex("0000ff" "ffffff" "0000");
    QTemporaryDir dir;
    auto load = [&](const QByteArray &bytes) {
        QFile f(dir.filePath("x.bmp"));
        f.open(QIODevice::WriteOnly | QIODevice::Truncate);
        f.write(bytes);
        f.close();
        return qv::loadPicture(dir.filePath("x.bmp"));
    };
    for (const QImage &img : {load(bitmap(2, bottom + top)), load(bitmap(-2, top + bottom))}) {
        ASSERT_EQ(img.size(), QSize(2, 2));
        EXPECT_EQ(img.pixel(0, 0), qRgb(0, 0, 255));
        EXPECT_EQ(img.pixel(1, 0), qRgb(0, 255, 0));
        EXPECT_EQ(img.pixel(0, 1), qRgb(255, 0, 0));
        EXPECT_EQ(img.pixel(1, 1), qRgb(255, 255, 255));
    }
    EXPECT_TRUE(load(bitmap(2, top)).isNull()); // one row missing
    EXPECT_TRUE(load("BM").isNull());
}
