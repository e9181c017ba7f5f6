// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvane developers
#pragma once

#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

#include "core/discovery.h"

namespace qv {

// What Optimize does. The first eleven members stand for the option boxes
// of the window (true: ticked, as at every start).
struct OptimizeOptions
{
    bool noSplash = true;          // FlatCheckBox1
    bool noAds = true;             // FlatCheckBox2
    bool noUpdates = true;         // FlatCheckBox3
    bool noEBooks = true;          // FlatCheckBox4
    bool noPrintMe = true;         // FlatCheckBox5
    bool noReaderIcon = true;      // FlatCheckBox6
    bool fastConnection = true;    // FlatCheckBox7
    bool noBrowser = true;         // FlatCheckBox8
    bool noExitQuestion = true;    // FlatCheckBox9
    bool noRecentFiles = true;     // FlatCheckBox10
    bool unloadPlugIns = true;     // FlatCheckBox11
    // Plug-ins below plug_ins ("X.api", "S\X.api", no regard to case) that
    // stay loaded besides EWH32 and search; with none, only those two stay.
    QStringList keepLoaded;
    // Reader X and later: the plug-ins to take out of plug_ins, named by the
    // user; nobody has published which ones those Readers start without, so
    // with none named none goes.
    QStringList unloadNamed;
    // Reader X and later in a Wine prefix, where each stands in Reader's way
    // (no box: the CLI's --keep-... options untick them). Never on Windows.
    bool noProtectedMode = true;  // Protected Mode (and so Protected View) off
    bool noUpdaterStartup = true; // the updater's Run entry gone, its service disabled
    bool setHelpersAside = true;  // AdobeARM.exe, armsvc.exe, RdrCEF.exe set aside
    // A running Reader is ended; otherwise the operation refuses.
    bool endRunningReader = false;
    // Plan only: the report lists the changes and nothing is changed.
    bool dryRun = false;
};

struct RestoreOptions
{
    bool endRunningReader = false;
    bool dryRun = false;
};

// One batch of the shell's file operation.
struct FileBatch
{
    enum Kind { Copy, Delete, Trash };
    Kind kind = Copy;
    QStringList from; // Windows paths; wildcards in the last component
    QString to;       // the target folder of a copy
};

// Runs a batch with the flags the window's file operators carry: nothing is
// confirmed, missing folders are made; Trash alone can be undone.
void runFileBatch(const FileBatch &batch);

// One change an operation made, or in a dry run would make.
struct Change
{
    enum Kind { EndProcess, CopyFiles, DeleteFiles, TrashFolder, WriteValue, DeleteKey, WriteMarker, DeleteMarker,
                WriteShortcut, DeleteLaunchers, WriteLauncher, CreateKey, DeleteValue, PutBackValue, SetAside,
                BringBack };
    Kind kind = CopyFiles;
    // Each member has an initializer, so a change names only what it has.
    QStringList paths{}; // copies: the sources; deletions: what goes; marker, shortcut: the file;
                         // launchers: host files
    QString target{};    // copies: the target folder; values, keys: the key path; shortcut: its target;
                         // a launcher written: its shortcut
    QString name{};      // value name; PutBackValue: how the value is described
    uint32_t root = 0;   // registry root of a value or key
    int64_t number = 0;  // value data, or the process id
    // A value's data before the change; none when it was missing or held no number.
    std::optional<int64_t> previous{};
    // PutBackValue: the data put back, when it is a number.
    std::optional<int64_t> putBack{};

    // One line per path, for people: "Copy "C:\...\X.api" to "C:\...\plug_ins"".
    QStringList describe() const;
    bool operator==(const Change &) const = default;
};

// The names the JSON report and the log give a change's kind ("write_value")
// and an outcome ("nothing_to_restore").
const char *changeKindName(Change::Kind kind);

// Something an operation left as it was, and why.
struct NotDone
{
    QString what;
    QString why;
    // False for what there was nothing to do about (no documents folder to
    // look in, a link to nothing left in place): the operation still counts
    // as completed.
    bool failed = true;
};

struct OperationReport
{
    enum Outcome {
        Completed,
        NothingToRestore,
        Refused,    // stopped before changing anything
        Failed,     // stopped part-way; error says what was done, or undone
        Incomplete, // ran to its end, but notDone lists what was asked and not done
    };
    Outcome outcome = Completed;
    QString error;         // Refused, Failed, Incomplete: what stopped it or was not done, and what to do
    int64_t runningReader = -1; // Refused because this Reader runs and was not to be ended
    bool started = false;  // the checks passed and changes began (never in a dry run)
    QStringList memo;      // the status memo at the end, in order
    std::vector<Change> changes; // in order
    std::vector<NotDone> notDone;
    QString closingQuestion; // Completed: whether to start Reader now
    QString readerProgram;   // what a Yes to it opens

    bool succeeded() const { return outcome == Completed || outcome == NothingToRestore; }
};

const char *outcomeName(OperationReport::Outcome outcome);

// What the caller sees while an operation runs. Nothing is called in a dry run.
struct OperationHooks
{
    std::function<void()> started;                   // after the checks, before the first change
    std::function<void(const QStringList &)> memo;   // the memo as it now reads
    std::function<void(const FileBatch &)> runBatch; // runFileBatch when not set
    // After each step that changed something ("reader ended", "safety copy",
    // "marker", "registry", "plug-ins", ...): where a long run stands, and
    // where tests interrupt one.
    std::function<void(const char *step)> stepDone;
};

// Both operations first check everything that could stop them: a usable
// installation (folder and version set, not a drive's root), the hives and
// folders they change can be changed, no other Quorvane works on the prefix
// (a lock held to the end), and no program but the Reader they end keeps the
// registry from taking changes. Only then do they end Reader and change
// anything; a refusal changes nothing. The registry changes are written in
// one commit, before any plug-in moves, so a failure there leaves the
// plug-ins as they were. What could not be done is listed (Incomplete), and
// "completed" is said only when everything was done.

// Ends a running Reader, takes the safety copy once (marked by the marker),
// writes Reader's preferences, takes the plug-ins out of plug_ins but EWH32,
// search and keepLoaded, and removes what the options say. Every file that
// leaves plug_ins is first found byte for byte in the safety copy.
OperationReport optimize(const ReaderInstallation &reader, const OptimizeOptions &options,
                         const OperationHooks &hooks = {});

// With the marker present: writes the preferences as Reader has them out of
// the box, brings every plug-in of the safety copy that plug_ins lacks back,
// puts a Reader shortcut on the user's desktop and removes the marker once
// every plug-in is back.
OperationReport restore(const ReaderInstallation &reader, const RestoreOptions &options,
                        const OperationHooks &hooks = {});

} // namespace qv
