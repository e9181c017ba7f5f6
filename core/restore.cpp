// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvane developers

// Restore: with the marker present, Reader's preferences as it has them out
// of the box, every plug-in of the safety copy that plug_ins lacks brought
// back, a Reader shortcut on the desktop, and the marker removed once all is back.

#include "core/backupmarker.h"
#include "core/earlierstate.h"
#include "core/preferences.h"
#include "core/setaside.h"
#include "core/operationrun.h"
#include "core/safetycopy.h"
#include "platform/filesystem.h"

namespace qv {

OperationReport restore(const ReaderInstallation &reader, const RestoreOptions &o, const OperationHooks &hooks)
{
    return Run::operate(hooks, o.dryRun, QStringLiteral("Restoration"), [&](Run &run, OperationReport &report) {
        const QString &folder = reader.folder;
        const QString plugIns = plugInsFolderOf(folder);
        const QString optional = optionalFolderOf(folder);

        const int64_t readerPid = run.check(reader, false, o.endRunningReader);
        const ReaderFolders &places = run.folders();
        std::optional<std::vector<Run::Writable>> changes;
        if (backupMarkerExists(places.reader)) {
            // The marker goes from Reader's folder.
            changes = std::vector<Run::Writable>{{folder, QStringLiteral("The Adobe Reader folder")}};
            if (places.plugIns.found())
                changes->push_back({plugIns, QStringLiteral("The plug-ins folder")});
        }
        run.begin(readerPid, changes);
        if (!changes) {
            run.setMemo({QStringLiteral("Nothing to restore!")});
            report.outcome = OperationReport::NothingToRestore;
            return;
        }
        run.setMemo({QStringLiteral("Restore files and registry settings ...")});

        // Reader X and later get back what Optimize recorded, never the
        // fixed values of Reader 5 to 9.
        const bool recorded = preferences::restoresRecordedState(reader.version);
        const std::optional<EarlierState> record = recorded ? readEarlierState(places.reader) : std::nullopt;
        if (recorded && !record)
            run.remark(QStringLiteral("Nothing was recorded to restore in the registry: Reader's settings stay "
                                       "as they are."));

        // The registry first, in one commit: when that fails nothing has changed.
        if (record)
            putBackRecorded(run, *record);
        else
            writePreferences(run, reader.version, nullptr);
        run.commitRegistry([] {
            return QStringLiteral("No plug-in was copied and the marker stays, so nothing was changed");
        });

        // Everything of the safety copy that plug_ins lacks comes back. A file
        // that plug_ins holds already stays: it may be newer than the copy.
        auto lacking = [&] {
            QStringList out;
            for (const QByteArray &name : filesBelow(places.optional))
                if (!fileExists(places.plugIns, name))
                    out << ResolvedFolder::windowsNameOf(name);
            return out;
        };
        const QStringList missing = lacking();
        if (!missing.isEmpty()) {
            run.copyRelative(places.optional, missing, places.plugIns);
            const QStringList still = run.dry ? QStringList() : lacking();
            for (const QString &rel : still)
                run.notDone(joinPath(plugIns, rel),
                            QStringLiteral("could not be copied back from the safety copy: ")
                                + run.whyMissing(joinPath(plugIns, rel))
                                + QStringLiteral(" The safety copy and the marker stay, so Restore can finish later"),
                            QStringLiteral("Not restored: ") + rel);
            run.stepDone("plug-ins");
        }

        if (record)
            bringBack(run, *record);
        else if (!recorded)
            run.writeShortcut(folder, reader.version);

        // The marker goes only once the safety copy is all back.
        if (!run.anythingFailed()) {
            run.setMemo({QStringLiteral("Restore files and registry settings ... Done!")});
            run.deleteMarker(places.reader);
            if (record && !run.dry) {
                deleteEarlierState(places.reader);
                removeEmptyFolder(setAsideFolderOf(folder));
            }
        }
        run.finish(QStringLiteral("Restore files and registry settings ... Done!"), folder, reader.version);
    });
}

} // namespace qv
