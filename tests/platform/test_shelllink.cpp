// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvane developers
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QtEndian>
#include <gtest/gtest.h>

#include "platform/shelllink.h"
#include "platform/wine/wineprefix.h"
#include "support/tempdir.h"

using qv::ShellLink;

namespace {
uint32_t u32(const QByteArray &b, int at)
{
    return qFromLittleEndian<uint32_t>(b.constData() + at);
}

struct LinkPrefix : ::testing::Test
{
    TempDir tmp;
    void SetUp() override
    {
        QDir().mkpath(tmp.file("drive_c/Reader"));
        QDir().mkpath(tmp.file("dosdevices"));
        QFile::link("../drive_c", tmp.file("dosdevices/c:"));
        tmp.write("drive_c/Reader/AcroRd32.exe", QByteArray(1234, 'x'));
        qv::WinePrefix::setCurrent(tmp.path());
    }
};
} // namespace

TEST_F(LinkPrefix, WritesTheDocumentedLayout)
{
    ShellLink link;
    link.setPath("C:\\Reader\\AcroRd32.exe");
    link.setDescription("Adobe Reader 7.0");
    link.setWorkingDirectory("C:\\Reader");
    ASSERT_TRUE(link.save("C:\\AcroRd32.lnk"));
    const QByteArray b = tmp.read("drive_c/AcroRd32.lnk");
    ASSERT_GE(b.size(), 0x4C);
    EXPECT_EQ(u32(b, 0), 0x4Cu);
    EXPECT_EQ(b.mid(4, 16).toHex(), "0114020000000000c000000000000046");
    const uint32_t flags = u32(b, 0x14);
    EXPECT_EQ(flags, 0x02u | 0x04u | 0x10u | 0x80u); // link info, name, working dir, unicode
    EXPECT_EQ(u32(b, 0x34), 1234u);                   // target size
    EXPECT_EQ(u32(b, 0x3C), 1u);                      // shown normally
    // Link info: the local base path, NUL-terminated, at its stated offset.
    const int info = 0x4C;
    EXPECT_EQ(u32(b, info + 8), 1u);
    const int base = info + int(u32(b, info + 16));
    EXPECT_EQ(b.mid(base, 23), QByteArray("C:\\Reader\\AcroRd32.exe\0", 23));
    // Ends with the empty extra-data terminal block.
    EXPECT_EQ(u32(b, b.size() - 4), 0u);
}

TEST_F(LinkPrefix, RoundTripsEveryField)
{
    ShellLink link;
    link.setPath("C:\\Reader\\AcroRd32.exe");
    link.setArguments("/n \"file.pdf\"");
    link.setDescription("Adobe Reader 7.0");
    link.setWorkingDirectory("C:\\Reader\\");
    const auto back = ShellLink::fromBytes(link.toBytes());
    ASSERT_TRUE(back.has_value());
    EXPECT_EQ(back->path(), link.path());
    EXPECT_EQ(back->arguments(), link.arguments());
    EXPECT_EQ(back->description(), link.description());
    EXPECT_EQ(back->workingDirectory(), link.workingDirectory());

    // Non-Latin names keep every character.
    ShellLink wide;
    wide.setPath(QString::fromUtf8("C:\\Programme\\Lecteur \u65e5\u672c\\AcroRd32.exe"));
    wide.setDescription(QString::fromUtf8("\u00e9t\u00e9"));
    const auto wideBack = ShellLink::fromBytes(wide.toBytes());
    ASSERT_TRUE(wideBack.has_value());
    EXPECT_EQ(wideBack->path(), wide.path());
    EXPECT_EQ(wideBack->description(), wide.description());
    EXPECT_TRUE(wideBack->arguments().isEmpty());

    // Readers of the ANSI path alone get it in the Western code page.
    ShellLink euro;
    euro.setPath(QString::fromUtf8("C:\\Co\u00fbt 5\u20ac\\a.exe"));
    EXPECT_TRUE(euro.toBytes().contains(QByteArray("C:\\Co\xfbt 5\x80\\a.exe\0", 16)));
}

TEST_F(LinkPrefix, ReplacesAnExistingLinkAndFailsQuietlyWithoutAFolder)
{
    tmp.write("drive_c/AcroRd32.lnk", "old content that is not a link");
    ShellLink link;
    link.setPath("C:\\Reader\\AcroRd32.exe");
    EXPECT_TRUE(link.save("C:\\AcroRd32.lnk"));
    EXPECT_TRUE(ShellLink::fromBytes(tmp.read("drive_c/AcroRd32.lnk")).has_value());
    EXPECT_FALSE(link.save("C:\\No Such Folder\\AcroRd32.lnk"));
    EXPECT_FALSE(QFileInfo::exists(tmp.file("drive_c/No Such Folder")));
}

TEST(ShellLinkParse, RejectsWhatIsNotALink)
{
    EXPECT_FALSE(ShellLink::fromBytes(QByteArray()).has_value());
    EXPECT_FALSE(ShellLink::fromBytes(QByteArray(76, '\0')).has_value());
    ShellLink link;
    link.setPath("C:\\a.exe");
    link.setDescription("d");
    const QByteArray full = link.toBytes();
    // Cut short inside the string data: not a link, not a crash.
    EXPECT_FALSE(ShellLink::fromBytes(full.left(full.size() - 6)).has_value());
}
