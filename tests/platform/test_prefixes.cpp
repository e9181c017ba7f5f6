// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvane developers

// Where the prefix managers keep their prefixes, which Wine build each pins,
// which hold a Reader and which one is chosen, on fake home folders laid out
// as each manager lays them out.

#include <QFile>
#include <gtest/gtest.h>

#include "platform/machine.h"
#include "platform/wine/prefixes.h"
#include "support/fakehome.h"

namespace {

// Where a Reader lists its versions in the machine registry.
const QString kVersionsKey = "\\SOFTWARE\\Adobe\\Acrobat Reader";

struct Found
{
    QString manager, name, root;
    bool operator==(const Found &) const = default;
};

std::ostream &operator<<(std::ostream &os, const Found &f)
{
    return os << f.manager.toStdString() << " \"" << f.name.toStdString() << "\" " << f.root.toStdString();
}

std::vector<Found> found()
{
    std::vector<Found> out;
    for (const qv::FoundPrefix &p : qv::prefixes::find())
        out.push_back({p.manager, p.name, p.root});
    return out;
}

// Every manager's layout in one home, with folders that only look like prefixes.
struct ManagersHome : ::testing::Test
{
    FakeHome home;
    QString wine, bottle, flatpak, pol, lutris, crossOver, tricks;

    void SetUp() override
    {
        wine = home.makePrefix(".wine");
        bottle = home.makePrefix(".local/share/bottles/bottles/Reader");
        home.write(".local/share/bottles/bottles/Reader/bottle.yml",
                   "Arch: win64\nName: 'Adobe Reader'\nPath: Reader\nRunner: soda-7.0-9\nParameters:\n  dxvk: true\n");
        flatpak = home.makePrefix(".var/app/com.usebottles.bottles/data/bottles/bottles/Office");
        home.write(".var/app/com.usebottles.bottles/data/bottles/bottles/Office/bottle.yml",
                   "Name: Office\nRunner: sys-wine-8.0\n");
        pol = home.makePrefix(".PlayOnLinux/wineprefix/AdobeReader");
        home.write(".PlayOnLinux/wineprefix/AdobeReader/playonlinux.cfg", "ARCH=x86\nVERSION=4.0.3\n");
        lutris = home.makePrefix("Games/adobe-reader");
        home.write(".config/lutris/games/adobe-reader-1700000000.yml",
                   "game:\n  exe: /x/AcroRd32.exe\n  prefix: ~/Games/adobe-reader\nsystem: {}\nwine:\n"
                   "  version: lutris-7.2-2-x86_64 # pinned\n");
        crossOver = home.makePrefix(".cxoffice/Reader9");
        tricks = home.makePrefix(".local/share/wineprefixes/reader");
        // Not prefixes: no system.reg, a game without a prefix, a second
        // name for a prefix already found.
        QDir().mkpath(home.file(".local/share/bottles/bottles/Broken/drive_c"));
        home.write(".local/share/lutris/games/notepad-1.yml", "game:\n  exe: /x/notepad.exe\n");
        QFile::link(wine, home.file(".local/share/wineprefixes/default"));
    }
};

} // namespace

TEST_F(ManagersHome, FindsEveryManagersPrefixesInItsPlaceOnce)
{
    const std::vector<Found> expected = {
        {"Wine", ".wine", wine},
        {"Bottles", "Adobe Reader", bottle},
        {"Bottles", "Office", flatpak},
        {"PlayOnLinux", "AdobeReader", pol},
        {"Lutris", "adobe-reader", lutris},
        {"CrossOver", "Reader9", crossOver},
        {"winetricks", "reader", tricks},
    };
    EXPECT_EQ(found(), expected);
    // Each place is named for the user who has none of them.
    EXPECT_TRUE(qv::prefixes::searchPlaces().contains(home.file(".PlayOnLinux/wineprefix/*")));
    EXPECT_TRUE(qv::prefixes::searchPlaces().contains(home.file(".local/share/wineprefixes/*")));

    // A prefix named directly (--prefix) is told the same way by its own files.
    EXPECT_EQ(qv::prefixes::describe(bottle).manager, "Bottles");
    EXPECT_EQ(qv::prefixes::describe(lutris).name, "adobe-reader");
    EXPECT_EQ(qv::prefixes::describe(home.file("elsewhere")).manager, "");
}

TEST_F(ManagersHome, EachPrefixGetsTheWineBuildItsManagerPins)
{
    // A runner with a 64-bit loader is used with it for a 64-bit bottle.
    home.script(".local/share/bottles/runners/soda-7.0-9/bin/wine", "exit 0\n");
    home.script(".local/share/bottles/runners/soda-7.0-9/bin/wine64", "exit 0\n");
    auto program = [](const QString &root) { return qv::prefixes::wineBuild(root).program; };

    EXPECT_EQ(program(bottle), home.file(".local/share/bottles/runners/soda-7.0-9/bin/wine64"));
    EXPECT_EQ(qv::prefixes::wineBuild(bottle).description, "Bottles runner soda-7.0-9");
    EXPECT_EQ(program(flatpak), "wine"); // sys-wine-*: the system's Wine
    EXPECT_EQ(program(pol), home.file(".PlayOnLinux/wine/linux-x86/4.0.3/bin/wine"));
    EXPECT_EQ(program(lutris), home.file(".local/share/lutris/runners/wine/lutris-7.2-2-x86_64/bin/wine"));
    EXPECT_EQ(program(wine), "wine");
    EXPECT_EQ(program(tricks), "wine");

    // CrossOver's own launcher runs the bottle by its name.
    home.script("cxoffice/bin/wine", "exit 0\n");
    const qv::WineBuild cx = qv::prefixes::wineBuild(crossOver);
    EXPECT_EQ(cx.program, home.file("cxoffice/bin/wine"));
    EXPECT_EQ(cx.arguments, QStringList({"--bottle", "Reader9"}));
    EXPECT_EQ(qv::prefixes::commandLine(cx, "/p", "C:\\Reader\\AcroRd32.exe"),
              "WINEPREFIX=/p " + home.file("cxoffice/bin/wine") + " --bottle Reader9 'C:\\Reader\\AcroRd32.exe'");

    // A game that pins no version follows the runner's default.
    home.write(".config/lutris/games/adobe-reader-1700000000.yml", "game:\n  prefix: $HOME/Games/adobe-reader\n");
    home.write(".config/lutris/runners/wine.yml", "wine:\n  version: \"wine-ge-8-26\"\n");
    EXPECT_EQ(program(lutris), home.file(".local/share/lutris/runners/wine/wine-ge-8-26/bin/wine"));
}

TEST(HostDesktop, IsWhereXdgUserDirsPutsIt)
{
    FakeHome home;
    EXPECT_EQ(qv::prefixes::hostDesktopFolder(), home.file("Desktop"));
    QFile::remove(home.file(".config/user-dirs.dirs"));
    EXPECT_EQ(qv::prefixes::hostDesktopFolder(), home.file("Desktop")); // as Wine and GLib take it without a setting
    home.write(".config/user-dirs.dirs", "# written by xdg-user-dirs-update\nXDG_DESKTOP_DIR=\"$HOME/Schreibtisch\"\n");
    EXPECT_EQ(qv::prefixes::hostDesktopFolder(), home.file("Schreibtisch"));
}

TEST(PrefixSurvey, ReaderVersionsAreReadFromEitherViewOfTheMachineRegistry)
{
    FakeHome home;
    home.makePrefix(".wine"); // no Reader
    const QString wow = home.makePrefix(".local/share/bottles/bottles/Reader", {"9.0"}, true);
    const QString two = home.makePrefix(".local/share/wineprefixes/two", {"7.0", "8.0"});
    home.write(".local/share/wineprefixes/broken/system.reg", "not a hive\n");
    QDir().mkpath(home.file(".local/share/wineprefixes/broken/drive_c"));

    const std::vector<qv::ReaderPrefix> all = qv::machine::surveyPrefixes(kVersionsKey);
    ASSERT_EQ(all.size(), 4u);
    EXPECT_FALSE(all[0].holdsReader());
    EXPECT_EQ(all[1].readerVersions, QStringList{"9.0"});
    EXPECT_EQ(all[1].prefix.manager, "Bottles");
    EXPECT_TRUE(all[2].problem.contains("system.reg")) << all[2].problem.toStdString(); // named, not fatal
    EXPECT_FALSE(all[2].holdsReader());
    EXPECT_EQ(all[3].readerVersions, QStringList({"7.0", "8.0"}));

    const std::vector<qv::ReaderPrefix> readers = qv::withReader(all);
    ASSERT_EQ(readers.size(), 2u);
    EXPECT_EQ(readers[0].prefix.root, wow);
    EXPECT_EQ(readers[1].prefix.root, two);
}

TEST(PrefixChoice, TakesWhatIsNamedElseTheOnePrefixWithAReaderElseLeavesItToTheUser)
{
    using Choice = qv::machine::PrefixChoice;
    const QString bottle = ".local/share/bottles/bottles/Reader", pol = ".PlayOnLinux/wineprefix/Reader";
    struct Case
    {
        QStringList readers; // prefixes below home that hold a Reader
        bool dotWine;        // ~/.wine is a prefix (without one)
        QString named, env;  // --prefix, $WINEPREFIX
        Choice::Outcome outcome;
        QString root; // below home, or absolute
    };
    const std::vector<Case> cases = {
        {{bottle}, true, "/named", "/env", Choice::Named, "/named"},
        {{bottle}, true, "", "/env", Choice::Named, "/env"},
        {{bottle}, true, "", "", Choice::Found, bottle},
        {{bottle, pol}, true, "", "", Choice::Several, ""},
        {{}, true, "", "", Choice::None, ".wine"},
        {{}, false, "", "", Choice::None, ""},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(QString("%1 named \"%2\" env \"%3\"").arg(c.readers.join(','), c.named, c.env).toStdString());
        FakeHome home;
        for (const QString &p : c.readers)
            home.makePrefix(p, {"9.0"});
        if (c.dotWine)
            home.makePrefix(".wine");
        if (!c.env.isEmpty())
            qputenv("WINEPREFIX", c.env.toUtf8());
        const Choice choice = qv::machine::choosePrefix(c.named, kVersionsKey);
        EXPECT_EQ(choice.outcome, c.outcome);
        EXPECT_EQ(choice.root, c.root.isEmpty() || c.root.startsWith('/') ? c.root : home.file(c.root));
        EXPECT_EQ(choice.candidates.size(), c.outcome == Choice::Several ? 2u : c.outcome == Choice::Found ? 1u : 0u);
        EXPECT_EQ(choice.placesLooked.isEmpty(), c.outcome != Choice::None);
    }
}
