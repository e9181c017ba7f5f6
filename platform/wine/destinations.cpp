// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvane developers

// Where a change aimed by a value of the prefix may land (machine.h,
// destinationProblem): the path is resolved through every link as far as
// it exists, and must then lie in one of the allowed folders, themselves
// resolved. A folder that would hold the whole home (a user-dirs entry set
// to $HOME, say) allows nothing.
#include <QDir>
#include <QFileInfo>

#include "platform/machine.h"
#include "platform/wine/prefixes.h"
#include "platform/wine/wineprefix.h"

namespace qv {

namespace {

// The real path of a host path: its deepest existing folder resolved, the
// names below it (still to be made) appended as they are.
QString resolved(const QString &hostPath)
{
    QString existing = QDir::cleanPath(QDir(hostPath).absolutePath());
    QStringList rest;
    while (existing != QLatin1String("/") && !QFileInfo::exists(existing)) {
        rest.prepend(QFileInfo(existing).fileName());
        existing = QFileInfo(existing).absolutePath();
    }
    QString real = QFileInfo(existing).canonicalFilePath();
    if (real.isEmpty())
        real = existing;
    for (const QString &name : std::as_const(rest))
        real += (real.endsWith(QLatin1Char('/')) ? QString() : QStringLiteral("/")) + name;
    return real;
}

bool isInside(const QString &path, const QString &folder)
{
    return path == folder || path.startsWith(folder + QLatin1Char('/'));
}

// The folder, resolved, when it is one a change may land in; empty for a
// folder that does not exist or holds the home folder.
QString allowed(const QString &folder)
{
    const QString real = folder.isEmpty() ? QString() : QFileInfo(folder).canonicalFilePath();
    const QString home = QFileInfo(QDir::homePath()).canonicalFilePath();
    if (real.isEmpty() || (!home.isEmpty() && isInside(home, real)))
        return QString();
    return real;
}

} // namespace

QString prefixes::hostDestinationProblem(const QString &hostPath, machine::Destination kind)
{
    const QString path = resolved(hostPath);
    const QString root = WinePrefix::current().root();
    const QString prefix = allowed(root);
    if (kind == machine::Destination::Prefix) {
        if (!prefix.isEmpty() && isInside(path, prefix))
            return QString();
        return QStringLiteral("leads to \"%1\", outside the prefix \"%2\"").arg(path, root);
    }
    // drive_c only while it stays inside the prefix: a drive_c that is a
    // link to the home folder would make the whole home a place to write.
    const QString driveC = allowed(root + QStringLiteral("/drive_c"));
    QStringList places;
    if (!driveC.isEmpty() && !prefix.isEmpty() && isInside(driveC, prefix))
        places << driveC;
    for (const QString &folder : {hostDesktopFolder(), hostDocumentsFolder(),
                                  dataHome() + QStringLiteral("/applications"), configHome() + QStringLiteral("/menus")})
        if (const QString real = allowed(folder); !real.isEmpty())
            places << real;
    for (const QString &place : std::as_const(places))
        if (isInside(path, place))
            return QString();
    return QStringLiteral("leads to \"%1\", which is neither in the prefix's drive C: nor one of your own desktop, "
                          "documents and menu folders")
        .arg(path);
}

QString machine::destinationProblem(const QString &windowsPath, Destination kind)
{
    const QString host = WinePrefix::current().toHost(windowsPath);
    if (host.isEmpty())
        return QStringLiteral("is not on a drive of the prefix");
    return prefixes::hostDestinationProblem(host, kind);
}

} // namespace qv
