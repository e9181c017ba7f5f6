// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvane developers
#include "platform/writeprobe.h"

#include <windows.h>

#include "platform/win/wintext.h"
#include "platform/winpath.h"

namespace qv {

namespace {

QString reached(const QString &path, DWORD &attributes)
{
    attributes = GetFileAttributesW(win::wide(path).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return QStringLiteral("it cannot be reached (%1)").arg(win::systemText(GetLastError()));
    return QString();
}

bool onReadOnlyVolume(const QString &path)
{
    wchar_t volume[MAX_PATH + 1] = {};
    DWORD flags = 0;
    return GetVolumePathNameW(win::wide(path).c_str(), volume, MAX_PATH)
        && GetVolumeInformationW(volume, nullptr, 0, nullptr, nullptr, &flags, nullptr, 0)
        && (flags & FILE_READ_ONLY_VOLUME);
}

} // namespace

QString hostFolderWriteProblem(const QString &hostFolder)
{
    DWORD attributes = 0;
    const QString problem = reached(hostFolder, attributes);
    if (!problem.isEmpty())
        return problem;
    if (!(attributes & FILE_ATTRIBUTE_DIRECTORY))
        return QStringLiteral("it is a file, not a folder");
    if (onReadOnlyVolume(hostFolder))
        return QStringLiteral("it is on a read-only volume");
    // Opening the folder for the rights to add and remove entries asks the
    // access check without changing anything.
    HANDLE h = CreateFileW(win::wide(hostFolder).c_str(), FILE_ADD_FILE | FILE_ADD_SUBDIRECTORY | FILE_DELETE_CHILD,
                           FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                           FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        const DWORD err = GetLastError();
        if (err == ERROR_ACCESS_DENIED)
            return QStringLiteral("this account may not write in it; start Quorvane with \"Run as administrator\" "
                                  "or change the folder's permissions");
        return QStringLiteral("it cannot be written (%1)").arg(win::systemText(err));
    }
    CloseHandle(h);
    return QString();
}

QString folderWriteProblem(const QString &windowsFolder)
{
    return hostFolderWriteProblem(windowsFolder);
}

QString hostFileReplaceProblem(const QString &hostFile)
{
    DWORD attributes = 0;
    if (!reached(hostFile, attributes).isEmpty()) {
        if (GetLastError() != ERROR_FILE_NOT_FOUND)
            return reached(hostFile, attributes);
    } else if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
        return QStringLiteral("it is not a regular file");
    } else if (attributes & FILE_ATTRIBUTE_READONLY) {
        return QStringLiteral("it is read-only; clear its read-only attribute");
    }
    const QString folder = hostFolderWriteProblem(winpath::folder(hostFile));
    return folder.isEmpty() ? QString() : QStringLiteral("its folder cannot be changed: ") + folder;
}

} // namespace qv
