// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvane developers
#include "testhome.h"

#include <QDir>
#include <QFile>

namespace testhome {

namespace {

struct Folder
{
    const char *variable;
    const char *below; // relative to the home
};

const Folder kFolders[] = {{"XDG_CONFIG_HOME", ".config"},   {"XDG_DATA_HOME", ".local/share"},
                           {"XDG_STATE_HOME", ".local/state"}, {"XDG_CACHE_HOME", ".cache"},
                           {"XDG_RUNTIME_DIR", ".runtime"}};

} // namespace

const QList<QByteArray> &variables()
{
    static const QList<QByteArray> names = [] {
        QList<QByteArray> n{"HOME", "WINEPREFIX"};
        for (const Folder &f : kFolders)
            n << f.variable;
        return n;
    }();
    return names;
}

void point(const QString &home)
{
    qputenv("HOME", QFile::encodeName(home));
    qunsetenv("WINEPREFIX");
    for (const Folder &f : kFolders) {
        const QString path = home + QLatin1Char('/') + QLatin1String(f.below);
        QDir().mkpath(path);
        qputenv(f.variable, QFile::encodeName(path));
    }
    QFile::setPermissions(home + QStringLiteral("/.runtime"),
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner); // as the runtime folder must be
    for (const char *folder : {"Desktop", "Documents"})
        QDir().mkpath(home + QLatin1Char('/') + QLatin1String(folder));
    QFile file(home + QStringLiteral("/.config/user-dirs.dirs"));
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        file.write("# written by xdg-user-dirs-update\nXDG_DESKTOP_DIR=\"$HOME/Desktop\"\n"
                   "XDG_DOCUMENTS_DIR=\"$HOME/Documents\"\n");
}

} // namespace testhome
