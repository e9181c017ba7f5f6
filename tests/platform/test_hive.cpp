// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvane developers
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "platform/wine/hive.h"
#include "support/tempdir.h"

using qv::Hive;
using qv::HiveValue;
namespace ht = qv::hivetext;

namespace {

// Lines as Wine writes them, one of every kind it writes.
const QByteArray kEveryType =
    "WINE REGISTRY Version 2\n"
    ";; All keys relative to \\\\Machine\n"
    "\n"
    "#arch=win32\n"
    "\n"
    "[Software\\\\Classes\\\\.pdf] 1700000000\n"
    "#time=1da1234567890ab\n"
    "@=\"AcroExch.Document\"\n"
    "\"Content Type\"=\"application/pdf\"\n"
    "\n"
    "[Software\\\\Test\\\\Types] 1700000001\n"
    "#time=1da1234567890ac\n"
    "#class=\"Shell\"\n"
    "\"Bin\"=hex:00,01,02,ff\n"
    "\"Dword\"=dword:0000ffff\n"
    "\"Esc\\\\\"=\"\\a\\b\\e\\f\\n\\r\\v\\t\\\"\\\\\"\n"
    "\"Expand\"=str(2):\"%SystemRoot%\\\\system32\"\n"
    "\"Multi\"=str(7):\"one\\0two\\0\"\n"
    "\"Name \\\"quoted\\\"\"=\"x\"\n"
    "\"None\"=hex(0):\n"
    "\"Octal\"=\"\\1\\0012\"\n"
    "\"Qword\"=hex(b):01,00,00,00,00,00,00,00\n"
    "\"Settings\"=hex:28,00,00,00,ff,ff,ff,ff,02,00,00,00,03,00,00,00,3e,00,00,00,28,\\\n"
    "  00,00,00,00,00,00,00,d8,02,00,00,80,07,00,00,00,03,00,00,60,00,00,00,01,00,\\\n"
    "  00,00\n"
    "\"SzNoNul\"=hex(1):41,00\n"
    "\"Wide\"=\"Chinese \\x4e2d\\x6587 and \\x00e9a\\xe9\"\n"
    "\n"
    "[Software\\\\Wine\\\\Link] 1700000002\n"
    "#time=1da1234567890ad\n"
    "#link\n"
    "\"SymbolicLinkValue\"=hex(6):5c,00,52,00\n";

// Sections of a hive written by Wine 8 itself (a new 64-bit prefix).
const QByteArray kWineWritten = R"reg(WINE REGISTRY Version 2
;; All keys relative to REGISTRY\\Machine

#arch=win64

[Software\\Classes\\Wow6432Node\\AppId] 1796684625
#time=1dd869f36270e1c
#link
"SymbolicLinkValue"=hex(6):5c,00,52,00,65,00,67,00,69,00,73,00,74,00,72,00,79,\
  00,5c,00,4d,00,61,00,63,00,68,00,69,00,6e,00,65,00,5c,00,53,00,6f,00,66,00,\
  74,00,77,00,61,00,72,00,65,00,5c,00,43,00,6c,00,61,00,73,00,73,00,65,00,73,\
  00,5c,00,41,00,70,00,70,00,49,00,64,00

[System\\CurrentControlSet\\Enum\\DISPLAY\\Default_Monitor\\0000&0000\\Properties\\{233a9ef3-afc4-4abd-b564-c32f21f1535b}\\0005] 1796684625
#time=1dd869f360c0a54
@=hex(ffff0012):5c,00,5c,00,2e,00,5c,00,44,00,49,00,53,00,50,00,4c,00,41,00,59,\
  00,31,00,00,00

[Software\\Microsoft\\Cryptography\\OID\\EncodingType 1\\CertDllVerifyRevocation\\DEFAULT] 1796684629
#time=1dd869f3854596a
"Dll"=str(7):"cryptnet.dll\0"

[Software\\Classes\\CLSID\\{25336920-03F9-11CF-8FD0-00AA00686F13}\\DefaultIcon] 1796684629
#time=1dd869f386d87aa
@=str(2):"C:\\Program Files\\Internet Explorer\\iexplore.exe,1"

[Software\\Classes\\CLSID\\{05EC7C2B-F1E6-4961-AD46-E1CC810A87D2}\\ChannelMasks] 1796684630
#time=1dd869f38ba0b98
"0"=hex:1f,00
"1"=hex:e0,03
"2"=hex:00,7c
"3"=hex:00,80

[Software\\Classes\\CLSID\\{03219E78-5BC3-44D1-B92E-F63D89CC6526}\\InprocServer32] 1796684629
#time=1dd869f3821a5ce
@="C:\\windows\\system32\\xaudio2_4.dll"
"ThreadingModel"="Both"

[System\\CurrentControlSet\\Enum\\ROOT\\WINE\\WINEBUS] 1796684630
#time=1dd869f391a6b32
"Class"="System"
"ClassGUID"="{4D36E97D-E325-11CE-BFC1-08002BE10318}"
"ConfigFlags"=dword:00000000
"DeviceDesc"="Wine HID bus driver"
"Driver"="{4D36E97D-E325-11CE-BFC1-08002BE10318}\\0000"
"HardwareId"=hex(7):72,00,6f,00,6f,00,74,00,5c,00,77,00,69,00,6e,00,65,00,62,\
  00,75,00,73,00,00,00,00,00,43,00,3a,00,5c,00,77,00,69,00,6e,00,64,00,6f,00,\
  77,00,73,00,5c,00,69,00,6e,00,66,00
"Service"="winebus"
)reg";

QString write(const TempDir &tmp, const QByteArray &bytes)
{
    return tmp.write("system.reg", bytes);
}

QByteArray readAll(const QString &file)
{
    QFile f(file);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QStringList path(const char *p)
{
    return QString::fromLatin1(p).split('\\');
}

struct FixedClock
{
    FixedClock() { Hive::setClockForTests(1700000100); }
    ~FixedClock() { Hive::setClockForTests(0); }
};

} // namespace

TEST(HiveFile, UnchangedHiveSavesByteForByte)
{
    TempDir tmp;
    const QString file = write(tmp, kEveryType);
    auto hive = Hive::load(file);
    hive->validate();
    hive->save();
    EXPECT_EQ(readAll(file), kEveryType);
    EXPECT_EQ(Hive::load(file)->serialize(), kEveryType);
}

TEST(HiveFile, EveryValueTypeParsesAndFormatsBackAsWineWritesIt)
{
    auto hive = Hive::fromBytes(kEveryType, "mem.reg");
    const QStringList key = path("Software\\Test\\Types");
    EXPECT_EQ(ht::textOf(hive->value(key, "Expand")->data), "%SystemRoot%\\system32");
    EXPECT_EQ(hive->value(key, "expand")->type, qv::RegExpandSz);
    EXPECT_EQ(hive->value(key, "Multi")->data, QByteArray("o\0n\0e\0\0\0t\0w\0o\0\0\0\0\0", 18));
    EXPECT_EQ(hive->value(key, "Dword")->data, ht::dwordData(0xffff));
    EXPECT_EQ(hive->value(key, "Settings")->data.size(), 48);
    EXPECT_EQ(hive->value(key, "Qword")->type, 0xbu);
    EXPECT_EQ(ht::textOf(hive->value(key, "Wide")->data), QString::fromUtf8("Chinese 中文 and éaé"));
    EXPECT_EQ(ht::textOf(hive->value(key, "Esc\\")->data), "\a\b\x1b\f\n\r\v\t\"\\");
    EXPECT_EQ(ht::textOf(hive->value(key, "Octal")->data), QString("\x01\x01") + "2");
    EXPECT_EQ(ht::textOf(hive->value(key, "SzNoNul")->data), "A");
    EXPECT_TRUE(hive->value(key, "Name \"quoted\"").has_value());
    EXPECT_EQ(ht::textOf(hive->value(path("Software\\Classes\\.pdf"), "")->data), "AcroExch.Document");

}

TEST(HiveFile, ValuesFormatBackToTheLinesWineWrote)
{
    for (const QByteArray &hiveText : {kEveryType, kWineWritten}) {
        auto hive = Hive::fromBytes(hiveText, "mem.reg");
        hive->validate();
        EXPECT_EQ(hive->serialize(), hiveText);
        const QList<QByteArray> lines = hiveText.split('\n');
        for (qsizetype i = 0; i < lines.size(); ++i) {
            QByteArray entry = lines[i] + '\n';
            if (!entry.startsWith('"') && !entry.startsWith('@'))
                continue;
            while (entry.endsWith("\\\n"))
                entry += lines[++i] + '\n';
            HiveValue v;
            QString why;
            const char *end = entry.constData() + entry.size();
            ASSERT_EQ(ht::parseValue(entry.constData(), end, &v, &why), end) << entry.constData();
            EXPECT_EQ(ht::formatValue(v), entry);
        }
    }
}

TEST(HiveFile, ChangedValueRewritesOnlyItsSectionWithFreshStamps)
{
    FixedClock clock;
    auto hive = Hive::fromBytes(kEveryType, "mem.reg");
    HiveValue v{"Bzz", qv::RegDword, ht::dwordData(1)};
    hive->setValue(path("software\\TEST\\types"), v);
    QByteArray expected = kEveryType;
    expected.replace("[Software\\\\Test\\\\Types] 1700000001\n#time=1da1234567890ac\n",
                     "[Software\\\\Test\\\\Types] 1700000100\n#time=1da17480207ca00\n");
    expected.replace("\"Dword\"=", "\"Bzz\"=dword:00000001\n\"Dword\"="); // sorted among the values
    EXPECT_EQ(hive->serialize(), expected);

    // Wine sorts by lower case: "B_x" comes before "Bin" ('_' < 'i'), not after "Bzz"
    hive->setValue(path("Software\\Test\\Types"), HiveValue{"B_x", qv::RegDword, ht::dwordData(2)});
    expected.replace("\"Bin\"=", "\"B_x\"=dword:00000002\n\"Bin\"=");
    EXPECT_EQ(hive->serialize(), expected);

    v = {"dword", qv::RegDword, ht::dwordData(0x12345678)}; // replaces, whatever the case
    hive->setValue(path("Software\\Test\\Types"), v);
    expected.replace("\"Dword\"=dword:0000ffff", "\"dword\"=dword:12345678");
    EXPECT_EQ(hive->serialize(), expected);
}

TEST(HiveFile, KeysAreFoundWithoutRegardToCaseAndListedInFileOrder)
{
    auto hive = Hive::fromBytes(kEveryType, "mem.reg");
    EXPECT_TRUE(hive->keyExists(path("SOFTWARE\\classes")));
    EXPECT_TRUE(hive->keyExists(path("software\\wine\\link")));
    EXPECT_FALSE(hive->keyExists(path("Software\\Win")));
    EXPECT_EQ(hive->subkeys(path("software")), QStringList({"Classes", "Test", "Wine"}));
    EXPECT_EQ(hive->subkeys({}), QStringList({"Software"}));
    EXPECT_TRUE(hive->subkeys(path("Software\\Wine\\Link")).isEmpty());
}

TEST(HiveFile, NewKeysGoWhereWineWouldPutThemAndDeletionKeepsTheParent)
{
    FixedClock clock;
    auto hive = Hive::fromBytes(kEveryType, "mem.reg");
    EXPECT_TRUE(hive->createKey(path("Software\\Adobe\\Acrobat Reader")));
    EXPECT_FALSE(hive->createKey(path("software\\adobe")));
    EXPECT_EQ(hive->subkeys(path("Software")), QStringList({"Adobe", "Classes", "Test", "Wine"}));
    hive->setValue(path("SOFTWARE\\TEST\\New"), HiveValue{"v", qv::RegDword, ht::dwordData(1)});
    EXPECT_TRUE(hive->serialize().contains("[Software\\\\Test\\\\New]")); // parents keep their spelling

    auto reread = Hive::fromBytes(hive->serialize(), "again.reg");
    reread->validate();
    EXPECT_TRUE(reread->keyExists(path("Software\\Adobe\\Acrobat Reader")));

    EXPECT_TRUE(hive->deleteKey(path("Software\\WINE\\link")));
    EXPECT_FALSE(hive->keyExists(path("Software\\Wine\\Link")));
    EXPECT_TRUE(hive->keyExists(path("Software\\Wine"))); // now a leaf of its own
    EXPECT_FALSE(hive->deleteKey(path("Software\\Wine\\Link")));

    auto after = Hive::fromBytes(hive->serialize(), "after.reg");
    after->validate();
    EXPECT_TRUE(after->keyExists(path("Software\\Wine")));
    EXPECT_EQ(after->subkeys(path("Software")), QStringList({"Adobe", "Classes", "Test", "Wine"}));
}

TEST(HiveFile, NewKeysAndValuesSortByLowerCasedNamesAsWineSortsThem)
{
    auto hive = Hive::fromBytes(kEveryType, "mem.reg");
    for (const char *name : {"AZ", "ab1", "A_b", "Ab", "A[", "a^", "A`", "a~", "\xc3\x84", "A{"})
        hive->createKey(QStringList{"Software", "Order", QString::fromUtf8(name)});
    // the order a Wine 8 server gives these names in its saved hive
    EXPECT_EQ(hive->subkeys(path("Software\\Order")),
              QStringList({"A[", "a^", "A_b", "A`", "Ab", "ab1", "AZ", "A{", "a~", QString::fromUtf8("\xc3\x84")}));
    for (const char *name : {"Zed", "a", "_under"})
        hive->setValue(path("Software\\Order\\Ab"), HiveValue{name, qv::RegDword, ht::dwordData(1)});
    const QByteArray text = hive->serialize();
    EXPECT_LT(text.indexOf("\"_under\""), text.indexOf("\"a\""));
    EXPECT_LT(text.indexOf("\"a\""), text.indexOf("\"Zed\""));
}

TEST(HiveFile, KeyNamesWithEscapesAndWideCharacters)
{
    auto hive = Hive::fromBytes(kEveryType, "mem.reg");
    const QStringList odd{"Software", QString::fromUtf8("Ärger [x]")};
    HiveValue v{"n", qv::RegDword, ht::dwordData(7)};
    hive->setValue(odd, v);
    EXPECT_TRUE(hive->serialize().contains("[Software\\\\\\xc4rger \\[x\\]]"));
    auto reread = Hive::fromBytes(hive->serialize(), "again.reg");
    EXPECT_TRUE(reread->value({"software", QString::fromUtf8("ärger [X]")}, "N").has_value());
    EXPECT_TRUE(reread->subkeys(path("Software")).contains(QString::fromUtf8("Ärger [x]")));
}

TEST(HiveFile, AFileOutOfOrderIsIndexedAsWineWouldHaveSortedIt)
{
    // Hand-edited order: long shared beginnings, case, '_' (between 'Z' and
    // 'a'), a name that begins a longer one, a wide character, and one key
    // twice, whose first section counts.
    QByteArray text = "WINE REGISTRY Version 2\n\n#arch=win32\n";
    int n = 0;
    for (const char *k : {"{B0000000-0000}", "{a0000000-0000}\\\\In", "{A0000000-0000}", "{A0000000-0000}_x",
                          "{A0000000-0000}x", "{A0000000}", "{B0000000-0000}", "\\xc4rger"})
        text += "\n[CLSID\\\\" + QByteArray(k) + "] 0\n\"v\"=dword:0000000" + QByteArray::number(n++) + "\n";
    auto hive = Hive::fromBytes(text + "\n[A] 0\n", "hand.reg");
    for (const QString &k : {"{b0000000-0000}", "{A0000000-0000}\\IN", "{a0000000-0000}_X", "{A0000000}", "\u00e4RGER"})
        EXPECT_TRUE(hive->keyExists(QStringList{"Clsid"} + k.split('\\'))) << k.toStdString();
    for (const QString &k : {"{A0000000-000}", "{A0000000-0000}y", "{A0000000-0000}_", "rger"})
        EXPECT_FALSE(hive->keyExists({"CLSID", k})) << k.toStdString();
    EXPECT_TRUE(hive->keyExists({"a"}));
    EXPECT_EQ(hive->value({"CLSID", "{B0000000-0000}"}, "v")->data, ht::dwordData(0));
    EXPECT_EQ(hive->subkeys({"CLSID"}), QStringList({"{B0000000-0000}", "{a0000000-0000}", "{A0000000-0000}_x",
                                                     "{A0000000-0000}x", "{A0000000}", QString::fromUtf8("\u00c4rger")}));
}

TEST(HiveFile, MalformedHiveNamesFileAndLineAndIsNeverWritten)
{
    TempDir tmp;
    struct Case
    {
        QByteArray bytes;
        int line;
    };
    const Case cases[] = {
        {"REGEDIT4\n\n[HKEY_LOCAL_MACHINE]\n", 1},
        {"WINE REGISTRY Version 2\n\n[Software\\\\Broken 1\n\"a\"=\"b\"\n", 3},
        {"WINE REGISTRY Version 2\n\n[A] 1\n\"a\"=\"b\"\n\"c\"=dword:xyz\n", 5},
        {"WINE REGISTRY Version 2\n\n[A] 1\n\"a\"=\"b\"\n\n[B] 2\n\"unterminated=\"b\"\n", 7},
        {"WINE REGISTRY Version 2\n\n[A] 1\ngarbage here\n", 4},
        {"WINE REGISTRY Version 2\n\n[A] 1\n\"h\"=hex:00,zz\n", 4},
    };
    for (const Case &c : cases) {
        const QString file = write(tmp, c.bytes);
        try {
            auto hive = Hive::load(file);
            hive->save();
            FAIL() << "accepted: " << c.bytes.constData();
        } catch (const qv::HiveError &e) {
            EXPECT_EQ(e.line(), c.line) << c.bytes.constData();
            EXPECT_TRUE(e.message().contains(file));
            EXPECT_TRUE(e.message().contains(QStringLiteral("line %1").arg(c.line)));
        }
        EXPECT_EQ(readAll(file), c.bytes);
    }
}

namespace {
void crashAfterWriting(const char *stage)
{
    if (QByteArray(stage) == "written")
        throw qv::Error("simulated crash");
}
} // namespace

TEST(HiveFile, InterruptedSaveLeavesTheOldFileAndNoLeftovers)
{
    TempDir tmp;
    const QString file = write(tmp, kEveryType);
    ASSERT_EQ(::chmod(QFile::encodeName(file).constData(), 0640), 0);
    auto hive = Hive::load(file);
    hive->setValue(path("Software\\Test\\Types"), HiveValue{"New", qv::RegDword, ht::dwordData(5)});
    Hive::setSaveHook(crashAfterWriting);
    EXPECT_THROW(hive->save(), qv::Error);
    Hive::setSaveHook(nullptr);
    EXPECT_EQ(readAll(file), kEveryType);
    EXPECT_EQ(QDir(tmp.path()).entryList(QDir::Files | QDir::Hidden), QStringList({"system.reg"}));

    hive->save(); // the same change goes through once nothing interferes
    EXPECT_TRUE(Hive::load(file)->value(path("Software\\Test\\Types"), "New").has_value());
    struct stat st;
    ASSERT_EQ(::stat(QFile::encodeName(file).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
}

TEST(HiveFile, MissingFileIsAnEmptyHiveUntilSaved)
{
    TempDir tmp;
    auto hive = Hive::load(tmp.file("user.reg"));
    EXPECT_FALSE(hive->existsOnDisk());
    EXPECT_FALSE(hive->keyExists(path("Software")));
}

TEST(HiveFile, EmptyFileGetsWinesOpeningLineWhenWritten)
{
    auto hive = Hive::fromBytes(QByteArray(), "empty.reg");
    hive->setValue(path("Software\\X"), HiveValue{"a", qv::RegDword, ht::dwordData(1)});
    const QByteArray out = hive->serialize();
    EXPECT_TRUE(out.startsWith("WINE REGISTRY Version 2\n"));
    EXPECT_TRUE(Hive::fromBytes(out, "again.reg")->value(path("Software\\X"), "A").has_value());
}

TEST(HiveFile, SavingThroughASymbolicLinkKeepsTheLinkOnlyInsideThePrefix)
{
    TempDir tmp;
    const QString real = tmp.write("elsewhere/system.reg", kEveryType);
    const QString link = tmp.file("system.reg");
    ASSERT_TRUE(QFile::link(real, link));
    auto hive = Hive::load(link);
    hive->setValue(path("Software\\X"), HiveValue{"a", qv::RegDword, ht::dwordData(1)});
    hive->save();
    EXPECT_TRUE(QFileInfo(link).isSymLink());
    EXPECT_TRUE(Hive::load(real)->keyExists(path("Software\\X")));

    // A link out of the prefix (the hive's folder) is never saved through.
    TempDir outside;
    const QString theirs = outside.write("user.reg", kEveryType);
    const QString planted = tmp.file("user.reg");
    ASSERT_TRUE(QFile::link(theirs, planted));
    auto other = Hive::load(planted);
    other->setValue(path("Software\\X"), HiveValue{"a", qv::RegDword, ht::dwordData(1)});
    try {
        other->save();
        ADD_FAILURE() << "saved through a link out of the prefix";
    } catch (const qv::Error &e) {
        EXPECT_TRUE(e.message().contains("outside the prefix")) << e.message().toStdString();
    }
    EXPECT_EQ(outside.read("user.reg"), kEveryType);
}
