// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvane developers
#include "core/backupmarker.h"

#include "platform/filesystem.h"

QString backupMarkerPath(const QString &readerFolder)
{
    return readerFolder + QStringLiteral("\\Wexmor.DAT");
}

namespace {
const QByteArray kMarkerName = QByteArrayLiteral("Wexmor.DAT");
const QByteArray kMarkerLine = QByteArrayLiteral("Backup Done.");
}

bool backupMarkerExists(const QString &readerFolder)
{
    return backupMarkerExists(qv::ResolvedFolder(readerFolder));
}

bool backupMarkerIntact(const QString &readerFolder)
{
    return backupMarkerIntact(qv::ResolvedFolder(readerFolder));
}

void createBackupMarker(const QString &readerFolder)
{
    createBackupMarker(qv::ResolvedFolder(readerFolder));
}

void deleteBackupMarker(const QString &readerFolder)
{
    deleteBackupMarker(qv::ResolvedFolder(readerFolder));
}

bool backupMarkerExists(const qv::ResolvedFolder &readerFolder)
{
    return qv::fileExists(readerFolder, kMarkerName);
}

bool backupMarkerIntact(const qv::ResolvedFolder &readerFolder)
{
    return qv::readFileStart(readerFolder, kMarkerName, 64) == kMarkerLine + "\r\n";
}

void createBackupMarker(const qv::ResolvedFolder &readerFolder)
{
    qv::TextFile f(readerFolder, kMarkerName);
    f.rewrite();
    f.writeLine(kMarkerLine);
    f.close();
}

void deleteBackupMarker(const qv::ResolvedFolder &readerFolder)
{
    qv::deleteFile(readerFolder, kMarkerName);
}
