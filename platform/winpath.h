// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvane developers
#pragma once

#include <QString>
#include <QStringList>
#include <QStringView>

// Windows paths as text: "C:\Program Files\Adobe\Reader 9.0\Reader". Windows
// takes '\' and '/' alike as separators and compares names without regard
// to case; every helper here does the same. Nothing here touches the disk:
// WinePrefix maps a path to the host.
namespace qv::winpath {

// '\' or '/'.
bool isSeparator(QChar c);
// Index of the last separator, -1 when there is none.
qsizetype lastSeparator(QStringView path);
bool endsWithSeparator(QStringView path);

// The drive letter of "X:..." in upper case; a null QChar when the path names no drive.
QChar drive(QStringView path);
// "\\server\share\...": a network path, which has no drive.
bool isUnc(QStringView path);
// A drive path ("X:\..." or "X:/...") or any text holding a backslash:
// how a Windows program's argv[0] differs from a host one.
bool looksLikeWindowsPath(QStringView text);

// The folder part as written, its closing separator kept: "C:\a\b.txt" gives
// "C:\a\", "C:b.txt" gives "C:", "b.txt" gives "".
QString folder(const QString &path);
// What follows the folder part, as written: "C:\a\b.txt" gives "b.txt",
// "C:\a\" gives "" (the pattern of a folder search, say).
QString name(const QString &path);
// The last component, closing separators ignored: "C:\a\b\" gives "b";
// a drive root gives "".
QString leaf(const QString &path);
// folder and name with one separator between them (none added when folder
// already ends with one, or is empty).
QString join(const QString &folder, const QString &name);
// The components between separators, empty ones skipped: "C:\a\\b/c" gives
// "C:", "a", "b", "c". No "." or ".." is resolved.
QStringList split(QStringView path);

// The same path, as Windows compares them: without regard to case, either separator.
bool sameName(QStringView a, QStringView b);

} // namespace qv::winpath
