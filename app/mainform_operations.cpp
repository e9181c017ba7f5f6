#include "mainform.h"

#include <QDir>
#include <QScopeGuard>
#include <QSet>
#include <vector>

#include "backupmarker.h"
#include "keltfileoperator.h"
#include "pluginlist.h"
#include "readerhelpers.h"
#include "safetycopy.h"
#include "platform/application.h"
#include "platform/dialogs.h"
#include "platform/error.h"
#include "platform/filesystem.h"
#include "platform/registry.h"
#include "platform/wineprefix.h"

namespace {

const QString ReaderProcessName = QStringLiteral("AcroRd32.exe");

// A live wineserver would undo every registry value when it ends, and a
// damaged hive cannot be written: find that out before a single file
// changes, not half-way through an operation.
void ensureRegistryCanBeWritten()
{
    qv::ensureRegistryWritable({qv::HKeyCurrentUser, qv::HKeyLocalMachine});
}

void endReader()
{
    const int64_t pid = FindProcessId(ReaderProcessName);
    if (pid != -1)
        KillProcess(pid);
}

QString readerKey(const QString &version, const QString &subkey)
{
    return QStringLiteral("\\SOFTWARE\\Adobe\\Acrobat Reader\\") + version + QLatin1Char('\\') + subkey;
}

struct DwordValue
{
    QString name;
    int32_t data;
};

// One registry step: an accessor of its own, the key opened (created when
// missing), the values written only when it opened. Closing flushes the hive,
// so every value is on disk before the operation asks its closing question.
void writeBlock(uint32_t root, const QString &version, const QString &subkey, const std::vector<DwordValue> &values,
                const QString &parentFirst = QString())
{
    qv::RegistryAccessor reg;
    reg.setRootKey(root);
    reg.setAccess(qv::KeyAllAccess);
    if (!parentFirst.isEmpty())
        reg.openKey(readerKey(version, parentFirst), true);
    if (reg.openKey(readerKey(version, subkey), true)) {
        for (const DwordValue &v : values)
            reg.writeInteger(v.name, v.data);
        reg.closeKey();
    }
}

int32_t pick(bool ticked, int32_t whenTicked, int32_t whenNot)
{
    return ticked ? whenTicked : whenNot;
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

// The one sequence of registry steps both Optimize and Restore write; they
// differ only in the FeatureLockdown values.
void writeReaderPreferences(const QString &version, const ReaderPreferences &p, const std::vector<DwordValue> &lockdown)
{
    writeBlock(qv::HKeyCurrentUser, version, QStringLiteral("AVAlert\\cCheckbox"),
               {{QStringLiteral("iexitWithExternalDocsOpen"), pick(p.noCloseQuestion, 1, 0)}},
               QStringLiteral("AVAlert"));
    writeBlock(qv::HKeyCurrentUser, version, QStringLiteral("Updater"),
               {{QStringLiteral("iUpdateFrequency"), pick(p.noUpdates, 0, 1)}});
    writeBlock(qv::HKeyLocalMachine, version, QStringLiteral("AVGeneral"),
               {{QStringLiteral("iConnectionSpeed"), pick(p.fastConnection, 10000000, 100000)}});
    writeBlock(qv::HKeyCurrentUser, version, QStringLiteral("Originals"),
               {{QStringLiteral("bDisplayAboutDialog"), pick(p.noSplash, 0, 1)},
                {QStringLiteral("bBrowserCheck"), pick(p.noBrowser, 0, 1)},
                {QStringLiteral("bBrowserIntegration"), pick(p.noBrowser, 0, 1)}});
    writeBlock(qv::HKeyCurrentUser, version, QStringLiteral("Updater"),
               {{QStringLiteral("bShowAutoUpdateConfDialog"), pick(p.noUpdates, 0, 1)},
                {QStringLiteral("bShowNotifDialog"), pick(p.noUpdates, 0, 1)},
                {QStringLiteral("iUpdateFrequency"), pick(p.noUpdates, 0, 1)}});
    writeBlock(qv::HKeyCurrentUser, version, QStringLiteral("AdsInReader"),
               {{QStringLiteral("bShowAds"), pick(p.noAds, 0, 1)}});
    writeBlock(qv::HKeyCurrentUser, version, QStringLiteral("FeatureLockdown"), lockdown);
}

void runCopy(TKELFileOperator *fo, const QStringList &from, const QString &to)
{
    fo->FilesFrom().clear();
    fo->FilesFrom() << from;
    fo->setDirTo(to);
    fo->Execute();
}

void runDelete(TKELFileOperator *fo, const QStringList &from)
{
    fo->FilesFrom().clear();
    fo->FilesFrom() << from;
    fo->Execute();
}

// Copies files given relative to sourceFolder into the same places below
// targetFolder, one batch per folder.
void copyRelative(TKELFileOperator *fo, const QString &sourceFolder, const QStringList &relativePaths,
                  const QString &targetFolder)
{
    for (const auto &[folder, files] : groupByFolder(relativePaths)) {
        QStringList from;
        for (const QString &rel : files)
            from << sourceFolder + QLatin1Char('\\') + rel;
        const QString target = folder.isEmpty() ? targetFolder : targetFolder + QLatin1Char('\\') + folder;
        // A single file copied to a folder that does not exist would take
        // the folder's name as its own, or replace a file in the folder's place.
        const QString host = qv::WinePrefix::current().toHost(target);
        if (host.isEmpty() || !QDir().mkpath(host))
            continue; // what stays missing is reported by the caller
        runCopy(fo, from, target);
    }
}

QStringList joined(const QString &folder, const QStringList &relativePaths)
{
    QStringList out;
    for (const QString &rel : relativePaths)
        out << folder + QLatin1Char('\\') + rel;
    return out;
}

// Removes the sub-folders that held the given files (paths relative to
// windowsFolder) once they are empty, deepest first; a folder that still
// holds anything, or was empty before, stays.
void removeEmptiedSubFolders(const QString &windowsFolder, const QStringList &removedFiles)
{
    const QString host = qv::WinePrefix::current().toHost(windowsFolder);
    if (host.isEmpty())
        return;
    QSet<QString> folders;
    for (const QString &rel : removedFiles) {
        QString f = rel;
        for (qsizetype cut = f.lastIndexOf(QLatin1Char('\\')); cut > 0; cut = f.lastIndexOf(QLatin1Char('\\'))) {
            f.truncate(cut);
            folders.insert(f);
        }
    }
    QStringList ordered(folders.cbegin(), folders.cend());
    std::sort(ordered.begin(), ordered.end(), [](const QString &a, const QString &b) { return a.size() > b.size(); });
    for (QString f : ordered)
        QDir(host).rmdir(f.replace(QLatin1Char('\\'), QLatin1Char('/'))); // fails, harmlessly, unless empty
}

QString safetyCopyFailure(const QString &readerFolder, const QStringList &missing)
{
    return QStringLiteral("The plug-ins could not all be copied to \"%1\" (%2 missing, for example \"%3\"). "
                          "To keep them safe, the plug-ins folder has been left as it is. Make room on the "
                          "disk or check that the folder can be written, then start Quorvane again and "
                          "click Optimize")
        .arg(optionalFolderOf(readerFolder))
        .arg(missing.size())
        .arg(missing.first());
}

QSet<QString> lowerSet(const QStringList &list)
{
    QSet<QString> s;
    for (const QString &x : list)
        s.insert(x.toLower());
    return s;
}

// The user's own documents folder, from the per-user shell folders.
QString userPersonalFolder()
{
    qv::RegistrySectionReader reader(QStringLiteral("Software\\MicroSoft\\Windows\\CurrentVersion\\Explorer"));
    return reader.readString(QStringLiteral("Shell Folders"), QStringLiteral("Personal"), QString());
}

bool askToStartReader(TForm1 *form, const QString &text)
{
    return qv::Dialogs::instance().messageBox(form, text, QStringLiteral("Information"), qv::Dialogs::YesNo,
                                              qv::Dialogs::NoIcon)
        == qv::Dialogs::ResultYes;
}

} // namespace

void TForm1::refreshPlugInListAfterChange()
{
    // The list shows what Reader does not load: after the folders changed,
    // and also after an error part-way, it is read again. A failure here must
    // not hide the operation's own result or error.
    try {
        FillPlugInList();
    } catch (...) {
    }
}

void TForm1::FlatButton1Click()
{
    qv::guarded([&] {
        endReader();
        if (!qv::directoryExists(ReaderFolder))
            throw qv::Error(QStringLiteral("The Adobe Reader folder \"%1\" does not exist, so nothing was changed. "
                                           "Start Quorvane again and enter the folder that holds AcroRd32.exe")
                                .arg(ReaderFolder));
        ensureRegistryCanBeWritten(); // the button stays, for another try
        FlatButton1->setEnabled(false);
        Memo->clear();
        auto refresh = qScopeGuard([this] { refreshPlugInListAfterChange(); });

        const QString plugIns = plugInsFolderOf(ReaderFolder);
        const QString optional = optionalFolderOf(ReaderFolder);

        // How plug_ins stands against its safety copy, compared byte for byte
        // once the copy is complete; the folders change again only where
        // plug-ins are unloaded below, which deletes files or brings back
        // files from the copy itself.
        SafetyCopyState state;
        if (!backupMarkerExists(ReaderFolder)) {
            Memo->addLine(QStringLiteral("Copy files and backup original settings ..."));
            runCopy(FO1, {plugIns + QStringLiteral("\\*.*")}, optional);
            // The marker promises a complete copy: check every file, byte for byte.
            state = compareWithSafetyCopy(ReaderFolder);
            const QStringList incomplete = state.missing + state.differing;
            if (!incomplete.isEmpty())
                throw qv::Error(safetyCopyFailure(ReaderFolder, incomplete));
            Memo->clear();
            Memo->addLine(QStringLiteral("Copy files and backup original settings ... Done!"));
            createBackupMarker(ReaderFolder);
        } else {
            // Plug-ins installed since the safety copy was taken join it, so
            // Restore can bring them back; nothing in the copy is overwritten.
            state = compareWithSafetyCopy(ReaderFolder);
            if (!state.missing.isEmpty()) {
                copyRelative(FO1, plugIns, state.missing, optional);
                state = compareWithSafetyCopy(ReaderFolder);
                if (!state.missing.isEmpty())
                    throw qv::Error(safetyCopyFailure(ReaderFolder, state.missing));
            }
        }

        QStringList keptDiffering, notRemoved;
        if (FlatCheckBox11->Checked()) {
            // Only files whose very bytes are in the safety copy leave plug_ins;
            // one that differs from its copy (updated since) stays loaded.
            const QSet<QString> safe = lowerSet(state.safe);
            QStringList unload;
            for (const QString &rel : pluginsToUnload()) {
                if (safe.contains(rel.toLower()))
                    unload << rel;
                else if (qv::fileExists(plugIns + QLatin1Char('\\') + rel))
                    keptDiffering << rel;
            }
            if (!unload.isEmpty())
                runDelete(FO2, joined(plugIns, unload));
            removeEmptiedSubFolders(plugIns, unload);
            // The shell's error window is gone by the end; the memo keeps
            // saying which plug-ins Reader still loads.
            for (const QString &rel : unload)
                if (rel.endsWith(QStringLiteral(".api"), Qt::CaseInsensitive)
                    && qv::fileExists(plugIns + QLatin1Char('\\') + rel))
                    notRemoved << rel;

            // The two plug-ins Reader keeps come back from the copy when plug_ins lacks them.
            QStringList back;
            const QSet<QString> unloaded = lowerSet(unload);
            for (const QString &rel : filesBelow(optional)) {
                const bool kept = std::any_of(qv::keptPlugInStems().cbegin(), qv::keptPlugInStems().cend(),
                                              [&](const QString &stem) { return matchesStem(rel, stem); });
                if (kept && !unloaded.contains(rel.toLower()) && !qv::fileExists(plugIns + QLatin1Char('\\') + rel))
                    back << rel;
            }
            if (!back.isEmpty())
                runCopy(FO1, joined(optional, back), plugIns);
        }

        ReaderPreferences prefs;
        prefs.noSplash = FlatCheckBox1->Checked();
        prefs.noAds = FlatCheckBox2->Checked();
        prefs.noUpdates = FlatCheckBox3->Checked();
        prefs.fastConnection = FlatCheckBox7->Checked();
        prefs.noBrowser = FlatCheckBox8->Checked();
        prefs.noCloseQuestion = FlatCheckBox9->Checked();
        // The updates box governs "bShowAdsAllow" and the advertisements box "bUpdater".
        std::vector<DwordValue> lockdown;
        if (prefs.noUpdates)
            lockdown.push_back({QStringLiteral("bShowAdsAllow"), 0});
        if (prefs.noAds)
            lockdown.push_back({QStringLiteral("bUpdater"), 0});
        writeReaderPreferences(ReaderVersion, prefs, lockdown);

        if (FlatCheckBox4->Checked()) {
            if (qv::fileExists(plugIns + QStringLiteral("\\eBook.api"))) {
                // Only what the safety copy holds byte for byte goes; the
                // unloading above may have taken some of it already.
                QStringList eBook;
                for (const QString &rel : state.safe)
                    if (matchesStem(rel, QStringLiteral("eBook")) && qv::fileExists(plugIns + QLatin1Char('\\') + rel))
                        eBook << rel;
                if (!eBook.isEmpty())
                    runDelete(FO2, joined(plugIns, eBook));
            }
            // Without a machine-wide documents folder, the user's own one is
            // meant: never a "My eBook" at the root of a drive.
            const QString personal = PersonalFolder.isEmpty() ? userPersonalFolder() : PersonalFolder;
            if (!personal.isEmpty()) {
                const QString myEBook = personal + QStringLiteral("\\My eBook");
                if (qv::directoryExists(myEBook)) {
                    // It holds the user's own books: they go to the trash,
                    // where they can be got back, not out of existence.
                    const TKELFileFlags flags = FO2->Flags();
                    auto restoreFlags = qScopeGuard([&] { FO2->setFlags(flags); });
                    FO2->setFlags(TKELFileFlags(flags).setFlag(opAllowUndo));
                    runDelete(FO2, {myEBook});
                }
            }
        }

        if (FlatCheckBox5->Checked()) {
            const QString printMe = CommonProgramsFolder + QStringLiteral("\\PrintMe Internet Printing");
            if (qv::directoryExists(printMe))
                runDelete(FO2, {printMe});
        }

        if (FlatCheckBox6->Checked()) {
            const QString link = QStringLiteral("\\Adobe Reader ") + ReaderVersion + QStringLiteral(".lnk");
            for (const QString &folder : {CommonProgramsFolder, CommonDesktopFolder}) {
                if (qv::fileExists(folder + link))
                    runDelete(FO2, {folder + link});
            }
        }

        if (FlatCheckBox10->Checked()) {
            qv::RegistryAccessor reg;
            reg.setRootKey(qv::HKeyCurrentUser);
            reg.setAccess(qv::KeyAllAccess);
            reg.deleteKey(readerKey(ReaderVersion, QStringLiteral("AVGeneral\\cRecentFiles")));
        }

        Memo->clear();
        Memo->addLine(QStringLiteral("Optimization Completed."));
        for (const QString &rel : keptDiffering)
            Memo->addLine(QStringLiteral("Kept (differs from its safety copy): ") + rel);
        for (const QString &rel : notRemoved)
            Memo->addLine(QStringLiteral("Still loaded (could not be removed): ") + rel);

        refresh.dismiss();
        refreshPlugInListAfterChange(); // before the question, so the list is right while it shows
        if (askToStartReader(this, QStringLiteral("Optimization completed. Do you want to start Adobe Reader ")
                                       + ReaderVersion + QStringLiteral(" now?")))
            qv::Shell::instance().open(this, ReaderFolder + QStringLiteral("\\AcroRd32.exe"));
    });
}

void TForm1::FlatButton2Click()
{
    qv::guarded([&] {
        endReader();
        const bool backedUp = backupMarkerExists(ReaderFolder);
        if (backedUp)
            ensureRegistryCanBeWritten(); // the button stays, for another try
        FlatButton2->setEnabled(false);
        Memo->clear();

        if (!backedUp) {
            Memo->addLine(QStringLiteral("Nothing to restore!"));
            return;
        }
        Memo->addLine(QStringLiteral("Restore files and registry settings ..."));
        auto refresh = qScopeGuard([this] { refreshPlugInListAfterChange(); });

        // Everything of the safety copy that plug_ins lacks comes back. A file
        // that plug_ins holds already stays: it may be newer than the copy.
        const QString plugIns = plugInsFolderOf(ReaderFolder);
        const QString optional = optionalFolderOf(ReaderFolder);
        auto lacking = [&] {
            QStringList out;
            for (const QString &rel : filesBelow(optional))
                if (!qv::fileExists(plugIns + QLatin1Char('\\') + rel))
                    out << rel;
            return out;
        };
        const QStringList missing = lacking();
        if (!missing.isEmpty()) {
            copyRelative(FO1, optional, missing, plugIns);
            const QStringList still = lacking();
            if (!still.isEmpty())
                throw qv::Error(QStringLiteral("The plug-ins could not all be copied back to \"%1\" (%2 missing, for "
                                               "example \"%3\"). The safety copy in \"%4\" is kept. Make room on "
                                               "the disk or check that the folder can be written, then start "
                                               "Quorvane again and click Restore")
                                    .arg(plugIns)
                                    .arg(still.size())
                                    .arg(still.first(), optional));
        }

        writeReaderPreferences(ReaderVersion, ReaderPreferences(),
                               {{QStringLiteral("bShowAdsAllow"), 1}, {QStringLiteral("bUpdater"), 1}});

        QString linkPath;
        CreateShortcut(ReaderFolder + QStringLiteral("\\AcroRd32.exe"), slDesktop, QString(), ReaderFolder, QString(),
                       QStringLiteral("Adobe Reader ") + ReaderVersion, linkPath);

        Memo->clear();
        Memo->addLine(QStringLiteral("Restore files and registry settings ... Done!"));
        deleteBackupMarker(ReaderFolder);

        refresh.dismiss();
        refreshPlugInListAfterChange(); // before the question, so the list is right while it shows
        if (askToStartReader(this, QStringLiteral("Restoration completed. Do you want to start Adobe Reader ")
                                       + ReaderVersion + QStringLiteral(" now?")))
            qv::Shell::instance().open(this, ReaderFolder + QStringLiteral("\\AcroRd32.exe"));
    });
}
