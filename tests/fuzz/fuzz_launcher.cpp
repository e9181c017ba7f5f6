// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvane developers
// Feeds arbitrary shortcuts to the launcher writer: the shortcut's name,
// program, arguments, description and working folder, separated by NUL
// bytes (bytes that are no UTF-8 kept as a file name keeps them). Whatever
// it writes must be a desktop entry of one line a key, each key once, with
// no control character and no field code, whose values read back (by the
// Desktop Entry rules, undone here on their own) as exactly what was given;
// whatever it refuses, it says why.
#include <QByteArray>
#include <QDir>
#include <QSet>
#include <QTemporaryDir>
#include <cstdint>
#include <cstdlib>

#include "platform/launchers.h"
#include "platform/namebytes.h"
#include "platform/wine/wineprefix.h"

using namespace qv;

namespace {

void check(bool ok)
{
    if (!ok)
        abort();
}

// A string value with its escapes undone: \s \n \t \r \\.
QString unescaped(const QString &value)
{
    QString out;
    for (qsizetype i = 0; i < value.size(); ++i) {
        if (value.at(i) != QLatin1Char('\\') || i + 1 == value.size()) {
            out += value.at(i);
            continue;
        }
        const QChar c = value.at(++i);
        out += c == QLatin1Char('s') ? QChar(' ') : c == QLatin1Char('n') ? QChar('\n')
             : c == QLatin1Char('t') ? QChar('\t') : c == QLatin1Char('r') ? QChar('\r') : c;
    }
    return out;
}

const QString &prefixRoot()
{
    static QTemporaryDir home;
    static const QString root = [] {
        qputenv("HOME", QFile::encodeName(home.path()));
        qputenv("XDG_DATA_HOME", QFile::encodeName(home.path() + QStringLiteral("/data")));
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(home.path() + QStringLiteral("/config")));
        const QString r = home.path() + QStringLiteral("/prefix");
        QDir().mkpath(r + QStringLiteral("/drive_c/users/u/Desktop"));
        QDir().mkpath(r + QStringLiteral("/dosdevices"));
        QFile::link(QStringLiteral("../drive_c"), r + QStringLiteral("/dosdevices/c:"));
        QFile(r + QStringLiteral("/system.reg")).open(QIODevice::WriteOnly);
        WinePrefix::setCurrent(r);
        return r;
    }();
    return root;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString root = prefixRoot();
    QList<QByteArray> fields = QByteArray(reinterpret_cast<const char *>(data), qsizetype(size)).split('\0');
    while (fields.size() < 5)
        fields << QByteArray();
    QString name = namebytes::decode(fields.at(0));
    name.remove(QLatin1Char('\\'));
    name.remove(QLatin1Char('/'));
    const QString shownName = name.isEmpty() ? QStringLiteral(".lnk") : name;
    launchers::DesktopShortcut s;
    s.link = QStringLiteral("C:\\users\\u\\Desktop\\") + name + QStringLiteral(".lnk");
    s.target = namebytes::decode(fields.at(1));
    s.arguments = namebytes::decode(fields.at(2));
    s.description = namebytes::decode(fields.at(3));
    s.workingFolder = namebytes::decode(fields.at(4));

    QString why;
    const QByteArray entry = launchers::desktopEntry(s, &why);
    if (entry.isEmpty()) {
        check(!why.isEmpty());
        return 0;
    }
    const QString text = QString::fromUtf8(entry);
    check(text.toUtf8() == entry); // valid UTF-8
    check(text.endsWith(QLatin1Char('\n')));
    const QStringList lines = text.chopped(1).split(QLatin1Char('\n'));
    check(lines.value(0) == QLatin1String("[Desktop Entry]"));
    static const QSet<QString> keys{QStringLiteral("Name"), QStringLiteral("Exec"), QStringLiteral("Type"),
                                    QStringLiteral("StartupNotify"), QStringLiteral("Comment"), QStringLiteral("Path"),
                                    QStringLiteral("Icon"), QStringLiteral("StartupWMClass")};
    QSet<QString> seen;
    QString exec, comment;
    for (const QString &line : lines.mid(1)) {
        for (const QChar c : line)
            check(c.unicode() >= 0x20 && c.unicode() != 0x7F && !(c.unicode() >= 0x80 && c.unicode() <= 0x9F));
        const qsizetype eq = line.indexOf(QLatin1Char('='));
        check(eq > 0);
        const QString key = line.left(eq);
        check(keys.contains(key) && !seen.contains(key));
        seen.insert(key);
        const QString value = line.mid(eq + 1);
        if (key == QLatin1String("Name"))
            check(unescaped(value) == shownName);
        else if (key == QLatin1String("Exec"))
            exec = unescaped(value);
        else if (key == QLatin1String("Comment"))
            comment = unescaped(value);
    }
    check(comment == s.description);
    // Every '%' is a literal one ("%%"): no field code that a desktop would fill in.
    for (qsizetype i = 0; i < exec.size(); ++i)
        if (exec.at(i) == QLatin1Char('%'))
            check(i + 1 < exec.size() && exec.at(++i) == QLatin1Char('%'));
    QStringList wanted{QStringLiteral("env"), QStringLiteral("WINEPREFIX=") + root, QStringLiteral("wine"), s.target};
    if (!s.arguments.isEmpty())
        wanted << s.arguments;
    check(launchers::execArguments(text.section(QStringLiteral("\nExec="), 1).section(QLatin1Char('\n'), 0, 0)) == wanted);
    return 0;
}
