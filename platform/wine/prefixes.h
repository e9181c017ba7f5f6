// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvane developers
#pragma once

#include <QString>
#include <QStringList>
#include <vector>

#include "platform/machine.h"

// Where Wine prefixes live on this machine, who keeps each one, and which
// Wine build goes with it. Prefix managers keep their prefixes in their own
// folders and pin a Wine build per prefix; running another Wine on a prefix
// can upgrade it behind the manager's back, so every start of a Windows
// program uses the build that goes with the prefix. FoundPrefix and
// WineBuild are declared in platform/machine.h, for the floors above.
namespace qv {

namespace prefixes {

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

// The command line that runs the Windows program in the prefix with the
// build, as a user would type it in a shell: for messages.
QString commandLine(const WineBuild &build, const QString &prefixRoot, const QString &windowsProgram);

// The user's desktop folder on the host, as Wine's menu builder and GLib
// take it: XDG_DESKTOP_DIR of $XDG_CONFIG_HOME/user-dirs.dirs, else
// $HOME/Desktop. The documents folder likewise (XDG_DOCUMENTS_DIR, else
// $HOME/Documents).
QString hostDesktopFolder();
QString hostDocumentsFolder();
// Why a change may not land at a host path (machine::destinationProblem);
// empty when it may.
QString hostDestinationProblem(const QString &hostPath, machine::Destination kind);
// $XDG_DATA_HOME, else ~/.local/share; $XDG_CONFIG_HOME, else ~/.config.
QString dataHome();
QString configHome();

} // namespace prefixes
} // namespace qv
