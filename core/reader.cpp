// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvane developers
#include "core/reader.h"

#include "core/preferences.h"

namespace qv::reader {

QStringList processNames()
{
    // Reader X and later start helpers of their own: the updater (AdobeARM,
    // its service armsvc) and the embedded browser (RdrCEF). They hold the
    // prefix's registry as Reader does and end with it.
    return {QLatin1String(kProcessName), QStringLiteral("AdobeARM.exe"), QStringLiteral("armsvc.exe"),
            QStringLiteral("RdrCEF.exe")};
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
    // Reader X and XI name themselves with Roman numerals; DC and its
    // yearly tracks call themselves "Adobe Acrobat Reader DC".
    const int generation = preferences::generationOf(version);
    if (generation == 2)
        return QStringLiteral("Adobe Acrobat Reader DC.lnk");
    if (generation == 1)
        return QStringLiteral("Adobe Reader ") + (version.startsWith(QLatin1String("10")) ? QStringLiteral("X")
                                                                                          : QStringLiteral("XI"))
            + QStringLiteral(".lnk");
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
