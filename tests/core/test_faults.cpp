// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvane developers
// Optimize and Restore under faults: killed after each step, a full disk,
// read-only places, damaged inputs, two at once, other programs in the
// prefix. Whatever happens, every plug-in stays byte for byte in plug_ins or
// Optional, the hives load, no temporary file is left, nothing is called
// completed that was not done, and a refusal comes before Reader is ended.

#include <QDir>
#include <QDirIterator>
#include <gtest/gtest.h>
#include <memory>
#include <optional>
#include <cstring>

#include "core/operations.h"
#include "core/status.h"
#include "platform/wine/atomicfile.h"
#include "platform/fileoperation.h"
#include "platform/wine/hive.h"
#include "platform/operationlock.h"
#include "platform/registry.h"
#include "platform/test_processes_fake.h"
#include "support/faults.h"
#include "support/lockholder.h"
#include "support/testprefix.h"

namespace {

const QString kFolder = "C:\\Program Files\\Adobe\\Reader 9.0\\Reader";
const char *const kPlugIns[] = {"EWH32.api", "EWH32.ini", "search.api", "eBook.api", "eBook.dat", "Annots.api",
                                "Annots.dat", "S/mm.api", "S/T/deep.dll"};

// The batch operation's windows: errors kept, and a kill at the n-th progress call.
class FileWindows : public qv::FileOperationUi
{
public:
    FileWindows() { setInstance(this); }
    ~FileWindows() override { setInstance(nullptr); }
    void progressBegin(const QString &) override {}
    bool progressUpdate(const Progress &) override
    {
        if (++calls == killAt && kill)
            kill();
        return true;
    }
    void progressEnd() override {}
    void error(const QString &, const QString &file, const QString &reason) override { errors << file + ": " + reason; }
    Answer confirmReplace(const QString &, const QString &) override { return Cancel; }
    Answer confirmMakeFolder(const QString &) override { return Cancel; }
    QStringList errors;
    int calls = 0;
    int killAt = -1;
    std::function<void()> kill;
};

// Reader 9.0 in a throwaway prefix (on a given disk), each plug-in padded to size bytes.
struct Reader9
{
    TestPrefix prefix;
    qv::ReaderInstallation reader;

    explicit Reader9(const QString &disk = QString(), int size = 64) : prefix(TestPrefix::Win32, disk)
    {
        for (const char *f : kPlugIns)
            prefix.writeFile(kFolder + "\\plug_ins\\" + QString(f).replace('/', '\\'),
                             QByteArray(f).leftJustified(size, '.'));
        prefix.writeFile(kFolder + "\\AcroRd32.exe", "MZ");
        prefix.writeFile("C:\\Programs\\PrintMe Internet Printing\\p.lnk", "pm");
        prefix.writeFile("C:\\Desktop\\Adobe Reader 9.0.lnk", "link");
        prefix.writeFile("C:\\Docs\\My eBook\\book.pdf", "book");
        prefix.writeHive("user.reg", HiveText()
                                         .key("Software\\Adobe\\Acrobat Reader\\9.0\\AVGeneral\\cRecentFiles\\c1")
                                         .str("tDIText", "x")
                                         .key("Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders")
                                         .str("Desktop", "C:\\Desktop"));
        prefix.writeHive("system.reg", HiveText()
                                           .key("Software\\Adobe\\Acrobat Reader\\9.0\\InstallPath")
                                           .str("", kFolder));
        reader.version = "9.0";
        reader.folder = kFolder;
        reader.commonProgramsFolder = "C:\\Programs";
        reader.commonDesktopFolder = "C:\\Desktop";
        reader.personalFolder = "C:\\Docs";
    }

    QString host(const QString &below) const { return prefix.host(kFolder + "\\" + below); }
    QMap<QString, QByteArray> tree(const QString &below) const { return treeContents(host(below)); }

    // What both operations leave: the two plug-in folders, the marker, the hives.
    QMap<QString, QByteArray> outcome() const
    {
        QMap<QString, QByteArray> out;
        for (const QString &folder : {QString("plug_ins"), QString("Optional")}) {
            const auto files = tree(folder);
            for (auto it = files.cbegin(); it != files.cend(); ++it)
                out.insert(folder + "/" + it.key(), it.value());
        }
        out.insert("Wexmor.DAT", QFile(host("Wexmor.DAT")).exists() ? "present" : "absent");
        out.insert("user.reg", prefix.readHive("user.reg"));
        out.insert("system.reg", prefix.readHive("system.reg"));
        out.insert("desktop", QFile::exists(prefix.host("C:\\Desktop\\AcroRd32.lnk")) ? "link" : "none");
        return out;
    }

    // Every plug-in's bytes, wherever it is.
    QList<QByteArray> plugInBytes() const { return tree("plug_ins").values() + tree("Optional").values(); }

    QStringList temporaries() const
    {
        QStringList out;
        QDirIterator it(prefix.root(), QDir::Files | QDir::Hidden | QDir::System, QDirIterator::Subdirectories);
        while (it.hasNext())
            if (qv::isTemporaryName(QFileInfo(it.next()).fileName()))
                out << it.filePath();
        return out;
    }

    // The promise that holds whatever happened.
    void expectSafe(const QList<QByteArray> &plugInsBefore, const std::string &where) const
    {
        const QList<QByteArray> now = plugInBytes();
        for (const QByteArray &bytes : plugInsBefore)
            EXPECT_TRUE(now.contains(bytes)) << where << ": lost " << bytes.left(12).toStdString();
        for (const char *hive : {"user.reg", "system.reg"})
            EXPECT_NO_THROW(qv::Hive::load(prefix.root() + "/" + hive)->validate()) << where << " " << hive;
        EXPECT_EQ(temporaries(), QStringList()) << where;
    }
};

qv::OperationReport optimizeAll(const Reader9 &r, const qv::OperationHooks &hooks = {})
{
    qv::OptimizeOptions o;
    o.endRunningReader = true;
    return qv::optimize(r.reader, o, hooks);
}

qv::OperationReport restoreAll(const Reader9 &r, const qv::OperationHooks &hooks = {})
{
    return qv::restore(r.reader, {true, false}, hooks);
}

using Operation = std::function<qv::OperationReport(const Reader9 &, const qv::OperationHooks &)>;

// Where a run is killed: after the n-th report of a step, of a stage of a
// hive save, or of the batch operation's progress.
struct KillPoint
{
    enum Kind { Step, Save, Progress } kind;
    QString name;
    int occurrence;
    std::string text() const
    {
        static const char *const kinds[] = {"after step", "in hive save at", "in file batch at progress"};
        return std::string(kinds[kind]) + " " + name.toStdString() + " #" + std::to_string(occurrence);
    }
};

const char *g_saveTarget = nullptr;
int g_saveLeft = 0;
std::function<void()> g_kill;
void saveHook(const char *stage)
{
    if (g_saveTarget && !strcmp(stage, g_saveTarget) && --g_saveLeft == 0)
        g_kill();
}

struct Interruptions : ::testing::Test
{
    FileWindows fileWindows;
    ChildrenOnlyProcessControl processes;
    TempDir trash;
    void SetUp() override
    {
        qputenv("XDG_DATA_HOME", QFile::encodeName(trash.path()));
        qv::Hive::setClockForTests(1700000000); // equal runs write equal hives
    }
    void TearDown() override
    {
        qv::Hive::setClockForTests(0);
        qv::Hive::setSaveHook(nullptr);
        qunsetenv("XDG_DATA_HOME");
    }

    // Every place an undisturbed run of op offers for a kill.
    std::vector<KillPoint> killPoints(const std::function<void(Reader9 &)> &before, const Operation &op)
    {
        Reader9 r;
        before(r);
        std::vector<KillPoint> points;
        QMap<QString, int> seen;
        qv::OperationHooks hooks;
        hooks.stepDone = [&](const char *step) { points.push_back({KillPoint::Step, step, ++seen[step]}); };
        static std::vector<KillPoint> *saves;
        static QMap<QString, int> *savesSeen;
        saves = &points;
        savesSeen = &seen;
        qv::Hive::setSaveHook([](const char *stage) {
            saves->push_back({KillPoint::Save, stage, ++(*savesSeen)[QString("save ") + stage]});
        });
        fileWindows.calls = 0;
        EXPECT_EQ(op(r, hooks).outcome, qv::OperationReport::Completed);
        qv::Hive::setSaveHook(nullptr);
        // Kills inside the first and the last file of the run's batches.
        points.push_back({KillPoint::Progress, "copy", 2});
        points.push_back({KillPoint::Progress, "copy", fileWindows.calls - 1});
        return points;
    }

    // Kills op at every point, checks what is left, runs it again and
    // compares with an undisturbed run.
    int killEverywhere(const std::function<void(Reader9 &)> &before, const Operation &op)
    {
        QMap<QString, QByteArray> expected;
        {
            Reader9 r;
            before(r);
            EXPECT_EQ(op(r, {}).outcome, qv::OperationReport::Completed);
            expected = r.outcome();
        }
        int kills = 0;
        for (const KillPoint &point : killPoints(before, op)) {
            Reader9 r;
            before(r);
            const QList<QByteArray> plugInsBefore = r.plugInBytes();
            const bool killed = faults::interrupted([&](const std::function<void()> &kill) {
                qv::OperationHooks hooks;
                QMap<QString, int> seen;
                if (point.kind == KillPoint::Step)
                    hooks.stepDone = [&](const char *step) {
                        if (point.name == step && ++seen[step] == point.occurrence)
                            kill();
                    };
                g_kill = kill;
                g_saveTarget = nullptr;
                if (point.kind == KillPoint::Save) {
                    static QByteArray stage;
                    stage = point.name.toLatin1();
                    g_saveTarget = stage.constData();
                    g_saveLeft = point.occurrence;
                    qv::Hive::setSaveHook(saveHook);
                }
                fileWindows.calls = 0;
                fileWindows.killAt = point.kind == KillPoint::Progress ? point.occurrence : -1;
                fileWindows.kill = kill;
                op(r, hooks);
            });
            fileWindows.killAt = -1;
            EXPECT_TRUE(killed) << point.text();
            qv::resetRegistryCache();
            r.expectSafe(plugInsBefore, point.text());

            const qv::OperationReport again = op(r, {});
            // Killed after Restore's last step, the rerun finds nothing left to restore.
            EXPECT_TRUE(again.outcome == qv::OperationReport::Completed
                        || (again.outcome == qv::OperationReport::NothingToRestore && point.name == "marker removed"))
                << point.text() << ": " << again.error.toStdString();
            EXPECT_EQ(r.outcome(), expected) << point.text();
            EXPECT_EQ(r.temporaries(), QStringList()) << point.text();
            ++kills;
        }
        return kills;
    }
};

} // namespace

TEST_F(Interruptions, KilledAnywhereTheOperationsLoseNothingAndARerunFinishesThem)
{
    const int optimizeKills = killEverywhere([](Reader9 &) {}, optimizeAll);
    const int restoreKills = killEverywhere([](Reader9 &r) { ASSERT_EQ(optimizeAll(r).outcome, qv::OperationReport::Completed); },
                                            restoreAll);
    EXPECT_GE(optimizeKills, 10);
    EXPECT_GE(restoreKills, 6);
    std::printf("[ interruptions ] %d in Optimize, %d in Restore\n", optimizeKills, restoreKills);
}

TEST_F(Interruptions, HalfFilesOfACrashAreRemovedAndNeverCopied)
{
    // Where unnamed files are not to be had, a kill in the middle of a copy
    // leaves a hidden half file; so does a crash of an older version.
    Reader9 r;
    const QList<QByteArray> before = r.plugInBytes();
    qv::AtomicFile::setUnnamedAllowed(false);
    EXPECT_TRUE(faults::interrupted([&](const std::function<void()> &kill) {
        fileWindows.killAt = 2; // inside the first file: after its first bytes, before it is complete
        fileWindows.kill = kill;
        optimizeAll(r);
    }));
    qv::AtomicFile::setUnnamedAllowed(true);
    fileWindows.killAt = -1;
    EXPECT_EQ(r.temporaries().size(), 1);
    r.prefix.writeFile(kFolder + "\\plug_ins\\.Annots.api.qvpart-Ab12Cd", "half");
    r.prefix.writeHiveRaw(".system.reg.quorvane-x1Y2z3", "half a hive");

    ASSERT_EQ(optimizeAll(r).outcome, qv::OperationReport::Completed);
    r.expectSafe(before, "after the rerun");
    ASSERT_EQ(restoreAll(r).outcome, qv::OperationReport::Completed);
    EXPECT_EQ(r.tree("plug_ins").keys(), r.tree("Optional").keys());
}

namespace {

struct Faults : ::testing::Test
{
    FileWindows fileWindows;
    ChildrenOnlyProcessControl processes;

    // A place made read-only (a fault object; null when it cannot be made
    // here), what the refusal must name, and why it could not be made.
    struct ReadOnlyCase
    {
        const char *what;
        std::function<std::shared_ptr<void>(Reader9 &)> make;
        const char *named;
    };
    template <typename Fault> static std::shared_ptr<void> made(std::shared_ptr<Fault> fault)
    {
        return fault->ok() ? fault : nullptr;
    }

    // Each case is refused before Reader is ended or anything changes, and
    // goes through once the fault is gone. Gives the cases that could not be made.
    QStringList expectRefusedUntouched(const std::vector<ReadOnlyCase> &cases)
    {
        QStringList notMade;
        for (const ReadOnlyCase &c : cases) {
            Reader9 r;
            FakeProcess running((kFolder + "\\AcroRd32.exe").toStdString());
            const auto before = treeContents(r.prefix.root());
            std::shared_ptr<void> fault = c.make(r);
            if (!fault) {
                notMade << c.what;
                continue;
            }
            const qv::OperationReport report = optimizeAll(r);
            EXPECT_EQ(report.outcome, qv::OperationReport::Refused) << c.what;
            EXPECT_TRUE(report.error.contains(c.named)) << c.what << ": " << report.error.toStdString();
            EXPECT_TRUE(report.error.contains("Nothing was changed")) << c.what << ": " << report.error.toStdString();
            EXPECT_FALSE(running.ended()) << c.what;
            EXPECT_EQ(treeContents(r.prefix.root()), before) << c.what;
            fault.reset();
            EXPECT_EQ(optimizeAll(r).outcome, qv::OperationReport::Completed) << c.what;
            EXPECT_TRUE(running.ended()) << c.what;
        }
        return notMade;
    }
};

} // namespace

TEST_F(Faults, AFullDiskStopsTheRunWithNothingHalfDone)
{
    // 9 plug-ins of 40 KiB: the prefix fits in 600 KiB, its safety copy does not.
    {
        faults::SmallDisk disk(600);
        if (!disk.ok())
            GTEST_SKIP() << disk.why().toStdString();
        Reader9 r(disk.path(), 40 * 1024);
        const auto plugIns = r.tree("plug_ins");
        const QByteArray userHive = r.prefix.readHive("user.reg");
        const qv::OperationReport report = optimizeAll(r);
        EXPECT_EQ(report.outcome, qv::OperationReport::Failed);
        EXPECT_TRUE(report.error.contains("not enough space on the disk")) << report.error.toStdString();
        EXPECT_TRUE(report.closingQuestion.isEmpty());
        EXPECT_EQ(r.tree("plug_ins"), plugIns);
        EXPECT_EQ(r.prefix.readHive("user.reg"), userHive);
        EXPECT_FALSE(QFile::exists(r.host("Wexmor.DAT")));
        r.expectSafe(plugIns.values(), "safety copy on a full disk");
    }
    // The copy fits; the disk fills up before the registry is written.
    for (bool restoring : {false, true}) {
        faults::SmallDisk disk(1400);
        ASSERT_TRUE(disk.ok());
        Reader9 r(disk.path(), 40 * 1024);
        if (restoring) {
            ASSERT_EQ(optimizeAll(r).outcome, qv::OperationReport::Completed);
        }
        const auto plugIns = r.tree("plug_ins");
        const QByteArray userHive = r.prefix.readHive("user.reg");
        const QList<QByteArray> before = r.plugInBytes();
        QString filler;
        qv::OperationHooks hooks;
        hooks.started = [&] {
            if (restoring)
                filler = disk.fill();
        };
        hooks.stepDone = [&](const char *step) {
            if (!restoring && !strcmp(step, "marker"))
                filler = disk.fill();
        };
        const qv::OperationReport report = restoring ? restoreAll(r, hooks) : optimizeAll(r, hooks);
        EXPECT_EQ(report.outcome, qv::OperationReport::Failed);
        EXPECT_TRUE(report.error.contains("No space left on device")) << report.error.toStdString();
        EXPECT_TRUE(report.error.contains(restoring ? "nothing was changed" : "marker written by this run was removed"))
            << report.error.toStdString();
        EXPECT_EQ(r.tree("plug_ins"), plugIns);
        EXPECT_EQ(r.prefix.readHive("user.reg"), userHive);
        EXPECT_EQ(QFile::exists(r.host("Wexmor.DAT")), restoring);
        r.expectSafe(before, restoring ? "restore on a full disk" : "optimize on a full disk");

        QFile::remove(filler);
        const qv::OperationReport again = restoring ? restoreAll(r) : optimizeAll(r);
        EXPECT_EQ(again.outcome, qv::OperationReport::Completed) << again.error.toStdString();
    }
}

TEST_F(Faults, ReadOnlyMountsAreRefusedBeforeReaderIsEndedOrAnythingChanges)
{
    auto mount = [](const QString &folder) { return made(std::make_shared<faults::ReadOnlyMount>(folder)); };
    const QStringList notMade = expectRefusedUntouched({
        {"plug_ins on a read-only mount", [&](Reader9 &r) { return mount(r.host("plug_ins")); }, "read-only file system"},
        {"the Reader folder on a read-only mount", [&](Reader9 &r) { return mount(r.host("")); },
         "Reader\" cannot be changed"},
        {"the prefix on a read-only mount", [&](Reader9 &r) { return mount(r.prefix.root()); },
         "read-only file system"},
    });
    if (!notMade.isEmpty())
        GTEST_SKIP() << "not made: " << notMade.join(", ").toStdString() << "; " << faults::privateMounts().toStdString();
}

TEST_F(Faults, ImmutableAndAppendOnlyPlacesAreRefusedBeforeReaderIsEndedOrAnythingChanges)
{
    auto attribute = [](const QString &path, int flag = FS_IMMUTABLE_FL) {
        return made(std::make_shared<faults::Attribute>(path, flag));
    };
    const QStringList notMade = expectRefusedUntouched({
        {"immutable plug_ins", [&](Reader9 &r) { return attribute(r.host("plug_ins")); }, "immutable"},
        {"append-only Reader folder", [&](Reader9 &r) { return attribute(r.host(""), FS_APPEND_FL); }, "append-only"},
        {"immutable prefix folder", [&](Reader9 &r) { return attribute(r.prefix.root()); },
         "its folder cannot be changed: it is marked immutable"},
        {"immutable user.reg", [&](Reader9 &r) { return attribute(r.prefix.root() + "/user.reg"); },
         "user.reg\" cannot be replaced"},
    });
    if (!notMade.isEmpty())
        GTEST_SKIP() << faults::Attribute::why().toStdString() << " (not made: " << notMade.join(", ").toStdString()
                     << ")";
}

TEST_F(Faults, AFolderWithoutWritePermissionIsRefusedBeforeReaderIsEndedOrAnythingChanges)
{
    const faults::ModesBindRoot modes;
    if (!modes.ok())
        GTEST_SKIP() << faults::ModesBindRoot::why().toStdString();
    const QStringList notMade = expectRefusedUntouched({
        {"plug_ins without write permission",
         [&](Reader9 &r) -> std::shared_ptr<void> {
             const QByteArray path = QFile::encodeName(r.host("plug_ins"));
             ::chmod(path.constData(), 0555);
             return std::shared_ptr<void>(new int(0), [path](void *p) {
                 ::chmod(path.constData(), 0755);
                 delete static_cast<int *>(p);
             });
         },
         "may not write"},
    });
    EXPECT_TRUE(notMade.isEmpty());
}

TEST_F(Faults, DamagedHivesAreNamedAndNeverReplaced)
{
    Reader9 r;
    const QString user = r.prefix.root() + "/user.reg";
    const QByteArray userHive = r.prefix.readHive("user.reg");
    QFile::remove(user);
    ASSERT_TRUE(QFile::link(r.prefix.root() + "/gone/user.reg", user));
    qv::resetRegistryCache();
    qv::OperationReport report = optimizeAll(r);
    EXPECT_EQ(report.outcome, qv::OperationReport::Refused);
    EXPECT_TRUE(report.error.contains(user) && report.error.contains("is a link to")) << report.error.toStdString();
    EXPECT_TRUE(QFileInfo(user).isSymLink());
    EXPECT_FALSE(QFileInfo(user).exists());

    QFile::remove(user);
    r.prefix.writeHiveRaw("user.reg", userHive);
    r.prefix.writeHiveRaw("system.reg", "");
    r.prefix.writeFile(kFolder + "\\Wexmor.DAT", "Backup Done.\r\n");
    report = restoreAll(r);
    EXPECT_EQ(report.outcome, qv::OperationReport::Refused);
    EXPECT_TRUE(report.error.contains("system.reg\" is empty")) << report.error.toStdString();
    EXPECT_EQ(QFileInfo(r.prefix.root() + "/system.reg").size(), 0);
    EXPECT_EQ(r.prefix.readHive("user.reg"), userHive);
}

TEST_F(Faults, AMarkerThatVouchesForNothingIsNotTrusted)
{
    // Junk in the marker and no safety copy: the copy is taken first.
    Reader9 r;
    r.prefix.writeFile(kFolder + "\\Wexmor.DAT", "\x00\x13garbage");
    const auto plugIns = r.tree("plug_ins");
    EXPECT_TRUE(qv::readerStatus(r.reader).notLoaded.isEmpty());
    EXPECT_FALSE(qv::readerStatus(r.reader).optimized);

    const qv::OperationReport report = optimizeAll(r);
    ASSERT_EQ(report.outcome, qv::OperationReport::Completed) << report.error.toStdString();
    EXPECT_EQ(r.tree("Optional"), plugIns);
    EXPECT_EQ(r.tree("plug_ins").keys(), QStringList({"EWH32.api", "EWH32.ini", "search.api"}));
    QFile marker(r.host("Wexmor.DAT"));
    ASSERT_TRUE(marker.open(QIODevice::ReadOnly));
    EXPECT_EQ(marker.readAll(), "Backup Done.\r\n");
}

TEST_F(Faults, ALinkToNothingInPlugInsIsLeftInPlaceAndNamed)
{
    Reader9 r;
    ASSERT_TRUE(QFile::link(r.host("plug_ins") + "/Gone.api.target", r.host("plug_ins/Broken.api")));

    const qv::OperationReport optimized = optimizeAll(r);
    ASSERT_EQ(optimized.outcome, qv::OperationReport::Completed) << optimized.error.toStdString();
    EXPECT_TRUE(optimized.memo.contains("Left in place (a link to a missing file): Broken.api"))
        << optimized.memo.join('\n').toStdString();
    EXPECT_TRUE(QFileInfo(r.host("plug_ins/Broken.api")).isSymLink());
    EXPECT_FALSE(optimized.closingQuestion.isEmpty());

    const qv::OperationReport restored = restoreAll(r);
    EXPECT_EQ(restored.outcome, qv::OperationReport::Completed) << restored.error.toStdString();
    EXPECT_TRUE(QFileInfo(r.host("plug_ins/Broken.api")).isSymLink());
}

TEST_F(Faults, WorkLeftUndoneIsNamedAndNeverCalledCompleted)
{
    Reader9 r;
    // A sub-folder whose file cannot be taken out (a read-only mount); the rest can.
    std::optional<faults::ReadOnlyMount> stuck(r.host("plug_ins/S/T"));
    if (!stuck->ok())
        GTEST_SKIP() << stuck->why().toStdString();

    const qv::OperationReport report = optimizeAll(r);
    EXPECT_EQ(report.outcome, qv::OperationReport::Incomplete);
    EXPECT_TRUE(report.closingQuestion.isEmpty());
    ASSERT_FALSE(report.memo.isEmpty());
    EXPECT_EQ(report.memo.first(), "Optimization not completed. Not done:");
    EXPECT_FALSE(report.memo.contains("Optimization Completed."));
    EXPECT_TRUE(report.memo.contains("Not removed: S\\T\\deep.dll")) << report.memo.join('\n').toStdString();
    EXPECT_TRUE(report.error.startsWith("Optimization was not completed. Not done:\n- " + kFolder
                                        + "\\plug_ins\\S\\T\\deep.dll: could not be removed"))
        << report.error.toStdString();
    // Everything else was done.
    EXPECT_FALSE(QFile::exists(r.host("plug_ins/Annots.api")));
    EXPECT_FALSE(QFile::exists(r.prefix.host("C:\\Desktop\\Adobe Reader 9.0.lnk")));

    stuck.reset();
    const qv::OperationReport again = optimizeAll(r);
    EXPECT_EQ(again.outcome, qv::OperationReport::Completed) << again.error.toStdString();
    EXPECT_EQ(r.tree("plug_ins").keys(), QStringList({"EWH32.api", "EWH32.ini", "search.api"}));
}

TEST_F(Faults, RefusalsComeBeforeReaderIsEnded)
{
    Reader9 r;
    processes.seePrefixes = true;
    const std::string root = r.prefix.root().toStdString();
    auto reader = std::make_unique<FakeProcess>((kFolder + "\\AcroRd32.exe").toStdString(), root);
    auto notepad = std::make_unique<FakeProcess>("C:\\windows\\notepad.exe", root);
    FakeProcess services("C:\\windows\\system32\\services.exe", root);
    FakeProcess elsewhere("C:\\windows\\write.exe", root + "-other");
    // The prefix's server, alive for a moment after its last program.
    processes.extra.push_back({999999999, ::getpid(), "wineserver64", r.prefix.root()});
    const auto before = treeContents(r.prefix.root());

    // Another program keeps Wine's registry alive; Wine's own do not count.
    qv::OperationReport report = optimizeAll(r);
    EXPECT_EQ(report.outcome, qv::OperationReport::Refused);
    EXPECT_TRUE(report.error.contains(QString("notepad.exe (process %1: C:\\windows\\notepad.exe 600)").arg(notepad->pid())))
        << report.error.toStdString();
    EXPECT_FALSE(report.error.contains("services.exe"));
    EXPECT_FALSE(report.error.contains("wineserver"));
    EXPECT_FALSE(report.error.contains("write.exe"));
    EXPECT_FALSE(report.error.contains("AcroRd32.exe"));
    EXPECT_FALSE(reader->ended());
    notepad.reset();

    // Another Quorvane at work on the prefix.
    {
        LockHolder other(qv::OperationLock::fileFor(r.prefix.root()), LockHolder::Flock);
        ASSERT_TRUE(other.ok());
        for (const qv::OperationReport &refused : {optimizeAll(r), restoreAll(r)}) {
            EXPECT_EQ(refused.outcome, qv::OperationReport::Refused);
            EXPECT_TRUE(refused.error.startsWith("Another Quorvane is working on this prefix")) << refused.error.toStdString();
        }
        EXPECT_FALSE(reader->ended());
    } // killed: the kernel lets go of its lock

    // An installation start-up could not settle.
    const qv::ReaderInstallation good = r.reader;
    const std::vector<std::pair<std::function<void(qv::ReaderInstallation &)>, QString>> unusable = {
        {[](qv::ReaderInstallation &i) { i.folder.clear(); }, "No Adobe Reader folder is set"},
        {[](qv::ReaderInstallation &i) { i.folder = "C:\\"; }, "is the root of a drive"},
        {[](qv::ReaderInstallation &i) { i.folder = "C:"; }, "is the root of a drive"},
        {[](qv::ReaderInstallation &i) { i.folder = "C:\\Programs"; }, "holds no plug_ins folder"},
        {[](qv::ReaderInstallation &i) { i.version.clear(); }, "No Adobe Reader version is set"},
    };
    for (const auto &[spoil, named] : unusable) {
        r.reader = good;
        spoil(r.reader);
        report = optimizeAll(r);
        EXPECT_EQ(report.outcome, qv::OperationReport::Refused) << named.toStdString();
        EXPECT_TRUE(report.error.contains(named)) << report.error.toStdString();
    }
    r.reader = good;
    EXPECT_FALSE(reader->ended());
    EXPECT_EQ(treeContents(r.prefix.root()), before);

    report = optimizeAll(r);
    EXPECT_EQ(report.outcome, qv::OperationReport::Completed) << report.error.toStdString();
    EXPECT_TRUE(reader->ended());
}

TEST_F(Faults, TwoOperationsAtOnceOneWaitsForNothingAndChangesNothing)
{
    // A second Quorvane (a child process) stops half-way through Optimize and
    // holds there while this one tries both operations.
    Reader9 r;
    int ready[2], go[2];
    ASSERT_EQ(::pipe(ready), 0);
    ASSERT_EQ(::pipe(go), 0);
    const pid_t other = ::fork();
    if (other == 0) {
        qv::OperationHooks hooks;
        hooks.stepDone = [&](const char *step) {
            if (!strcmp(step, "safety copy")) {
                char c = '1';
                (void)!::write(ready[1], &c, 1);
                (void)!::read(go[0], &c, 1);
            }
        };
        ::_exit(optimizeAll(r, hooks).outcome == qv::OperationReport::Completed ? 0 : 1);
    }
    char c = 0;
    ASSERT_EQ(::read(ready[0], &c, 1), 1);
    const auto halfway = treeContents(r.prefix.root());
    for (const qv::OperationReport &refused : {optimizeAll(r), restoreAll(r)}) {
        EXPECT_EQ(refused.outcome, qv::OperationReport::Refused);
        EXPECT_TRUE(refused.error.startsWith("Another Quorvane is working on this prefix")) << refused.error.toStdString();
        EXPECT_FALSE(refused.started);
    }
    EXPECT_EQ(treeContents(r.prefix.root()), halfway);
    (void)!::write(go[1], &c, 1);
    int status = -1;
    ASSERT_EQ(::waitpid(other, &status, 0), other);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    for (int fd : {ready[0], ready[1], go[0], go[1]})
        ::close(fd);
    EXPECT_EQ(r.tree("plug_ins").keys(), QStringList({"EWH32.api", "EWH32.ini", "search.api"}));

    // The lock went with the process: this one's turn now.
    qv::resetRegistryCache();
    EXPECT_EQ(restoreAll(r).outcome, qv::OperationReport::Completed);
}

TEST_F(Faults, EachStepLeftUndoneIsNamedAndTheRestIsDone)
{
    // A step that fails while the run goes on: the report names it and is
    // no "completed", and everything else the run does is done.
    struct Case
    {
        const char *what;
        bool restoring;
        int diskKib; // the prefix on a small disk of this size (plug-ins of 40 KiB), or 0
        // Makes the fault (null when it cannot be made here); may set hooks.
        std::function<std::shared_ptr<void>(Reader9 &, qv::OperationHooks &, faults::SmallDisk *)> fault;
        QString notDone; // begins the line of the report ("<prefix>" its folder)
        std::function<void(const Reader9 &)> rest; // what was done all the same
    };
    auto readOnly = [](const QString &folder) -> std::shared_ptr<void> {
        auto m = std::make_shared<faults::ReadOnlyMount>(folder);
        return m->ok() ? m : nullptr;
    };
    const QString shortcut = "C:\\Desktop\\AcroRd32.lnk";
    const std::vector<Case> cases = {
        {"EWH32 lost from plug_ins, not copied back to a full disk", false, 1400,
         [](Reader9 &r, qv::OperationHooks &hooks, faults::SmallDisk *disk) {
             EXPECT_EQ(optimizeAll(r).outcome, qv::OperationReport::Completed);
             QFile::remove(r.host("plug_ins/EWH32.api"));
             QFile::remove(r.host("plug_ins/EWH32.ini"));
             hooks.stepDone = [disk](const char *step) {
                 if (!strcmp(step, "registry"))
                     disk->fill();
             };
             return std::make_shared<int>(0);
         },
         "C:\\Program Files\\Adobe\\Reader 9.0\\Reader\\plug_ins\\EWH32.api: could not be copied back",
         [](const Reader9 &r) { EXPECT_EQ(r.tree("plug_ins").keys(), QStringList({"search.api"})); }},
        {"the desktop shortcut, on a read-only desktop", true, 0,
         [&](Reader9 &r, qv::OperationHooks &, faults::SmallDisk *) {
             EXPECT_EQ(optimizeAll(r).outcome, qv::OperationReport::Completed);
             return readOnly(r.prefix.host("C:\\Desktop"));
         },
         "C:\\Desktop\\AcroRd32.lnk: the shortcut could not be written",
         [](const Reader9 &r) { EXPECT_EQ(r.tree("plug_ins").keys(), r.tree("Optional").keys()); }},
        {"the shortcut's launcher, with a folder in its place", true, 0,
         [&](Reader9 &r, qv::OperationHooks &, faults::SmallDisk *) {
             EXPECT_EQ(optimizeAll(r).outcome, qv::OperationReport::Completed);
             return std::make_shared<QString>(r.prefix.mkdir("C:\\Desktop\\AcroRd32.desktop"));
         },
         "<prefix>/drive_c/Desktop/AcroRd32.desktop: the launcher of the shortcut could not be written",
         [&](const Reader9 &r) {
             EXPECT_TRUE(QFile::exists(r.prefix.host(shortcut)));
             EXPECT_EQ(r.tree("plug_ins").keys(), r.tree("Optional").keys());
         }},
        {"a registry key that cannot be opened (a name with an empty part)", false, 0,
         [](Reader9 &r, qv::OperationHooks &, faults::SmallDisk *) {
             r.reader.version = "9.0\\\\Bad";
             return std::make_shared<int>(0);
         },
         "HKEY_CURRENT_USER\\SOFTWARE\\Adobe\\Acrobat Reader\\9.0\\\\Bad\\AVAlert\\cCheckbox: the key could not be opened",
         [](const Reader9 &r) {
             EXPECT_EQ(r.tree("plug_ins").keys(), QStringList({"EWH32.api", "EWH32.ini", "search.api"}));
             EXPECT_FALSE(QFile::exists(r.prefix.host("C:\\Programs\\PrintMe Internet Printing")));
         }},
    };
    QStringList notMade;
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        std::optional<faults::SmallDisk> disk;
        if (c.diskKib)
            disk.emplace(c.diskKib);
        Reader9 r(disk ? disk->path() : QString(), disk ? 40 * 1024 : 64);
        qv::OperationHooks hooks;
        const std::shared_ptr<void> fault = disk && !disk->ok() ? nullptr : c.fault(r, hooks, disk ? &*disk : nullptr);
        if (!fault) {
            notMade << c.what;
            continue;
        }
        const qv::OperationReport report = c.restoring ? restoreAll(r, hooks) : optimizeAll(r, hooks);
        EXPECT_EQ(report.outcome, qv::OperationReport::Incomplete) << report.error.toStdString();
        EXPECT_TRUE(report.closingQuestion.isEmpty());
        EXPECT_TRUE(report.error.startsWith(QString(c.restoring ? "Restoration" : "Optimization")
                                            + " was not completed. Not done:\n- "
                                            + QString(c.notDone).replace("<prefix>", r.prefix.root())))
            << report.error.toStdString();
        EXPECT_FALSE(report.memo.join('\n').contains("Completed")) << report.memo.join('\n').toStdString();
        c.rest(r);
    }
    if (!notMade.isEmpty())
        GTEST_SKIP() << "not made: " << notMade.join(", ").toStdString() << "; " << faults::privateMounts().toStdString();
}
