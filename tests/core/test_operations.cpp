// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvane developers
// Optimize and Restore as the core runs them, with no window: the dry run's
// plan against what the real run then does, and the refusals.

#include <QDir>
#include <functional>
#include <gtest/gtest.h>
#include <set>
#include <sys/stat.h>
#include <unistd.h>

#include "core/operations.h"
#include "core/status.h"
#include "platform/registry.h"
#include "platform/fileoperation.h"
#include "platform/operationlog.h"
#include "platform/test_processes_fake.h"
#include "support/tempdir.h"
#include "support/testprefix.h"
#include "support/treelisting.h"

namespace {

const QString kFolder = "C:\\Program Files\\Adobe\\Reader 9.0\\Reader";

// Nothing may ask a question here; errors are kept for the test to read.
class SilentFileWindows : public qv::FileOperationUi
{
public:
    SilentFileWindows() { setInstance(this); }
    ~SilentFileWindows() override { setInstance(nullptr); }
    void progressBegin(const QString &) override {}
    bool progressUpdate(const Progress &) override { return true; }
    void progressEnd() override {}
    void error(const QString &, const QString &file, const QString &reason) override { errors << file + ": " + reason; }
    Answer confirmReplace(const QString &, const QString &) override { return Cancel; }
    Answer confirmMakeFolder(const QString &) override { return Cancel; }
    QStringList errors;
};

struct CoreOperations : ::testing::Test
{
    TestPrefix prefix;
    SilentFileWindows fileWindows;
    ChildrenOnlyProcessControl processes;
    TempDir trash;
    qv::ReaderInstallation reader;

    void SetUp() override
    {
        qputenv("XDG_DATA_HOME", QFile::encodeName(trash.path()));
        for (const char *f : {"EWH32.api", "EWH32.ini", "search.api", "eBook.api", "eBook.dat", "Annots.api",
                              "Annots.dat", "S/mm.api", "S/T/deep.dll"})
            prefix.writeFile(kFolder + "\\plug_ins\\" + QString(f).replace('/', '\\'), f);
        prefix.writeFile(kFolder + "\\AcroRd32.exe", "MZ");
        prefix.writeFile("C:\\Programs\\PrintMe Internet Printing\\p.lnk", "pm");
        prefix.writeFile("C:\\Desktop\\Adobe Reader 9.0.lnk", "link");
        prefix.writeFile("C:\\Docs\\My eBook\\book.pdf", "book");
        writeHives();
        reader.version = "9.0";
        reader.folder = kFolder;
        reader.commonProgramsFolder = "C:\\Programs";
        reader.commonDesktopFolder = "C:\\Desktop";
        reader.personalFolder = "C:\\Docs";
    }
    void TearDown() override { qunsetenv("XDG_DATA_HOME"); }

    // The registry as before any run: recent files and the desktop folder.
    void writeHives() const
    {
        prefix.writeHive("system.reg", {});
        prefix.writeHive("user.reg", HiveText()
                                         .key("Software\\Adobe\\Acrobat Reader\\9.0\\AVGeneral\\cRecentFiles\\c1")
                                         .str("tDIText", "x")
                                         .key("Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders")
                                         .str("Desktop", "C:\\Desktop"));
    }

    static QStringList lines(const qv::OperationReport &report)
    {
        QStringList out;
        for (const qv::Change &c : report.changes)
            out << c.describe();
        return out;
    }
    QMap<QString, QByteArray> plugIns() const { return treeContents(prefix.host(kFolder + "\\plug_ins")); }
};

} // namespace

TEST_F(CoreOperations, DryRunsPlanExactlyWhatTheRealRunsThenDoAndChangeNothing)
{
    const auto pluginsBefore = plugIns();
    qv::OptimizeOptions options;
    options.keepLoaded = {"annots.API"}; // stays with its companion, whatever the case
    options.dryRun = true;
    const auto before = treeContents(prefix.root());

    const qv::OperationReport plan = qv::optimize(reader, options);
    EXPECT_EQ(treeContents(prefix.root()), before);
    ASSERT_EQ(plan.outcome, qv::OperationReport::Completed) << plan.error.toStdString();
    EXPECT_FALSE(plan.started);
    const QStringList planned = lines(plan);
    for (const QString &line :
         {"Copy \"" + kFolder + "\\plug_ins\\*.*\" to \"" + kFolder + "\\Optional\"",
          "Write the marker \"" + kFolder + "\\Wexmor.DAT\"", "Delete \"" + kFolder + "\\plug_ins\\S\\T\\deep.dll\"",
          QString("Set HKEY_CURRENT_USER\\SOFTWARE\\Adobe\\Acrobat Reader\\9.0\\Updater\\iUpdateFrequency = 0"),
          QString("Set HKEY_LOCAL_MACHINE\\SOFTWARE\\Adobe\\Acrobat Reader\\9.0\\AVGeneral\\iConnectionSpeed = 10000000"),
          QString("Move \"C:\\Docs\\My eBook\" to the trash"),
          QString("Delete \"C:\\Programs\\PrintMe Internet Printing\""),
          QString("Delete \"C:\\Desktop\\Adobe Reader 9.0.lnk\""),
          QString("Delete the key HKEY_CURRENT_USER\\SOFTWARE\\Adobe\\Acrobat Reader\\9.0\\AVGeneral\\cRecentFiles")})
        EXPECT_TRUE(planned.contains(line)) << line.toStdString() << "\n" << planned.join('\n').toStdString();

    options.dryRun = false;
    const qv::OperationReport done = qv::optimize(reader, options);
    ASSERT_EQ(done.outcome, qv::OperationReport::Completed) << done.error.toStdString();
    EXPECT_EQ(lines(done), planned);
    EXPECT_EQ(done.memo, QStringList({"Optimization Completed."}));
    EXPECT_EQ(done.memo, plan.memo);
    EXPECT_TRUE(done.notDone.empty());
    EXPECT_TRUE(fileWindows.errors.isEmpty()) << fileWindows.errors.join('\n').toStdString();
    EXPECT_EQ(plugIns().keys(), QStringList({"Annots.api", "Annots.dat", "EWH32.api", "EWH32.ini", "search.api"}));
    EXPECT_EQ(done.closingQuestion, "Optimization completed. Do you want to start Adobe Reader 9.0 now?");
    EXPECT_EQ(done.readerProgram, kFolder + "\\AcroRd32.exe");

    // Restore the same way: planned, then done, every plug-in back byte for byte.
    const auto optimized = treeContents(prefix.root());
    const qv::OperationReport restorePlan = qv::restore(reader, {false, true});
    EXPECT_EQ(treeContents(prefix.root()), optimized);
    EXPECT_TRUE(lines(restorePlan).contains("Create the shortcut \"C:\\Desktop\\AcroRd32.lnk\" to \"" + kFolder
                                            + "\\AcroRd32.exe\""));
    const qv::OperationReport restored = qv::restore(reader, {});
    ASSERT_EQ(restored.outcome, qv::OperationReport::Completed) << restored.error.toStdString();
    EXPECT_EQ(lines(restored), lines(restorePlan));
    EXPECT_EQ(plugIns(), pluginsBefore);
    EXPECT_EQ(qv::restore(reader, {}).outcome, qv::OperationReport::NothingToRestore);
}

// Each box alone against the hive, on fresh hives each time, then Restore:
// the values read back through status, and the keys made or deleted.
TEST_F(CoreOperations, EachBoxWritesItsOwnPreferencesAndRestoreWritesReadersOwn)
{
    using O = qv::OptimizeOptions;
    auto snapshot = [&] {
        QMap<QString, QString> out;
        for (const auto &[p, value] : qv::readerStatus(reader).preferences)
            out.insert(p.subkey + "\\" + p.name, value ? QString::number(*value) : "unset");
        for (const QString subkey : {"FeatureLockdown", "AVGeneral\\cRecentFiles"}) {
            qv::RegistryAccessor reg;
            reg.setAccess(qv::KeyRead);
            const bool there = reg.openKey("\\SOFTWARE\\Adobe\\Acrobat Reader\\9.0\\" + subkey, false);
            out.insert(subkey, there ? "key" : "none");
        }
        return out;
    };
    const QMap<QString, QString> unticked = {
        {"AVAlert\\cCheckbox\\iexitWithExternalDocsOpen", "0"}, {"Updater\\iUpdateFrequency", "1"},
        {"AVGeneral\\iConnectionSpeed", "100000"}, {"Originals\\bDisplayAboutDialog", "1"},
        {"Originals\\bBrowserCheck", "1"}, {"Originals\\bBrowserIntegration", "1"},
        {"Updater\\bShowAutoUpdateConfDialog", "1"}, {"Updater\\bShowNotifDialog", "1"},
        {"AdsInReader\\bShowAds", "1"}, {"FeatureLockdown\\bShowAdsAllow", "unset"},
        {"FeatureLockdown\\bUpdater", "unset"}, {"FeatureLockdown", "key"}, {"AVGeneral\\cRecentFiles", "key"}};
    const std::pair<bool O::*, QMap<QString, QString>> boxes[] = {
        {nullptr, {}},
        {&O::noSplash, {{"Originals\\bDisplayAboutDialog", "0"}}},
        {&O::noAds, {{"AdsInReader\\bShowAds", "0"}, {"FeatureLockdown\\bUpdater", "0"}}},
        {&O::noUpdates,
         {{"Updater\\iUpdateFrequency", "0"}, {"Updater\\bShowAutoUpdateConfDialog", "0"},
          {"Updater\\bShowNotifDialog", "0"}, {"FeatureLockdown\\bShowAdsAllow", "0"}}},
        {&O::fastConnection, {{"AVGeneral\\iConnectionSpeed", "10000000"}}},
        {&O::noBrowser, {{"Originals\\bBrowserCheck", "0"}, {"Originals\\bBrowserIntegration", "0"}}},
        {&O::noExitQuestion, {{"AVAlert\\cCheckbox\\iexitWithExternalDocsOpen", "1"}}},
        {&O::noRecentFiles, {{"AVGeneral\\cRecentFiles", "none"}}},
    };
    for (const auto &[box, ticked] : boxes) {
        writeHives();
        O options;
        for (const auto &[other, values] : boxes)
            if (other)
                options.*other = other == box;
        ASSERT_TRUE(qv::optimize(reader, options).succeeded());
        QMap<QString, QString> expected = unticked;
        expected.insert(ticked);
        EXPECT_EQ(snapshot(), expected) << "box " << (box ? ticked.firstKey().toStdString() : "none");
    }

    const qv::OperationReport restored = qv::restore(reader, {});
    QMap<QString, QString> expected = unticked;
    expected.insert({{"FeatureLockdown\\bShowAdsAllow", "1"},
                     {"FeatureLockdown\\bUpdater", "1"},
                     {"AVGeneral\\cRecentFiles", "none"}}); // deleted by the last run above
    EXPECT_EQ(snapshot(), expected);
    // Only what differs is written: the last run left every value but the
    // two FeatureLockdown ones as Reader has them out of the box.
    QStringList written;
    for (const qv::Change &c : restored.changes)
        if (c.kind == qv::Change::WriteValue)
            written << c.target.section('\\', 5) + "\\" + c.name;
    EXPECT_EQ(written, QStringList({"FeatureLockdown\\bShowAdsAllow", "FeatureLockdown\\bUpdater"}));
}

TEST_F(CoreOperations, WithTheMarkerTheDryRunForeseesNewAndChangedPlugIns)
{
    // An earlier optimisation; since then Annots.api was updated and New.api installed.
    prefix.writeFile(kFolder + "\\Wexmor.DAT", "Backup Done.\r\n");
    for (const char *f : {"EWH32.api", "EWH32.ini", "search.api", "eBook.api", "eBook.dat", "S\\mm.api"})
        prefix.writeFile(kFolder + "\\Optional\\" + f, QByteArray(f).replace('\\', '/'));
    prefix.writeFile(kFolder + "\\Optional\\Annots.api", "Annots.api, first version");
    prefix.writeFile(kFolder + "\\plug_ins\\New.api", "new");
    qv::OptimizeOptions options;
    options.dryRun = true;

    const qv::OperationReport plan = qv::optimize(reader, options);
    options.dryRun = false;
    const qv::OperationReport done = qv::optimize(reader, options);

    ASSERT_EQ(done.outcome, qv::OperationReport::Completed) << done.error.toStdString();
    EXPECT_EQ(lines(done), lines(plan));
    EXPECT_EQ(done.memo, QStringList({"Optimization Completed.", "Kept (differs from its safety copy): Annots.api"}));
    EXPECT_EQ(done.memo, plan.memo);
    ASSERT_EQ(done.notDone.size(), 1u);
    EXPECT_EQ(done.notDone[0].what, kFolder + "\\plug_ins\\Annots.api");
    EXPECT_EQ(plugIns().keys(), QStringList({"Annots.api", "EWH32.api", "EWH32.ini", "search.api"}));
    // The new plug-in joined the safety copy, so Restore can bring it back.
    EXPECT_EQ(treeContents(prefix.host(kFolder + "\\Optional")).value("New.api"), "new");
}

TEST_F(CoreOperations, ARunningReaderIsEndedOnlyWhenAllowed)
{
    FakeProcess running((kFolder + "\\AcroRd32.exe").toStdString());
    ASSERT_GT(running.pid(), 0);
    const auto before = treeContents(prefix.root());

    for (bool dry : {true, false}) {
        qv::OptimizeOptions options;
        options.dryRun = dry;
        const qv::OperationReport refused = qv::optimize(reader, options);
        EXPECT_EQ(refused.outcome, qv::OperationReport::Refused);
        EXPECT_EQ(refused.runningReader, running.pid());
        EXPECT_TRUE(refused.error.contains(QString("AcroRd32.exe, process %1").arg(running.pid())))
            << refused.error.toStdString();
        EXPECT_EQ(qv::restore(reader, {false, dry}).runningReader, running.pid());
    }
    EXPECT_EQ(treeContents(prefix.root()), before);
    EXPECT_FALSE(running.ended());

    qv::OptimizeOptions options;
    options.endRunningReader = true;
    options.dryRun = true;
    const qv::OperationReport plan = qv::optimize(reader, options);
    EXPECT_EQ(lines(plan).value(0), QString("End AcroRd32.exe (process %1)").arg(running.pid()));
    EXPECT_FALSE(running.ended());
    options.dryRun = false;
    EXPECT_EQ(qv::optimize(reader, options).outcome, qv::OperationReport::Completed);
    EXPECT_TRUE(running.ended());
}

TEST(CoreDryRun, ReadsTheShellFoldersWithoutCreatingTheirKey)
{
    // A bare prefix: no Explorer key for the documents or desktop folder.
    TestPrefix prefix;
    prefix.writeFile(kFolder + "\\plug_ins\\EWH32.api", "e");
    prefix.writeFile(kFolder + "\\plug_ins\\eBook.api", "b");
    qv::ReaderInstallation reader;
    reader.version = "9.0";
    reader.folder = kFolder;
    const auto before = treeContents(prefix.root());

    qv::OptimizeOptions options;
    options.dryRun = true;
    EXPECT_EQ(qv::optimize(reader, options).outcome, qv::OperationReport::Completed);
    prefix.writeFile(kFolder + "\\Wexmor.DAT", "");
    const qv::OperationReport restore = qv::restore(reader, {false, true});
    EXPECT_EQ(restore.outcome, qv::OperationReport::Completed);
    ASSERT_EQ(restore.notDone.size(), 1u); // no desktop folder to put the shortcut in
    QFile::remove(prefix.host(kFolder + "\\Wexmor.DAT"));
    EXPECT_EQ(treeContents(prefix.root()), before);
}

// plug_ins replaced while a run works in it (by a link, or by another
// folder): the run stops before anything changes in what now stands there.
struct FolderReplaced : CoreOperations, ::testing::WithParamInterface<std::tuple<bool, bool>>
{
};

TEST_P(FolderReplaced, TheRunStopsBeforeAnythingChangesInWhatNowStandsThere)
{
    const auto [restoring, byLink] = GetParam();
    if (restoring) {
        ASSERT_EQ(qv::optimize(reader, {}).outcome, qv::OperationReport::Completed);
    }
    const QString plugInsHost = prefix.host(kFolder + "\\plug_ins");
    const QString standIn = prefix.mkdir("C:\\Stand-in");
    for (const char *f : {"Annots.api", "eBook.api", "S\\mm.api"})
        prefix.writeFile(QString("C:\\Stand-in\\") + f, "stand-in");
    const auto before = treeContents(standIn);

    QString now; // what stands where plug_ins was
    qv::OperationHooks hooks;
    hooks.stepDone = [&](const char *step) {
        if (QByteArray(step) != "registry" || !now.isEmpty())
            return;
        QDir().rename(plugInsHost, plugInsHost + ".old");
        if (byLink)
            QFile::link(standIn, plugInsHost);
        else
            QDir().rename(standIn, plugInsHost);
        now = byLink ? standIn : plugInsHost;
    };
    const qv::OperationReport report = restoring ? qv::restore(reader, {}, hooks) : qv::optimize(reader, {}, hooks);
    ASSERT_FALSE(now.isEmpty());
    EXPECT_EQ(report.outcome, qv::OperationReport::Failed);
    EXPECT_TRUE(report.error.contains(kFolder + "\\plug_ins\" is no longer")) << report.error.toStdString();
    EXPECT_EQ(treeContents(now), before);
}

INSTANTIATE_TEST_SUITE_P(OptimizeOrRestore, FolderReplaced, ::testing::Combine(::testing::Bool(), ::testing::Bool()));

// A prefix as wineboot makes it: the user's Desktop and Documents are links
// to the host's (the test's own home). Reader's "My eBook" there goes to the
// trash, the shortcut Restore makes lands on the host desktop through the
// link with its launcher beside it, and the links stay links.
TEST_F(CoreOperations, UserFoldersLinkedToTheHostHomeAsWinebootLinksThem)
{
    const QString home = QDir::homePath();
    const QString desktop = prefix.host("C:\\users\\ann") + "/Desktop";
    const QString documents = prefix.host("C:\\users\\ann") + "/Documents";
    prefix.mkdir("C:\\users\\ann");
    ASSERT_TRUE(QFile::link(home + "/Desktop", desktop) && QFile::link(home + "/Documents", documents));
    prefix.writeFile("C:\\users\\ann\\Documents\\My eBook\\book.pdf", "book");
    prefix.writeHive("user.reg", HiveText()
                                     .key("Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders")
                                     .str("Desktop", "C:\\users\\ann\\Desktop")
                                     .str("Personal", "C:\\users\\ann\\Documents"));
    reader.personalFolder.clear(); // the user's own documents, as on a single-user machine
    const QString trash = qgetenv("XDG_DATA_HOME") + "/Trash";
    auto bytes = [](const QString &path) {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    };

    const qv::OperationReport optimized = qv::optimize(reader, {});
    ASSERT_EQ(optimized.outcome, qv::OperationReport::Completed) << optimized.error.toStdString();
    EXPECT_FALSE(QFileInfo::exists(home + "/Documents/My eBook"));
    EXPECT_EQ(bytes(trash + "/files/My eBook/book.pdf"), "book");
    const qv::OperationReport restored = qv::restore(reader, {});
    ASSERT_EQ(restored.outcome, qv::OperationReport::Completed) << restored.error.toStdString();
    EXPECT_TRUE(QFileInfo(home + "/Desktop/AcroRd32.lnk").isFile());
    EXPECT_TRUE(bytes(home + "/Desktop/AcroRd32.desktop").contains("AcroRd32.exe"));
    EXPECT_EQ(QFileInfo(desktop).symLinkTarget(), home + "/Desktop");
    EXPECT_EQ(QFileInfo(documents).symLinkTarget(), home + "/Documents");
}

// A hive of another user's (a prefix kept for someone else, run by root)
// stays theirs, with its mode, when an operation rewrites it.
TEST_F(CoreOperations, AHiveRewrittenByRootKeepsItsOwnerAndMode)
{
    const QByteArray hive = QFile::encodeName(prefix.root() + "/user.reg");
    const uid_t owner = 4321;
    const gid_t group = 4322;
    if (::chown(hive.constData(), owner, group) != 0)
        GTEST_SKIP() << "only root (with CAP_CHOWN, outside a user namespace: run alone when an earlier test's "
                        "mounts made one) can give the hive another owner";
    ASSERT_EQ(::chmod(hive.constData(), 0604), 0);
    struct stat before;
    ASSERT_EQ(::stat(hive.constData(), &before), 0);

    ASSERT_EQ(qv::optimize(reader, {}).outcome, qv::OperationReport::Completed);
    struct stat after;
    ASSERT_EQ(::stat(hive.constData(), &after), 0);
    EXPECT_NE(after.st_ino, before.st_ino); // replaced, not written in place
    EXPECT_EQ(after.st_uid, owner);
    EXPECT_EQ(after.st_gid, group);
    EXPECT_EQ(after.st_mode & 07777, 0604u);
}

// What is so already is no change: after each run, its dry run plans
// nothing, and running it again changes no byte and no time stamp of the
// prefix (hives included), says so in its report and log, and keeps the
// window's messages.
TEST_F(CoreOperations, RunningAgainChangesNothingAndSaysSo)
{
    qv::OptimizeOptions keeping;
    keeping.noSplash = keeping.fastConnection = keeping.unloadPlugIns = false;
    const struct
    {
        const char *what;
        std::function<qv::OperationReport(bool dry)> run;
        const char *memo;
    } runs[] = {
        {"optimize", [&](bool dry) { qv::OptimizeOptions o; o.dryRun = dry; return qv::optimize(reader, o); },
         "Optimization Completed."},
        {"optimize, some boxes unticked", [&](bool dry) { keeping.dryRun = dry; return qv::optimize(reader, keeping); },
         "Optimization Completed."},
        {"restore", [&](bool dry) { return qv::restore(reader, {false, dry}); }, "Nothing to restore!"},
    };
    const QString log = qv::operationlog::path();
    for (const auto &r : runs) {
        const qv::OperationReport first = r.run(false);
        ASSERT_TRUE(first.succeeded()) << r.what << ": " << first.error.toStdString();
        ASSERT_FALSE(first.changes.empty()) << r.what;
        const TreeListing before = TreeListing::of(prefix.root());

        const qv::OperationReport plan = r.run(true);
        const qv::OperationReport again = r.run(false);
        EXPECT_TRUE(plan.changes.empty()) << r.what << ":\n" << lines(plan).join('\n').toStdString();
        EXPECT_TRUE(again.succeeded()) << r.what << ": " << again.error.toStdString();
        EXPECT_TRUE(again.changes.empty()) << r.what << ":\n" << lines(again).join('\n').toStdString();
        EXPECT_EQ(again.memo.value(0), r.memo) << r.what;
        EXPECT_EQ(before.changesTo(TreeListing::of(prefix.root())), QStringList()) << r.what;
        QFile file(log);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << log.toStdString();
        const QList<QByteArray> logged = file.readAll().trimmed().split('\n');
        EXPECT_TRUE(logged.constLast().endsWith(" changed=no")) << logged.constLast().toStdString();
    }
}

// A value Optimize writes names what it held before, in the report and the text.
TEST_F(CoreOperations, AChangedValueNamesItsOldData)
{
    prefix.writeHive("user.reg", HiveText().key("Software\\Adobe\\Acrobat Reader\\9.0\\AdsInReader").dword("bShowAds", 7));
    const qv::OperationReport done = qv::optimize(reader, {});
    ASSERT_TRUE(done.succeeded()) << done.error.toStdString();
    const auto ads = std::find_if(done.changes.cbegin(), done.changes.cend(),
                                  [](const qv::Change &c) { return c.name == "bShowAds"; });
    ASSERT_NE(ads, done.changes.cend());
    EXPECT_EQ(ads->previous, 7);
    EXPECT_EQ(ads->describe().value(0),
              "Set HKEY_CURRENT_USER\\SOFTWARE\\Adobe\\Acrobat Reader\\9.0\\AdsInReader\\bShowAds = 0 (was 7)");
}

// Reader X and later start helpers of their own, which count as Reader:
// ended with it, by exact name, in this prefix, of this user. The same
// names elsewhere, another user's or outside Wine stay running.
TEST_F(CoreOperations, ReadersOwnHelpersEndWithItAndTheSameNamesElsewhereStay)
{
    reader.version = "DC";
    processes.seePrefixes = true;
    TempDir elsewhere;
    const std::string here = prefix.root().toStdString();
    const std::string arm = "C:\\Program Files\\Common Files\\Adobe\\ARM\\1.0\\";
    FakeProcess acro((kFolder + "\\AcroRd32.exe").toStdString(), here);
    FakeProcess updater(arm + "AdobeARM.exe", here);
    FakeProcess browser((kFolder + "\\AcroCEF\\RdrCEF.exe").toStdString(), here);
    FakeProcess otherPrefix(arm + "armsvc.exe", elsewhere.path().toStdString());
    FakeProcess notWine(arm + "armsvc.exe", here, "/bin/sleep");
    processes.extra.push_back({999999901, ::getpid(), "armsvc.exe", prefix.root(), 4321}); // another user's

    const qv::OperationReport refused = qv::optimize(reader, {});
    EXPECT_EQ(refused.outcome, qv::OperationReport::Refused);
    EXPECT_TRUE(processes.terminated.empty());

    qv::OptimizeOptions options;
    options.endRunningReader = true;
    const qv::OperationReport done = qv::optimize(reader, options);
    ASSERT_EQ(done.outcome, qv::OperationReport::Completed) << done.error.toStdString();
    EXPECT_EQ(std::set<int64_t>(processes.terminated.begin(), processes.terminated.end()),
              (std::set<int64_t>{acro.pid(), updater.pid(), browser.pid()}));
    EXPECT_TRUE(acro.ended() && updater.ended() && browser.ended());
    EXPECT_FALSE(otherPrefix.ended() || notWine.ended());
}
