// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvane developers
#include "core/pluginlist.h"

#include "core/backupmarker.h"
#include "core/preferences.h"
#include "core/safetycopy.h"
#include "platform/filesystem.h"
#include "platform/winpath.h"

#include <QMap>
#include <QSet>

namespace qv {

namespace {

const QChar kBackslash = QLatin1Char('\\');
const QString kPattern = QStringLiteral("*.api");

QString withBackslash(const QString &folder)
{
    return folder + kBackslash;
}

bool isDotEntry(const QString &name)
{
    return name == QLatin1String(".") || name == QLatin1String("..");
}

// Walks a folder and, with recurse, its visible sub-folders depth first.
// Reports every folder entered (relative to the start, "" for the start)
// and the matching files in search order, their paths spelt from the
// start's Windows path.
struct Walk
{
    Walk(const ResolvedFolder &root, const QString &pattern, bool recurse) : root(root), pattern(pattern), recurse(recurse)
    {
    }

    ResolvedFolder root;
    QString pattern;
    bool recurse = true;
    QSet<QString> visited = {};
    QStringList entered = {};
    std::vector<PlugInItem> items = {};

    // folder: the Windows path of sub, ending in a backslash.
    void run(const QString &folder, const QByteArray &sub, const QString &relative)
    {
        if (recurse) {
            // A link back into the tree would otherwise make the search endless.
            const QString id = folderIdentity(root, sub);
            if (visited.contains(id))
                return;
            visited.insert(id);
        }
        entered << relative;

        for (const FoundEntry &e : findFiles(root, sub, pattern, faAnyFile & ~faDirectory)) {
            if (!(e.attributes & faDirectory))
                items.push_back({e.name, folder + e.name});
        }
        if (!recurse)
            return;

        // Hidden and system sub-folders are not searched.
        for (const FoundEntry &e : findFiles(root, sub, QStringLiteral("*.*"), faAnyFile & ~(faHidden | faSysFile | faVolumeId))) {
            if (isDotEntry(e.name) || !(e.attributes & faDirectory))
                continue;
            run(withBackslash(folder + e.name), sub.isEmpty() ? e.machineName : sub + '/' + e.machineName,
                relative.isEmpty() ? e.name : relative + kBackslash + e.name);
        }
    }
};

bool startsWithFolder(const QString &path, const QString &folder)
{
    // Windows paths: the same folder may be spelt in another case.
    return path.startsWith(folder, Qt::CaseInsensitive);
}

bool isPlugInFile(const QString &name)
{
    return name.endsWith(QStringLiteral(".api"), Qt::CaseInsensitive);
}

// The file name part of a relative path.
QString nameOf(const QString &relative)
{
    return winpath::name(relative);
}

// "X.api" -> "X": the stem that a wildcard "X.*" brings along.
QString stemOf(const QString &plugInName)
{
    return plugInName.left(plugInName.size() - 4);
}

bool alwaysKept(const QString &folder, const QString &plugInName)
{
    if (!folder.isEmpty())
        return false;
    return keptPlugInStems().contains(stemOf(plugInName), Qt::CaseInsensitive);
}

} // namespace

const QStringList &keptPlugInStems()
{
    static const QStringList stems = {QStringLiteral("EWH32"), QStringLiteral("search")};
    return stems;
}

std::vector<PlugInItem> findPlugInFiles(const QString &folder, const QString &pattern, bool recurse)
{
    Walk walk(ResolvedFolder(folder), pattern, recurse);
    walk.run(folder, QByteArray(), QString());
    return walk.items;
}

std::vector<PlugInItem> plugInsNotLoaded(const QString &readerFolder, const QString &version)
{
    if (!safetyCopyTrusted(readerFolder))
        return !version.isEmpty() && !preferences::plugInsKnown(version)
            ? std::vector<PlugInItem>()
            : findPlugInFiles(withBackslash(plugInsFolderOf(readerFolder)), kPattern, true);
    return plugInsOnlyInSafetyCopy(readerFolder);
}

std::vector<PlugInItem> plugInsOnlyInSafetyCopy(const QString &readerFolder)
{
    const ReaderFolders folders(readerFolder);
    Walk walk(folders.optional, kPattern, true);
    walk.run(withBackslash(folders.optional.windowsPath()), QByteArray(), QString());
    std::erase_if(walk.items, [&](const PlugInItem &item) {
        // The same place below plug_ins, sub-folders included: a plug-in
        // brought back from a sub-folder lies in that sub-folder there.
        const QString below = pathBelowPlugInFolders(readerFolder, item.path);
        return !below.isEmpty() && fileExists(folders.plugIns, ResolvedFolder::nameOf(below));
    });
    return walk.items;
}

QStringList plugInsLoaded(const QString &readerFolder)
{
    return searchPlugIns(ResolvedFolder(plugInsFolderOf(readerFolder))).loaded;
}

PlugInSearch searchPlugIns(const ResolvedFolder &plugIns)
{
    const QString folder = withBackslash(plugIns.windowsPath());
    Walk walk(plugIns, kPattern, true);
    walk.run(folder, QByteArray(), QString());
    PlugInSearch search;
    for (const PlugInItem &item : walk.items)
        search.loaded << item.path.mid(folder.size());
    search.entered = walk.entered;
    return search;
}

QStringList plugInsNamed(const QStringList &plugIns, const QString &name)
{
    QStringList out;
    for (const QString &rel : plugIns) {
        const QString file = nameOf(rel);
        if (rel.compare(name, Qt::CaseInsensitive) == 0 || file.compare(name, Qt::CaseInsensitive) == 0
            || (isPlugInFile(file) && stemOf(file).compare(name, Qt::CaseInsensitive) == 0))
            out << rel;
    }
    return out;
}

QString pathBelowPlugInFolders(const QString &readerFolder, const QString &path)
{
    for (const QString &folder : {withBackslash(plugInsFolderOf(readerFolder)), withBackslash(optionalFolderOf(readerFolder))}) {
        if (startsWithFolder(path, folder))
            return path.mid(folder.size());
    }
    return QString();
}

QStringList plugInFilesToUnload(const QString &readerFolder, const QStringList &listedBelow)
{
    const ResolvedFolder plugIns(plugInsFolderOf(readerFolder));
    return plugInFilesToUnload(plugIns, searchPlugIns(plugIns), listedBelow);
}

QStringList plugInFilesToUnload(const ResolvedFolder &plugIns, const PlugInSearch &search, const QStringList &listedBelow)
{
    QSet<QString> listed;
    for (const QString &rel : listedBelow)
        listed.insert(rel.toLower());

    // Plug-ins in folders the search does not enter cannot be listed; they
    // count as plain files of their sub-folder.
    QSet<QString> searched;
    for (const QString &f : search.entered)
        searched.insert(f.toLower());

    QStringList files;
    for (const QByteArray &name : filesBelow(plugIns))
        files << ResolvedFolder::windowsNameOf(name);
    auto folderOf = [](const QString &rel) { return rel.left(std::max<qsizetype>(winpath::lastSeparator(rel), 0)); };
    // The top sub-folder is the unit, as when a plug-in is brought back.
    auto unitOf = [](const QString &rel) { return rel.contains(kBackslash) ? rel.section(kBackslash, 0, 0).toLower() : QString(); };
    auto listable = [&](const QString &rel) { return isPlugInFile(nameOf(rel)) && searched.contains(folderOf(rel).toLower()); };

    QMap<QString, bool> everyPlugInListed; // unit -> all its listable plug-ins listed
    QMap<QString, bool> leaves;            // listable plug-in (lower case) -> it leaves
    for (const QString &rel : files) {
        if (!listable(rel))
            continue;
        const bool isListed = listed.contains(rel.toLower());
        auto unit = everyPlugInListed.find(unitOf(rel));
        if (unit == everyPlugInListed.end())
            everyPlugInListed.insert(unitOf(rel), isListed);
        else
            *unit = *unit && isListed;
        leaves.insert(rel.toLower(), isListed && !alwaysKept(folderOf(rel), nameOf(rel)));
    }

    // A sub-folder without any plug-in the list can show (a hidden one, or
    // one of plain files) goes only when the list still holds everything.
    const bool wholeListKept = std::all_of(everyPlugInListed.cbegin(), everyPlugInListed.cend(), [](bool b) { return b; });

    QStringList out;
    for (const QString &rel : files) {
        if (listable(rel)) {
            if (leaves.value(rel.toLower()))
                out << rel;
            continue;
        }
        // A companion file follows the plug-ins of its folder whose wildcard
        // (X.* for X.api) takes it; a file no plug-in names goes only when
        // nothing of its sub-folder stays, since a plug-in that stays may need it.
        const QString folder = folderOf(rel).toLower();
        const QString name = nameOf(rel);
        bool companion = false, allLeave = true;
        for (auto it = leaves.cbegin(); it != leaves.cend(); ++it) {
            if (folderOf(it.key()) != folder)
                continue;
            if (name.startsWith(stemOf(nameOf(it.key())) + QLatin1Char('.'), Qt::CaseInsensitive)) {
                companion = true;
                allLeave = allLeave && it.value();
            }
        }
        if (companion ? allLeave : everyPlugInListed.value(unitOf(rel), wholeListKept))
            out << rel;
    }
    return out;
}

PlugInCopy planBringBack(const QString &readerFolder, const QString &path)
{
    PlugInCopy plan;
    if (startsWithFolder(path, withBackslash(plugInsFolderOf(readerFolder)))) {
        plan.alreadyLoaded = true;
        return plan;
    }
    const QString below = pathBelowPlugInFolders(readerFolder, path);
    if (below.isEmpty())
        return plan;

    const qsizetype slash = below.indexOf(kBackslash);
    if (slash > 0) {
        // The whole top sub-folder comes back: its plug-ins may need each
        // other. Its content is copied rather than the folder itself, so an
        // existing sub-folder of that name in plug_ins is filled, not nested.
        const QString sub = below.left(slash);
        plan.source = withBackslash(optionalFolderOf(readerFolder) + kBackslash + sub) + QStringLiteral("*.*");
        plan.target = withBackslash(plugInsFolderOf(readerFolder)) + sub;
    } else {
        // X.api comes back with its companion files X.*.
        const qsizetype dot = path.lastIndexOf(QLatin1Char('.'));
        const qsizetype nameStart = winpath::lastSeparator(path) + 1;
        plan.source = (dot >= nameStart ? path.left(dot) : path) + QStringLiteral(".*");
        plan.target = plugInsFolderOf(readerFolder);
    }
    return plan;
}

} // namespace qv
