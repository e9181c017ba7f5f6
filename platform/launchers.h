// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvane developers
#pragma once

#include <QString>
#include <QStringList>

// The launchers Wine's menu builder mirrors a prefix's shortcuts (.lnk) with
// on the host desktop. For a shortcut below the Start menu it writes a
// desktop entry under $XDG_DATA_HOME/applications/wine/ ("Programs/Adobe
// Reader 9.0.desktop") and a menu file under
// $XDG_CONFIG_HOME/menus/applications-merged/ that includes it; for a
// shortcut on a desktop, a desktop entry in the user's desktop folder. The
// entry's Exec line runs the prefix (env WINEPREFIX="...") with the
// shortcut's Windows path (Wine 7 and later) or with start.exe /Unix and its
// host path (earlier Wine). Entries of different prefixes share file names:
// only the Exec line tells whose an entry is. A machine without Wine has
// no such launchers.
namespace qv::launchers {

struct HostLaunchers
{
    QStringList entries; // desktop entries, host paths
    QStringList menus;   // menu files that include nothing but those entries
    bool isEmpty() const { return entries.isEmpty() && menus.isEmpty(); }
    QStringList all() const { return entries + menus; }
};

// The launchers of the current prefix for the shortcut at windowsPath, or
// for every shortcut below it when it names a folder. Looked for in the
// menu tree, in the host's desktop folder and in desktopFolder (the Windows
// path of the prefix user's desktop, where the menu builder puts them; may
// be empty). An entry counts only when its Exec line runs this prefix.
HostLaunchers find(const QString &windowsPath, const QString &desktopFolder);

// Removes the entries, then the menu files, then the folders of the menu
// tree they leave empty. Gives back the files that are still there.
QStringList remove(const HostLaunchers &launchers);

// What the menu builder writes for a shortcut in the user's own desktop
// folder: a desktop entry beside it, named after it, that runs the
// shortcut's target with the prefix's Wine build.
struct DesktopShortcut
{
    QString link;          // Windows path of the .lnk
    QString target;        // Windows path of the program
    QString arguments;
    QString description;
    QString workingFolder; // Windows path; may be empty
};
// The host path the entry goes to; empty when the link's folder is not on a drive of the prefix.
QString desktopEntryPath(const QString &windowsLink);
// The entry's text, as the menu builder writes it.
QByteArray desktopEntry(const DesktopShortcut &shortcut);
// Writes it (replacing an entry of that name, executable as the menu
// builder makes it); the path written, or empty when it could not be.
QString writeDesktopEntry(const DesktopShortcut &shortcut);

// The menu builder's escaping of one argument of an Exec line.
QString escapeExecArgument(const QString &argument);
// An Exec line split into its arguments, escapes and quotes undone.
QStringList execArguments(const QString &execValue);
// The name the menu builder gives an icon it takes from a program or icon
// file: a CRC-16 of the file's Windows path, its base name and the index.
QString iconName(const QString &windowsIconPath, int index);

} // namespace qv::launchers
