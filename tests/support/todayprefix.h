// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvane developers
#pragma once

// The sample prefixes of Reader XI and DC (scripts/make-demo-prefix --reader
// xi|dc --arch win32|win64), where each keeps what Optimize changes, and a
// prefix's hives and files as one comparable picture.

#include <QFile>
#include <QString>
#include <QStringList>
#include <QtEndian>
#include <optional>
#include <vector>

#include "platform/wine/hive.h"
#include "support/demoprefix.h"
#include "support/treelisting.h"

struct TodayReader
{
    QString reader; // make-demo-prefix's --reader
    QString arch;   // and --arch
    QString version;
    QString generation;
    QString folder;
    bool embeddedBrowser; // RdrCEF.exe and the online services' lock: DC only

    bool win64() const { return arch == QLatin1String("win64"); }
    QStringList makeOptions() const { return {QStringLiteral("--reader"), reader, QStringLiteral("--arch"), arch}; }
    // Below HKEY_LOCAL_MACHINE's Software as Reader, a 32-bit program, sees it.
    QString software32() const { return win64() ? QStringLiteral("Software\\Wow6432Node") : QStringLiteral("Software"); }
    QString policies() const
    {
        return QStringLiteral("Software\\Policies\\Adobe\\Acrobat Reader\\") + version + QStringLiteral("\\FeatureLockDown");
    }
    QString userKey() const { return QStringLiteral("Software\\Adobe\\Acrobat Reader\\") + version; }
    QString runKey() const { return software32() + QStringLiteral("\\Microsoft\\Windows\\CurrentVersion\\Run"); }
    static QString serviceKey() { return QStringLiteral("System\\CurrentControlSet\\Services\\AdobeARMservice"); }
    QString armFolder() const
    {
        return (win64() ? QStringLiteral("C:\\Program Files (x86)") : QStringLiteral("C:\\Program Files"))
            + QStringLiteral("\\Common Files\\Adobe\\ARM\\1.0");
    }
    std::string name() const { return (reader + QLatin1Char(' ') + arch).toStdString(); }
};

inline const std::vector<TodayReader> &todayReaders()
{
    static const std::vector<TodayReader> all = {
        {"xi", "win32", "11.0", "X and XI", "C:\\Program Files\\Adobe\\Reader 11.0\\Reader", false},
        {"xi", "win64", "11.0", "X and XI", "C:\\Program Files (x86)\\Adobe\\Reader 11.0\\Reader", false},
        {"dc", "win32", "DC", "DC", "C:\\Program Files\\Adobe\\Acrobat Reader DC\\Reader", true},
        {"dc", "win64", "DC", "DC", "C:\\Program Files (x86)\\Adobe\\Acrobat Reader DC\\Reader", true},
    };
    return all;
}

// A value as a hive file on disk holds it; none when it or its key is missing.
inline std::optional<qv::HiveValue> hiveValue(const QString &hiveFile, const QString &key, const QString &name)
{
    return qv::Hive::load(hiveFile)->value(key.split(QLatin1Char('\\')), name);
}

// A REG_DWORD's number, -1 when missing or of another type.
inline int64_t hiveNumber(const QString &hiveFile, const QString &key, const QString &name)
{
    const auto v = hiveValue(hiveFile, key, name);
    if (!v || v->type != 4 || v->data.size() != 4)
        return -1;
    return qFromLittleEndian<quint32>(v->data.constData());
}

// The two hives a run changes and userdef.reg, without Wine's time stamps
// and without the key (and its subkeys) named by dropped, as the file
// writes key names: Restore leaves the cleared recent-files list cleared.
inline QByteArray hivesWithout(const QString &prefixRoot, const QString &dropped = QString())
{
    QByteArray out;
    const QByteArray header = '[' + dropped.toUtf8().replace("\\", "\\\\");
    for (const char *name : {"system.reg", "user.reg", "userdef.reg"}) {
        QFile f(prefixRoot + QLatin1Char('/') + QLatin1String(name));
        if (!f.open(QIODevice::ReadOnly))
            return "unreadable " + QByteArray(name);
        bool skipping = false;
        out += QByteArray("== ") + name + '\n';
        for (const QByteArray &line : withoutKeyTimes(f.readAll()).split('\n')) {
            if (line.startsWith('['))
                skipping = !dropped.isEmpty() && line.toLower().startsWith(header.toLower())
                    && (line.size() == header.size() || line[header.size()] == ']' || line[header.size()] == '\\');
            if (!skipping)
                out += line + '\n';
        }
    }
    return out;
}
