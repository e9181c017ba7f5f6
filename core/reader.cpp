// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvane developers
#include "core/reader.h"

namespace qv::reader {

QStringList processNames()
{
    return {QLatin1String(kProcessName)};
}

QString versionsKey()
{
    return QStringLiteral("\\SOFTWARE\\Adobe\\Acrobat Reader");
}

QString versionKey(const QString &version, const QString &subkey)
{
    return versionsKey() + QLatin1Char('\\') + version + QLatin1Char('\\') + subkey;
}

QString machineShellFoldersKey()
{
    // No leading backslash: it is opened from the root either way.
    return QStringLiteral("SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders");
}

QString userExplorerKey()
{
    return QStringLiteral("Software\\MicroSoft\\Windows\\CurrentVersion\\Explorer");
}

QString programPath(const QString &readerFolder)
{
    return readerFolder + QLatin1Char('\\') + QLatin1String(kProcessName);
}

QString shortcutFileName(const QString &version)
{
    return QStringLiteral("Adobe Reader ") + version + QStringLiteral(".lnk");
}

QString printMeGroupName()
{
    return QStringLiteral("PrintMe Internet Printing");
}

QString eBookFolderName()
{
    return QStringLiteral("My eBook");
}

QString shortcutDescription(const QString &version)
{
    return QStringLiteral("Adobe Reader ") + version;
}

} // namespace qv::reader
