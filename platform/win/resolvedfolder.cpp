// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvane developers

// A resolved folder on Windows (resolvedfolder.h), and the file services
// below it (filesystem.h). The system resolves every path itself, so the
// folder keeps its Windows path and its file identity, and a name below it
// is joined to that path and handed to the Windows-path face.
#include <windows.h>

#include "platform/filesystem.h"
#include "platform/resolvedplace.h"
#include "platform/textfileio.h"
#include "platform/win/wintext.h"
#include "platform/winpath.h"

namespace qv {

struct ResolvedFolder::Place
{
    QString windowsPath;
    DWORD volume = 0;
    DWORD indexHigh = 0;
    DWORD indexLow = 0;
    bool link = false; // a reparse point when found
};

namespace {

// The folder a path leads to now (reparse points followed); false when none.
bool identify(const QString &windowsPath, ResolvedFolder::Place &place)
{
    const DWORD attributes = GetFileAttributesW(win::wide(windowsPath).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY))
        return false;
    HANDLE h = CreateFileW(win::wide(windowsPath).c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                           nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return false;
    BY_HANDLE_FILE_INFORMATION info;
    const bool known = GetFileInformationByHandle(h, &info);
    CloseHandle(h);
    if (!known)
        return false;
    place.windowsPath = windowsPath;
    place.volume = info.dwVolumeSerialNumber;
    place.indexHigh = info.nFileIndexHigh;
    place.indexLow = info.nFileIndexLow;
    place.link = attributes & FILE_ATTRIBUTE_REPARSE_POINT;
    return true;
}

QList<QByteArray> machineNames(const QStringList &names)
{
    QList<QByteArray> out;
    for (const QString &name : names)
        out << ResolvedFolder::nameOf(name);
    return out;
}

} // namespace

namespace resolvedplace {

std::shared_ptr<ResolvedFolder::Place> find(const QString &windowsPath)
{
    auto place = std::make_shared<ResolvedFolder::Place>();
    return identify(windowsPath, *place) ? place : nullptr;
}

bool unchanged(const ResolvedFolder::Place &place)
{
    ResolvedFolder::Place now;
    return identify(place.windowsPath, now) && (!now.link || place.link) && now.volume == place.volume
        && now.indexHigh == place.indexHigh && now.indexLow == place.indexLow;
}

bool isLink(const ResolvedFolder::Place &place)
{
    return place.link;
}

QByteArray nameOf(const QString &windowsRelative)
{
    QString name = windowsRelative;
    name.replace(QLatin1Char('\\'), QLatin1Char('/'));
    return name.toUtf8();
}

QString windowsNameOf(const QByteArray &name)
{
    QString text = QString::fromUtf8(name);
    text.replace(QLatin1Char('/'), QLatin1Char('\\'));
    return text;
}

} // namespace resolvedplace

bool fileExists(const ResolvedFolder &folder, const QByteArray &name)
{
    return !name.isEmpty() && fileExists(folder.windowsPathOf(name));
}

bool directoryExists(const ResolvedFolder &folder, const QByteArray &name)
{
    return directoryExists(folder.windowsPathOf(name));
}

bool entryExists(const ResolvedFolder &folder, const QByteArray &name)
{
    return GetFileAttributesW(win::wide(folder.windowsPathOf(name)).c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool deleteFile(const ResolvedFolder &folder, const QByteArray &name)
{
    return !name.isEmpty() && deleteFile(folder.windowsPathOf(name));
}

bool renameInFolder(const ResolvedFolder &folder, const QByteArray &from, const QByteArray &to)
{
    if (from.isEmpty() || to.isEmpty() || from.contains('\\') || to.contains('\\'))
        return false;
    return MoveFileExW(win::wide(folder.windowsPathOf(from)).c_str(), win::wide(folder.windowsPathOf(to)).c_str(),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)
        != 0;
}

bool makeFolder(const ResolvedFolder &folder, const QByteArray &name)
{
    return makeFolder(folder.windowsPathOf(name));
}

bool removeEmptyFolder(const ResolvedFolder &folder, const QByteArray &name)
{
    return !name.isEmpty() && removeEmptyFolder(folder.windowsPathOf(name));
}

QList<QByteArray> filesBelow(const ResolvedFolder &folder)
{
    return machineNames(filesBelow(folder.windowsPath()));
}

QList<QByteArray> linksToNothingBelow(const ResolvedFolder &folder)
{
    return machineNames(linksToNothingBelow(folder.windowsPath()));
}

int removeLeftoverTemporaries(const ResolvedFolder &folder)
{
    return removeLeftoverTemporaries(folder.windowsPath());
}

QByteArray readFileStart(const ResolvedFolder &folder, const QByteArray &name, qsizetype maxBytes)
{
    return name.isEmpty() ? QByteArray() : readFileStart(folder.windowsPathOf(name), maxBytes);
}

bool sameFileContent(const ResolvedFolder &folderA, const QByteArray &nameA, const ResolvedFolder &folderB,
                     const QByteArray &nameB)
{
    return !nameA.isEmpty() && !nameB.isEmpty()
        && sameFileContent(folderA.windowsPathOf(nameA), folderB.windowsPathOf(nameB));
}

QString folderIdentity(const ResolvedFolder &folder, const QByteArray &subFolder)
{
    return folderIdentity(folder.windowsPathOf(subFolder));
}

std::vector<FoundEntry> findFiles(const ResolvedFolder &folder, const QByteArray &subFolder, const QString &pattern,
                                  uint32_t mask)
{
    if (pattern.isEmpty())
        return {};
    const QString windowsFolder = folder.windowsPathOf(subFolder);
    std::vector<FoundEntry> found = findFiles(
        winpath::endsWithSeparator(windowsFolder) ? windowsFolder + pattern : windowsFolder + QLatin1Char('\\') + pattern,
        mask);
    for (FoundEntry &e : found)
        e.machineName = ResolvedFolder::nameOf(e.name);
    return found;
}

int textfileio::create(const ResolvedFolder &folder, const QByteArray &name)
{
    return create(folder.windowsPathOf(name));
}

} // namespace qv
