// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvane developers

// Unloading plug-ins: what leaves plug_ins, what comes back from the safety
// copy, and what is kept on purpose.

#include "core/unloading.h"

#include <QSet>
#include <algorithm>

#include "core/pluginlist.h"
#include "platform/winpath.h"

namespace qv {

namespace {

// Removes the sub-folders that held the given files (paths relative to
// folder) once they are empty, deepest first; a folder that still holds
// anything, or was empty before, stays.
void removeEmptiedSubFolders(const ResolvedFolder &folder, const QStringList &removedFiles)
{
    QSet<QString> folders;
    for (const QString &rel : removedFiles)
        for (QString f = winpath::folder(rel); !f.isEmpty(); f = winpath::folder(f.chopped(1)))
            folders.insert(f.chopped(1));
    QStringList ordered(folders.cbegin(), folders.cend());
    std::sort(ordered.begin(), ordered.end(), [](const QString &a, const QString &b) { return a.size() > b.size(); });
    for (const QString &f : ordered)
        removeEmptyFolder(folder, ResolvedFolder::nameOf(f)); // fails, harmlessly, unless empty
}

bool isKeptPlugInFile(const QString &rel)
{
    const QStringList &stems = keptPlugInStems();
    return std::any_of(stems.cbegin(), stems.cend(), [&](const QString &stem) { return matchesStem(rel, stem); });
}

} // namespace

void unloadPlugIns(Run &run, PlugInFolders &folders, const SafetyCopyState &state, const ReaderFolders &places,
                   const QStringList &keepLoaded)
{
    const QString plugIns = places.plugIns.windowsPath();
    const QString optional = places.optional.windowsPath();

    // One search of plug_ins serves both the list and what leaves with it.
    const PlugInSearch search = searchPlugIns(places.plugIns);
    QStringList listed;
    for (const QString &rel : search.loaded)
        if (!containsPath(keepLoaded, rel))
            listed << rel;

    QStringList unload, keptDiffering;
    for (const QString &rel : plugInFilesToUnload(places.plugIns, search, listed)) {
        if (containsPath(state.safe, rel))
            unload << rel;
        else if (folders.inPlugIns(rel))
            keptDiffering << rel;
    }
    const QString below = plugIns + QLatin1Char('\\');
    run.remove(places.plugIns, unload, FileBatch::Delete, [&](const QString &path) {
        const QString rel = path.mid(below.size());
        return (rel.endsWith(QStringLiteral(".api"), Qt::CaseInsensitive) ? QStringLiteral("Still loaded (could not be removed): ")
                                                                          : QStringLiteral("Not removed: "))
            + rel;
    });
    if (!run.dry) {
        run.ensureUnchanged({&places.plugIns});
        removeEmptiedSubFolders(places.plugIns, unload);
    }
    folders.removedFromPlugIns(unload);

    // The two plug-ins Reader keeps come back from the copy when plug_ins lacks them.
    QStringList back;
    for (const QString &rel : folders.optional())
        if (isKeptPlugInFile(rel) && !containsPath(unload, rel) && !folders.inPlugIns(rel))
            back << rel;
    run.copy(places.optional, back, places.plugIns);
    folders.copiedToPlugIns(back);
    for (const QString &rel : back)
        if (!folders.inPlugIns(rel))
            run.notDone(joinPath(plugIns, rel),
                        QStringLiteral("could not be copied back, so Reader does not load it: ") + failureReason(),
                        QStringLiteral("Not loaded (could not be copied back): ") + rel);

    // Kept on purpose, so the run still completes: the memo names them.
    for (const QString &rel : keptDiffering)
        run.note(joinPath(plugIns, rel),
                    QStringLiteral("it differs from its copy in \"%1\" (a newer version, say), so it stays loaded "
                                   "and both are kept. Restore, then Optimize, makes this version the safety copy")
                        .arg(optional),
                    QStringLiteral("Kept (differs from its safety copy): ") + rel);
    // Reader cannot load a link to nothing, and it is no one's to delete.
    for (const QString &rel : ResolvedFolder::windowsNamesOf(linksToNothingBelow(places.plugIns)))
        run.note(joinPath(plugIns, rel), QStringLiteral("a link to a missing file, left in place"),
                 QStringLiteral("Left in place (a link to a missing file): ") + rel);
}

} // namespace qv
