#include "core/safetycopy.h"

#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QMap>

#include "platform/filesystem.h"
#include "platform/wineprefix.h"

QString plugInsFolderOf(const QString &readerFolder)
{
    return readerFolder + QStringLiteral("\\plug_ins");
}

QString optionalFolderOf(const QString &readerFolder)
{
    return readerFolder + QStringLiteral("\\Optional");
}

QStringList filesBelow(const QString &windowsFolder)
{
    QStringList out;
    const QString host = qv::WinePrefix::current().toHost(windowsFolder);
    if (host.isEmpty() || !QFileInfo(host).isDir())
        return out;
    QDirIterator it(host, QDir::Files | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    const QDir base(host);
    while (it.hasNext()) {
        const QString path = it.next();
        QString rel = base.relativeFilePath(path);
        rel.replace(QLatin1Char('/'), QLatin1Char('\\'));
        out << rel;
    }
    out.sort(Qt::CaseInsensitive);
    return out;
}

bool sameFileContent(const QString &windowsPathA, const QString &windowsPathB)
{
    const qv::WinePrefix &prefix = qv::WinePrefix::current();
    QFile a(prefix.toHost(windowsPathA));
    QFile b(prefix.toHost(windowsPathB));
    if (a.fileName().isEmpty() || b.fileName().isEmpty())
        return false;
    if (!a.open(QIODevice::ReadOnly) || !b.open(QIODevice::ReadOnly) || a.size() != b.size())
        return false;
    constexpr qint64 chunk = 1 << 16;
    while (!a.atEnd()) {
        const QByteArray x = a.read(chunk);
        const QByteArray y = b.read(chunk);
        if (x.isEmpty() && !a.atEnd())
            return false;
        if (x != y)
            return false;
    }
    return b.atEnd();
}

SafetyCopyState compareWithSafetyCopy(const QString &readerFolder)
{
    SafetyCopyState state;
    const QString plugIns = plugInsFolderOf(readerFolder) + QLatin1Char('\\');
    const QString optional = optionalFolderOf(readerFolder) + QLatin1Char('\\');
    for (const QString &rel : filesBelow(plugInsFolderOf(readerFolder))) {
        if (!qv::fileExists(optional + rel))
            state.missing << rel;
        else if (sameFileContent(plugIns + rel, optional + rel))
            state.safe << rel;
        else
            state.differing << rel;
    }
    return state;
}

QList<QPair<QString, QStringList>> groupByFolder(const QStringList &relativePaths)
{
    QMap<QString, QStringList> groups;
    for (const QString &rel : relativePaths) {
        const qsizetype cut = rel.lastIndexOf(QLatin1Char('\\'));
        groups[cut < 0 ? QString() : rel.left(cut)] << rel;
    }
    QList<QPair<QString, QStringList>> out;
    for (auto it = groups.cbegin(); it != groups.cend(); ++it)
        out.append({it.key(), it.value()});
    return out;
}

bool matchesStem(const QString &relativePath, const QString &stem)
{
    return !relativePath.contains(QLatin1Char('\\'))
        && relativePath.startsWith(stem + QLatin1Char('.'), Qt::CaseInsensitive);
}
