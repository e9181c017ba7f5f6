// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvane developers

// A program's icon taken out of its resources, as Wine's menu builder takes
// it for a launcher: on a small program built here, its PNG files read back
// through Qt's own decoder.

#include <QBuffer>
#include <QFile>
#include <QImage>
#include <QtEndian>
#include <gtest/gtest.h>

#include "platform/wine/exeicons.h"
#include "platform/launchers.h"
#include "support/fakehome.h"
#include "support/testprefix.h"

namespace {

QByteArray le16(int v)
{
    QByteArray b(2, '\0');
    qToLittleEndian(quint16(v), b.data());
    return b;
}

QByteArray le32(quint32 v)
{
    QByteArray b(4, '\0');
    qToLittleEndian(v, b.data());
    return b;
}

struct Picture
{
    int width, height, bits;
    QByteArray data;
};

// A device-independent bitmap as icons hold them: colours bottom up, then
// the mask; pixel(x, y) gives BGRA, or a palette index below 32 bits.
QByteArray dib(int w, int h, int bits, const std::function<quint32(int, int)> &pixel, QByteArray palette = {},
               const std::function<bool(int, int)> &masked = {})
{
    QByteArray d = le32(40) + le32(w) + le32(h * 2) + le16(1) + le16(bits) + le32(0) + le32(0) + le32(0) + le32(0)
        + le32(bits <= 8 ? palette.size() / 4 : 0) + le32(0) + palette;
    const int stride = ((w * bits + 31) / 32) * 4, maskStride = ((w + 31) / 32) * 4;
    for (int y = h - 1; y >= 0; --y) {
        QByteArray row(stride, '\0');
        for (int x = 0; x < w; ++x) {
            const quint32 p = pixel(x, y);
            if (bits == 32)
                qToLittleEndian(p, row.data() + x * 4);
            else
                row[x * bits / 8] = char(uchar(row[x * bits / 8]) | (p << (8 - bits - (x * bits) % 8)));
        }
        d += row;
    }
    for (int y = h - 1; y >= 0; --y) {
        QByteArray row(maskStride, '\0');
        for (int x = 0; x < w; ++x)
            if (masked && masked(x, y))
                row[x / 8] = char(uchar(row[x / 8]) | (0x80 >> (x % 8)));
        d += row;
    }
    return d;
}

// A 32-bit Windows program holding nothing but one icon group made of the pictures.
QByteArray program(const std::vector<Picture> &pictures)
{
    const int n = int(pictures.size());
    auto directory = [](int ids) { return le32(0) + le32(0) + le16(0) + le16(0) + le16(0) + le16(ids); };
    // The resource section, offsets relative to its start (RVA 0x1000).
    const int root = 0, iconTypes = 32, groupTypes = iconTypes + 16 + n * 8, iconLanguages = groupTypes + 24;
    const int groupLanguage = iconLanguages + n * 24, leaves = groupLanguage + 24, blobs = leaves + (n + 1) * 16;
    QByteArray group = le16(0) + le16(1) + le16(n);
    for (int i = 0; i < n; ++i)
        group += QByteArray(1, char(pictures[i].width & 0xFF)) + QByteArray(1, char(pictures[i].height & 0xFF))
            + QByteArray(2, '\0') + le16(1) + le16(pictures[i].bits) + le32(pictures[i].data.size()) + le16(i + 1);
    QByteArray rsrc = directory(2) + le32(3) + le32(0x80000000u | iconTypes) + le32(14) + le32(0x80000000u | groupTypes);
    Q_ASSERT(rsrc.size() == iconTypes && root == 0);
    rsrc += directory(n);
    for (int i = 0; i < n; ++i)
        rsrc += le32(i + 1) + le32(0x80000000u | (iconLanguages + i * 24));
    rsrc += directory(1) + le32(1) + le32(0x80000000u | groupLanguage);
    for (int i = 0; i <= n; ++i) // the icons' languages, then the group's
        rsrc += directory(1) + le32(0x409) + le32(leaves + i * 16);
    QByteArray data;
    for (int i = 0; i < n; ++i) {
        rsrc += le32(0x1000 + blobs + data.size()) + le32(pictures[i].data.size()) + le32(0) + le32(0);
        data += pictures[i].data;
    }
    rsrc += le32(0x1000 + blobs + data.size()) + le32(group.size()) + le32(0) + le32(0);
    rsrc += data + group;

    QByteArray pe = "MZ" + QByteArray(0x3A, '\0') + le32(0x40) + QByteArray("PE\0\0", 4);
    pe += le16(0x14C) + le16(1) + le32(0) + le32(0) + le32(0) + le16(224) + le16(0x102);
    QByteArray optional = le16(0x10B) + QByteArray(90, '\0') + le32(16);
    for (int i = 0; i < 16; ++i)
        optional += i == 2 ? le32(0x1000) + le32(rsrc.size()) : le32(0) + le32(0);
    pe += optional;
    pe += QByteArray(".rsrc\0\0\0", 8) + le32(rsrc.size()) + le32(0x1000) + le32(rsrc.size()) + le32(0x200)
        + QByteArray(16, '\0');
    pe += QByteArray(0x200 - pe.size(), '\0') + rsrc;
    return pe;
}

QByteArray pngOf(const QImage &image)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

std::vector<Picture> pictures()
{
    QImage big(48, 48, QImage::Format_ARGB32);
    big.fill(QColor(0, 128, 0));
    const QByteArray blackAndWhite = le32(0x000000) + le32(0xFFFFFF);
    return {
        // Red on the left, half-transparent blue on the right.
        {16, 16, 32, dib(16, 16, 32, [](int x, int) { return x < 8 ? 0xFFFF0000u : 0x800000FFu; })},
        {16, 16, 4, dib(16, 16, 4, [](int, int) { return 0u; }, QByteArray(64, '\0'))}, // shallower: not taken
        // White, its left half taken out by the mask.
        {32, 32, 1, dib(32, 32, 1, [](int, int) { return 1u; }, blackAndWhite, [](int x, int) { return x < 16; })},
        {48, 48, 32, pngOf(big)}, // a PNG picture goes through as it is
    };
}

} // namespace

TEST(ProgramIcons, OnePictureASizeInItsDeepestColoursAsPng)
{
    TempDir tmp;
    const std::vector<Picture> source = pictures();
    const QString exe = tmp.write("AcroRd32.exe", program(source));
    const std::vector<qv::exeicons::IconImage> icons = qv::exeicons::read(exe, 0);
    ASSERT_EQ(icons.size(), 3u);
    EXPECT_EQ(QSize(icons[0].width, icons[0].height), QSize(16, 16));
    EXPECT_EQ(QSize(icons[1].width, icons[1].height), QSize(32, 32));
    EXPECT_EQ(icons[2].png, source[3].data);

    const QImage small = QImage::fromData(icons[0].png, "PNG").convertToFormat(QImage::Format_ARGB32);
    EXPECT_EQ(small.size(), QSize(16, 16));
    EXPECT_EQ(small.pixel(0, 0), 0xFFFF0000u);
    EXPECT_EQ(small.pixel(15, 15), 0x800000FFu);
    const QImage masked = QImage::fromData(icons[1].png, "PNG").convertToFormat(QImage::Format_ARGB32);
    EXPECT_EQ(qAlpha(masked.pixel(3, 3)), 0);
    EXPECT_EQ(masked.pixel(20, 3), 0xFFFFFFFFu);

    EXPECT_TRUE(qv::exeicons::read(exe, 1).empty()); // no second group
    EXPECT_TRUE(qv::exeicons::read(tmp.write("notes.txt", "MZ but nothing more"), 0).empty());
}

TEST(ProgramIcons, ARestoredLauncherTakesTheProgramsIconIntoTheTheme)
{
    FakeHome home;
    TestPrefix prefix;
    const QString reader = "C:\\Program Files\\Adobe\\Reader 9.0\\Reader";
    prefix.writeFile(reader + "\\AcroRd32.exe", program(pictures()));
    prefix.mkdir("C:\\users\\ann\\Desktop");
    const QString path = qv::launchers::writeDesktopEntry(
        {"C:\\users\\ann\\Desktop\\AcroRd32.lnk", reader + "\\AcroRd32.exe", QString(), "Adobe Reader 9.0", reader});
    ASSERT_FALSE(path.isEmpty());
    const QString name = qv::launchers::iconName(reader + "\\AcroRd32.exe", 0);
    QFile entry(path);
    ASSERT_TRUE(entry.open(QIODevice::ReadOnly));
    EXPECT_TRUE(entry.readAll().contains("\nIcon=" + name.toUtf8() + "\n"));
    for (const char *size : {"16x16", "32x32", "48x48"})
        EXPECT_FALSE(QImage(home.file(QString(".local/share/icons/hicolor/%1/apps/%2.png").arg(size, name))).isNull())
            << size;
}

TEST(ProgramIcons, AGroupListingEveryPossibleSizeMakesAFewPicturesOnly)
{
    // 65,535 pictures of as many sizes, each a 1x1 picture: a program made
    // to have the icon theme fill with folders and every picture compared
    // with every other.
    TempDir tmp;
    const QByteArray tiny = dib(1, 1, 32, [](int, int) { return 0xFF00FF00u; });
    std::vector<Picture> many;
    for (int i = 0; i < 65535; ++i)
        many.push_back({i % 256 ? i % 256 : 256, i / 256 + 1, 32, tiny});
    const std::vector<qv::exeicons::IconImage> icons = qv::exeicons::read(tmp.write("AcroRd32.exe", program(many)), 0);
    EXPECT_LE(icons.size(), 16u);
}
