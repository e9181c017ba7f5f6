#pragma once

#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>
#include <vector>

#include "core/discovery.h"

namespace qv {

// What Optimize does. Each member but the last three stands for one option
// box of the window (true: ticked, as at every start).
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
                WriteShortcut, DeleteLaunchers, WriteLauncher };
    Kind kind = CopyFiles;
    QStringList paths; // copies: the sources; deletions: what goes; marker, shortcut: the file;
                       // launchers: host files
    QString target;    // copies: the target folder; values, keys: the key path; shortcut: its target;
                       // a launcher written: its shortcut
    QString name;      // value name
    uint32_t root = 0; // registry root of a value or key
    int64_t number = 0; // value data, or the process id

    // One line per path, for people: "Copy "C:\...\X.api" to "C:\...\plug_ins"".
    QStringList describe() const;
    bool operator==(const Change &) const = default;
};

// Something an operation left as it was, and why.
struct NotDone
{
    QString what;
    QString why;
};

struct OperationReport
{
    enum Outcome {
        Completed,
        NothingToRestore,
        Refused, // stopped before changing anything
        Failed,  // stopped part-way: what was done stays done
    };
    Outcome outcome = Completed;
    QString error;         // Refused, Failed: what stopped it, and what to do
    int64_t runningReader = -1; // Refused because this Reader runs and was not to be ended
    bool started = false;  // the checks passed and changes began (never in a dry run)
    QStringList memo;      // the status memo at the end, in order
    std::vector<Change> changes; // in order
    std::vector<NotDone> notDone;
    QString closingQuestion; // Completed: whether to start Reader now
    QString readerProgram;   // what a Yes to it opens

    bool succeeded() const { return outcome == Completed || outcome == NothingToRestore; }
};

// What the caller sees while an operation runs. Nothing is called in a dry run.
struct OperationHooks
{
    std::function<void()> started;                   // after the checks, before the first change
    std::function<void(const QStringList &)> memo;   // the memo as it now reads
    std::function<void(const FileBatch &)> runBatch; // runFileBatch when not set
};

// Ends a running Reader, takes the safety copy once (marked by the marker),
// takes the plug-ins out of plug_ins but EWH32, search and keepLoaded, writes
// Reader's preferences and removes what the options say. Every file that
// leaves plug_ins is first found byte for byte in the safety copy, and a live
// wineserver, a damaged hive or a missing Reader folder stop it before any change.
OperationReport optimize(const ReaderInstallation &reader, const OptimizeOptions &options,
                         const OperationHooks &hooks = {});

// With the marker present: brings every plug-in of the safety copy that
// plug_ins lacks back, writes the preferences as Reader has them out of the
// box, puts a Reader shortcut on the user's desktop and removes the marker.
OperationReport restore(const ReaderInstallation &reader, const RestoreOptions &options,
                        const OperationHooks &hooks = {});

} // namespace qv
