// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvane developers

// The hives of the prefix in memory (hivecache.h): loaded once, read again
// when their file changes, refused when the file is no registry Wine could
// have left, and checked before an operation writes them.
#include "platform/wine/hivecache.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <sys/stat.h>

#include "platform/registry.h"
#include "platform/wine/wineprefix.h"
#include "platform/writeprobe.h"
#include "platform/namebytes.h"

namespace qv {

namespace hivecache {

namespace {

// Makes one change again, over a hive read anew.
void apply(Hive &hive, const Change &c)
{
    if (const auto *s = std::get_if<SetValue>(&c))
        hive.setValue(s->path, s->value);
    else if (const auto *k = std::get_if<CreateKey>(&c))
        hive.createKey(k->path);
    else if (const auto *d = std::get_if<DeleteKey>(&c))
        hive.deleteKey(d->path);
    else if (const auto *v = std::get_if<DeleteValue>(&c))
        hive.deleteValue(v->path, v->name);
}

// A hive file that holds nothing, or a link to a file that is gone, is no
// registry Wine could have left: most likely a crash or a slip of the hand
// emptied it. Taken for an empty hive it would read as "nothing installed"
// and be replaced by one holding only our keys.
void refuseDamagedFile(const QString &file)
{
    const QFileInfo info(file);
    if (info.isSymLink() && !info.exists())
        throw Error(QStringLiteral("The registry file \"%1\" is a link to \"%2\", which does not exist. Quorvane "
                                   "neither reads nor replaces it; bring back the file it points to, then try again")
                        .arg(file, info.symLinkTarget()));
    if (info.isFile() && info.size() == 0)
        throw Error(QStringLiteral("The registry file \"%1\" is empty, as a crash while it was written may leave "
                                   "it. Quorvane neither reads nor replaces it; restore it from a backup, then try "
                                   "again")
                        .arg(file));
}

// Reads the file into the entry, noting which file it was.
void loadInto(HiveEntry &e, const QString &file)
{
    refuseDamagedFile(file);
    e.identity = identityOf(file);
    auto hive = Hive::load(file);
    if (hive->isEmpty())
        hive = Hive::fromBytes(e.newPrologue, file); // Wine's opening lines for a new or emptied file
    e.hive = std::move(hive);
}

} // namespace

bool Identity::operator==(const Identity &o) const
{
    return exists == o.exists && dev == o.dev && ino == o.ino && size == o.size && mtime.tv_sec == o.mtime.tv_sec
        && mtime.tv_nsec == o.mtime.tv_nsec;
}

// Device, inode, size and time of change, as stat() gives them.
Identity identityOf(const QString &file)
{
    Identity id;
    struct stat st;
    if (::stat(namebytes::encode(file).constData(), &st) == 0) {
        id.exists = true;
        id.dev = st.st_dev;
        id.ino = st.st_ino;
        id.size = st.st_size;
        id.mtime = st.st_mtim;
    }
    return id;
}

// One map for the process.
std::map<QString, HiveEntry> &hives()
{
    static std::map<QString, HiveEntry> held;
    return held;
}

// A hive with pending changes is kept even when its file changed: the save catches up.
HiveEntry &entryFor(const QString &file, const QByteArray &newPrologue)
{
    HiveEntry &e = hives()[file];
    e.newPrologue = newPrologue;
    if (!e.hive || (e.pending.empty() && !(identityOf(file) == e.identity))) {
        e.hive.reset();
        loadInto(e, file);
    }
    return e;
}

// Another program's save is kept, and ours made over it.
void catchUp(HiveEntry &e, const QString &file)
{
    if (identityOf(file) == e.identity)
        return;
    loadInto(e, file);
    for (const Change &c : e.pending)
        apply(*e.hive, c);
}

// HKEY_CURRENT_USER is user.reg, HKEY_LOCAL_MACHINE system.reg.
QString hiveFileOf(uint32_t root)
{
    const WinePrefix &prefix = WinePrefix::current();
    switch (root) {
    case HKeyCurrentUser: return prefix.userHive();
    case HKeyLocalMachine: return prefix.systemHive();
    default: return QString();
    }
}

// The hive's root in the comment Wine reads it from, and the architecture.
QByteArray prologueFor(uint32_t root, bool win64)
{
    QByteArray p = "WINE REGISTRY Version 2\n";
    if (root == HKeyLocalMachine)
        p += ";; All keys relative to REGISTRY\\\\Machine\n";
    else if (root == HKeyUsers)
        p += ";; All keys relative to REGISTRY\\\\User\\\\.Default\n";
    else
        p += ";; All keys relative to REGISTRY\\\\User\\\\S-1-5-21-0-0-0-1000\n";
    p += win64 ? "\n#arch=win64\n" : "\n#arch=win32\n";
    return p;
}

// "#arch=win64" in system.reg.
bool systemIsWin64()
{
    const QString file = WinePrefix::current().systemHive();
    return entryFor(file, prologueFor(HKeyLocalMachine, false)).hive->isWin64();
}

// The write probes say why, in the user's terms.
void ensureReplaceable(const QString &file)
{
    const QString why = hostFileReplaceProblem(file);
    if (!why.isEmpty())
        throw Error(QStringLiteral("The registry file \"%1\" cannot be replaced: %2. Nothing was changed; try "
                                   "again once it can be")
                        .arg(file, why));
}

} // namespace hivecache

void resetRegistryCache()
{
    hivecache::hives().clear();
}

void ensureRegistryWritable(std::initializer_list<uint32_t> roots)
{
    for (uint32_t root : roots) {
        const QString file = hivecache::hiveFileOf(root);
        if (file.isEmpty())
            continue;
        hivecache::ensureReplaceable(file);
        hivecache::entryFor(file, hivecache::prologueFor(root, false)).hive->validate();
    }
    // The hives are replaced by a rename in the prefix folder itself.
    const QString root = WinePrefix::current().root();
    const QString why = hostFolderWriteProblem(root);
    if (!why.isEmpty())
        throw Error(QStringLiteral("The registry of the prefix \"%1\" cannot be written, since its folder cannot be "
                                   "changed: %2. Nothing was changed; try again once it can be")
                        .arg(QDir::toNativeSeparators(root), why));
}

} // namespace qv
