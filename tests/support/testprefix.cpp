// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvane developers
#include "testprefix.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>

#include <unistd.h>

#include "platform/wine/hive.h"
#include "platform/registry.h"
#include "platform/wine/wineprefix.h"

TestPrefix::TestPrefix(Arch arch, const QString &parent)
    : m_dir((parent.isEmpty() ? QDir::tempPath() : parent) + QStringLiteral("/quorvane-prefix-XXXXXX")), m_arch(arch)
{
    QDir().mkpath(root() + QStringLiteral("/dosdevices"));
    QDir().mkpath(driveC());
    QFile::link(QStringLiteral("../drive_c"), root() + QStringLiteral("/dosdevices/c:"));
    QFile::link(QStringLiteral("/"), root() + QStringLiteral("/dosdevices/z:"));
    for (const char *hive : {"system.reg", "user.reg", "userdef.reg"})
        writeHive(QLatin1String(hive), QByteArray());
    qv::WinePrefix::setCurrent(root());
    qv::resetRegistryCache();
}

TestPrefix::~TestPrefix()
{
    qv::resetRegistryCache();
}

QString TestPrefix::host(const QString &windowsPath) const
{
    return qv::WinePrefix(root()).toHost(windowsPath);
}

QString TestPrefix::mkdir(const QString &windowsPath) const
{
    const QString h = host(windowsPath);
    QDir().mkpath(h);
    return h;
}

QString TestPrefix::writeFile(const QString &windowsPath, const QByteArray &bytes) const
{
    const QString h = host(windowsPath);
    QDir().mkpath(QFileInfo(h).absolutePath());
    QFile f(h);
    if (f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        f.write(bytes);
    return h;
}

QByteArray TestPrefix::header(const QString &fileName) const
{
    QByteArray h = "WINE REGISTRY Version 2\n";
    if (fileName == QLatin1String("system.reg"))
        h += ";; All keys relative to REGISTRY\\\\Machine\n";
    else if (fileName == QLatin1String("userdef.reg"))
        h += ";; All keys relative to REGISTRY\\\\User\\\\.Default\n";
    else
        h += ";; All keys relative to REGISTRY\\\\User\\\\S-1-5-21-0-0-0-1000\n";
    h += m_arch == Win64 ? "\n#arch=win64\n" : "\n#arch=win32\n";
    return h;
}

void TestPrefix::writeHive(const QString &fileName, const QByteArray &body) const
{
    writeHiveRaw(fileName, header(fileName) + body);
}

void TestPrefix::writeHiveRaw(const QString &fileName, const QByteArray &bytes) const
{
    QFile f(root() + QLatin1Char('/') + fileName);
    if (f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        f.write(bytes);
    f.close();
    qv::resetRegistryCache();
}

QByteArray TestPrefix::readHive(const QString &fileName) const
{
    QFile f(root() + QLatin1Char('/') + fileName);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

namespace {
qv::HiveValue valueOf(const QString &name, uint32_t type, const QByteArray &data)
{
    qv::HiveValue v;
    v.name = name;
    v.type = type;
    v.data = data;
    return v;
}
} // namespace

HiveText &HiveText::key(const QString &path)
{
    m_text += "\n[" + qv::hivetext::keyPath(path.split(QLatin1Char('\\'), Qt::SkipEmptyParts))
        + "] 1700000000\n#time=1da1234567890ab\n";
    return *this;
}

HiveText &HiveText::str(const QString &name, const QString &value)
{
    m_text += qv::hivetext::formatValue(valueOf(name, qv::RegSz, qv::hivetext::utf16Data(value)));
    return *this;
}

HiveText &HiveText::expand(const QString &name, const QString &value)
{
    m_text += qv::hivetext::formatValue(valueOf(name, qv::RegExpandSz, qv::hivetext::utf16Data(value)));
    return *this;
}

HiveText &HiveText::dword(const QString &name, uint32_t value)
{
    m_text += qv::hivetext::formatValue(valueOf(name, qv::RegDword, qv::hivetext::dwordData(value)));
    return *this;
}

HiveText &HiveText::binary(const QString &name, const QByteArray &data)
{
    m_text += qv::hivetext::formatValue(valueOf(name, qv::RegBinary, data));
    return *this;
}

HiveText &HiveText::raw(const QByteArray &line)
{
    m_text += line + '\n';
    return *this;
}

QMap<QString, QByteArray> treeContents(const QString &hostFolder)
{
    QMap<QString, QByteArray> out;
    const QDir base(hostFolder);
    QDirIterator it(hostFolder, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        const QFileInfo info = it.fileInfo();
        const QString rel = base.relativeFilePath(path);
        if (info.isSymLink()) {
            // The link's own text: the same relative link in two trees is equal.
            char target[4096];
            const ssize_t n = ::readlink(QFile::encodeName(path).constData(), target, sizeof target);
            out.insert(rel, "-> " + QByteArray(target, n > 0 ? n : 0));
        } else if (info.isDir()) {
            out.insert(rel + QLatin1Char('/'), QByteArray());
        } else {
            QFile f(path);
            out.insert(rel, f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>"));
        }
    }
    return out;
}
