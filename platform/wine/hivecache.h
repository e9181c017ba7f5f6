// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvane developers

// The hives of the current prefix held in memory, shared by every registry
// accessor of the process, with the changes not yet saved to their files.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <ctime>
#include <map>
#include <memory>
#include <sys/types.h>
#include <variant>
#include <vector>

#include "platform/wine/hive.h"

namespace qv::hivecache {

// What tells a file on disk from the one read before: a save by anyone changes it.
struct Identity
{
    bool exists = false;
    dev_t dev = 0;
    ino_t ino = 0;
    off_t size = 0;
    struct timespec mtime = {};
    bool operator==(const Identity &o) const;
};
Identity identityOf(const QString &file);

// The changes made in memory, kept to be made again over a newer file.
struct SetValue
{
    QStringList path;
    HiveValue value;
};
struct CreateKey
{
    QStringList path;
};
struct DeleteKey
{
    QStringList path;
};
struct DeleteValue
{
    QStringList path;
    QString name;
};
using Change = std::variant<SetValue, CreateKey, DeleteKey, DeleteValue>;

struct HiveEntry
{
    std::unique_ptr<Hive> hive;
    Identity identity;
    QByteArray newPrologue; // for a hive file that does not exist yet
    std::vector<Change> pending; // changes not yet saved, replayed over a newer file
};

// Every hive held, by file name.
std::map<QString, HiveEntry> &hives();

// The hive of a file, read again when the file changed on disk. Unsaved
// changes are kept; they are replayed when the save finds a newer file.
// newPrologue: Wine's opening lines, for a file that is missing or empty.
HiveEntry &entryFor(const QString &file, const QByteArray &newPrologue);
// Before a save: when another program saved the file since it was read, it
// is read again and the pending changes are made over it.
void catchUp(HiveEntry &entry, const QString &file);

// The hive file that holds a root's keys; empty for HKEY_USERS, which is no
// hive itself (its one key, .Default, is userdef.reg).
QString hiveFileOf(uint32_t root);
// The opening lines Wine writes for a new hive of a root.
QByteArray prologueFor(uint32_t root, bool win64);
// Whether the prefix is a 64-bit one, where 32-bit programs see a view of their own.
bool systemIsWin64();

// Throws when the file cannot be replaced; a hive that is a link to a missing
// file would otherwise become a new file holding only our keys.
void ensureReplaceable(const QString &file);

} // namespace qv::hivecache
