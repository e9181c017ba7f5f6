// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvane developers
// The registry both ways: what we write, Wine reads through advapi32; what
// Wine writes (reg.exe, RegSetValueExW), we read; and a hive we saved is one
// Wine loads, keeps and writes back unchanged.

#include <QFile>
#include <QMap>
#include <QStringList>
#include <cstdio>
#include <gtest/gtest.h>

#include "platform/wine/hive.h"
#include "platform/registry.h"
#include "wineloop.h"

using qv::HiveValue;
namespace ht = qv::hivetext;

namespace {

const QString kTestKey = QStringLiteral("Software\\Quorvane Wine Test");

HiveValue value(const QString &name, uint32_t type, const QByteArray &data)
{
    return HiveValue{name, type, data};
}

QByteArray utf16(const QString &text, bool withNul = true)
{
    QByteArray b(reinterpret_cast<const char *>(text.utf16()), text.size() * 2);
    if (withNul)
        b.append(2, '\0');
    return b;
}

// Every kind of value the hive writes, with the names and data that need
// escapes, non-ASCII text and the shapes Wine writes as hex.
QList<HiveValue> everyKindOfValue()
{
    QByteArray bytes200;
    for (int i = 0; i < 200; ++i)
        bytes200.append(char(i));
    return {
        value(QString(), qv::RegSz, ht::utf16Data(QStringLiteral("the default \"value\" \\ here"))),
        value(QStringLiteral("Plain"), qv::RegSz, ht::utf16Data(QStringLiteral("C:\\Program Files\\Adobe\\Reader 9.0"))),
        value(QStringLiteral("quote\"back\\slash"), qv::RegSz, ht::utf16Data(QStringLiteral("a \"b\" \\c\\"))),
        value(QStringLiteral("=[]@;#"), qv::RegSz, ht::utf16Data(QStringLiteral("[section] key=value ;comment"))),
        value(QStringLiteral("@"), qv::RegSz, ht::utf16Data(QStringLiteral("an at sign, not the default"))),
        value(QStringLiteral(" spaced "), qv::RegSz, ht::utf16Data(QStringLiteral("  "))),
        value(QStringLiteral("tab\tand\nnewline"), qv::RegSz, ht::utf16Data(QStringLiteral("line1\nline2\r\n\tx\x01\x7f"))),
        value(QStringLiteral("Grüße 日本語 😀"), qv::RegSz, ht::utf16Data(QStringLiteral("Ärger ñ € 中文 😀"))),
        value(QStringLiteral("Empty"), qv::RegSz, ht::utf16Data(QString())),
        value(QStringLiteral("NoNul"), qv::RegSz, utf16(QStringLiteral("ab"), false)),
        value(QStringLiteral("InnerNul"), qv::RegSz, utf16(QStringLiteral("a")) + utf16(QStringLiteral("b"))),
        value(QStringLiteral("OddSize"), qv::RegSz, QByteArray("abc", 3)),
        value(QStringLiteral("Expand"), qv::RegExpandSz, ht::utf16Data(QStringLiteral("%ProgramFiles%\\Adobe"))),
        value(QStringLiteral("Multi"), qv::RegMultiSz, utf16(QStringLiteral("one")) + utf16(QStringLiteral("two")) + utf16(QString())),
        value(QStringLiteral("MultiEmpty"), qv::RegMultiSz, utf16(QString())),
        value(QStringLiteral("BinEmpty"), qv::RegBinary, QByteArray()),
        value(QStringLiteral("BinOne"), qv::RegBinary, QByteArray(1, '\xff')),
        value(QStringLiteral("BinLong"), qv::RegBinary, bytes200),
        value(QStringLiteral("Dword0"), qv::RegDword, ht::dwordData(0)),
        value(QStringLiteral("DwordBeef"), qv::RegDword, ht::dwordData(0xdeadbeef)),
        value(QStringLiteral("DwordMax"), qv::RegDword, ht::dwordData(0xffffffff)),
        value(QStringLiteral("DwordShort"), qv::RegDword, QByteArray("\x01\x02\x03", 3)),
        value(QStringLiteral("None"), qv::RegNone, QByteArray("\x00\x01", 2)),
        value(QStringLiteral("BigEndian"), 5, QByteArray("\x01\x02\x03\x04", 4)),
        value(QStringLiteral("Qword"), 11, QByteArray("\x01\x02\x03\x04\x05\x06\x07\x08", 8)),
        value(QStringLiteral("OddType"), 0x12345, QByteArray("\x42", 1)),
    };
}

// Key names that need escapes or are not ASCII.
const QStringList kKeyNames = {QStringLiteral("[brackets]"), QStringLiteral("Ünïcödé 日本 😀"),
                               QStringLiteral("with space"), QStringLiteral("a/b"), QStringLiteral("quote\"d"),
                               QStringLiteral("=equals;")};

QString getRequest(const QString &root, const QString &view, const QString &key, const QString &name)
{
    return QStringList{QStringLiteral("get"), root, view, hexText(key), hexText(name)}.join(QLatin1Char('\t'));
}

QString expectedAnswer(const HiveValue &v)
{
    return QStringLiteral("ok %1 %2").arg(v.type).arg(hexBytes(v.data));
}

QString hivePath(const QString &prefix, const char *file)
{
    return prefix + QLatin1Char('/') + QLatin1String(file);
}

QByteArray readFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// The sections of a hive file by their header line, in file order.
QList<QPair<QByteArray, QByteArray>> sections(const QByteArray &file)
{
    QList<QPair<QByteArray, QByteArray>> out;
    qsizetype at = file.indexOf("\n[");
    while (at >= 0) {
        const qsizetype next = file.indexOf("\n[", at + 1);
        const QByteArray text = file.mid(at + 1, next < 0 ? -1 : next - at - 1);
        const qsizetype close = text.indexOf("] ");
        out.append({text.left(close + 1), text});
        at = next;
    }
    return out;
}

void report(const char *what, int agree, int total)
{
    std::printf("[   WINE   ] %s: %d of %d agree\n", what, agree, total);
}

} // namespace

class WineRegistry : public WineTest
{
protected:
    void SetUp() override
    {
        WineTest::SetUp();
        if (!wine)
            return;
        // Whatever an earlier run left, in either view, goes first.
        for (const char *file : {"system.reg", "user.reg"}) {
            auto hive = qv::Hive::load(hivePath(wine->prefix(), file));
            bool changed = false;
            for (const char *key : {"Software\\Quorvane Wine Test", "Software\\Wow6432Node\\Quorvane Wine Test",
                                    "Software\\Classes\\Quorvane.Wine.Test",
                                    "Software\\Classes\\Wow6432Node\\Quorvane.Wine.Test",
                                    "Software\\Classes\\AppID\\Quorvane.Wine.Test",
                                    "Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\Quorvane Wine Test"})
                changed = hive->deleteKey(QString::fromLatin1(key).split(QLatin1Char('\\'))) || changed;
            if (changed)
                hive->save();
        }
        qv::resetRegistryCache();
    }
};

TEST_F(WineRegistry, ValuesWeWriteAreReadByWineInBothViews)
{
    const QList<HiveValue> values = everyKindOfValue();
    const QStringList key64 = (kTestKey + QStringLiteral("\\Values")).split(QLatin1Char('\\'));
    {
        // Every kind of value into both hives, through the hive model...
        for (const char *file : {"system.reg", "user.reg"}) {
            auto hive = qv::Hive::load(hivePath(wine->prefix(), file));
            for (const HiveValue &v : values)
                hive->setValue(key64, v);
            for (const QString &k : kKeyNames)
                hive->setValue(key64 + QStringList{k}, value(QStringLiteral("name"), qv::RegSz, ht::utf16Data(k)));
            hive->save();
        }
        qv::resetRegistryCache();
    }
    // ...and numbers through the accessor, which sees the machine as a
    // 32-bit program does: ordinary keys, Classes, and keys both views share.
    const QStringList view32Keys = {kTestKey + QStringLiteral("\\View32"),
                                    QStringLiteral("Software\\Classes\\Quorvane.Wine.Test"),
                                    QStringLiteral("Software\\Classes\\AppID\\Quorvane.Wine.Test"),
                                    QStringLiteral("Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\Quorvane Wine Test")};
    for (const QString &k : view32Keys) {
        qv::RegistryAccessor reg;
        reg.setRootKey(qv::HKeyLocalMachine);
        ASSERT_TRUE(reg.openKey(QLatin1Char('\\') + k, true)) << k.toStdString();
        reg.writeInteger(QStringLiteral("Number"), 0x1234abcd);
        reg.writeInteger(QStringLiteral("Negative \"one\""), -1);
    }

    QStringList requests, expected;
    for (const char *root : {"HKLM", "HKCU"}) {
        for (const HiveValue &v : values) {
            requests << getRequest(QLatin1String(root), QStringLiteral("64"), key64.join(QLatin1Char('\\')), v.name);
            expected << expectedAnswer(v);
        }
        for (const QString &k : kKeyNames) {
            requests << getRequest(QLatin1String(root), QStringLiteral("64"),
                                   key64.join(QLatin1Char('\\')) + QLatin1Char('\\') + k, QStringLiteral("name"));
            expected << expectedAnswer(value(QString(), qv::RegSz, ht::utf16Data(k)));
        }
    }
    for (const QString &k : view32Keys) {
        requests << getRequest(QStringLiteral("HKLM"), QStringLiteral("32"), k, QStringLiteral("Number"));
        expected << expectedAnswer(value(QString(), qv::RegDword, ht::dwordData(0x1234abcd)));
        requests << getRequest(QStringLiteral("HKLM"), QStringLiteral("32"), k, QStringLiteral("Negative \"one\""));
        expected << expectedAnswer(value(QString(), qv::RegDword, ht::dwordData(0xffffffff)));
    }
    // What only the 32-bit view holds is not in the 64-bit one, Classes included.
    for (const QString &k : view32Keys.mid(0, 2)) {
        requests << getRequest(QStringLiteral("HKLM"), QStringLiteral("64"), k, QStringLiteral("Number"));
        expected << QStringLiteral("err 2");
    }
    // The subkeys come back with their names.
    requests << QStringList{QStringLiteral("keys"), QStringLiteral("HKCU"), QStringLiteral("64"),
                            hexText(key64.join(QLatin1Char('\\')))}
                    .join(QLatin1Char('\t'));
    QStringList sortedNames = kKeyNames;
    std::sort(sortedNames.begin(), sortedNames.end(),
              [](const QString &a, const QString &b) { return a.toLower() < b.toLower(); });
    QStringList hexNames;
    for (const QString &k : sortedNames)
        hexNames << hexText(k);
    expected << QStringLiteral("ok ") + hexNames.join(QLatin1Char(','));

    const QStringList answers = wine->ask(QStringLiteral("qvreg"), requests);
    int agree = 0;
    for (qsizetype i = 0; i < requests.size(); ++i) {
        EXPECT_EQ(answers[i].toStdString(), expected[i].toStdString()) << "request " << requests[i].toStdString();
        agree += answers[i] == expected[i];
    }
    report("registry, ours read by Wine", agree, int(requests.size()));
}

TEST_F(WineRegistry, ValuesWineWritesAreReadByUs)
{
    const QString base = QStringLiteral("HKLM\\") + kTestKey + QStringLiteral("\\FromReg");
    const QString user = QStringLiteral("HKCU\\") + kTestKey + QStringLiteral("\\FromReg");
    const QString text = QStringLiteral("C:\\Program Files\\Adobe \"x\" Ünï 日本");
    struct Case
    {
        QStringList regArgs;  // after "reg add"
        uint32_t root;
        QStringList rawPath;  // where Wine puts it, below the hive's root
        QString name;
        uint32_t type;
        QByteArray data;
    };
    const QStringList wow = {QStringLiteral("Software"), QStringLiteral("Wow6432Node"), QStringLiteral("Quorvane Wine Test"),
                             QStringLiteral("FromReg")};
    const QStringList native = {QStringLiteral("Software"), QStringLiteral("Quorvane Wine Test"), QStringLiteral("FromReg")};
    const QList<Case> cases = {
        {{base, "/v", "Text", "/t", "REG_SZ", "/d", text, "/reg:32"}, qv::HKeyLocalMachine, wow, "Text", qv::RegSz, ht::utf16Data(text)},
        {{base, "/v", "Number", "/t", "REG_DWORD", "/d", "0xdeadbeef", "/reg:32"}, qv::HKeyLocalMachine, wow, "Number", qv::RegDword, ht::dwordData(0xdeadbeef)},
        {{base, "/ve", "/t", "REG_SZ", "/d", "default", "/reg:32"}, qv::HKeyLocalMachine, wow, "", qv::RegSz, ht::utf16Data("default")},
        {{base, "/v", "Expand", "/t", "REG_EXPAND_SZ", "/d", "%SystemRoot%\\x", "/reg:64"}, qv::HKeyLocalMachine, native, "Expand", qv::RegExpandSz, ht::utf16Data("%SystemRoot%\\x")},
        {{base, "/v", "Multi", "/t", "REG_MULTI_SZ", "/d", "one\\0two", "/reg:64"}, qv::HKeyLocalMachine, native, "Multi", qv::RegMultiSz, utf16("one") + utf16("two") + utf16("")},
        {{user, "/v", "Bin", "/t", "REG_BINARY", "/d", "00ff10"}, qv::HKeyCurrentUser, native, "Bin", qv::RegBinary, QByteArray("\x00\xff\x10", 3)},
        {{user, "/v", "Qword", "/t", "REG_QWORD", "/d", "0x0102030405060708"}, qv::HKeyCurrentUser, native, "Qword", 11, QByteArray("\x08\x07\x06\x05\x04\x03\x02\x01", 8)},
        {{QStringLiteral("HKLM\\Software\\Classes\\Quorvane.Wine.Test"), "/v", "Class", "/t", "REG_SZ", "/d", "32-bit class", "/reg:32"}, qv::HKeyLocalMachine,
         {"Software", "Classes", "Wow6432Node", "Quorvane.Wine.Test"}, "Class", qv::RegSz, ht::utf16Data("32-bit class")},
    };
    for (const Case &c : cases)
        wine->run(QStringList{QStringLiteral("wine"), QStringLiteral("reg.exe"), QStringLiteral("add")} + c.regArgs
                  + QStringList{QStringLiteral("/f")});
    // Names reg.exe cannot pass on its command line, through RegSetValueExW.
    QStringList sets;
    QList<HiveValue> exotic;
    for (const HiveValue &v : everyKindOfValue())
        if (v.name.contains(QLatin1Char('"')) || v.name.contains(QLatin1Char('\t')) || v.type > qv::RegMultiSz
            || v.name.contains(QStringLiteral("日本"))) {
            exotic << v;
            sets << QStringList{QStringLiteral("set"), QStringLiteral("HKLM"), QStringLiteral("32"),
                                hexText(kTestKey + QStringLiteral("\\FromApi")), hexText(v.name),
                                QString::number(v.type), hexBytes(v.data)}
                        .join(QLatin1Char('\t'));
        }
    for (const QString &answer : wine->ask(QStringLiteral("qvreg"), sets))
        EXPECT_EQ(answer, QStringLiteral("ok"));
    wine->stopServer();
    qv::resetRegistryCache();

    int agree = 0, total = 0;
    auto check = [&](bool same, const std::string &what) {
        ++total;
        agree += same;
        EXPECT_TRUE(same) << what;
    };
    for (const Case &c : cases) {
        auto hive = qv::Hive::load(hivePath(wine->prefix(), c.root == qv::HKeyCurrentUser ? "user.reg" : "system.reg"));
        const auto v = hive->value(c.rawPath, c.name);
        check(v && v->type == c.type && v->data == c.data, "reg.exe add " + c.regArgs.join(' ').toStdString());
    }
    // The accessor, a 32-bit program's eyes, finds what Wine's 32-bit view holds.
    qv::RegistryAccessor reg;
    reg.setRootKey(qv::HKeyLocalMachine);
    reg.setAccess(qv::KeyRead);
    ASSERT_TRUE(reg.openKey(QLatin1Char('\\') + kTestKey + QStringLiteral("\\FromReg"), false));
    check(reg.readString(QStringLiteral("Text")) == text, "Text through the accessor");
    check(uint32_t(reg.readInteger(QStringLiteral("Number"))) == 0xdeadbeef, "Number through the accessor");
    check(reg.readString(QString()) == QStringLiteral("default"), "default value through the accessor");
    ASSERT_TRUE(reg.openKey(QStringLiteral("\\Software\\Classes\\Quorvane.Wine.Test"), false));
    check(reg.readString(QStringLiteral("Class")) == QStringLiteral("32-bit class"), "32-bit class through the accessor");
    auto system = qv::Hive::load(hivePath(wine->prefix(), "system.reg"));
    for (const HiveValue &v : exotic) {
        const auto got = system->value({"Software", "Wow6432Node", "Quorvane Wine Test", "FromApi"}, v.name);
        check(got && got->type == v.type && got->data == v.data, "RegSetValueExW of " + v.name.toStdString());
    }
    report("registry, Wine's read by us", agree, total);
}

TEST_F(WineRegistry, HivesWeSaveLoadInWineAndComeBackUnchanged)
{
    const QString systemFile = hivePath(wine->prefix(), "system.reg");
    const QString userFile = hivePath(wine->prefix(), "user.reg");
    const QByteArray systemBefore = readFile(systemFile), userBefore = readFile(userFile);

    // New keys and values whose place Wine decides by comparing lower-cased names.
    const QStringList names = {"AZ", "ab1", "A_b", "Ab", "A[", "a^", "A`", "a~", "Ä", "A{"};
    for (uint32_t root : {qv::HKeyLocalMachine, qv::HKeyCurrentUser}) {
        qv::RegistryAccessor reg;
        reg.setRootKey(root);
        for (qsizetype i = 0; i < names.size(); ++i) {
            ASSERT_TRUE(reg.openKey(QLatin1Char('\\') + kTestKey + QStringLiteral("\\Order\\") + names[i], true));
            reg.writeInteger(QStringLiteral("Value ") + names[i], int32_t(i));
            reg.writeInteger(names[(i + 3) % names.size()], int32_t(i));
        }
    }

    // What we did not touch is byte for byte what Wine wrote, in its order.
    for (const auto &[before, file] : {std::pair{systemBefore, systemFile}, std::pair{userBefore, userFile}}) {
        const auto after = sections(readFile(file));
        QMap<QByteArray, QByteArray> afterByHeader;
        QByteArrayList afterOrder;
        for (const auto &[header, text] : after) {
            afterByHeader.insert(header, text);
            afterOrder << header;
        }
        qsizetype last = -1;
        int untouched = 0;
        for (const auto &[header, text] : sections(before)) {
            if (header.contains("Quorvane Wine Test"))
                continue;
            ++untouched;
            ASSERT_TRUE(afterByHeader.contains(header)) << header.toStdString();
            EXPECT_EQ(afterByHeader.value(header), text) << header.toStdString();
            const qsizetype at = afterOrder.indexOf(header);
            EXPECT_GT(at, last) << header.toStdString() << " moved";
            last = at;
        }
        EXPECT_GT(untouched, 20);
    }

    // Wine loads both hives, updates the prefix and writes them again; a
    // change in each makes sure both are written.
    const QByteArray systemOurs = readFile(systemFile), userOurs = readFile(userFile);
    wine->run({QStringLiteral("wineboot"), QStringLiteral("-u")});
    const QStringList touch = {
        QStringList{"set", "HKLM", "64", hexText("Software\\Quorvane Wine Scratch"), hexText("x"), "4", "01000000"}.join('\t'),
        QStringList{"set", "HKCU", "64", hexText("Software\\Quorvane Wine Scratch"), hexText("x"), "4", "01000000"}.join('\t'),
        getRequest("HKLM", "32", kTestKey + "\\Order\\A_b", "Value A_b"),
        getRequest("HKCU", "64", kTestKey + "\\Order\\a~", "Value a~"),
    };
    const QStringList answers = wine->ask(QStringLiteral("qvreg"), touch);
    EXPECT_EQ(answers.value(2), expectedAnswer(value(QString(), qv::RegDword, ht::dwordData(2))));
    EXPECT_EQ(answers.value(3), expectedAnswer(value(QString(), qv::RegDword, ht::dwordData(7))));
    wine->stopServer();

    // Our sections come back from Wine byte for byte and in the same order.
    for (const auto &[ours, file] : {std::pair{systemOurs, systemFile}, std::pair{userOurs, userFile}}) {
        auto ourSections = sections(ours), wineSections = sections(readFile(file));
        auto keep = [](const QPair<QByteArray, QByteArray> &s) { return !s.first.contains("Quorvane Wine Test"); };
        ourSections.removeIf(keep);
        wineSections.removeIf(keep);
        EXPECT_EQ(ourSections.size(), names.size()) << file.toStdString();
        QByteArray ourText, wineText;
        for (const auto &s : ourSections)
            ourText += s.second;
        for (const auto &s : wineSections)
            wineText += s.second;
        EXPECT_EQ(ourText.toStdString(), wineText.toStdString()) << file.toStdString();
    }
}

TEST_F(WineRegistry, KeyPathsWithEmptyPartsNameNoKey)
{
    {
        qv::RegistryAccessor reg;
        ASSERT_TRUE(reg.openKey(QLatin1Char('\\') + kTestKey + QStringLiteral("\\Paths\\InstallPath"), true));
        reg.writeInteger(QStringLiteral("x"), 1);
    }
    struct PathCase
    {
        const char *what;
        QString path; // below HKEY_CURRENT_USER
        bool create;
        bool weOpen;
        const char *why; // set where Wine opens what we refuse
    };
    const QString base = kTestKey + QStringLiteral("\\Paths");
    const QList<PathCase> cases = {
        {"closing backslash", base + QStringLiteral("\\InstallPath\\"), false, true, nullptr},
        {"leading backslash", QStringLiteral("\\") + base, false, false, nullptr},
        {"empty part, open", base + QStringLiteral("\\\\InstallPath"), false, false,
         "Wine 8's server takes a run of backslashes for one (server/registry.c, get_path_token); start-up "
         "relies on \"Acrobat Reader\\\\InstallPath\" failing, so that it asks for the folder"},
        {"empty part, create", base + QStringLiteral("\\\\Created"), true, false, "as for opening"},
    };
    QStringList requests;
    for (const PathCase &c : cases) {
        qv::RegistryAccessor reg;
        EXPECT_EQ(reg.openKey(QLatin1Char('\\') + c.path, c.create), c.weOpen) << c.what;
        requests << QStringList{c.create ? QStringLiteral("create") : QStringLiteral("open"), QStringLiteral("HKCU"),
                                QStringLiteral("-"), hexText(c.path)}
                        .join(QLatin1Char('\t'));
    }
    qv::resetRegistryCache();
    const QStringList answers = wine->ask(QStringLiteral("qvreg"), requests);
    int agree = 0, followWindows = 0;
    for (qsizetype i = 0; i < cases.size(); ++i) {
        const bool wineOpens = answers[i] == QStringLiteral("rc 0");
        if (!cases[i].why) {
            EXPECT_EQ(wineOpens, cases[i].weOpen) << cases[i].what << ": " << answers[i].toStdString();
            agree += wineOpens == cases[i].weOpen;
        } else {
            EXPECT_TRUE(wineOpens) << "Wine now refuses " << cases[i].what << " too";
            followWindows += !cases[i].weOpen;
            std::printf("[   WINE   ] key path with an %s: Wine gives %s, we refuse it: %s\n", cases[i].what,
                        answers[i].toUtf8().constData(), cases[i].why);
        }
    }
    std::printf("[   WINE   ] key paths: %d of %d agree, %d refused where Wine opens them\n", agree,
                int(cases.size()), followWindows);
}
