// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvane developers
#include "core/safetycopy.h"

#include <QMap>

#include "core/backupmarker.h"
#include "platform/filesystem.h"
#include "platform/winpath.h"

QString plugInsFolderOf(const QString &readerFolder)
{
    return readerFolder + QStringLiteral("\\plug_ins");
}

QString optionalFolderOf(const QString &readerFolder)
{
    return readerFolder + QStringLiteral("\\Optional");
}

bool safetyCopyTrusted(const QString &readerFolder)
{
    return backupMarkerExists(readerFolder) && !qv::filesBelow(optionalFolderOf(readerFolder)).isEmpty();
}

SafetyCopyState compareWithSafetyCopy(const QString &readerFolder)
{
    SafetyCopyState state;
    const QString plugIns = plugInsFolderOf(readerFolder) + QLatin1Char('\\');
    const QString optional = optionalFolderOf(readerFolder) + QLatin1Char('\\');
    for (const QString &rel : qv::filesBelow(plugInsFolderOf(readerFolder))) {
        if (!qv::fileExists(optional + rel))
            state.missing << rel;
        else if (qv::sameFileContent(plugIns + rel, optional + rel))
            state.safe << rel;
        else
            state.differing << rel;
    }
    return state;
}

QList<QPair<QString, QStringList>> groupByFolder(const QStringList &relativePaths)
{
    QMap<QString, QStringList> groups;
    for (const QString &rel : relativePaths) {
        const qsizetype cut = qv::winpath::lastSeparator(rel);
        groups[cut < 0 ? QString() : rel.left(cut)] << rel;
    }
    QList<QPair<QString, QStringList>> out;
    for (auto it = groups.cbegin(); it != groups.cend(); ++it)
        out.append({it.key(), it.value()});
    return out;
}

bool matchesStem(const QString &relativePath, const QString &stem)
{
    return qv::winpath::lastSeparator(relativePath) < 0
        && relativePath.startsWith(stem + QLatin1Char('.'), Qt::CaseInsensitive);
}
