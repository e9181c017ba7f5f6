// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvane developers
#pragma once

#include <QString>
#include <QStringList>
#include <vector>

#include "platform/resolvedfolder.h"

namespace qv {

// One plug-in file of the list: its name as found and its full Windows path.
struct PlugInItem
{
    QString caption;
    QString path;

    bool operator==(const PlugInItem &) const = default;
};

// The plug-in files matching pattern in folder (a Windows path ending in a
// backslash), in search order: the folder's own files in enumeration order,
// hidden and system files included, then, when recurse is set, those of its
// visible sub-folders one after another, depth first. A folder reached twice
// (a link looping back into the tree) is searched once.
std::vector<PlugInItem> findPlugInFiles(const QString &folder, const QString &pattern, bool recurse);

// What Reader does not load at start: without a safety copy to trust (see
// safetyCopyTrusted) every plug-in of plug_ins (nothing has been unloaded
// yet, so all are candidates); with one, the plug-ins of the safety copy whose counterpart at the same
// place below plug_ins is missing. Given a version whose needed plug-ins
// nobody has published (Reader X and later), none is a candidate before
// Optimize: only the ones named leave.
std::vector<PlugInItem> plugInsNotLoaded(const QString &readerFolder, const QString &version = QString());

// The plug-ins Reader loads now: the ".api" files the search finds below
// plug_ins, as paths below it ("X.api", "S\\X.api"), in search order.
QStringList plugInsLoaded(const QString &readerFolder);

// One search of plug_ins (as an operation found it): the plug-ins Reader
// loads, as plugInsLoaded gives them, and every folder the search entered
// ("" for plug_ins itself, "S" below it).
struct PlugInSearch
{
    QStringList loaded;
    QStringList entered;
};
PlugInSearch searchPlugIns(const ResolvedFolder &plugIns);

// The paths of plugIns (paths below a plug-in folder) that a name given by
// a person means: the path itself, or a file name with or without ".api"
// (in any sub-folder), without regard to case.
QStringList plugInsNamed(const QStringList &plugIns, const QString &name);

// The plug-ins of the safety copy whose counterpart at the same place below
// plug_ins is missing: those an optimisation took out of Reader's start.
std::vector<PlugInItem> plugInsOnlyInSafetyCopy(const QString &readerFolder);

// The stems of the plug-ins at the top of plug_ins that Reader keeps loading
// after an optimisation: "EWH32" and "search".
const QStringList &keptPlugInStems();

// The path of a listed file below plug_ins or Optional ("X.api" or
// "S\X.api"); empty when path lies in neither.
QString pathBelowPlugInFolders(const QString &readerFolder, const QString &path);

// The files below plug_ins (relative paths, as pathBelowPlugInFolders gives
// them) that leave it when the list holds the plug-ins listedBelow. A listed
// plug-in goes with its companion files (X.api with X.*); the EWH32 and search
// plug-ins at the top always stay. Any other file goes only when every
// plug-in of its top sub-folder (or of the top, for files there) is listed,
// so that a plug-in that stays keeps what it may need; in a sub-folder with
// no plug-in the list can show (a hidden one, say), when every plug-in is
// listed. So with every plug-in listed only the EWH32 and search files stay,
// and with none listed nothing leaves.
QStringList plugInFilesToUnload(const QString &readerFolder, const QStringList &listedBelow);
// The same after a search of plug_ins the caller has made already.
QStringList plugInFilesToUnload(const ResolvedFolder &plugIns, const PlugInSearch &search,
                                const QStringList &listedBelow);

// How to bring a listed plug-in back into plug_ins.
struct PlugInCopy
{
    // Nothing to copy: the file already lies in plug_ins.
    bool alreadyLoaded = false;
    QString source; // a wildcard source for the batch copy
    QString target; // the target folder
};

// A plug-in at the top of Optional comes back with its companion files
// (X.api gives Optional\X.*); one in a sub-folder brings the content of its
// whole top sub-folder back into the sub-folder of that name in plug_ins.
PlugInCopy planBringBack(const QString &readerFolder, const QString &path);

} // namespace qv
