// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvane developers
#include "core/backupmarker.h"

#include "platform/filesystem.h"

QString backupMarkerPath(const QString &readerFolder)
{
    return readerFolder + QStringLiteral("\\Wexmor.DAT");
}

bool backupMarkerExists(const QString &readerFolder)
{
    return qv::fileExists(backupMarkerPath(readerFolder));
}

namespace {
const QByteArray kMarkerLine = QByteArrayLiteral("Backup Done.");
}

bool backupMarkerIntact(const QString &readerFolder)
{
    return qv::readFileStart(backupMarkerPath(readerFolder), 64) == kMarkerLine + "\r\n";
}

void createBackupMarker(const QString &readerFolder)
{
    qv::TextFile f(backupMarkerPath(readerFolder));
    f.rewrite();
    f.writeLine(kMarkerLine);
    f.close();
}

void deleteBackupMarker(const QString &readerFolder)
{
    qv::deleteFile(backupMarkerPath(readerFolder));
}
