#include "core/operations.h"

#include <QHash>
#include <QSet>
#include <algorithm>
#include <exception>
#include <optional>

#include "core/backupmarker.h"
#include "core/pluginlist.h"
#include "core/reader.h"
#include "core/readerhelpers.h"
#include "core/safetycopy.h"
#include "platform/error.h"
#include "platform/fileoperation.h"
#include "platform/launchers.h"
#include "platform/filesystem.h"
#include "platform/machine.h"
#include "platform/operationlock.h"
#include "platform/registry.h"
#include "platform/writeprobe.h"
#include "platform/winpath.h"

namespace qv {

void runFileBatch(const FileBatch &batch)
{
    if (batch.from.isEmpty())
        return; // as the file operator: an empty list calls nothing
    QByteArray from;
    for (const QString &path : batch.from) {
        from += path.toUtf8();
        from += '\0';
    }
    from += '\0';
    QByteArray to = batch.to.toUtf8();
    to += '\0';
    to += '\0';
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

QString rootName(uint32_t root)
{
    switch (root) {
    case HKeyCurrentUser: return QStringLiteral("HKEY_CURRENT_USER");
    case HKeyLocalMachine: return QStringLiteral("HKEY_LOCAL_MACHINE");
    case HKeyUsers: return QStringLiteral("HKEY_USERS");
    }
    return QStringLiteral("0x%1").arg(root, 8, 16, QLatin1Char('0'));
}

QString keyText(uint32_t root, const QString &path)
{
    return rootName(root) + (path.startsWith(QLatin1Char('\\')) ? path : QLatin1Char('\\') + path);
}

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
        out << QStringLiteral("Set %1\\%2 = %3").arg(keyText(root, target), name).arg(number);
        break;
    case DeleteKey:
        out << QStringLiteral("Delete the key %1").arg(keyText(root, target));
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

namespace {

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

Change change(Change::Kind kind, const QStringList &paths, const QString &target = QString(),
              const QString &name = QString(), uint32_t root = 0, int64_t number = 0)
{
    Change c;
    c.kind = kind;
    c.paths = paths;
    c.target = target;
    c.name = name;
    c.root = root;
    c.number = number;
    return c;
}

bool containsPath(const QStringList &list, const QString &path)
{
    return list.contains(path, Qt::CaseInsensitive);
}

// Why the last file step of this run that failed did so: later batches that
// went through must not hide it.
QString g_lastFailure;

QString failureReason()
{
    const QString reason = g_lastFailure.isEmpty() ? QStringLiteral("The file operation failed.") : g_lastFailure;
    return reason.endsWith(QLatin1Char('.')) ? reason : reason + QLatin1Char('.');
}

// One run of an operation: the report it fills, the caller's hooks, and
// whether the changes are made or only planned.
class Run
{
public:
    // title: "Optimization" or "Restoration", as the memo and messages name it.
    Run(OperationReport &report, const OperationHooks &hooks, bool dry, const QString &title)
        : dry(dry), m_report(report), m_hooks(hooks), m_title(title)
    {
        g_lastFailure.clear();
    }

    const bool dry;

    template <typename F>
    void guard(F &&work)
    {
        try {
            work();
        } catch (const Error &e) {
            fail(e.message());
        } catch (const std::exception &e) {
            fail(QString::fromLocal8Bit(e.what()));
        }
    }

    // One operation at a time per prefix, the window's and the CLI's
    // alike; a dry run changes nothing and needs no turn.
    void takeTurn()
    {
        if (dry)
            return;
        m_lock.emplace();
        if (!m_lock->held())
            throw Error(m_lock->refusal());
    }

    void start()
    {
        if (dry)
            return;
        m_report.started = true;
        if (m_hooks.started)
            m_hooks.started();
    }

    void stepDone(const char *step)
    {
        if (!dry && m_hooks.stepDone)
            m_hooks.stepDone(step);
    }

    void setMemo(const QStringList &lines)
    {
        m_report.memo = lines;
        if (!dry && m_hooks.memo)
            m_hooks.memo(lines);
    }
    void addMemo(const QString &line) { setMemo(m_report.memo + QStringList{line}); }

    void record(Change change) { m_report.changes.push_back(std::move(change)); }
    // memoLine: how the memo names it (short); what and why otherwise.
    void notDone(const QString &what, const QString &why, const QString &memoLine = QString(), bool failed = true)
    {
        m_report.notDone.push_back({what, why, failed});
        if (!memoLine.isEmpty() || failed)
            m_memoNotes << (memoLine.isEmpty() ? what + QStringLiteral(": ") + why : memoLine);
    }
    // Left as it was, and rightly so: the run still completes; the memo
    // names it when given a line for it.
    void note(const QString &what, const QString &why, const QString &memoLine)
    {
        notDone(what, why, memoLine, false);
    }
    bool anythingFailed() const
    {
        return std::any_of(m_report.notDone.cbegin(), m_report.notDone.cend(), [](const NotDone &n) { return n.failed; });
    }

    // The running Reader's process id, or -1. A Reader left running would
    // keep its plug-ins open and write its preferences back when it closes,
    // so it is ended or the operation refuses.
    int64_t findReader(bool mayEnd)
    {
        const int64_t pid = FindProcessId(QLatin1String(reader::kProcessName));
        if (pid != -1 && !mayEnd) {
            m_report.runningReader = pid;
            throw Error(QStringLiteral("Adobe Reader is running %1 (%2, process %3), so nothing was "
                                       "changed. Close Reader and try again")
                            .arg(machine::here(), QLatin1String(reader::kProcessName))
                            .arg(pid));
        }
        return pid;
    }

    void endReader(int64_t pid)
    {
        if (pid == -1)
            return;
        if (!dry)
            KillProcess(pid);
        record(change(Change::EndProcess, {QLatin1String(reader::kProcessName)}, {}, {}, 0, pid));
        stepDone("reader ended");
    }

    // Refuses when a folder the run is to change cannot be changed.
    static void requireWritable(const QString &folder, const QString &role)
    {
        const QString why = folderWriteProblem(folder);
        if (!why.isEmpty())
            throw Error(QStringLiteral("%1 \"%2\" cannot be changed: %3. Nothing was changed; try again once it "
                                       "can be")
                            .arg(role, folder, why));
    }

    // From here on the registry changes wait for commitRegistry().
    void stageRegistry()
    {
        if (!dry)
            m_staging.emplace();
    }

    // Writes every staged registry change in one go. When that fails, undo
    // first undoes this run's file changes so far, and the error says so.
    void commitRegistry(const std::function<QString()> &undo)
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

    void copy(const QStringList &from, const QString &to)
    {
        if (from.isEmpty())
            return;
        batch({FileBatch::Copy, from, to});
        record(change(Change::CopyFiles, from, to));
    }

    // Copies files given relative to sourceFolder into the same places below
    // targetFolder, one batch per folder.
    void copyRelative(const QString &sourceFolder, const QStringList &relativePaths, const QString &targetFolder)
    {
        for (const auto &[folder, files] : groupByFolder(relativePaths)) {
            const QString target = folder.isEmpty() ? targetFolder : joinPath(targetFolder, folder);
            if (!dry) {
                // A single file copied to a folder that does not exist would
                // take the folder's name as its own, or replace a file in the
                // folder's place.
                if (!makeFolder(target)) {
                    // What stays missing is reported by the caller, with this cause.
                    QString why = QStringLiteral("The folder \"%1\" could not be made.").arg(target);
                    for (QString f = target; f.size() > targetFolder.size(); f = winpath::folder(f).chopped(1))
                        if (fileExists(f)) {
                            why = QStringLiteral("A file named \"%1\" is in the way of a folder of that name.").arg(f);
                            break;
                        }
                    for (const QString &file : files)
                        m_whyMissing.insert(joinPath(target, winpath::name(file)).toLower(), why);
                    continue;
                }
            }
            copy(joined(sourceFolder, files), target);
        }
    }

    // Why a file a copy was to bring is missing: the folder it needed, or
    // the last failed batch.
    QString whyMissing(const QString &file) const
    {
        return m_whyMissing.value(file.toLower(), failureReason());
    }

    // Deletes permanently (or to the trash); gives back the paths still
    // there, each named as not done with the cause the batch met. A batch
    // stops at its first failure, so what follows that file gets a batch of
    // its own: everything that can go, goes.
    QStringList remove(const QStringList &paths, FileBatch::Kind kind = FileBatch::Delete,
                       const std::function<QString(const QString &)> &memoLine = {})
    {
        if (paths.isEmpty())
            return {};
        auto there = [](const QString &p) { return fileExists(p) || directoryExists(p); };
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
            record(change(kind == FileBatch::Trash ? Change::TrashFolder : Change::DeleteFiles, gone));
        return failed;
    }

    // One registry step: an accessor of its own, the key opened (created
    // when missing), the values written only when it opened. While the
    // registry is staged, closing keeps the values for the commit.
    void writeBlock(uint32_t root, const QString &key, const std::vector<std::pair<QString, int32_t>> &values,
                    const QString &parentFirst = QString())
    {
        if (dry) {
            for (const auto &[name, data] : values)
                record(change(Change::WriteValue, {}, key, name, root, data));
            return;
        }
        RegistryAccessor reg;
        reg.setRootKey(root);
        reg.setAccess(KeyAllAccess);
        if (!parentFirst.isEmpty())
            reg.openKey(parentFirst, true);
        if (!reg.openKey(key, true)) {
            notDone(keyText(root, key), QStringLiteral("the key could not be opened"));
            return;
        }
        for (const auto &[name, data] : values) {
            reg.writeInteger(name, data);
            record(change(Change::WriteValue, {}, key, name, root, data));
        }
        reg.closeKey();
    }

    void deleteKey(uint32_t root, const QString &key)
    {
        RegistryAccessor reg;
        reg.setRootKey(root);
        reg.setAccess(dry ? KeyRead : KeyAllAccess);
        const bool gone = dry ? reg.openKey(key, false) : reg.deleteKey(key);
        if (gone)
            record(change(Change::DeleteKey, {}, key, {}, root));
    }

    void writeMarker(const QString &readerFolder)
    {
        if (!dry) {
            try {
                createBackupMarker(readerFolder);
            } catch (const InOutError &e) {
                throw Error(QStringLiteral("The marker \"%1\" could not be written (%2). The safety copy is complete; "
                                           "no plug-in was moved and the registry was not changed. Try Optimize "
                                           "again once the folder can be written")
                                .arg(backupMarkerPath(readerFolder), e.message()));
            }
        }
        record(change(Change::WriteMarker, {backupMarkerPath(readerFolder)}));
        stepDone("marker");
    }

    void deleteMarker(const QString &readerFolder)
    {
        if (!dry)
            deleteBackupMarker(readerFolder); // a failure only means a later Restore runs again
        record(change(Change::DeleteMarker, {backupMarkerPath(readerFolder)}));
        stepDone("marker removed");
    }

    void writeShortcut(const QString &readerFolder, const QString &version)
    {
        const QString target = reader::programPath(readerFolder);
        // Looked up without creating any key: the registry is committed by now.
        QString linkPath = shortcutPath(target, slDesktop, QString());
        if (linkPath.isEmpty()) {
            note(QStringLiteral("The desktop shortcut"), QStringLiteral("the user has no desktop folder"),
                 QStringLiteral("No desktop folder: no shortcut was made"));
            return;
        }
        if (!dry) {
            linkPath.clear();
            CreateShortcut(target, slDesktop, QString(), readerFolder, QString(), reader::shortcutDescription(version),
                           linkPath);
            if (!fileExists(linkPath)) {
                notDone(linkPath, QStringLiteral("the shortcut could not be written"));
                return;
            }
        }
        record(change(Change::WriteShortcut, {linkPath}, target));
        writeLauncher({linkPath, target, QString(), reader::shortcutDescription(version), readerFolder});
        stepDone("shortcut");
    }

    // Wine's menu builder would mirror a new desktop shortcut on the host's
    // desktop; it never sees ours, so we write what it would.
    void writeLauncher(const launchers::DesktopShortcut &shortcut)
    {
        const QString planned = launchers::desktopEntryPath(shortcut.link);
        if (planned.isEmpty())
            return; // no host desktop to mirror the shortcut on
        const QString path = dry ? planned : launchers::writeDesktopEntry(shortcut);
        if (path.isEmpty())
            notDone(planned, QStringLiteral("the launcher of the shortcut could not be written"));
        else
            record(change(Change::WriteLauncher, {path}, shortcut.link));
    }

    // A shortcut (or a group of them) goes together with the launchers
    // Wine's menu builder made for it on the host, which would start nothing.
    void removeShortcut(const QString &path)
    {
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
            record(change(Change::DeleteLaunchers, gone));
    }

    // The end: "completed" and the closing question only when everything
    // asked was done; otherwise the memo and the message list what was not.
    void finish(const QString &completedLine, const QString &readerFolder, const QString &version)
    {
        if (!anythingFailed()) {
            setMemo(QStringList{completedLine} + m_memoNotes);
            m_report.outcome = OperationReport::Completed;
            m_report.readerProgram = reader::programPath(readerFolder);
            m_report.closingQuestion = m_title + QStringLiteral(" completed. Do you want to start Adobe Reader ")
                + version + QStringLiteral(" now?");
            return;
        }
        setMemo(QStringList{m_title + QStringLiteral(" not completed. Not done:")} + m_memoNotes);
        QStringList lines;
        for (const NotDone &n : m_report.notDone)
            if (n.failed)
                lines << QStringLiteral("- ") + n.what + QStringLiteral(": ") + n.why;
        m_report.outcome = OperationReport::Incomplete;
        m_report.error = m_title + QStringLiteral(" was not completed. Not done:\n") + lines.join(QLatin1Char('\n'))
            + QStringLiteral("\nEverything else was done. Remove the causes named above, then try ") + verb()
            + QStringLiteral(" again");
    }

private:
    QString verb() const
    {
        return m_title == QLatin1String("Optimization") ? QStringLiteral("Optimize") : QStringLiteral("Restore");
    }

    void batch(const FileBatch &b)
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

    void fail(const QString &message)
    {
        m_report.outcome = m_report.started ? OperationReport::Failed : OperationReport::Refused;
        m_report.error = message;
        if (m_report.started)
            setMemo(QStringList{m_title + QStringLiteral(" not completed:")} + message.split(QLatin1Char('\n')));
    }

    OperationReport &m_report;
    const OperationHooks &m_hooks;
    const QString m_title;
    QStringList m_memoNotes;
    QHash<QString, QString> m_whyMissing; // lower-cased Windows path -> cause
    std::optional<OperationLock> m_lock;
    std::optional<RegistryStaging> m_staging;
};

// Nothing may start on an installation that start-up could not settle: an
// empty or root folder would make Optimize work on the drive itself, and an
// empty version would write Reader's keys without one.
void checkInstallation(const ReaderInstallation &r, bool needsPlugIns)
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
    if (!directoryExists(r.folder))
        throw Error(QStringLiteral("The Adobe Reader folder \"%1\" does not exist, so nothing was changed. ")
                        .arg(r.folder)
                    + again);
    if (needsPlugIns && !directoryExists(plugInsFolderOf(r.folder)))
        throw Error(QStringLiteral("The folder \"%1\" holds no plug_ins folder, so it is not Adobe Reader's folder "
                                   "or Reader is damaged; nothing was changed. ")
                        .arg(r.folder)
                    + again + QStringLiteral(", or repair Reader"));
    if (r.version.trimmed().isEmpty())
        throw Error(QStringLiteral("No Adobe Reader version is set, so nothing was changed (Reader's registry keys "
                                   "are named after it). Start Quorvane again and choose the version"));
}

// What the two plug-in folders hold as Optimize goes on: the disk itself in
// a real run, and in a dry run the disk as the planned changes would leave it.
class PlugInFolders
{
public:
    PlugInFolders(const QString &readerFolder, bool predict)
        : m_plugIns(plugInsFolderOf(readerFolder)), m_optional(optionalFolderOf(readerFolder)), m_predict(predict)
    {
        if (predict) {
            m_plugInFiles = filesBelow(m_plugIns);
            m_optionalFiles = filesBelow(m_optional);
        }
    }

    QStringList plugIns() const { return m_predict ? m_plugInFiles : filesBelow(m_plugIns); }
    QStringList optional() const { return m_predict ? m_optionalFiles : filesBelow(m_optional); }
    bool inPlugIns(const QString &rel) const
    {
        return m_predict ? containsPath(m_plugInFiles, rel) : fileExists(joinPath(m_plugIns, rel));
    }

    void copiedToOptional(const QStringList &rels) { add(m_optionalFiles, rels); }
    void copiedToPlugIns(const QStringList &rels) { add(m_plugInFiles, rels); }
    void removedFromPlugIns(const QStringList &rels)
    {
        if (m_predict)
            m_plugInFiles.removeIf([&](const QString &f) { return containsPath(rels, f); });
    }

private:
    void add(QStringList &files, const QStringList &rels) const
    {
        if (!m_predict)
            return;
        for (const QString &rel : rels)
            if (!containsPath(files, rel))
                files << rel;
        files.sort(Qt::CaseInsensitive);
    }

    QString m_plugIns, m_optional;
    bool m_predict;
    QStringList m_plugInFiles, m_optionalFiles;
};

QString safetyCopyFailure(const QString &readerFolder, const QStringList &missing)
{
    return QStringLiteral("The plug-ins could not all be copied to \"%1\" (%2 missing, for example \"%3\"): %4 "
                          "To keep them safe, the plug-ins folder and the registry have been left as they are. "
                          "Once the cause is dealt with, try Optimize again")
        .arg(optionalFolderOf(readerFolder))
        .arg(missing.size())
        .arg(missing.first(), failureReason());
}

// Removes the sub-folders that held the given files (paths relative to
// windowsFolder) once they are empty, deepest first; a folder that still
// holds anything, or was empty before, stays.
void removeEmptiedSubFolders(const QString &windowsFolder, const QStringList &removedFiles)
{
    QSet<QString> folders;
    for (const QString &rel : removedFiles)
        for (QString f = winpath::folder(rel); !f.isEmpty(); f = winpath::folder(f.chopped(1)))
            folders.insert(f.chopped(1));
    QStringList ordered(folders.cbegin(), folders.cend());
    std::sort(ordered.begin(), ordered.end(), [](const QString &a, const QString &b) { return a.size() > b.size(); });
    for (const QString &f : ordered)
        removeEmptyFolder(winpath::join(windowsFolder, f)); // fails, harmlessly, unless empty
}

// The preferences Optimize turns to the faster, quieter setting. Left false,
// each is written as Reader has it out of the box, which is what Restore does.
struct ReaderPreferences
{
    bool noSplash = false;        // FlatCheckBox1
    bool noAds = false;           // FlatCheckBox2
    bool noUpdates = false;       // FlatCheckBox3
    bool fastConnection = false;  // FlatCheckBox7
    bool noBrowser = false;       // FlatCheckBox8
    bool noCloseQuestion = false; // FlatCheckBox9
};

int32_t pick(bool ticked, int32_t whenTicked, int32_t whenNot)
{
    return ticked ? whenTicked : whenNot;
}

// The one sequence of registry steps both Optimize and Restore write; they
// differ only in the FeatureLockdown values.
void writeReaderPreferences(Run &run, const QString &version, const ReaderPreferences &p,
                            const std::vector<std::pair<QString, int32_t>> &lockdown)
{
    auto key = [&](const char *subkey) { return reader::versionKey(version, QLatin1String(subkey)); };
    run.writeBlock(HKeyCurrentUser, key("AVAlert\\cCheckbox"),
                   {{QStringLiteral("iexitWithExternalDocsOpen"), pick(p.noCloseQuestion, 1, 0)}}, key("AVAlert"));
    run.writeBlock(HKeyCurrentUser, key("Updater"), {{QStringLiteral("iUpdateFrequency"), pick(p.noUpdates, 0, 1)}});
    run.writeBlock(HKeyLocalMachine, key("AVGeneral"),
                   {{QStringLiteral("iConnectionSpeed"), pick(p.fastConnection, 10000000, 100000)}});
    run.writeBlock(HKeyCurrentUser, key("Originals"),
                   {{QStringLiteral("bDisplayAboutDialog"), pick(p.noSplash, 0, 1)},
                    {QStringLiteral("bBrowserCheck"), pick(p.noBrowser, 0, 1)},
                    {QStringLiteral("bBrowserIntegration"), pick(p.noBrowser, 0, 1)}});
    run.writeBlock(HKeyCurrentUser, key("Updater"),
                   {{QStringLiteral("bShowAutoUpdateConfDialog"), pick(p.noUpdates, 0, 1)},
                    {QStringLiteral("bShowNotifDialog"), pick(p.noUpdates, 0, 1)},
                    {QStringLiteral("iUpdateFrequency"), pick(p.noUpdates, 0, 1)}});
    run.writeBlock(HKeyCurrentUser, key("AdsInReader"), {{QStringLiteral("bShowAds"), pick(p.noAds, 0, 1)}});
    run.writeBlock(HKeyCurrentUser, key("FeatureLockdown"), lockdown);
}

bool isKeptPlugInFile(const QString &rel)
{
    const QStringList &stems = keptPlugInStems();
    return std::any_of(stems.cbegin(), stems.cend(), [&](const QString &stem) { return matchesStem(rel, stem); });
}

// Takes out of plug_ins what Reader is not to load; a file whose very bytes
// are not in the safety copy stays, and so does a link to nothing.
void unloadPlugIns(Run &run, PlugInFolders &folders, const SafetyCopyState &state, const QString &readerFolder,
                   const QStringList &keepLoaded)
{
    const QString plugIns = plugInsFolderOf(readerFolder);
    const QString optional = optionalFolderOf(readerFolder);

    QStringList listed;
    for (const QString &rel : plugInsLoaded(readerFolder))
        if (!containsPath(keepLoaded, rel))
            listed << rel;

    QStringList unload, keptDiffering;
    for (const QString &rel : plugInFilesToUnload(readerFolder, listed)) {
        if (containsPath(state.safe, rel))
            unload << rel;
        else if (folders.inPlugIns(rel))
            keptDiffering << rel;
    }
    const QString below = plugIns + QLatin1Char('\\');
    run.remove(joined(plugIns, unload), FileBatch::Delete, [&](const QString &path) {
        const QString rel = path.mid(below.size());
        return (rel.endsWith(QStringLiteral(".api"), Qt::CaseInsensitive) ? QStringLiteral("Still loaded (could not be removed): ")
                                                                          : QStringLiteral("Not removed: "))
            + rel;
    });
    if (!run.dry)
        removeEmptiedSubFolders(plugIns, unload);
    folders.removedFromPlugIns(unload);

    // The two plug-ins Reader keeps come back from the copy when plug_ins lacks them.
    QStringList back;
    for (const QString &rel : folders.optional())
        if (isKeptPlugInFile(rel) && !containsPath(unload, rel) && !folders.inPlugIns(rel))
            back << rel;
    run.copy(joined(optional, back), plugIns);
    folders.copiedToPlugIns(back);
    for (const QString &rel : back)
        if (!folders.inPlugIns(rel))
            run.notDone(joinPath(plugIns, rel),
                        QStringLiteral("could not be copied back, so Reader does not load it: ") + failureReason(),
                        QStringLiteral("Not loaded (could not be copied back): ") + rel);

    // Kept on purpose, so the run still completes: the memo names them.
    for (const QString &rel : keptDiffering)
        run.note(joinPath(plugIns, rel),
                    QStringLiteral("it differs from its copy in \"%1\" (a newer version, say), so it stays loaded "
                                   "and both are kept. Restore, then Optimize, makes this version the safety copy")
                        .arg(optional),
                    QStringLiteral("Kept (differs from its safety copy): ") + rel);
    // Reader cannot load a link to nothing, and it is no one's to delete.
    for (const QString &rel : linksToNothingBelow(plugIns))
        run.note(joinPath(plugIns, rel), QStringLiteral("a link to a missing file, left in place"),
                 QStringLiteral("Left in place (a link to a missing file): ") + rel);
}

} // namespace

OperationReport optimize(const ReaderInstallation &reader, const OptimizeOptions &o, const OperationHooks &hooks)
{
    OperationReport report;
    Run run(report, hooks, o.dryRun, QStringLiteral("Optimization"));
    run.guard([&] {
        const QString &folder = reader.folder;
        const QString plugIns = plugInsFolderOf(folder);
        const QString optional = optionalFolderOf(folder);

        // Everything that could stop the run, before Reader is ended and
        // before anything changes.
        checkInstallation(reader, true);
        run.takeTurn();
        const int64_t readerPid = run.findReader(o.endRunningReader);
        ensureNoProgramHoldsRegistry(readerPid == -1 ? std::vector<int64_t>{} : std::vector<int64_t>{readerPid});
        ensureRegistryWritable({HKeyCurrentUser, HKeyLocalMachine});
        const bool trusted = safetyCopyTrusted(folder);
        if (!trusted || !directoryExists(optional) || !backupMarkerIntact(folder))
            Run::requireWritable(folder, QStringLiteral("The Adobe Reader folder")); // Optional and the marker go there
        if (directoryExists(optional))
            Run::requireWritable(optional, QStringLiteral("The safety copy folder"));
        if (o.unloadPlugIns)
            Run::requireWritable(plugIns, QStringLiteral("The plug-ins folder"));

        run.endReader(readerPid);
        if (!run.dry)
            waitForRegistry(); // with Reader gone, Wine lets go of the registry
        run.start();
        run.setMemo({});
        if (!run.dry) {
            // Halves of files an interrupted copy left are never copied on.
            removeLeftoverTemporaries(plugIns);
            removeLeftoverTemporaries(optional);
        }
        run.stageRegistry();

        PlugInFolders folders(folder, run.dry);
        // How plug_ins stands against its safety copy, compared byte for byte
        // once the copy is complete; afterwards it follows the changes below,
        // which delete files or bring back files from the copy itself.
        SafetyCopyState state;
        bool markerWritten = false;
        bool joinedCopy = false; // plug-ins new since the last Optimize joined the safety copy
        if (!trusted) {
            run.addMemo(QStringLiteral("Copy files and backup original settings ..."));
            run.copy({plugIns + QStringLiteral("\\*.*")}, optional);
            if (run.dry) {
                // The copy replaces whatever Optional held under the same names.
                state.safe = folders.plugIns();
                folders.copiedToOptional(state.safe);
            } else {
                // The marker promises a complete copy: check every file, byte for byte.
                state = compareWithSafetyCopy(folder);
                const QStringList incomplete = state.missing + state.differing;
                if (!incomplete.isEmpty())
                    throw Error(safetyCopyFailure(folder, incomplete));
            }
            run.stepDone("safety copy");
            run.setMemo({QStringLiteral("Copy files and backup original settings ... Done!")});
            run.writeMarker(folder);
            markerWritten = true;
        } else {
            // Plug-ins installed since the safety copy was taken join it, so
            // Restore can bring them back; nothing in the copy is overwritten.
            state = compareWithSafetyCopy(folder);
            if (!state.missing.isEmpty()) {
                joinedCopy = true;
                run.copyRelative(plugIns, state.missing, optional);
                if (run.dry) {
                    folders.copiedToOptional(state.missing);
                    state.safe += state.missing;
                    state.missing.clear();
                } else {
                    state = compareWithSafetyCopy(folder);
                    if (!state.missing.isEmpty())
                        throw Error(safetyCopyFailure(folder, state.missing));
                }
                run.stepDone("safety copy");
            }
            // Damaged bytes in the marker: written anew now that the copy is
            // complete. The marker was there before, so no undo removes it.
            if (!backupMarkerIntact(folder))
                run.writeMarker(folder);
        }

        // The registry first, in one commit: when that fails no plug-in has moved.
        ReaderPreferences prefs;
        prefs.noSplash = o.noSplash;
        prefs.noAds = o.noAds;
        prefs.noUpdates = o.noUpdates;
        prefs.fastConnection = o.fastConnection;
        prefs.noBrowser = o.noBrowser;
        prefs.noCloseQuestion = o.noExitQuestion;
        // The updates box governs "bShowAdsAllow" and the advertisements box "bUpdater".
        std::vector<std::pair<QString, int32_t>> lockdown;
        if (prefs.noUpdates)
            lockdown.push_back({QStringLiteral("bShowAdsAllow"), 0});
        if (prefs.noAds)
            lockdown.push_back({QStringLiteral("bUpdater"), 0});
        writeReaderPreferences(run, reader.version, prefs, lockdown);
        if (o.noRecentFiles)
            run.deleteKey(HKeyCurrentUser, reader::versionKey(reader.version, QStringLiteral("AVGeneral\\cRecentFiles")));
        run.commitRegistry([&] {
            if (!markerWritten)
                return joinedCopy ? QStringLiteral("No plug-in was moved; the plug-ins new since the last Optimize "
                                                   "joined the safety copy in \"%1\", nothing else was changed")
                                        .arg(optional)
                                  : QStringLiteral("No plug-in was moved and nothing else was changed");
            deleteBackupMarker(folder);
            return backupMarkerExists(folder)
                ? QStringLiteral("No plug-in was moved. The marker \"%1\" written by this run could not be removed; "
                                 "the next Optimize finds the safety copy complete all the same")
                      .arg(backupMarkerPath(folder))
                : QStringLiteral("No plug-in was moved, and the marker written by this run was removed again, so "
                                 "everything is as it was (the copy in \"%1\" stays)")
                      .arg(optional);
        });

        if (o.unloadPlugIns) {
            unloadPlugIns(run, folders, state, folder, o.keepLoaded);
            run.stepDone("plug-ins");
        }

        if (o.noEBooks) {
            if (folders.inPlugIns(QStringLiteral("eBook.api"))) {
                // Only what the safety copy holds byte for byte goes; the
                // unloading above may have taken some of it already.
                QStringList eBook;
                for (const QString &rel : state.safe)
                    if (matchesStem(rel, QStringLiteral("eBook")) && folders.inPlugIns(rel))
                        eBook << rel;
                run.remove(joined(plugIns, eBook));
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
                if (directoryExists(myEBook))
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
                if (fileExists(link))
                    run.removeShortcut(link);
            }
        }
        run.stepDone("removals");

        run.finish(QStringLiteral("Optimization Completed."), folder, reader.version);
    });
    return report;
}

OperationReport restore(const ReaderInstallation &reader, const RestoreOptions &o, const OperationHooks &hooks)
{
    OperationReport report;
    Run run(report, hooks, o.dryRun, QStringLiteral("Restoration"));
    run.guard([&] {
        const QString &folder = reader.folder;
        const QString plugIns = plugInsFolderOf(folder);
        const QString optional = optionalFolderOf(folder);

        checkInstallation(reader, false);
        run.takeTurn();
        const int64_t readerPid = run.findReader(o.endRunningReader);
        const bool backedUp = backupMarkerExists(folder);
        if (backedUp) {
            ensureNoProgramHoldsRegistry(readerPid == -1 ? std::vector<int64_t>{} : std::vector<int64_t>{readerPid});
            ensureRegistryWritable({HKeyCurrentUser, HKeyLocalMachine});
            Run::requireWritable(folder, QStringLiteral("The Adobe Reader folder")); // the marker goes
            if (directoryExists(plugIns))
                Run::requireWritable(plugIns, QStringLiteral("The plug-ins folder"));
        }
        run.endReader(readerPid);
        if (backedUp && !run.dry)
            waitForRegistry();
        run.start();
        run.setMemo({});
        if (!backedUp) {
            run.setMemo({QStringLiteral("Nothing to restore!")});
            report.outcome = OperationReport::NothingToRestore;
            return;
        }
        run.setMemo({QStringLiteral("Restore files and registry settings ...")});
        if (!run.dry) {
            removeLeftoverTemporaries(plugIns);
            removeLeftoverTemporaries(optional);
        }

        // The registry first, in one commit: when that fails nothing has changed.
        run.stageRegistry();
        writeReaderPreferences(run, reader.version, ReaderPreferences(),
                               {{QStringLiteral("bShowAdsAllow"), 1}, {QStringLiteral("bUpdater"), 1}});
        run.commitRegistry([] {
            return QStringLiteral("No plug-in was copied and the marker stays, so nothing was changed");
        });

        // Everything of the safety copy that plug_ins lacks comes back. A file
        // that plug_ins holds already stays: it may be newer than the copy.
        auto lacking = [&] {
            QStringList out;
            for (const QString &rel : filesBelow(optional))
                if (!fileExists(joinPath(plugIns, rel)))
                    out << rel;
            return out;
        };
        const QStringList missing = lacking();
        if (!missing.isEmpty()) {
            run.copyRelative(optional, missing, plugIns);
            const QStringList still = run.dry ? QStringList() : lacking();
            for (const QString &rel : still)
                run.notDone(joinPath(plugIns, rel),
                            QStringLiteral("could not be copied back from the safety copy: ")
                                + run.whyMissing(joinPath(plugIns, rel))
                                + QStringLiteral(" The safety copy and the marker stay, so Restore can finish later"),
                            QStringLiteral("Not restored: ") + rel);
            run.stepDone("plug-ins");
        }

        run.writeShortcut(folder, reader.version);

        // The marker goes only once the safety copy is all back.
        if (!run.anythingFailed()) {
            run.setMemo({QStringLiteral("Restore files and registry settings ... Done!")});
            run.deleteMarker(folder);
        }
        run.finish(QStringLiteral("Restore files and registry settings ... Done!"), folder, reader.version);
    });
    return report;
}

} // namespace qv
