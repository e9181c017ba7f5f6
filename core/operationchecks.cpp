// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvane developers

// The opening both operations share: every check that can refuse, run
// before Reader is ended and before anything changes (a usable installation,
// the operation lock, no other program holding the registry, hives and
// folders that can be changed), and then the start.

#include "core/operationrun.h"

#include "core/safetycopy.h"
#include "platform/filesystem.h"
#include "platform/machine.h"
#include "platform/winpath.h"
#include "platform/writeprobe.h"

namespace qv {

namespace {

// Nothing may start on an installation that start-up could not settle: an
// empty or root folder would make Optimize work on the drive itself, and an
// empty version would write Reader's keys without one. Reader's folders are
// found on the machine, for the whole run, once the text names a folder.
void checkInstallation(const ReaderInstallation &r, bool needsPlugIns, std::optional<ReaderFolders> &folders)
{
    const QString again = QStringLiteral("Start Quorvane again and enter the folder that holds AcroRd32.exe");
    if (r.folder.trimmed().isEmpty())
        throw Error(QStringLiteral("No Adobe Reader folder is set, so nothing was changed. ") + again);
    QStringList parts = winpath::split(r.folder);
    parts.removeAll(QStringLiteral("."));
    if (parts.size() <= 1 && (parts.isEmpty() || !winpath::drive(parts.first()).isNull()))
        throw Error(QStringLiteral("\"%1\" is the root of a drive, not Adobe Reader's folder, so nothing was "
                                   "changed. ")
                        .arg(r.folder)
                    + again);
    folders.emplace(r.folder);
    if (!folders->reader.found())
        throw Error(QStringLiteral("The Adobe Reader folder \"%1\" does not exist, so nothing was changed. ")
                        .arg(r.folder)
                    + again);
    // The folder comes from the prefix's registry (or its disks): through a
    // link or drive Z: it may lead to any folder of the user's.
    if (const QString why = machine::destinationProblem(r.folder, machine::Destination::Prefix); !why.isEmpty())
        throw Error(QStringLiteral("The Adobe Reader folder \"%1\" %2, so nothing was changed: Quorvane changes "
                                   "nothing outside %3. ")
                        .arg(r.folder, why, machine::theMachine())
                    + again);
    // A linked plug-ins folder or safety copy would have the plug-ins
    // copied into, or deleted from, wherever the link leads.
    for (const ResolvedFolder *f : {&folders->plugIns, &folders->optional})
        if (f->isLink())
            throw Error(QStringLiteral("The folder \"%1\" is a symbolic link, so nothing was changed: the plug-ins "
                                       "would be copied to or removed from wherever it leads. Put a real folder in "
                                       "its place, then try again")
                            .arg(f->windowsPath()));
    if (needsPlugIns && !folders->plugIns.found())
        throw Error(QStringLiteral("The folder \"%1\" holds no plug_ins folder, so it is not Adobe Reader's folder "
                                   "or Reader is damaged; nothing was changed. ")
                        .arg(r.folder)
                    + again + QStringLiteral(", or repair Reader"));
    if (r.version.trimmed().isEmpty())
        throw Error(QStringLiteral("No Adobe Reader version is set, so nothing was changed (Reader's registry keys "
                                   "are named after it). Start Quorvane again and choose the version"));
}

// Refuses when a folder the run is to change cannot be changed.
void requireWritable(const Run::Writable &w)
{
    const QString why = folderWriteProblem(w.folder);
    if (!why.isEmpty())
        throw Error(QStringLiteral("%1 \"%2\" cannot be changed: %3. Nothing was changed; try again once it can be")
                        .arg(w.role, w.folder, why));
}

} // namespace

int64_t Run::check(const ReaderInstallation &reader, bool needsPlugIns, bool mayEnd)
{
    checkInstallation(reader, needsPlugIns, m_folders);
    takeTurn();
    return findReader(mayEnd);
}

std::vector<int64_t> Run::readerProcesses(int64_t readerPid) const
{
    if (readerPid == -1)
        return {};
    std::vector<int64_t> all = m_readerHelpers;
    all.push_back(readerPid);
    return all;
}

void Run::begin(int64_t readerPid, const std::optional<std::vector<Writable>> &changes)
{
    if (changes) {
        ensureNoProgramHoldsRegistry(readerProcesses(readerPid));
        ensureRegistryWritable({HKeyCurrentUser, HKeyLocalMachine});
        for (const Writable &w : *changes)
            requireWritable(w);
    }

    endReader(readerPid);
    if (dry)
        return setMemo({});
    if (changes)
        waitForRegistry(); // with Reader gone, Wine lets go of the registry
    m_report.started = true;
    if (m_hooks.started)
        m_hooks.started();
    setMemo({});
    if (changes) {
        // Halves of files an interrupted copy left are never copied on.
        ensureUnchanged({&m_folders->plugIns, &m_folders->optional});
        removeLeftoverTemporaries(m_folders->plugIns);
        removeLeftoverTemporaries(m_folders->optional);
        m_staging.emplace();
    }
}

} // namespace qv
