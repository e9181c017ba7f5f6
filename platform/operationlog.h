// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvane developers
#pragma once

#include <QString>
#include <QStringList>

// The log a fleet reads: one line per change and one per outcome, appended
// in Quorvane's state folder (machine::stateFolder()) by every operation of
// the window and of quorvane-cli.
namespace qv::operationlog {

// The log's file, empty where the machine gives no state folder.
QString path();
// At this size the log becomes "quorvane.log.1" (one older log is kept)
// before the next line is appended, so it never grows without bound.
constexpr qint64 kRotateAt = 1024 * 1024;

// A text read from the machine (a file, key or prefix name) as one field of
// a line: in double quotes, with the backslash, the quote and every control,
// line- or direction-changing character escaped ("\n", "\x1b", "\u202e"),
// and each byte that was no UTF-8 as "\xNN". No name can end a line, or
// make one field look like two.
QString field(const QString &text);

// Appends the lines, each ended by a line feed, after rotating when due.
// Never throws: the log must not stop an operation. False when it could
// not be written (no state folder, a link in the log's place, a full disk).
bool append(const QStringList &lines);

} // namespace qv::operationlog
