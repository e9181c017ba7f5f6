// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvane developers
#pragma once

#include <QString>

#include "platform/resolvedfolder.h"

// "Wexmor.DAT" in Reader's folder marks that "Optional" beside "plug_ins"
// holds the safety copy. Only its presence means anything.

QString backupMarkerPath(const QString &readerFolder);
bool backupMarkerExists(const QString &readerFolder);
// Whether the marker holds exactly its one line; other bytes (a crash while
// it was written, a file of that name from elsewhere) are written anew once
// the safety copy is complete.
bool backupMarkerIntact(const QString &readerFolder);
// Writes the one line "Backup Done." + CR LF (14 bytes), replacing a file of
// that name. Throws qv::InOutError when it cannot be created or written.
void createBackupMarker(const QString &readerFolder);
// Removes the marker; a failure is not reported (a later Restore runs again).
void deleteBackupMarker(const QString &readerFolder);

// The same in Reader's folder as an operation found it.
bool backupMarkerExists(const qv::ResolvedFolder &readerFolder);
bool backupMarkerIntact(const qv::ResolvedFolder &readerFolder);
void createBackupMarker(const qv::ResolvedFolder &readerFolder);
void deleteBackupMarker(const qv::ResolvedFolder &readerFolder);
