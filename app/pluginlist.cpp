#include "app/pluginlist.h"

#include "platform/filesystem.h"
#include "platform/wineprefix.h"

#include <QFileInfo>
#include <QSet>

namespace qv {

namespace {

const QChar kBackslash = QLatin1Char('\\');

// The real folder behind a Windows folder path, to notice a folder reached a
// second time through a link. Falls back to the Windows path itself when the
// folder does not map (nothing is found there anyway).
QString folderIdentity(const QString &folder)
{
    const QString host = WinePrefix::current().toHost(folder);
    const QString canonical = host.isEmpty() ? QString() : QFileInfo(host).canonicalFilePath();
    return canonical.isEmpty() ? folder.toLower() : canonical;
}

bool isDotEntry(const QString &name)
{
    return name == QLatin1String(".") || name == QLatin1String("..");
}

void search(const QString &folder, const QString &pattern, bool recurse, QSet<QString> &visited,
            std::vector<PlugInItem> &out)
{
    if (!folder.isEmpty() && recurse) {
        // A link back into the tree would otherwise make the search endless.
        const QString id = folderIdentity(folder);
        if (visited.contains(id))
            return;
        visited.insert(id);
    }

    for (const FoundEntry &e : findFiles(folder + pattern, faAnyFile & ~faDirectory)) {
        if (e.attributes & faDirectory)
            continue;
        out.push_back({e.name, folder + e.name});
    }
    if (!recurse)
        return;

    // Hidden and system sub-folders are left alone, as Reader's own loader does.
    for (const FoundEntry &e : findFiles(folder + QStringLiteral("*.*"), faAnyFile & ~(faHidden | faSysFile | faVolumeId))) {
        if (isDotEntry(e.name) || !(e.attributes & faDirectory))
            continue;
        search(folder + e.name + kBackslash, pattern, recurse, visited, out);
    }
}

bool startsWithFolder(const QString &path, const QString &folder)
{
    // Windows paths: the same folder may be spelt in another case.
    return path.startsWith(folder, Qt::CaseInsensitive);
}

} // namespace

std::vector<PlugInItem> findPlugInFiles(const QString &folder, const QString &pattern, bool recurse)
{
    std::vector<PlugInItem> out;
    QSet<QString> visited;
    search(folder, pattern, recurse, visited, out);
    return out;
}

QString plugInsFolder(const QString &readerFolder)
{
    return readerFolder + QStringLiteral("\\plug_ins\\");
}

QString optionalFolder(const QString &readerFolder)
{
    return readerFolder + QStringLiteral("\\Optional\\");
}

QString backupMarkerPath(const QString &readerFolder)
{
    return readerFolder + QStringLiteral("\\Wexmor.DAT");
}

std::vector<PlugInItem> plugInsNotLoaded(const QString &readerFolder)
{
    const QString pattern = QStringLiteral("*.api");
    if (!fileExists(backupMarkerPath(readerFolder)))
        return findPlugInFiles(plugInsFolder(readerFolder), pattern, true);

    std::vector<PlugInItem> items = findPlugInFiles(optionalFolder(readerFolder), pattern, true);
    const QString loadedFolder = plugInsFolder(readerFolder);
    std::erase_if(items, [&](const PlugInItem &item) {
        // The same place below plug_ins, sub-folders included: a plug-in
        // brought back from a sub-folder lies in that sub-folder there.
        const QString below = pathBelowPlugInFolders(readerFolder, item.path);
        return !below.isEmpty() && fileExists(loadedFolder + below);
    });
    return items;
}

QString pathBelowPlugInFolders(const QString &readerFolder, const QString &path)
{
    for (const QString &folder : {plugInsFolder(readerFolder), optionalFolder(readerFolder)}) {
        if (startsWithFolder(path, folder))
            return path.mid(folder.size());
    }
    return QString();
}

PlugInCopy planBringBack(const QString &readerFolder, const QString &path)
{
    PlugInCopy plan;
    if (startsWithFolder(path, plugInsFolder(readerFolder))) {
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
        plan.source = optionalFolder(readerFolder) + sub + QStringLiteral("\\*.*");
        plan.target = plugInsFolder(readerFolder) + sub;
    } else {
        // X.api comes back with its companion files X.*.
        const qsizetype dot = path.lastIndexOf(QLatin1Char('.'));
        const qsizetype nameStart = path.lastIndexOf(kBackslash) + 1;
        plan.source = (dot >= nameStart ? path.left(dot) : path) + QStringLiteral(".*");
        plan.target = readerFolder + QStringLiteral("\\plug_ins");
    }
    return plan;
}

} // namespace qv
