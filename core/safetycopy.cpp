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

ReaderFolders::ReaderFolders(const QString &readerFolder)
    : reader(readerFolder), plugIns(plugInsFolderOf(readerFolder)), optional(optionalFolderOf(readerFolder))
{
}

bool safetyCopyTrusted(const QString &readerFolder)
{
    return safetyCopyTrusted(ReaderFolders(readerFolder));
}

bool safetyCopyTrusted(const ReaderFolders &folders)
{
    return backupMarkerExists(folders.reader) && !qv::filesBelow(folders.optional).isEmpty();
}

SafetyCopyState compareWithSafetyCopy(const QString &readerFolder)
{
    return compareWithSafetyCopy(ReaderFolders(readerFolder));
}

SafetyCopyState compareWithSafetyCopy(const ReaderFolders &folders)
{
    SafetyCopyState state;
    const QList<QByteArray> names = qv::filesBelow(folders.plugIns);
    const std::vector<qv::Comparison> found = qv::compareFiles(folders.plugIns, folders.optional, names);
    for (qsizetype i = 0; i < names.size(); ++i) {
        const QString rel = qv::ResolvedFolder::windowsNameOf(names[i]);
        switch (found[size_t(i)]) {
        case qv::Comparison::Missing: state.missing << rel; break;
        case qv::Comparison::Differing: state.differing << rel; break;
        case qv::Comparison::Same: state.safe << rel; break;
        }
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
