// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvane developers
#pragma once

#include <QString>
#include <QStringList>

// Adobe Reader's own names, keys and folders, in one place (its preferences
// are a table of their own: preferences.h). Folders are Windows paths
// without a closing backslash.
namespace qv::reader {

// The executable Optimize and Restore end, and that the closing question starts.
inline constexpr char kProcessName[] = "AcroRd32.exe";
// Every executable name that counts as Reader running: matched exactly,
// without regard to case, never as a part of another name.
QStringList processNames();

// The key below HKEY_LOCAL_MACHINE whose subkeys are the installed versions.
QString versionsKey();
// "\SOFTWARE\Adobe\Acrobat Reader\<version>\<subkey>": every per-version key.
QString versionKey(const QString &version, const QString &subkey);

// Machine-wide shell folders (Common Programs, Common Desktop, Personal).
QString machineShellFoldersKey();
// Below HKEY_CURRENT_USER: the user's own shell folders are its "Shell Folders".
QString userExplorerKey();

QString programPath(const QString &readerFolder); // ...\AcroRd32.exe
// plugInsFolderOf, optionalFolderOf and backupMarkerPath live beside the
// safety copy and the marker.

// What the shortcut options remove: "Adobe Reader <version>.lnk" in the
// all-users Start menu and desktop, and the PrintMe program group.
QString shortcutFileName(const QString &version);
QString printMeGroupName();
// The folder Reader keeps its eBooks in, inside the documents folder.
QString eBookFolderName();
// The text of a shortcut Restore writes.
QString shortcutDescription(const QString &version);

} // namespace qv::reader
