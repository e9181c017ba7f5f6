// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvane developers

// One run's bookkeeping and the file steps both operations take: the report
// and its memo, the batches and what they left, the marker, the shortcut,
// and the end that says whether everything was done.

#include "core/operationrun.h"

#include <algorithm>

#include "core/backupmarker.h"
#include "core/preferences.h"
#include "core/reader.h"
#include "core/readerhelpers.h"
#include "core/safetycopy.h"
#include "platform/fileoperation.h"
#include "platform/filesystem.h"
#include "platform/machine.h"
#include "platform/winerror.h"
#include "platform/winpath.h"

namespace qv {

void runFileBatch(const FileBatch &batch)
{
    if (batch.from.isEmpty())
        return; // as the file operator: an empty list calls nothing
    const QByteArray from = fileOperationList(batch.from);
    const QByteArray to = fileOperationList({batch.to});
    ShFileOpStruct op;
    op.wFunc = batch.kind == FileBatch::Copy ? FO_COPY : FO_DELETE;
    op.pFrom = from.constData();
    op.pTo = to.constData();
    op.fFlags = FOF_NOCONFIRMATION | FOF_NOCONFIRMMKDIR;
    if (batch.kind == FileBatch::Trash)
        op.fFlags |= FOF_ALLOWUNDO;
    op.lpszProgressTitle = batch.kind == FileBatch::Copy ? "Copying..." : "Deleteing...";
    shFileOperation(op);
}

namespace {

QString quoted(const QString &s)
{
    return QLatin1Char('"') + s + QLatin1Char('"');
}

} // namespace

QStringList Change::describe() const
{
    QStringList out;
    switch (kind) {
    case EndProcess:
        out << QStringLiteral("End %1 (process %2)").arg(paths.value(0)).arg(number);
        break;
    case CopyFiles:
        for (const QString &p : paths)
            out << QStringLiteral("Copy %1 to %2").arg(quoted(p), quoted(target));
        break;
    case DeleteFiles:
        for (const QString &p : paths)
            out << QStringLiteral("Delete %1").arg(quoted(p));
        break;
    case TrashFolder:
        for (const QString &p : paths)
            out << QStringLiteral("Move %1 to the trash").arg(quoted(p));
        break;
    case WriteValue:
        out << QStringLiteral("Set %1\\%2 = %3").arg(preferences::keyText(root, target), name).arg(number)
                + (previous ? QStringLiteral(" (was %1)").arg(*previous) : QString());
        break;
    case CreateKey:
        out << QStringLiteral("Create the key %1").arg(preferences::keyText(root, target));
        break;
    case DeleteKey:
        out << QStringLiteral("Delete the key %1").arg(preferences::keyText(root, target));
        break;
    case DeleteValue:
        out << QStringLiteral("Delete %1\\%2").arg(preferences::keyText(root, target), name)
                + (previous ? QStringLiteral(" (was %1)").arg(*previous) : QString());
        break;
    case PutBackValue:
        out << QStringLiteral("Put back %1\\%2 as it was before Optimize").arg(preferences::keyText(root, target), name);
        break;
    case SetAside:
        for (const QString &p : paths)
            out << QStringLiteral("Set %1 aside in %2").arg(quoted(p), quoted(target));
        break;
    case BringBack:
        for (const QString &p : paths)
            out << QStringLiteral("Bring %1 back from %2").arg(quoted(p), quoted(target));
        break;
    case WriteMarker:
        out << QStringLiteral("Write the marker %1").arg(quoted(paths.value(0)));
        break;
    case DeleteMarker:
        out << QStringLiteral("Delete the marker %1").arg(quoted(paths.value(0)));
        break;
    case WriteShortcut:
        out << QStringLiteral("Create the shortcut %1 to %2").arg(quoted(paths.value(0)), quoted(target));
        break;
    case DeleteLaunchers:
        for (const QString &p : paths)
            out << QStringLiteral("Delete the launcher %1").arg(quoted(p));
        break;
    case WriteLauncher:
        out << QStringLiteral("Create the launcher %1 for %2").arg(quoted(paths.value(0)), quoted(target));
        break;
    }
    return out;
}

QString joinPath(const QString &folder, const QString &relative)
{
    return folder + QLatin1Char('\\') + relative;
}

QStringList joined(const QString &folder, const QStringList &relativePaths)
{
    QStringList out;
    for (const QString &rel : relativePaths)
        out << joinPath(folder, rel);
    return out;
}

bool containsPath(const QStringList &list, const QString &path)
{
    return list.contains(path, Qt::CaseInsensitive);
}

namespace {

// Why the last file step of this run that failed did so: later batches that
// went through must not hide it.
QString g_lastFailure;

} // namespace

QString failureReason()
{
    const QString reason = g_lastFailure.isEmpty() ? QStringLiteral("The file operation failed.") : g_lastFailure;
    return reason.endsWith(QLatin1Char('.')) ? reason : reason + QLatin1Char('.');
}


Run::Run(OperationReport &report, const OperationHooks &hooks, bool dry, const QString &title)
    : dry(dry), m_report(report), m_hooks(hooks), m_title(title)
{
    g_lastFailure.clear();
}

// One operation at a time per prefix, the window's and the CLI's alike; a
// dry run changes nothing and needs no turn.
void Run::takeTurn()
{
    if (dry)
        return;
    m_lock.emplace();
    if (!m_lock->held())
        throw Error(m_lock->refusal());
}

void Run::stepDone(const char *step)
{
    if (!dry && m_hooks.stepDone)
        m_hooks.stepDone(step);
}

void Run::setMemo(const QStringList &lines)
{
    m_report.memo = lines;
    if (!dry && m_hooks.memo)
        m_hooks.memo(lines);
}

void Run::notDone(const QString &what, const QString &why, const QString &memoLine, bool failed)
{
    m_report.notDone.push_back({what, why, failed});
    if (!memoLine.isEmpty() || failed)
        m_memoNotes << (memoLine.isEmpty() ? what + QStringLiteral(": ") + why : memoLine);
}

bool Run::anythingFailed() const
{
    return std::any_of(m_report.notDone.cbegin(), m_report.notDone.cend(), [](const NotDone &n) { return n.failed; });
}

// A Reader left running would keep its plug-ins open and write its
// preferences back when it closes, so it is ended or the operation refuses.
int64_t Run::findReader(bool mayEnd)
{
    // Reader's own helpers count as Reader: ended with it, never in the way.
    std::vector<int64_t> ids = FindProcessIds(reader::processNames());
    const int64_t pid = ids.empty() ? -1 : ids.back();
    if (!ids.empty())
        ids.pop_back();
    m_readerHelpers = ids;
    if (pid != -1 && !mayEnd) {
        m_report.runningReader = pid;
        throw Error(QStringLiteral("Adobe Reader is running %1 (%2, process %3), so nothing was "
                                   "changed. Close Reader and try again")
                        .arg(machine::here(), QLatin1String(reader::kProcessName))
                        .arg(pid));
    }
    return pid;
}

void Run::endReader(int64_t pid)
{
    if (pid == -1)
        return;
    for (const int64_t id : readerProcesses(pid)) {
        if (!dry)
            KillProcess(id);
        record({.kind = Change::EndProcess, .paths = {QLatin1String(reader::kProcessName)}, .number = id});
    }
    stepDone("reader ended");
}

void Run::commitRegistry(const std::function<QString()> &undo)
{
    if (dry)
        return;
    try {
        m_staging->commit();
    } catch (const Error &e) {
        m_staging.reset();
        throw Error(e.message() + QStringLiteral(". ") + undo());
    }
    m_staging.reset();
    stepDone("registry");
}

void Run::copy(const QStringList &from, const QString &to)
{
    if (from.isEmpty())
        return;
    batch({FileBatch::Copy, from, to});
    record({.kind = Change::CopyFiles, .paths = from, .target = to});
}

void Run::copy(const ResolvedFolder &source, const QStringList &relativePaths, const ResolvedFolder &target)
{
    if (relativePaths.isEmpty())
        return;
    ensureUnchanged({&source, &target});
    // Made first: a pattern that matches one file, copied to a folder that
    // does not exist, would leave that file under the folder's name. What
    // then stays missing is the caller's to report.
    if (!dry)
        makeFolder(target, {});
    copy(joined(source.windowsPath(), relativePaths), target.windowsPath());
}

void Run::copyRelative(const ResolvedFolder &source, const QStringList &relativePaths, const ResolvedFolder &target)
{
    const QString targetFolder = target.windowsPath();
    for (const auto &[folder, files] : groupByFolder(relativePaths)) {
        const QString targetPath = folder.isEmpty() ? targetFolder : joinPath(targetFolder, folder);
        if (!dry) {
            ensureUnchanged({&source, &target});
            // A single file copied to a folder that does not exist would
            // take the folder's name as its own, or replace a file in the
            // folder's place.
            if (!makeFolder(target, ResolvedFolder::nameOf(folder))) {
                // What stays missing is reported by the caller, with this cause.
                QString why = QStringLiteral("The folder \"%1\" could not be made.").arg(targetPath);
                auto up = [](const QString &f) { return f.left(std::max<qsizetype>(winpath::lastSeparator(f), 0)); };
                for (QString f = folder; !f.isEmpty(); f = up(f))
                    if (fileExists(target, ResolvedFolder::nameOf(f))) {
                        why = QStringLiteral("A file named \"%1\" is in the way of a folder of that name.")
                                  .arg(joinPath(targetFolder, f));
                        break;
                    }
                for (const QString &file : files)
                    m_whyMissing.insert(joinPath(targetPath, winpath::name(file)).toLower(), why);
                continue;
            }
        }
        copy(joined(source.windowsPath(), files), targetPath);
    }
}

QString Run::whyMissing(const QString &file) const
{
    return m_whyMissing.value(file.toLower(), failureReason());
}

void Run::ensureUnchanged(std::initializer_list<const ResolvedFolder *> folders) const
{
    if (dry)
        return;
    for (const ResolvedFolder *f : folders)
        f->ensureUnchanged();
}

QStringList Run::remove(const QStringList &paths, FileBatch::Kind kind,
                        const std::function<QString(const QString &)> &memoLine)
{
    return removeChecked(paths, kind, memoLine,
                         [](const QString &p) { return fileExists(p) || directoryExists(p); });
}

QStringList Run::remove(const ResolvedFolder &folder, const QStringList &relativePaths, FileBatch::Kind kind,
                        const std::function<QString(const QString &)> &memoLine)
{
    if (relativePaths.isEmpty())
        return {};
    ensureUnchanged({&folder});
    const qsizetype below = folder.windowsPath().size() + 1;
    return removeChecked(joined(folder.windowsPath(), relativePaths), kind, memoLine, [&](const QString &p) {
        return entryExists(folder, ResolvedFolder::nameOf(p.mid(below)));
    });
}

// A batch stops at its first failure, so what follows that file gets a batch
// of its own: everything that can go, goes.
QStringList Run::removeChecked(const QStringList &paths, FileBatch::Kind kind,
                               const std::function<QString(const QString &)> &memoLine,
                               const std::function<bool(const QString &)> &there)
{
    if (paths.isEmpty())
        return {};
    QStringList pending = paths, failed;
    QStringList reasons;
    while (!pending.isEmpty()) {
        batch({kind, pending, QString()});
        QStringList left;
        for (const QString &p : pending)
            if (!dry && there(p))
                left << p;
        if (left.isEmpty())
            break;
        // The entry the batch failed on: the file it names, or the folder holding it.
        const QString file = lastFileOperationFailure().file;
        const auto culprit = std::find_if(left.cbegin(), left.cend(), [&](const QString &p) {
            return winpath::sameName(p, file) || file.startsWith(p + QLatin1Char('\\'), Qt::CaseInsensitive);
        });
        const QString why = failureReason();
        if (culprit == left.cend()) {
            // No telling which one failed: all that is left failed so.
            for (const QString &p : left) {
                failed << p;
                reasons << why;
            }
            break;
        }
        failed << *culprit;
        reasons << why;
        left.removeAt(culprit - left.cbegin());
        pending = left;
    }
    for (qsizetype i = 0; i < failed.size(); ++i)
        notDone(failed[i], QStringLiteral("could not be removed: ") + reasons[i],
                memoLine ? memoLine(failed[i]) : QString());
    QStringList gone;
    for (const QString &p : paths)
        if (!failed.contains(p))
            gone << p;
    if (!gone.isEmpty())
        record({.kind = kind == FileBatch::Trash ? Change::TrashFolder : Change::DeleteFiles, .paths = gone});
    return failed;
}

void Run::writeMarker(const ResolvedFolder &readerFolder)
{
    const QString path = backupMarkerPath(readerFolder.windowsPath());
    if (!dry) {
        ensureUnchanged({&readerFolder});
        try {
            createBackupMarker(readerFolder);
        } catch (const InOutError &e) {
            // A link planted in the marker's place is never written through.
            const QString cause = e.code() == winerror::CantResolveFilename
                ? QStringLiteral("%1: a symbolic link stands in its place, and Quorvane writes nothing through one")
                      .arg(e.message())
                : e.message();
            throw Error(QStringLiteral("The marker \"%1\" could not be written (%2). The safety copy is complete; "
                                       "no plug-in was moved and the registry was not changed. Try Optimize "
                                       "again once the folder can be written")
                            .arg(path, cause));
        }
    }
    record({.kind = Change::WriteMarker, .paths = {path}});
    stepDone("marker");
}

void Run::deleteMarker(const ResolvedFolder &readerFolder)
{
    if (!dry) {
        ensureUnchanged({&readerFolder});
        deleteBackupMarker(readerFolder); // a failure only means a later Restore runs again
    }
    record({.kind = Change::DeleteMarker, .paths = {backupMarkerPath(readerFolder.windowsPath())}});
    stepDone("marker removed");
}

void Run::writeShortcut(const QString &readerFolder, const QString &version)
{
    const QString target = reader::programPath(readerFolder);
    // Looked up without creating any key: the registry is committed by now.
    QString linkPath = shortcutPath(target, slDesktop, QString());
    if (linkPath.isEmpty()) {
        note(QStringLiteral("The desktop shortcut"), QStringLiteral("the user has no desktop folder"),
             QStringLiteral("No desktop folder: no shortcut was made"));
        return;
    }
    if (!allowedDestination(linkPath, QStringLiteral("the shortcut was not written there")))
        return;
    if (!dry) {
        linkPath.clear();
        CreateShortcut(target, slDesktop, QString(), readerFolder, QString(), reader::shortcutDescription(version),
                       linkPath);
        if (!fileExists(linkPath)) {
            notDone(linkPath, QStringLiteral("the shortcut could not be written"));
            return;
        }
    }
    record({.kind = Change::WriteShortcut, .paths = {linkPath}, .target = target});
    writeLauncher({linkPath, target, QString(), reader::shortcutDescription(version), readerFolder});
    stepDone("shortcut");
}

// Wine's menu builder would mirror a new desktop shortcut on the host's
// desktop; it never sees ours, so we write what it would.
void Run::writeLauncher(const launchers::DesktopShortcut &shortcut)
{
    const QString planned = launchers::desktopEntryPath(shortcut.link);
    if (planned.isEmpty())
        return; // no host desktop to mirror the shortcut on
    QString why;
    const QString path = dry ? (launchers::desktopEntry(shortcut, &why).isEmpty() ? QString() : planned)
                             : launchers::writeDesktopEntry(shortcut, &why);
    if (path.isEmpty())
        notDone(planned, QStringLiteral("the launcher of the shortcut could not be written: ") + why);
    else
        record({.kind = Change::WriteLauncher, .paths = {path}, .target = shortcut.link});
}

void Run::removeShortcut(const QString &path)
{
    if (!allowedDestination(path, QStringLiteral("it was not removed")))
        return;
    const launchers::HostLaunchers host = launchers::find(path, userShellFolder(QStringLiteral("Desktop")));
    if (!remove({path}).isEmpty() || host.isEmpty())
        return; // a shortcut that stays keeps its launchers
    const QStringList left = dry ? QStringList() : launchers::remove(host);
    QStringList gone;
    for (const QString &file : host.all())
        if (!left.contains(file))
            gone << file;
    for (const QString &file : left)
        notDone(file, QStringLiteral("could not be removed"));
    if (!gone.isEmpty())
        record({.kind = Change::DeleteLaunchers, .paths = gone});
}

bool Run::allowedDestination(const QString &path, const QString &consequence)
{
    // The folder it is in, through every link: the entry itself is written
    // or removed as what it is, a link planted in its place replaced or
    // removed as the link, never followed.
    const QString why = machine::destinationProblem(winpath::folder(path), machine::Destination::UserFolders);
    if (why.isEmpty())
        return true;
    notDone(path, QStringLiteral("the folder the registry names for it %1, so %2").arg(why, consequence));
    return false;
}

void Run::finish(const QString &completedLine, const QString &readerFolder, const QString &version)
{
    if (!anythingFailed()) {
        setMemo(m_remarks + QStringList{completedLine} + m_memoNotes);
        m_report.outcome = OperationReport::Completed;
        m_report.readerProgram = reader::programPath(readerFolder);
        m_report.closingQuestion = m_title + QStringLiteral(" completed. Do you want to start Adobe Reader ")
            + version + QStringLiteral(" now?");
        return;
    }
    setMemo(m_remarks + QStringList{m_title + QStringLiteral(" not completed. Not done:")} + m_memoNotes);
    QStringList lines;
    for (const NotDone &n : m_report.notDone)
        if (n.failed)
            lines << QStringLiteral("- ") + n.what + QStringLiteral(": ") + n.why;
    m_report.outcome = OperationReport::Incomplete;
    m_report.error = m_title + QStringLiteral(" was not completed. Not done:\n") + lines.join(QLatin1Char('\n'))
        + QStringLiteral("\nEverything else was done. Remove the causes named above, then try ") + verb()
        + QStringLiteral(" again");
}

QString Run::verb() const
{
    return m_title == QLatin1String("Optimization") ? QStringLiteral("Optimize") : QStringLiteral("Restore");
}

void Run::batch(const FileBatch &b)
{
    if (dry)
        return;
    if (m_hooks.runBatch)
        m_hooks.runBatch(b);
    else
        runFileBatch(b);
    const FileOperationFailure f = lastFileOperationFailure();
    if (f.code != 0 && !f.reason.isEmpty())
        g_lastFailure = f.reason;
}

void Run::fail(const QString &message)
{
    m_report.outcome = m_report.started ? OperationReport::Failed : OperationReport::Refused;
    m_report.error = message;
    if (m_report.started)
        setMemo(QStringList{m_title + QStringLiteral(" not completed:")} + message.split(QLatin1Char('\n')));
}

} // namespace qv
