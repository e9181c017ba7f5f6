// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvane developers
// The Windows meaning of what an operation asks of the machine before and
// after its changes: no program holds the registry back here, no file of the
// registry is rewritten whole, and the shell's batch operation leaves no
// temporary files of ours.

#include <windows.h>

#include <QFile>

#include "platform/filesystem.h"
#include "platform/processes.h"
#include "platform/registry.h"
#include "platform/win/walk.h"
#include "platform/win/wintext.h"
#include "platform/winpath.h"

namespace qv {

void ensureNoProgramHoldsRegistry(const std::vector<int64_t> &) {}

void waitForRegistry() {}

RegistryStaging::RegistryStaging() = default;

RegistryStaging::~RegistryStaging() = default;

void RegistryStaging::commit()
{
    m_done = true;
    for (HKEY root : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE})
        RegFlushKey(root);
}

QString commandLineOf(int64_t)
{
    return QString();
}

namespace {

// Follows the link: a target that is gone cannot be opened.
bool leadsNowhere(const QString &path)
{
    HANDLE h = CreateFileW(win::wide(path).c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (h != INVALID_HANDLE_VALUE) {
        CloseHandle(h);
        return false;
    }
    const DWORD err = GetLastError();
    return err == ERROR_FILE_NOT_FOUND || err == ERROR_PATH_NOT_FOUND;
}

} // namespace

QStringList linksToNothingBelow(const QString &windowsFolder)
{
    QStringList out;
    win::walk(windowsFolder, [&out](const QString &path, const QString &rel, DWORD attributes) {
        if (attributes & FILE_ATTRIBUTE_REPARSE_POINT) {
            if (leadsNowhere(path))
                out << rel;
            return false;
        }
        return bool(attributes & FILE_ATTRIBUTE_DIRECTORY);
    });
    out.sort(Qt::CaseInsensitive);
    return out;
}

int removeLeftoverTemporaries(const QString &)
{
    return 0;
}

QByteArray readFileStart(const QString &windowsPath, qsizetype maxBytes)
{
    QFile f(windowsPath);
    if (windowsPath.isEmpty() || !f.open(QIODevice::ReadOnly))
        return QByteArray();
    return f.read(maxBytes);
}

} // namespace qv
