// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvane developers
// quorvane-cli as a script runs it: on the sample prefix and on small ones,
// judged by its exit code, its output and the bytes it leaves.

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>
#include <optional>

#include "platform/operationlock.h"
#include "platform/test_processes_fake.h"
#include "support/demoprefix.h"
#include "support/faults.h"
#include "support/lockholder.h"
#include "support/tempdir.h"
#include "support/testprefix.h"

namespace {

const QString kReader = "C:\\Program Files\\Adobe\\Reader 9.0\\Reader";

struct SamplePrefix : ::testing::Test
{
    TempDir tmp;
    QString root;

    void SetUp() override
    {
        root = tmp.file("prefix");
        const QString problem = makeDemoPrefix(root);
        ASSERT_TRUE(problem.isEmpty()) << problem.toStdString();
    }
    CliResult cli(const QStringList &arguments) const
    {
        return runCli(QStringList{"--prefix", root} + arguments, tmp.file("data"));
    }
    QJsonObject reader() const
    {
        const CliResult r = cli({"status", "--json"});
        EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
        return QJsonDocument::fromJson(r.out.toUtf8()).object().value("reader").toObject();
    }
    QMap<QString, QByteArray> plugIns() const
    {
        return treeContents(root + "/drive_c/Program Files/Adobe/Reader 9.0/Reader/plug_ins");
    }
};

// What an optimize leaves that a user could meet: every file below drive_c
// ("f:" and its path) and every value below the Reader's version key in the
// two hives ("u:" user.reg, "m:" system.reg, then the key in lower case and
// the value name), each read from the bytes on disk.
QMap<QString, QByteArray> endState(const QString &prefix)
{
    QMap<QString, QByteArray> state;
    const auto files = treeContents(prefix + "/drive_c");
    for (auto it = files.cbegin(); it != files.cend(); ++it)
        state.insert("f:" + it.key(), it.value());
    const QByteArray readerKey = "software\\\\adobe\\\\acrobat reader\\\\9.0\\\\";
    for (const auto &[hive, tag] : {std::pair{"user.reg", "u:"}, {"system.reg", "m:"}}) {
        QFile file(prefix + "/" + hive);
        EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << hive;
        QString key;
        for (const QByteArray &line : file.readAll().split('\n')) {
            if (line.startsWith('[')) {
                const QByteArray name = line.mid(1, line.indexOf(']') - 1).toLower();
                key = name.startsWith(readerKey) ? QString::fromUtf8(name.mid(readerKey.size())).replace("\\\\", "\\")
                                                 : QString();
            } else if (!key.isEmpty() && line.startsWith('"')) {
                const qsizetype end = line.indexOf("\"=");
                state.insert(tag + key + ":" + QString::fromUtf8(line.mid(1, end - 1)), line.mid(end + 2));
            }
        }
    }
    return state;
}

QStringList strings(const QJsonValue &array)
{
    QStringList out;
    for (const QJsonValue &v : array.toArray())
        out << v.toString();
    return out;
}

} // namespace

TEST_F(SamplePrefix, StatusJsonDescribesReaderNine)
{
    const CliResult r = cli({"status", "--json"});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_TRUE(r.err.isEmpty()) << r.err.toStdString();
    const QJsonObject all = QJsonDocument::fromJson(r.out.toUtf8()).object();
    EXPECT_EQ(all.value("prefix").toString(), root);
    const QJsonObject reader = all.value("reader").toObject();
    EXPECT_EQ(reader.value("version").toString(), "9.0");
    EXPECT_EQ(reader.value("folder").toString(), kReader);
    EXPECT_EQ(reader.value("optimized"), QJsonValue(false));
    const QStringList loaded = strings(reader.value("loaded"));
    EXPECT_EQ(loaded.size(), 24);
    EXPECT_TRUE(loaded.contains("EWH32.api") && loaded.contains("Multimedia\\MMPlayer.api"));
    EXPECT_TRUE(strings(reader.value("not_loaded")).isEmpty());
    EXPECT_EQ(reader.value("preferences").toObject().value("Updater\\iUpdateFrequency"), QJsonValue(3));
}

TEST_F(SamplePrefix, DryRunChangesNoByteAndRestoreBringsEveryPlugInBack)
{
    const auto prefixBefore = treeContents(root);
    const auto plugInsBefore = plugIns();

    for (const QStringList &dry : {QStringList{"optimize", "--dry-run"}, QStringList{"restore", "--dry-run"}}) {
        const CliResult r = cli(dry);
        EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
        EXPECT_EQ(treeContents(root), prefixBefore) << dry.join(' ').toStdString();
    }
    const CliResult planned = cli({"optimize", "--dry-run", "--keep", "annots"});
    EXPECT_TRUE(planned.out.contains("Delete \"" + kReader + "\\plug_ins\\eBook.api\"")) << planned.out.toStdString();
    EXPECT_FALSE(planned.out.contains("\\plug_ins\\Annots.api\""));

    const CliResult optimized = cli({"optimize", "--keep", "annots"});
    ASSERT_EQ(optimized.exitCode, 0) << optimized.err.toStdString();
    EXPECT_TRUE(optimized.out.startsWith("Copy files and backup original settings ...\n"));
    QJsonObject reader = this->reader();
    EXPECT_EQ(reader.value("optimized"), QJsonValue(true));
    EXPECT_EQ(strings(reader.value("loaded")), QStringList({"Annots.api", "EWH32.api", "search.api"}));
    EXPECT_EQ(strings(reader.value("not_loaded")).size(), 21);

    const CliResult restored = cli({"restore"});
    ASSERT_EQ(restored.exitCode, 0) << restored.err.toStdString();
    EXPECT_EQ(plugIns(), plugInsBefore);
    EXPECT_EQ(this->reader().value("optimized"), QJsonValue(false));
    EXPECT_EQ(cli({"restore"}).out, "Nothing to restore!\n");
}

// Plug-in names are the prefix's: an escape sequence in one is printed
// visibly, never obeyed by the terminal, and a name that is no UTF-8 is
// shown with U+FFFD, its file moved and brought back under its own bytes.
TEST_F(SamplePrefix, PlugInNamesReachTheTerminalVisiblyAndTheirBytesSurvive)
{
    const QByteArray folder = QFile::encodeName(root + "/drive_c/Program Files/Adobe/Reader 9.0/Reader/plug_ins/");
    for (const QByteArray &name : {QByteArray("Title\x1b]0;owned\x07.api"), QByteArray("Bad\xff.api")}) {
        const int fd = ::open((folder + name).constData(), O_WRONLY | O_CREAT | O_EXCL, 0644);
        ASSERT_GE(fd, 0) << name.toStdString();
        ASSERT_EQ(::write(fd, name.constData(), size_t(name.size())), name.size());
        ::close(fd);
    }
    const auto before = plugIns();
    const CliResult status = cli({"status"});
    ASSERT_EQ(status.exitCode, 0) << status.err.toStdString();
    EXPECT_TRUE(status.out.contains("  Title\\x1B]0;owned\\x07.api\n")) << status.out.toStdString();
    EXPECT_TRUE(status.out.contains(QString("  Bad") + QChar(0xFFFD) + ".api\n")) << status.out.toStdString();
    EXPECT_FALSE(status.out.contains(QChar(0x1B)));

    const CliResult optimized = cli({"optimize"});
    ASSERT_EQ(optimized.exitCode, 0) << optimized.err.toStdString();
    EXPECT_FALSE(optimized.out.contains(QChar(0x1B)) || optimized.out.contains(QChar(0x07)));
    ASSERT_EQ(cli({"restore"}).exitCode, 0);
    EXPECT_EQ(plugIns(), before);
}

TEST_F(SamplePrefix, ARunningReaderIsNamedAndEndedOnlyWhenAsked)
{
    FakeProcess reader((kReader + "\\AcroRd32.exe").toStdString(), root.toStdString());
    ASSERT_GT(reader.pid(), 0);
    const auto before = treeContents(root);

    const CliResult refused = cli({"optimize"});
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_TRUE(refused.err.contains(QString("AcroRd32.exe, process %1").arg(reader.pid()))) << refused.err.toStdString();
    EXPECT_TRUE(refused.err.contains("--end-reader"));
    EXPECT_EQ(treeContents(root), before);
    EXPECT_FALSE(reader.ended());

    const CliResult ended = cli({"--end-reader", "optimize"});
    EXPECT_EQ(ended.exitCode, 0) << ended.err.toStdString();
    EXPECT_TRUE(reader.ended());
}

TEST_F(SamplePrefix, EachKeepOptionLeavesWhatItsBoxLeaves)
{
    // What each option leaves unlike a plain optimize: values it writes, and
    // what stays as it was before (files and values matching the pattern).
    struct Keep
    {
        const char *option;
        QMap<QString, QByteArray> writes;
        const char *asBefore;
    };
    const QString reader = "f:Program Files/Adobe/Reader 9.0/Reader/";
    const std::vector<Keep> keeps = {
        {"--keep-splash", {{"u:originals:bDisplayAboutDialog", "dword:00000001"}}, ""},
        {"--keep-ads", {{"u:adsinreader:bShowAds", "dword:00000001"}}, "^u:featurelockdown:bUpdater$"},
        {"--keep-updates",
         {{"u:updater:iUpdateFrequency", "dword:00000001"},
          {"u:updater:bShowAutoUpdateConfDialog", "dword:00000001"},
          {"u:updater:bShowNotifDialog", "dword:00000001"}},
         "^u:featurelockdown:bShowAdsAllow$"},
        // The eBook plug-in's files still leave, unloaded with the others.
        {"--keep-ebooks", {}, "/My eBook/"},
        {"--keep-printme", {}, "/PrintMe Internet Printing/"},
        {"--keep-reader-icon", {}, "/Adobe Reader 9\\.0\\.lnk$"},
        {"--keep-connection-speed", {{"m:avgeneral:iConnectionSpeed", "dword:000186a0"}}, ""},
        {"--keep-browser-integration",
         {{"u:originals:bBrowserCheck", "dword:00000001"}, {"u:originals:bBrowserIntegration", "dword:00000001"}}, ""},
        {"--keep-exit-confirmation", {{"u:avalert\\ccheckbox:iexitWithExternalDocsOpen", "dword:00000000"}}, ""},
        {"--keep-recent-files", {}, "^u:avgeneral\\\\crecentfiles\\\\"},
        {"--keep-plugins", {}, "/plug_ins/(?!eBook\\.)"},
    };
    const auto before = endState(root);
    ASSERT_EQ(cli({"optimize"}).exitCode, 0);
    const auto optimized = endState(root);
    ASSERT_NE(optimized, before);
    int n = 0;
    for (const Keep &keep : keeps) {
        const QString prefix = tmp.file(QString("keep-%1").arg(++n));
        ASSERT_TRUE(makeDemoPrefix(prefix).isEmpty());
        const CliResult r = runCli({"--prefix", prefix, "optimize", keep.option}, tmp.file("data"));
        EXPECT_EQ(r.exitCode, 0) << keep.option << ": " << r.err.toStdString();

        QMap<QString, QByteArray> expected = optimized;
        const QRegularExpression asBefore(QString::fromUtf8(keep.asBefore));
        for (const QString &item : QStringList(before.keys()) + optimized.keys()) {
            if (*keep.asBefore == 0 || !asBefore.match(item).hasMatch())
                continue;
            if (before.contains(item))
                expected.insert(item, before.value(item));
            else
                expected.remove(item);
        }
        for (auto it = keep.writes.cbegin(); it != keep.writes.cend(); ++it) {
            EXPECT_NE(optimized.value(it.key()), it.value()) << keep.option << ": " << it.key().toStdString();
            expected.insert(it.key(), it.value());
        }
        const auto got = endState(prefix);
        QStringList differences;
        for (const QString &item : QStringList(got.keys()) + expected.keys())
            if (got.value(item, "(none)") != expected.value(item, "(none)") && !differences.contains(item))
                differences << item + ": " + got.value(item, "(none)").left(20).toHex() + " instead of "
                        + expected.value(item, "(none)").left(20).toHex();
        EXPECT_TRUE(differences.isEmpty()) << keep.option << ":\n" << differences.join('\n').toStdString();
    }
}

TEST_F(SamplePrefix, ThePrefixNamedOnTheCommandLineWinsOverWineprefix)
{
    const QString other = tmp.file("other");
    ASSERT_TRUE(makeDemoPrefix(other).isEmpty());
    const auto untouched = treeContents(other);
    qputenv("WINEPREFIX", QFile::encodeName(other));
    const CliResult status = runCli({"status", "--json"});
    const CliResult optimized = cli({"optimize"});
    qunsetenv("WINEPREFIX");
    EXPECT_EQ(QJsonDocument::fromJson(status.out.toUtf8()).object().value("prefix").toString(), other);
    ASSERT_EQ(optimized.exitCode, 0) << optimized.err.toStdString();
    EXPECT_EQ(treeContents(other), untouched);
    EXPECT_EQ(plugIns().keys(), QStringList({"EWH32.api", "EWH32.dat", "EWH32.ini", "search.api", "search.dat",
                                             "search.ini"}));
}

TEST(CommandLine, UsageErrorsAndMissingAnswersHaveTheirExitCodes)
{
    TestPrefix prefix;
    prefix.writeHive("system.reg", HiveText()
                                       .key("Software\\Adobe\\Acrobat Reader\\6.0\\InstallPath").str("", "C:\\A6")
                                       .key("Software\\Adobe\\Acrobat Reader\\7.0\\AVGeneral").dword("x", 1));
    const QStringList at = {"--prefix", prefix.root()};
    for (const QStringList &usage : {QStringList{}, QStringList{"frob"}, QStringList{"status", "--frob"},
                                     QStringList{"status", "extra"}, QStringList{"restore", "--keep", "X"}}) {
        const CliResult r = runCli(at + usage);
        EXPECT_EQ(r.exitCode, 2) << usage.join(' ').toStdString();
        EXPECT_TRUE(r.err.contains("--help")) << r.err.toStdString();
    }
    const CliResult help = runCli({"--help"});
    EXPECT_EQ(help.exitCode, 0);
    for (const char *documented : {"status", "optimize", "restore", "--prefix", "--reader-version", "--reader-folder",
                                   "--end-reader", "--json", "--dry-run", "--keep NAME", "--keep-plugins"})
        EXPECT_TRUE(help.out.contains(documented)) << documented;

    // Two versions: the one to work on must be named, and must be installed.
    CliResult r = runCli(at + QStringList{"status"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.err.contains("6.0, 7.0") && r.err.contains("--reader-version")) << r.err.toStdString();
    EXPECT_EQ(runCli(at + QStringList{"--reader-version", "8.0", "status"}).exitCode, 1);
    r = runCli(at + QStringList{"status", "--reader-version", "6.0"});
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    // 7.0 has no folder in the registry: the folder must be given, and exist for an operation.
    r = runCli(at + QStringList{"--reader-version", "7.0", "optimize"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.err.contains("--reader-folder")) << r.err.toStdString();
    r = runCli(at + QStringList{"--reader-version", "7.0", "--reader-folder", "C:\\A7", "optimize"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.err.contains("\"C:\\A7\" does not exist")) << r.err.toStdString();

    r = runCli({"--prefix", prefix.root() + "/nowhere", "status"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.err.contains("--prefix")) << r.err.toStdString();
}

TEST_F(SamplePrefix, SharesTheWindowsLockAndExitsOneForWorkNotDone)
{
    // Another Quorvane (the window, say) at work on this prefix.
    {
        LockHolder window(qv::OperationLock::fileFor(root), LockHolder::Flock);
        ASSERT_TRUE(window.ok());
        const auto before = treeContents(root);
        const CliResult refused = cli({"optimize"});
        EXPECT_EQ(refused.exitCode, 1);
        EXPECT_TRUE(refused.err.contains("Another Quorvane is working on this prefix")) << refused.err.toStdString();
        EXPECT_EQ(treeContents(root), before);
    }

    // A plug-in that cannot leave its folder: everything else is done, and
    // the run is not called done.
    const QString sub = root + "/drive_c/Program Files/Adobe/Reader 9.0/Reader/plug_ins/Stuck";
    ASSERT_TRUE(QDir().mkpath(sub));
    QFile plugIn(sub + "/stuck.api");
    ASSERT_TRUE(plugIn.open(QIODevice::WriteOnly) && plugIn.write("stuck") == 5);
    plugIn.close();
    std::optional<faults::ReadOnlyMount> stuck(sub);
    if (!stuck->ok())
        GTEST_SKIP() << stuck->why().toStdString();
    const CliResult partly = cli({"optimize"});
    stuck.reset();
    EXPECT_EQ(partly.exitCode, 1);
    EXPECT_TRUE(partly.err.contains("Optimization was not completed. Not done:")) << partly.err.toStdString();
    EXPECT_TRUE(partly.err.contains("plug_ins\\Stuck\\stuck.api: could not be removed")) << partly.err.toStdString();
    EXPECT_FALSE(partly.out.contains("Optimization Completed.")) << partly.out.toStdString();
    EXPECT_FALSE(plugIns().contains("Annots.api"));

    const CliResult again = cli({"optimize"});
    EXPECT_EQ(again.exitCode, 0) << again.err.toStdString();
    EXPECT_FALSE(plugIns().contains("Stuck/stuck.api"));
}
