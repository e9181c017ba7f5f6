// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvane developers
#pragma once

#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>

#include "platform/resolvedfolder.h"

// The safety copy: "Optional" beside "plug_ins". Nothing that removes a
// plug-in from plug_ins may run unless the same bytes are in the copy.

QString plugInsFolderOf(const QString &readerFolder);  // ...\plug_ins
QString optionalFolderOf(const QString &readerFolder); // ...\Optional

// Reader's folder and its two plug-in folders, found on the machine once
// for all the steps of an operation.
struct ReaderFolders
{
    explicit ReaderFolders(const QString &readerFolder);
    qv::ResolvedFolder reader, plugIns, optional;
};

// Whether the safety copy can be relied on: the marker present and Optional
// holding files. A marker with nothing behind it vouches for nothing: then
// Optimize takes the copy again (and writes the marker anew), and the
// plug-in list shows plug_ins as before any optimisation. A marker whose
// bytes are not its own, with a copy behind it, still counts: what the copy
// holds is the reference Restore brings back, never overwritten.
bool safetyCopyTrusted(const QString &readerFolder);
bool safetyCopyTrusted(const ReaderFolders &folders);

// How the plug-ins folder stands against its safety copy.
struct SafetyCopyState
{
    QStringList missing;   // in plug_ins, not in Optional
    QStringList differing; // in both, with other bytes
    QStringList safe;      // in both, the same bytes
};
SafetyCopyState compareWithSafetyCopy(const QString &readerFolder);
SafetyCopyState compareWithSafetyCopy(const ReaderFolders &folders);

// The relative paths grouped by their folder ("" for the top), so that each
// group can go to its own target folder in one batch.
QList<QPair<QString, QStringList>> groupByFolder(const QStringList &relativePaths);

// True when a relative path names a top-level file that a wildcard
// "<stem>.*" takes (no regard to case): "EWH32.api" for "EWH32".
bool matchesStem(const QString &relativePath, const QString &stem);
