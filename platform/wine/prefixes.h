// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvane developers
#pragma once

#include <QString>
#include <QStringList>
#include <vector>

// Where Wine prefixes live on this machine, who keeps each one, and which
// Wine build goes with it. Prefix managers keep their prefixes in their own
// folders and pin a Wine build per prefix; running another Wine on a prefix
// can upgrade it behind the manager's back, so every start of a Windows
// program uses the build that goes with the prefix.
//
// Only a machine that runs Windows programs through Wine has any of this: on
// Windows itself the machine is the computer, machineHasPrefixes() says so,
// and nothing here is asked.
namespace qv {

// A prefix found on the machine.
struct FoundPrefix
{
    // Who keeps it: "Wine" (~/.wine), "Bottles", "PlayOnLinux", "Lutris",
    // "CrossOver", "winetricks"; empty for a folder no manager claims.
    QString manager;
    QString name; // the manager's name for it (the bottle, the game); the folder's name otherwise
    QString root; // the host folder
};

// The Wine build of a prefix: the program to run, the arguments that come
// before the Windows program, and what to call it for people.
struct WineBuild
{
    QString program;        // an absolute path, or "wine", looked up on PATH
    QStringList arguments;  // before the Windows program (CrossOver: --bottle NAME)
    QString description;    // "Bottles runner soda-7.0-9", "wine on PATH"
    // The command line that runs the Windows program in the prefix, as a
    // user would type it in a shell: for messages.
    QString commandLine(const QString &prefixRoot, const QString &windowsProgram) const;
};

namespace prefixes {

// Whether this machine keeps Windows programs in Wine prefixes (false on
// Windows, where there is no prefix to find or choose).
bool machineHasPrefixes();

// A folder Wine would take for a prefix: it holds system.reg and drive_c.
bool isPrefix(const QString &folder);

// Every prefix in the places managers keep them, in this order: ~/.wine;
// Bottles ($XDG_DATA_HOME/bottles/bottles/*, then the Flatpak's
// ~/.var/app/com.usebottles.bottles/data/bottles/bottles/*); PlayOnLinux
// (~/.PlayOnLinux/wineprefix/*); Lutris (the prefix: of each game in
// ~/.config/lutris/games/ and $XDG_DATA_HOME/lutris/games/); CrossOver
// (~/.cxoffice/*); winetricks ($XDG_DATA_HOME/wineprefixes/*). Within a
// place, by name. A folder reached twice (through a link) counts once.
std::vector<FoundPrefix> find();

// The places find() looks in, as host paths with "*" for "every folder in".
QStringList searchPlaces();

// What find() would say of the prefix at root: its manager and name, found
// from the manager's own files; no manager when none claims it.
FoundPrefix describe(const QString &root);

// The Wine build that goes with the prefix at root: a Bottles bottle's
// runner (bottle.yml "Runner:"; "sys-wine-*" is the system's Wine), a Lutris
// game's "wine: version:", PlayOnLinux's VERSION and ARCH
// (playonlinux.cfg), CrossOver's own launcher for its bottles, else wine on
// PATH. A build that is pinned but missing is still named, so that starting
// it fails with its name rather than quietly running another Wine.
WineBuild wineBuild(const QString &root);

// The user's desktop folder on the host, as xdg-user-dir DESKTOP answers
// it: XDG_DESKTOP_DIR of $XDG_CONFIG_HOME/user-dirs.dirs, else $HOME.
QString hostDesktopFolder();
// $XDG_DATA_HOME, else ~/.local/share; $XDG_CONFIG_HOME, else ~/.config.
QString dataHome();
QString configHome();

} // namespace prefixes
} // namespace qv
