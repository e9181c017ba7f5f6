// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvane developers

// Prefixes made to do harm: each case plants one attack in a throwaway
// prefix and home, runs an ordinary Optimize, Restore or start of Reader,
// and checks that nothing outside the prefix changed, that nothing the
// prefix names ran, that no process but ours was ended, that every plug-in
// is intact, and that the message names the cause.

#include <QDirIterator>
#include <QProcess>
#include <fcntl.h>
#include <functional>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "platform/wine/winestart.h"
#include "support/hostilehome.h"

namespace {

enum class Op { Optimize, Restore, OptimizeThenRestore, StartReader };

struct Attack
{
    const char *name;
    // Run on a prefix Optimize has already been through (so that Restore has work).
    bool optimizedFirst;
    std::function<void(HostileHome &)> plant;
    Op op;
    // A part of the message (the error, or why something was not done); empty when the case is to succeed quietly.
    const char *message;
};

// What went wrong, as the user is told: the error and what was not done
// (not what there was nothing to do about).
QString messages(const qv::OperationReport &r)
{
    QString all = r.error;
    for (const qv::NotDone &n : r.notDone)
        if (n.failed)
            all += '\n' + n.what + ": " + n.why;
    return all;
}

// The bottle (the home is Bottles' layout) pins a runner; a program named
// wine that the prefix ships (at drive_c/x) would leave ~/ran if it ran.
void pinRunner(HostileHome &h, const QString &runner)
{
    const QString rel = QDir(h.home.path()).relativeFilePath(h.prefix->root());
    h.marker(rel + "/drive_c/x/bin/wine");
    h.home.write(rel + "/bottle.yml", "Name: B\nRunner: " + runner.toUtf8() + "\n");
    qv::resetRegistryCache();
}
QString climbingRunner(const HostileHome &h)
{
    return "../bottles/" + QFileInfo(h.prefix->root()).fileName() + "/drive_c/x";
}

const Attack kAttacks[] = {
    {"AVersionKeyThatAddsAnExecLine", true,
     [](HostileHome &h) { h.reader.version = "9.0\nExec=sh -c \"echo x >> $HOME/ran\""; }, Op::Restore,
     "control character"},
    {"ADesktopShellFolderThroughZIntoAutostart", true,
     [](HostileHome &h) {
         QString autostart = "Z:" + h.home.file(".config/autostart");
         autostart.replace('/', '\\');
         h.prefix->writeHive("user.reg", HiveText()
                                             .key("Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders")
                                             .str("Desktop", autostart));
     },
     Op::Restore, "neither in the prefix's drive C:"},
    {"ALauncherPlantedAsALinkToBashrc", true,
     [](HostileHome &h) { h.plantLink(HostileHome::kDesktop + "\\AcroRd32.desktop", h.home.file(".bashrc")); },
     Op::Restore, ""},
    {"AShortcutPlantedAsALinkToBashrc", true,
     [](HostileHome &h) { h.plantLink(HostileHome::kDesktop + "\\AcroRd32.lnk", h.home.file(".bashrc")); },
     Op::Restore, ""},
    {"TheMarkerPlantedAsALinkToAuthorizedKeys", false,
     [](HostileHome &h) {
         h.plantLink(HostileHome::kFolder + "\\Wexmor.DAT", h.home.file(".ssh/authorized_keys"));
     },
     Op::Optimize, "a symbolic link stands in its place"},
    {"TheRegistryLockPlantedAsALinkOutOfThePrefix", false,
     [](HostileHome &h) { QFile::link(h.home.file("made-through-lock"), h.prefix->root() + "/.quorvane-registry.lock"); },
     Op::Optimize, ""},
    {"OptionalIsALinkToAutostart", false,
     [](HostileHome &h) { h.plantLink(HostileHome::kFolder + "\\Optional", h.home.file(".config/autostart")); },
     Op::Optimize, "is a symbolic link"},
    {"PlugInsIsALinkToAFolderOfTheUsers", false,
     [](HostileHome &h) {
         QDir().rename(h.readerHost("plug_ins"), h.home.file("work/plug_ins"));
         h.plantLink(HostileHome::kFolder + "\\plug_ins", h.home.file("work/plug_ins"));
     },
     Op::Optimize, "is a symbolic link"},
    {"ALinkInsidePlugInsToAFolderOutside", false,
     [](HostileHome &h) { QFile::link(h.home.file("outside/big"), h.readerHost("plug_ins") + "/Linked"); },
     Op::OptimizeThenRestore, ""},
    {"ALinkInsidePlugInsToTheRoot", false,
     [](HostileHome &h) { QFile::link("/", h.readerHost("plug_ins") + "/Root"); }, Op::OptimizeThenRestore, ""},
    {"SystemRegIsALinkToDevZero", false,
     [](HostileHome &h) {
         QFile::remove(h.prefix->root() + "/system.reg");
         QFile::link("/dev/zero", h.prefix->root() + "/system.reg");
         qv::resetRegistryCache();
     },
     Op::Optimize, "symbolic link to \"/dev/zero\", outside the prefix"},
    {"SystemRegIsAFifo", false,
     [](HostileHome &h) {
         QFile::remove(h.prefix->root() + "/system.reg");
         ::mkfifo(QFile::encodeName(h.prefix->root() + "/system.reg").constData(), 0644);
         qv::resetRegistryCache();
     },
     Op::Optimize, "is not a regular file"},
    {"UserRegCutShortInADword", false,
     [](HostileHome &h) {
         QByteArray reg = h.prefix->readHive("user.reg");
         reg += "\n[Software\\\\Adobe\\\\Acrobat Reader\\\\9.0\\\\AdobeViewer] 1700000000\n\"1001\"=dword:00000";
         h.prefix->writeHiveRaw("user.reg", reg);
     },
     Op::Optimize, "cut short"},
    {"APlugInNamedWithBytesThatAreNoUtf8", false,
     [](HostileHome &h) {
         const QByteArray name = QFile::encodeName(h.readerHost("plug_ins")) + "/Bad\xff\xfe.api";
         const int fd = ::open(name.constData(), O_WRONLY | O_CREAT | O_EXCL, 0644);
         ASSERT_GE(fd, 0);
         ASSERT_EQ(::write(fd, "bad", 3), 3);
         ::close(fd);
     },
     Op::OptimizeThenRestore, ""},
    {"ARunnerThatClimbsOutOfTheRunnersFolder", false,
     [](HostileHome &h) { pinRunner(h, climbingRunner(h)); },
     Op::StartReader, "outside the runners folder of Bottles"},
    {"ARunnerThatIsALinkIntoThePrefix", false,
     [](HostileHome &h) {
         QDir().mkpath(h.home.file(".local/share/bottles/runners"));
         QFile::link(h.prefix->root() + "/drive_c/x", h.home.file(".local/share/bottles/runners/soda-9"));
         pinRunner(h, "soda-9");
     },
     Op::StartReader, "outside the runners folder of Bottles"},
    {"ARunnerTheLauncherWouldStart", true,
     [](HostileHome &h) { pinRunner(h, climbingRunner(h)); },
     Op::Restore, "outside the runners folder of Bottles"},
};

void PrintTo(const Attack &attack, std::ostream *out)
{
    *out << attack.name;
}

class HostilePrefix : public ::testing::TestWithParam<Attack>
{
};

} // namespace

TEST_P(HostilePrefix, IsRefusedOrHandledWithoutHarm)
{
    const Attack &attack = GetParam();
    HostileHome h;
    if (attack.optimizedFirst)
        ASSERT_EQ(qv::optimize(h.reader, {}).outcome, qv::OperationReport::Completed);
    attack.plant(h);
    h.takeListing();

    QString said;
    switch (attack.op) {
    case Op::Optimize: said = messages(qv::optimize(h.reader, {})); break;
    case Op::Restore: said = messages(qv::restore(h.reader, {})); break;
    case Op::OptimizeThenRestore:
        said = messages(qv::optimize(h.reader, {}));
        said += messages(qv::restore(h.reader, {}));
        break;
    case Op::StartReader: {
        qv::WineStart start(HostileHome::kFolder + "\\AcroRd32.exe");
        EXPECT_EQ(start.wait(2000), qv::WineStart::Failed);
        said = start.failure();
        break;
    }
    }

    if (*attack.message)
        EXPECT_TRUE(said.contains(attack.message)) << said.toStdString();
    else
        EXPECT_EQ(said.trimmed().toStdString(), "");
    EXPECT_EQ(h.changesOutside().join('\n').toStdString(), "");
    EXPECT_FALSE(QFileInfo::exists(h.home.file("ran")));
    // Every plug-in intact, wherever it now is; the one named with bytes
    // that are no UTF-8 too, under those very bytes.
    std::map<QByteArray, QByteArray> plugIns = h.plugIns(), expected = HostileHome::originalPlugIns();
    if (QByteArray(attack.name).contains("NoUtf8"))
        expected[QByteArray("Bad\xff\xfe.api")] = "bad";
    EXPECT_EQ(plugIns, expected);
}

INSTANTIATE_TEST_SUITE_P(Attacks, HostilePrefix, ::testing::ValuesIn(kAttacks),
                         [](const ::testing::TestParamInfo<Attack> &info) { return std::string(info.param.name); });

// Another user's process, and a program that is not Wine's, named as Reader
// and running in this prefix: neither is Reader, so neither stops an
// Optimize nor is ended by one, also when Quorvane runs as root.
TEST(HostileProcesses, OnlyThisUsersWineReaderOfThisPrefixIsEverEnded)
{
    HostileHome h;
    FakeProcess native("C:\\Program Files\\Adobe\\Reader 9.0\\Reader\\AcroRd32.exe", h.prefix->root().toStdString(),
                       "/bin/sleep");
    ASSERT_GT(native.pid(), 0);
    std::optional<ForeignProcess> foreign;
    if (::getuid() == 0) {
        foreign.emplace("C:\\Program Files\\Adobe\\Reader 9.0\\Reader\\AcroRd32.exe", h.prefix->root(), 65534);
        ASSERT_TRUE(foreign->running());
    }
    qv::OptimizeOptions options;
    options.endRunningReader = true;
    const qv::OperationReport report = qv::optimize(h.reader, options);
    EXPECT_EQ(report.outcome, qv::OperationReport::Completed) << messages(report).toStdString();
    EXPECT_TRUE(h.processes.terminated.empty());
    EXPECT_FALSE(native.ended());
    if (foreign)
        EXPECT_TRUE(foreign->running());
}

// Every launcher Restore writes, for a prefix in a folder whose name a shell
// or the Exec rules would read, passes the validator, and the desktop's own
// launcher starts exactly the program meant with exactly that prefix; a
// name no launcher can carry gets none, and the report says why.
TEST(HostileNames, LaunchersStartExactlyTheProgramMeantOrAreNotWritten)
{
    const struct
    {
        const char *folder;
        bool written;
    } cases[] = {
        {"with \"quotes\" and 'single'", true},
        {"100% %u %f", true},
        {"$HOME `id` $(id) ;&|<>*?#~", true},
        {"back\\slash and  two  blanks ", true},
        {"Schreibtisch ü 文件", true},
        {"line\nExec=sh", false},
        {"tab\there", false},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.folder);
        HostileHome h(c.folder);
        // A stand-in wine on PATH that writes down the arguments it gets, one a line.
        h.home.script("bin/wine", "for a in \"$@\"; do printf '%s\\n' \"$a\"; done > \"$HOME/args\"\n"
                                  "printf '%s\\n' \"$WINEPREFIX\" > \"$HOME/prefix\"\n");
        qputenv("PATH", QFile::encodeName(h.home.file("bin")) + ":/usr/bin:/bin");
        ASSERT_EQ(qv::optimize(h.reader, {}).outcome, qv::OperationReport::Completed);
        const qv::OperationReport restored = qv::restore(h.reader, {});
        const QString entry = h.prefix->host(HostileHome::kDesktop) + "/AcroRd32.desktop";
        if (!c.written) {
            EXPECT_FALSE(QFileInfo::exists(entry));
            EXPECT_TRUE(messages(restored).contains("control character")) << messages(restored).toStdString();
            continue;
        }
        ASSERT_TRUE(QFileInfo::exists(entry)) << messages(restored).toStdString();
        QProcess validate;
        validate.start("desktop-file-validate", {entry});
        ASSERT_TRUE(validate.waitForFinished(30000));
        EXPECT_EQ(validate.exitCode(), 0) << validate.readAllStandardOutput().toStdString()
                                          << validate.readAllStandardError().toStdString();
        QProcess launch;
        launch.start("gio", {"launch", entry});
        ASSERT_TRUE(launch.waitForFinished(30000));
        EXPECT_EQ(launch.exitCode(), 0) << launch.readAllStandardError().toStdString();
        // gio returns once the program is started: its record follows.
        for (int i = 0; i < 500 && !QFileInfo(h.home.file("prefix")).size(); ++i)
            ::usleep(10000);
        QFile args(h.home.file("args")), prefix(h.home.file("prefix"));
        ASSERT_TRUE(args.open(QIODevice::ReadOnly) && prefix.open(QIODevice::ReadOnly));
        EXPECT_EQ(QString::fromUtf8(args.readAll()), HostileHome::kFolder + "\\AcroRd32.exe\n");
        EXPECT_EQ(QString::fromUtf8(prefix.readAll()), h.prefix->root() + '\n');
    }
}
