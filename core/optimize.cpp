// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvane developers

// Optimize: the safety copy taken once (or joined by new plug-ins), Reader's
// preferences, the plug-ins unloaded, and the eBooks, PrintMe group and
// Reader shortcuts removed as the boxes say.

#include "core/backupmarker.h"
#include "core/earlierstate.h"
#include "core/pluginlist.h"
#include "core/preferences.h"
#include "core/setaside.h"
#include "core/operationrun.h"
#include "core/reader.h"
#include "core/readerhelpers.h"
#include "core/safetycopy.h"
#include "core/unloading.h"
#include "platform/filesystem.h"
#include "platform/machine.h"

namespace qv {

namespace {

QString safetyCopyFailure(const QString &readerFolder, const QStringList &missing)
{
    return QStringLiteral("The plug-ins could not all be copied to \"%1\" (%2 missing, for example \"%3\"): %4 "
                          "To keep them safe, the plug-ins folder and the registry have been left as they are. "
                          "Once the cause is dealt with, try Optimize again")
        .arg(optionalFolderOf(readerFolder))
        .arg(missing.size())
        .arg(missing.first(), failureReason());
}

} // namespace

OperationReport optimize(const ReaderInstallation &reader, const OptimizeOptions &o, const OperationHooks &hooks)
{
    return Run::operate(hooks, o.dryRun, QStringLiteral("Optimization"), [&](Run &run, OperationReport &) {
        const QString &folder = reader.folder;
        const QString plugIns = plugInsFolderOf(folder);
        const QString optional = optionalFolderOf(folder);

        const int64_t readerPid = run.check(reader, true, o.endRunningReader);
        const ReaderFolders &places = run.folders();
        const bool trusted = safetyCopyTrusted(places);
        std::vector<Run::Writable> writable;
        if (!trusted || !places.optional.found() || !backupMarkerIntact(places.reader))
            writable.push_back({folder, QStringLiteral("The Adobe Reader folder")}); // Optional and the marker go there
        if (places.optional.found())
            writable.push_back({optional, QStringLiteral("The safety copy folder")});
        if (o.unloadPlugIns)
            writable.push_back({plugIns, QStringLiteral("The plug-ins folder")});
        run.begin(readerPid, writable);

        PlugInFolders folders(places, run.dry);
        // How plug_ins stands against its safety copy, compared byte for byte
        // once the copy is complete; afterwards it follows the changes below,
        // which delete files or bring back files from the copy itself.
        SafetyCopyState state;
        bool markerWritten = false;
        bool joinedCopy = false; // plug-ins new since the last Optimize joined the safety copy
        if (!trusted) {
            run.addMemo(QStringLiteral("Copy files and backup original settings ..."));
            run.copy(places.plugIns, {QStringLiteral("*.*")}, places.optional);
            if (run.dry) {
                // The copy replaces whatever Optional held under the same names.
                state.safe = folders.plugIns();
                folders.copiedToOptional(state.safe);
            } else {
                // The marker promises a complete copy: check every file, byte for byte.
                state = compareWithSafetyCopy(places);
                const QStringList incomplete = state.missing + state.differing;
                if (!incomplete.isEmpty())
                    throw Error(safetyCopyFailure(folder, incomplete));
            }
            run.stepDone("safety copy");
            run.setMemo({QStringLiteral("Copy files and backup original settings ... Done!")});
            run.writeMarker(places.reader);
            markerWritten = true;
        } else {
            // Plug-ins installed since the safety copy was taken join it, so
            // Restore can bring them back; nothing in the copy is overwritten.
            state = compareWithSafetyCopy(places);
            if (!state.missing.isEmpty()) {
                joinedCopy = true;
                run.copyRelative(places.plugIns, state.missing, places.optional);
                if (run.dry) {
                    folders.copiedToOptional(state.missing);
                    state.safe += state.missing;
                    state.missing.clear();
                } else {
                    state = compareWithSafetyCopy(places);
                    if (!state.missing.isEmpty())
                        throw Error(safetyCopyFailure(folder, state.missing));
                }
                run.stepDone("safety copy");
            }
            // Damaged bytes in the marker: written anew now that the copy is
            // complete. The marker was there before, so no undo removes it.
            if (!backupMarkerIntact(places.reader))
                run.writeMarker(places.reader);
        }

        // Reader X and later: what was there before is written down first,
        // beside the safety copy; a later Optimize adds to what the first found.
        const bool recorded = preferences::restoresRecordedState(reader.version);
        EarlierState record = recorded && !run.dry ? readEarlierState(places.reader).value_or(EarlierState{})
                                                   : EarlierState{};
        // Written again only when this run added to it: a second Optimize
        // that finds everything done leaves every byte as it was.
        QByteArray recordWritten = record.text();
        auto keepRecord = [&] {
            if (!recorded || run.dry || record.empty() || record.text() == recordWritten)
                return;
            writeEarlierState(places.reader, record);
            recordWritten = record.text();
        };
        if (recorded && machine::hasPrefixes() && o.noProtectedMode)
            run.remark(QStringLiteral("Protected Mode and Protected View turned off: Reader's sandbox does not "
                                       "work under Wine."));

        // The registry first, in one commit: when that fails no plug-in has moved.
        writePreferences(run, reader.version, &o, recorded ? &record : nullptr);
        keepRecord();
        run.commitRegistry([&] {
            if (!markerWritten)
                return joinedCopy ? QStringLiteral("No plug-in was moved; the plug-ins new since the last Optimize "
                                                   "joined the safety copy in \"%1\", nothing else was changed")
                                        .arg(optional)
                                  : QStringLiteral("No plug-in was moved and nothing else was changed");
            deleteBackupMarker(places.reader);
            return backupMarkerExists(places.reader)
                ? QStringLiteral("No plug-in was moved. The marker \"%1\" written by this run could not be removed; "
                                 "the next Optimize finds the safety copy complete all the same")
                      .arg(backupMarkerPath(folder))
                : QStringLiteral("No plug-in was moved, and the marker written by this run was removed again, so "
                                 "everything is as it was (the copy in \"%1\" stays)")
                      .arg(optional);
        });

        if (o.unloadPlugIns && preferences::plugInsKnown(reader.version)) {
            unloadPlugIns(run, folders, state, places, o.keepLoaded);
            run.stepDone("plug-ins");
        } else if (o.unloadPlugIns) {
            // Nobody has published which plug-ins these Readers start
            // without: only what the user names leaves plug_ins.
            QStringList keep = searchPlugIns(places.plugIns).loaded;
            keep.removeIf([&](const QString &rel) { return containsPath(o.unloadNamed, rel); });
            if (o.unloadNamed.isEmpty())
                run.remark(QStringLiteral("No plug-in unloaded: which ones Adobe Reader %1 can start without is "
                                           "not published.")
                                .arg(reader.version));
            else
                unloadPlugIns(run, folders, state, places, keep);
            run.stepDone("plug-ins");
        }

        if (recorded && machine::hasPrefixes() && o.setHelpersAside) {
            bool any = false;
            for (const QString &helper : readerHelperPrograms(folder))
                any |= setAside(run, folder, helper, record, keepRecord);
            if (any)
                run.remark(QStringLiteral("Reader's helper programs set aside, as they crash under Wine; Restore "
                                           "brings them back."));
        }

        if (o.noEBooks) {
            if (folders.inPlugIns(QStringLiteral("eBook.api"))) {
                // Only what the safety copy holds byte for byte goes; the
                // unloading above may have taken some of it already.
                QStringList eBook;
                for (const QString &rel : state.safe)
                    if (matchesStem(rel, QStringLiteral("eBook")) && folders.inPlugIns(rel))
                        eBook << rel;
                run.remove(places.plugIns, eBook);
            }
            // Without a machine-wide documents folder, the user's own one is
            // meant: never a "My eBook" at the root of a drive.
            const QString personal = reader.personalFolder.isEmpty() ? userShellFolder(QStringLiteral("Personal"))
                                                                     : reader.personalFolder;
            if (personal.isEmpty()) {
                run.note(QStringLiteral("The \"My eBook\" folder"), QStringLiteral("no documents folder is known"),
                         QString());
            } else {
                // It holds the user's own books: they go to the trash, where
                // they can be got back, not out of existence.
                const QString myEBook = joinPath(personal, reader::eBookFolderName());
                if (directoryExists(myEBook) && run.allowedDestination(myEBook, QStringLiteral("it was not moved to the trash")))
                    run.remove({myEBook}, FileBatch::Trash);
            }
        }

        if (o.noPrintMe) {
            const QString printMe = joinPath(reader.commonProgramsFolder, reader::printMeGroupName());
            if (directoryExists(printMe))
                run.removeShortcut(printMe);
        }

        if (o.noReaderIcon) {
            for (const QString &folderOfLink : {reader.commonProgramsFolder, reader.commonDesktopFolder}) {
                const QString link = joinPath(folderOfLink, reader::shortcutFileName(reader.version));
                if (!fileExists(link))
                    continue;
                // Restore brings back the very shortcut of a later Reader.
                if (recorded)
                    setAside(run, folder, link, record, keepRecord);
                else
                    run.removeShortcut(link);
            }
        }
        keepRecord();
        run.stepDone("removals");

        run.finish(QStringLiteral("Optimization Completed."), folder, reader.version);
    });
}

} // namespace qv
