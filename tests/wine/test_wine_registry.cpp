// The registry both ways: what we write, Wine reads through advapi32; what
// Wine writes (reg.exe, RegSetValueExW), we read; and a hive we saved is one
// Wine loads, keeps and writes back unchanged.

#include <QFile>
#include <QMap>
#include <QStringList>
#include <cstdio>
#include <gtest/gtest.h>

#include "platform/hive.h"
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
