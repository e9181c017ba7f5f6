// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvane developers
// quorvane-cli on Reader XI and DC as their installers leave a prefix, 32-
// and 64-bit: the generation named, the documented values written, the
// updater stopped, a second Optimize idle, and Restore giving back what was.

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <gtest/gtest.h>
#include <algorithm>
#include <set>

#include "support/fleet.h"
#include "support/tempdir.h"
#include "support/testprefix.h"
#include "support/todayprefix.h"

namespace {

struct Sample
{
    TempDir tmp;
    QString root;

    explicit Sample(const QStringList &options) : root(tmp.file("prefix"))
    {
        const QString problem = makeDemoPrefix(root, options);
        EXPECT_TRUE(problem.isEmpty()) << problem.toStdString();
    }
    CliResult cli(const QStringList &arguments) const
    {
        return runCli(QStringList{"--prefix", root} + arguments, tmp.file("data"));
    }
    QString hive(const char *name) const { return root + "/" + name; }
    // A run with --json, its output kept for the schema's check; the kinds
    // of its changes, and whether it says it changed anything.
    QStringList printed;
    std::pair<std::set<QString>, bool> json(const QStringList &arguments)
    {
        const CliResult r = cli(arguments + QStringList{"--json"});
        EXPECT_EQ(r.exitCode, 0) << r.err.toStdString() << r.out.toStdString();
        printed << tmp.write(QString("%1.json").arg(printed.size()), r.out.toUtf8());
        const QJsonObject o = QJsonDocument::fromJson(r.out.toUtf8()).object();
        std::set<QString> kinds;
        for (const QJsonValue &c : o.value("changes").toArray())
            kinds.insert(c.toObject().value("kind").toString());
        return {kinds, o.value("changed").toBool()};
    }
    QString host(const QString &windowsPath) const
    {
        return root + "/drive_c/" + QString(windowsPath).mid(3).replace('\\', '/');
    }
    // The safety copy below drive_c: it stays after Restore.
    QString optional(const TodayReader &r) const { return host(r.folder + "\\Optional").mid(root.size() + 9); }
    // drive_c, hashed; the safety copy listed but not entered.
    TreeListing files(const TodayReader &r) const
    {
        return TreeListing::of(root + "/drive_c", TreeListing::Detail::Content, {optional(r).toUtf8()});
    }
};

} // namespace

TEST(TodaysReaders, OptimizeWritesTheDocumentedValuesOnceAndRestoreGivesBackWhatWasThere)
{
    QString unchecked; // why the schema could not be checked
    for (const TodayReader &r : todayReaders()) {
        SCOPED_TRACE(r.name());
        Sample s(r.makeOptions());
        const QString system = s.hive("system.reg"), user = s.hive("user.reg");

        const CliResult status = s.cli({"status"});
        EXPECT_TRUE(status.out.contains("\nGeneration:    " + r.generation + "\n")) << status.out.toStdString();
        const QJsonObject json = QJsonDocument::fromJson(s.cli({"status", "--json"}).out.toUtf8()).object();
        EXPECT_EQ(json.value("reader").toObject().value("generation").toString(), r.generation);
        EXPECT_EQ(json.value("reader").toObject().value("folder").toString(), r.folder);

        const QByteArray hivesBefore = hivesWithout(s.root);
        const QByteArray hivesBeforeButRecent = hivesWithout(s.root, r.userKey() + "\\AVGeneral\\cRecentFiles");
        const TreeListing filesBefore = s.files(r);
        const auto bytesBefore = treeContents(s.root);

        // The plan names what this generation gets, and changes nothing.
        const CliResult plan = s.cli({"optimize", "--dry-run"});
        EXPECT_EQ(plan.exitCode, 0) << plan.err.toStdString();
        for (const QString &line :
             QStringList{"Set HKEY_LOCAL_MACHINE\\SOFTWARE\\Policies\\Adobe\\Acrobat Reader\\" + r.version
                  + "\\FeatureLockDown\\bProtectedMode = 0",
              "Delete HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run\\Adobe ARM"})
            EXPECT_TRUE(plan.out.contains(line)) << line.toStdString() << "\n" << plan.out.toStdString();
        EXPECT_EQ(treeContents(s.root), bytesBefore);

        // A first Optimize that leaves the updater's start alone, then one
        // that stops it: the record keeps what the first found.
        const CliResult first = s.cli({"optimize", "--keep-updater-startup"});
        ASSERT_EQ(first.exitCode, 0) << first.err.toStdString() << first.out.toStdString();
        EXPECT_TRUE(first.out.contains("does not work under Wine")) << first.out.toStdString();
        EXPECT_EQ(hiveNumber(system, r.serviceKey(), "Start"), 2);
        EXPECT_TRUE(hiveValue(system, r.runKey(), "Adobe ARM").has_value());
        const auto second = s.json({"optimize"});
        const std::set<QString> stopped{"delete_value", "write_value"}; // the Run entry, the service
        EXPECT_TRUE(std::includes(second.first.begin(), second.first.end(), stopped.begin(), stopped.end()));

        const struct
        {
            QString hive, key, name;
            int64_t number; // -1: none
        } values[] = {
            {system, r.policies(), "bProtectedMode", 0},
            {system, r.policies(), "bUpdater", 0},
            {system, r.policies(), "bUsageMeasurement", 0},
            {system, r.policies(), "bIsSCReducedModeEnforcedEx", 1}, // the installer's own stays
            {system, r.policies() + "\\cIPM", "bShowMsgAtLaunch", 0},
            {system, r.policies() + "\\cServices", "bUpdater", r.embeddedBrowser ? 0 : -1},
            {system, r.serviceKey(), "Start", 4},
            {user, r.userKey() + "\\Privileged", "bProtectedMode", 0},
        };
        for (const auto &v : values)
            EXPECT_EQ(hiveNumber(v.hive, v.key, v.name), v.number) << v.key.toStdString() << "\\" << v.name.toStdString();
        EXPECT_FALSE(hiveValue(system, r.runKey(), "Adobe ARM").has_value());
        EXPECT_FALSE(qv::Hive::load(user)->keyExists((r.userKey() + "\\AVGeneral\\cRecentFiles").split('\\')));
        QStringList helpers = {r.armFolder() + "\\AdobeARM.exe", r.armFolder() + "\\armsvc.exe"};
        if (r.embeddedBrowser)
            helpers << r.folder + "\\AcroCEF\\RdrCEF.exe";
        for (const QString &helper : helpers)
            EXPECT_FALSE(QFile::exists(s.host(helper))) << helper.toStdString();

        const auto optimized = treeContents(s.root);
        EXPECT_EQ(s.json({"optimize"}), std::make_pair(std::set<QString>{}, false));
        EXPECT_EQ(treeContents(s.root), optimized) << "a second Optimize changed bytes";

        const auto restored = s.json({"restore"});
        EXPECT_TRUE(restored.second);
        for (const char *kind : {"put_back_value", "bring_back"})
            EXPECT_TRUE(restored.first.count(kind)) << kind;
        s.json({"status"});
        const CliResult valid =
            fleetCheck(QStringList{"validate", sourceDir() + "/share/schema/quorvane-cli.schema.json"} + s.printed);
        if (valid.exitCode == 77)
            unchecked = valid.out.trimmed();
        else
            EXPECT_EQ(valid.exitCode, 0) << valid.out.toStdString() << valid.err.toStdString();
        EXPECT_EQ(hivesWithout(s.root, r.userKey() + "\\AVGeneral\\cRecentFiles"), hivesBeforeButRecent);
        EXPECT_NE(hivesWithout(s.root), hivesBefore); // the recent list stays cleared
        EXPECT_EQ(filesBefore.changesTo(s.files(r)), QStringList{"+ " + s.optional(r)});
    }
    if (!unchecked.isEmpty())
        GTEST_SKIP() << "every check but the schema's ran; " << unchecked.toStdString();
}

// Which plug-ins Reader X and later start without is not published: one
// leaves only when named, and each generation's option is refused for the
// other, naming the one that fits.
TEST(TodaysReaders, PlugInsLeaveOnlyWhenNamedAndTheOtherGenerationsOptionIsAUsageError)
{
    const QString dcPlugIns = "C:\\Program Files\\Adobe\\Acrobat Reader DC\\Reader\\plug_ins";
    const struct
    {
        QStringList make, arguments;
        int exitCode;
        QStringList says;
        QString gone; // a file the run takes out of plug_ins
    } cases[] = {
        {{}, {"optimize", "--unload", "Annots"}, 2, {"--unload is for Reader X and later", "--keep NAME"}, {}},
        {{"--reader", "dc"}, {"optimize", "--keep", "Annots"}, 2, {"--keep is for Reader 5 to 9", "--unload NAME"}, {}},
        {{"--reader", "xi"}, {"optimize", "--unload", "NoSuch"}, 1, {"No plug-in \"NoSuch\" is loaded", "Annots.api"}, {}},
        {{"--reader", "dc"}, {"optimize"}, 0, {"No plug-in unloaded: which ones Adobe Reader DC can start without"}, {}},
        {{"--reader", "dc"}, {"optimize", "--unload", "annots", "--unload", "weblink.API"}, 0, {},
         dcPlugIns + "\\weblink.api"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.arguments.join(' ').toStdString());
        Sample s(c.make);
        const auto before = treeContents(s.root);
        const CliResult r = s.cli(c.arguments);
        EXPECT_EQ(r.exitCode, c.exitCode) << r.err.toStdString();
        for (const QString &text : c.says)
            EXPECT_TRUE((r.out + r.err).contains(text)) << text.toStdString() << "\n" << (r.out + r.err).toStdString();
        if (c.exitCode != 0) {
            EXPECT_EQ(treeContents(s.root), before);
        }
        const QStringList plugIns = treeContents(s.host(dcPlugIns)).keys();
        if (!c.gone.isEmpty()) {
            EXPECT_EQ(plugIns.size(), 13) << plugIns.join(' ').toStdString();
            EXPECT_FALSE(plugIns.contains("Annots.api"));
            EXPECT_FALSE(QFile::exists(s.host(c.gone)));
        } else if (c.make.contains("dc")) {
            EXPECT_EQ(plugIns.size(), 15);
        }
    }
}
