// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvane developers
#pragma once

#include <QByteArray>
#include <QString>
#include <sys/stat.h>

// Files read from a prefix or from a prefix manager's configuration: data
// from elsewhere. Only a regular file is read (a FIFO would hang the read,
// a link to /dev/zero would never end, a device may act on being opened),
// and only up to a size far above any real one: the caller's limit.
namespace qv::inputfile {

// The largest hive file read: the biggest real system.reg files are a few
// tens of MiB (a prefix with many programs), and the whole file is held in
// memory with its index, so a bound well above them keeps a crafted file
// from taking the memory of the machine.
inline constexpr qint64 kHiveLimit = qint64(256) << 20;
// Configuration files, desktop entries and menu files are a few KiB.
inline constexpr qint64 kConfigLimit = qint64(1) << 20;

struct Read
{
    enum Outcome { Done, Missing, NotRegular, TooLarge, Failed };
    Outcome outcome = Failed;
    QByteArray bytes;
    int error = 0; // errno, for Missing and Failed
    bool ok() const { return outcome == Done; }
};

// Reads the whole file at hostPath (a link followed) when it is a regular
// file of at most limit bytes.
Read read(const QString &hostPath, qint64 limit);
// The same for a name below an open folder.
Read readAt(int folderFd, const QByteArray &name, qint64 limit);
// Opens a file for reading without blocking on a FIFO or device, and only
// when it is a regular file: -1 otherwise (errno EINVAL for another kind).
// What fstat() gave for it goes to *st when asked for.
int openRegular(int folderFd, const char *name, int extraFlags = 0, struct stat *st = nullptr);

// What keeps the file from being read, as the end of a sentence naming it:
// "is not a regular file", "is larger than 256 MiB", "cannot be read (...)".
QString problem(const Read &read, qint64 limit);

} // namespace qv::inputfile
