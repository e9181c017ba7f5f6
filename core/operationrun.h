// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvane developers

// What Optimize and Restore share inside the core (not for other floors):
// one run's state, the report it fills, the caller's hooks, dry or real, and
// the steps both take.

#pragma once

#include <QHash>
#include <QString>
#include <QStringList>
#include <exception>
#include <functional>
#include <initializer_list>
#include <optional>
#include <vector>

#include "core/operations.h"
#include "core/safetycopy.h"
#include "platform/error.h"
#include "platform/launchers.h"
#include "platform/operationlock.h"
#include "platform/registry.h"

namespace qv {

QString joinPath(const QString &folder, const QString &relative);
QStringList joined(const QString &folder, const QStringList &relativePaths);
bool containsPath(const QStringList &list, const QString &path);
// Why the last file step of this run that failed did so, as a sentence.
QString failureReason();

// Appends what a run (not a dry one) changed and how it ended to the log
// (operationlog.h); title as Run has it (operationlog.cpp).
void logReport(const QString &title, const OperationReport &report);

// One run of an operation: the report it fills, the caller's hooks, and
// whether the changes are made or only planned.
class Run
{
public:
    const bool dry;

    // Runs one operation, work(run, report), to its report: an error ends it
    // as a refusal before anything changed, as a failure after.
    template <typename F>
    static OperationReport operate(const OperationHooks &hooks, bool dry, const QString &title, F &&work)
    {
        OperationReport report;
        Run run(report, hooks, dry, title);
        try {
            work(run, report);
        } catch (const Error &e) {
            run.fail(e.message());
        } catch (const std::exception &e) {
            run.fail(QString::fromLocal8Bit(e.what()));
        }
        if (!dry)
            logReport(title, report);
        return report;
    }

    // The opening (operationchecks.cpp). First what needs no change ahead: a
    // usable installation (with a plug_ins folder when needsPlugIns), this
    // run's turn, and a running Reader, which is ended later only when
    // mayEnd. Gives that Reader's process id, or -1.
    int64_t check(const ReaderInstallation &reader, bool needsPlugIns, bool mayEnd);
    // Reader's folders as check() found them: every later step works in
    // these, and each step that changes one makes sure first that it is
    // still the folder found.
    const ReaderFolders &folders() const { return *m_folders; }
    // A folder the run is to change, and how a refusal names it.
    struct Writable
    {
        QString folder;
        QString role;
    };
    // With changes ahead: nothing but that Reader keeps the registry from
    // taking them, and the hives and the folders can be changed. Then Reader
    // is ended and the run starts with an empty memo; with changes ahead the
    // halves of files an interrupted copy left go, and the registry changes
    // wait for commitRegistry(). std::nullopt: nothing is to change.
    void begin(int64_t readerPid, const std::optional<std::vector<Writable>> &changes);

    void stepDone(const char *step);

    void setMemo(const QStringList &lines);
    void addMemo(const QString &line) { setMemo(m_report.memo + QStringList{line}); }

    void record(Change change) { m_report.changes.push_back(std::move(change)); }
    // memoLine: how the memo names it (short); what and why otherwise.
    void notDone(const QString &what, const QString &why, const QString &memoLine = QString(), bool failed = true);
    // Left as it was, and rightly so: the run still completes; the memo
    // names it when given a line for it.
    void note(const QString &what, const QString &why, const QString &memoLine)
    {
        notDone(what, why, memoLine, false);
    }
    bool anythingFailed() const;
    // A line the memo keeps to the end: what was done that the user should
    // know of, and why.
    void remark(const QString &line)
    {
        m_remarks << line;
        addMemo(line);
    }

    // Writes every staged registry change in one go. When that fails, undo
    // first undoes this run's file changes so far, and the error says so.
    void commitRegistry(const std::function<QString()> &undo);

    void copy(const QStringList &from, const QString &to);
    // Copies what the paths below source name (wildcards allowed) into target.
    void copy(const ResolvedFolder &source, const QStringList &relativePaths, const ResolvedFolder &target);
    // Copies files given relative to source into the same places below
    // target, one batch per folder.
    void copyRelative(const ResolvedFolder &source, const QStringList &relativePaths, const ResolvedFolder &target);
    // Why a file a copy was to bring is missing: the folder it needed, or
    // the last failed batch.
    QString whyMissing(const QString &file) const;

    // Deletes permanently (or to the trash); gives back the paths still
    // there, each named as not done with the cause the batch met.
    QStringList remove(const QStringList &paths, FileBatch::Kind kind = FileBatch::Delete,
                       const std::function<QString(const QString &)> &memoLine = {});
    // The same for paths below a folder the run found (relative to it).
    QStringList remove(const ResolvedFolder &folder, const QStringList &relativePaths,
                       FileBatch::Kind kind = FileBatch::Delete,
                       const std::function<QString(const QString &)> &memoLine = {});
    // Before a step that changes something in these folders: each is still
    // the folder found, or the run stops. A dry run changes nothing.
    void ensureUnchanged(std::initializer_list<const ResolvedFolder *> folders) const;

    void writeMarker(const ResolvedFolder &readerFolder);
    void deleteMarker(const ResolvedFolder &readerFolder);
    void writeShortcut(const QString &readerFolder, const QString &version);
    // A shortcut (or a group of them) goes together with the launchers
    // Wine's menu builder made for it on the host, which would start nothing.
    void removeShortcut(const QString &path);
    // Whether a change may land at a path a shell-folder value of the
    // registry aimed: whether its folder may (machine.h, destinationProblem);
    // when not, it is named as not done, with why and the consequence ("it
    // was not removed").
    bool allowedDestination(const QString &path, const QString &consequence);

    // The end: "completed" and the closing question only when everything
    // asked was done; otherwise the memo and the message list what was not.
    void finish(const QString &completedLine, const QString &readerFolder, const QString &version);

private:
    // title: "Optimization" or "Restoration", as the memo and messages name it.
    Run(OperationReport &report, const OperationHooks &hooks, bool dry, const QString &title);

    void takeTurn();
    int64_t findReader(bool mayEnd);
    void endReader(int64_t pid);
    void writeLauncher(const launchers::DesktopShortcut &shortcut);
    QString verb() const;
    std::vector<int64_t> readerProcesses(int64_t readerPid) const;
    void batch(const FileBatch &b);
    void fail(const QString &message);
    QStringList removeChecked(const QStringList &paths, FileBatch::Kind kind,
                              const std::function<QString(const QString &)> &memoLine,
                              const std::function<bool(const QString &)> &there);

    OperationReport &m_report;
    const OperationHooks &m_hooks;
    const QString m_title;
    QStringList m_memoNotes;
    // Ahead of the closing line, which the memo's last line shows; never
    // among what was not done.
    QStringList m_remarks;
    QHash<QString, QString> m_whyMissing; // lower-cased Windows path -> cause
    std::optional<ReaderFolders> m_folders;
    std::optional<OperationLock> m_lock;
    std::optional<RegistryStaging> m_staging;
    std::vector<int64_t> m_readerHelpers; // Reader's other processes, ended with it
};

// Writes Reader's preferences row by row as the table has them
// (preferencewriter.cpp): Optimize's choice by its boxes, or with no
// options, Restore's.
// For Reader X and later only Optimize writes, each change's earlier state
// noted in record (when given); Restore puts back what was recorded instead.
struct EarlierState;
void writePreferences(Run &run, const QString &version, const OptimizeOptions *optimize,
                      EarlierState *record = nullptr);

} // namespace qv
