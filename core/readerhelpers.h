// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvane developers
#pragma once

#include <QString>
#include <QStringList>
#include <cstdint>
#include <vector>

// Where CreateShortcut puts a link.
enum TShortcutLocation : uint8_t {
    slDesktop = 0,     // the user's desktop ("Shell Folders" value "Desktop")
    slQuickLaunch = 1, // "MapGroups" value "Quick Launch"
    slSendTo = 2,      // "Shell Folders" value "SendTo"
    slStartMenu = 3,   // "Shell Folders" value "Start Menu"
    slFolder = 4,      // the sub-folder argument, taken as the whole folder
};

// Writes a shell link to target into the folder of location (plus subFolder),
// named after the target with ".lnk" for its extension; an existing link of
// that name is replaced. No link, and linkPath unchanged, when the folder is
// empty. A link that cannot be saved (missing sub-folder) is silent.
void CreateShortcut(const QString &target, TShortcutLocation location, const QString &subFolder,
                    const QString &workingFolder, const QString &arguments, const QString &description,
                    QString &linkPath);

// The path CreateShortcut would write for these arguments, found without
// creating anything; empty when it would write nothing.
QString shortcutPath(const QString &target, TShortcutLocation location, const QString &subFolder);

// A folder of the user's own "Shell Folders" ("Desktop", "Personal"), read
// without creating anything; empty when it is not recorded.
QString userShellFolder(const QString &name);

// The id of the last running process of this machine (platform/processes.h,
// runsOnThisMachine: on a Wine prefix a Wine process of this prefix and
// this user) whose executable name is one of names, compared whole and
// without regard to case; -1 when there is none. The process is held from
// the moment it is found, for KillProcess.
int64_t FindProcessId(const QStringList &names);
int64_t FindProcessId(const QString &name);
// Every such process, in list order, each held for KillProcess.
std::vector<int64_t> FindProcessIds(const QStringList &names);

// Ends a process that the last FindProcessId(s) found, hard, and waits up to
// 5000 ms for it; any other id is not ended. Throws qv::Error ("System
// Error.  Code: ...") when it cannot be ended or waited for.
void KillProcess(int64_t pid);

// The link file name for a target: its file name with the extension
// replaced by ".lnk" ("...\AcroRd32.exe" gives "AcroRd32.lnk").
QString shortcutLinkName(const QString &target);
