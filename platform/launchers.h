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
// The entry's text: the menu builder's keys, each value escaped as the
// Desktop Entry rules ask for its type, the Exec arguments quoted and '%'
// doubled. Empty, with why set ("the description holds the control
// character \x0A"), when a value cannot be written so (a control
// character, bytes that are no UTF-8) or the prefix's Wine build is not
// one to run (prefixes.h).
QByteArray desktopEntry(const DesktopShortcut &shortcut, QString *why = nullptr);
// Writes it (replacing an entry of that name, or a link in its place,
// never written through; executable as the menu builder makes it) when its
// folder is one launchers may go to (machine.h, destinationProblem); the
// path written, or empty with why set.
QString writeDesktopEntry(const DesktopShortcut &shortcut, QString *why = nullptr);

// One argument of an Exec line as the Desktop Entry rules quote it: in
// double quotes when it holds a reserved character, with '"', '`', '$' and
// '\' escaped inside, and every '%' doubled. The line is then escaped again
// as a string value (stringValue).
QString quoteExecArgument(const QString &argument);
// A value of type string or localestring: '\' doubled, blanks at either end as "\s".
QString stringValue(const QString &value);
// Why a value cannot go into a desktop entry at all, as the end of a
// sentence; empty when it can.
QString unwritableValue(const QString &value);
// Wine's menu builder's own escaping of an Exec argument (each special
// character after a backslash), which the entries it writes use.
QString escapeExecArgument(const QString &argument);
// An Exec line split into its arguments, escapes, "%%" and quotes undone:
// ours and those of the menu builder alike.
QStringList execArguments(const QString &execValue);
// The name the menu builder gives an icon it takes from a program or icon
// file: a CRC-16 of the file's Windows path, its base name and the index.
QString iconName(const QString &windowsIconPath, int index);

} // namespace qv::launchers
