// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvane developers

// The host launchers of Wine's menu builder: found for one prefix's
// shortcuts only, removed with the menu files that include nothing else,
// and written for a desktop shortcut with the keys Wine 8's menu builder
// writes (the texts it wrote for the same shortcut by hand), each value
// escaped by the Desktop Entry rules.

#include <QFile>
#include <QFileInfo>
#include <gtest/gtest.h>

#include "platform/launchers.h"
#include "platform/namebytes.h"
#include "platform/wine/wineprefix.h"
#include "support/fakehome.h"
#include "support/testprefix.h"

namespace {

const QString kPrograms = "C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs";
const QString kReader = "C:\\Program Files (x86)\\Adobe\\Reader 9.0\\Reader";

QByteArray entry(const QString &prefix, const QString &execTail)
{
    return "[Desktop Entry]\nName=x\nExec=env WINEPREFIX=\"" + prefix.toUtf8() + "\" wine " + execTail.toUtf8()
        + "\nType=Application\nStartupNotify=true\n";
}

QByteArray menu(const QStringList &ids)
{
    QByteArray m = "<Menu>\n  <Name>Applications</Name>\n  <Menu>\n    <Name>wine-wine</Name>\n    <Include>\n";
    for (const QString &id : ids)
        m += "      <Filename>" + id.toUtf8() + "</Filename>\n";
    return m + "    </Include>\n  </Menu>\n</Menu>\n";
}

QString escaped(const QString &windowsPath)
{
    return qv::launchers::escapeExecArgument(windowsPath);
}

struct Launchers : ::testing::Test
{
    FakeHome home;
    TestPrefix prefix;
    const QString other = home.file(".wine");
    QString menuEntry, menuFile, printMe, printMeMenu, desktopEntry, othersDesktop, othersMenuEntry, mixedMenu;

    void SetUp() override
    {
        const QString apps = ".local/share/applications/wine/Programs/";
        const QString menus = ".config/menus/applications-merged/";
        // Wine 7 and later name the shortcut by its Windows path.
        menuEntry = home.write(apps + "Adobe Reader 9.0.desktop",
                               entry(prefix.root(), escaped(kPrograms + "\\Adobe Reader 9.0.lnk")));
        menuFile = home.write(menus + "wine-Programs-Adobe Reader 9.0.menu",
                              menu({"wine-Programs-Adobe Reader 9.0.desktop"}));
        // Earlier Wine ran start.exe /Unix with its host path.
        printMe = home.write(apps + "PrintMe Internet Printing/PrintMe Driver & Help.desktop",
                             entry(prefix.root(), "C:\\\\\\\\windows\\\\\\\\command\\\\\\\\start.exe /Unix "
                                       + prefix.root()
                                       + "/dosdevices/c:/ProgramData/Microsoft/Windows/Start\\\\ Menu/Programs/"
                                         "PrintMe\\\\ Internet\\\\ Printing/PrintMe\\\\ Driver\\\\ \\\\&\\\\ Help.lnk"));
        printMeMenu = home.write(menus + "wine-Programs-PrintMe Internet Printing-PrintMe Driver & Help.menu",
                                 menu({"wine-Programs-PrintMe Internet Printing-PrintMe Driver &amp; Help.desktop"}));
        prefix.mkdir(kPrograms + "\\PrintMe Internet Printing");
        // The common desktop's launcher lands in the prefix user's desktop folder.
        desktopEntry = prefix.writeFile("C:\\users\\ann\\Desktop\\Adobe Reader 9.0.desktop",
                                        entry(prefix.root(), escaped("C:\\users\\Public\\Desktop\\Adobe Reader 9.0.lnk")));
        // Another prefix's launchers of shortcuts with the same names.
        othersDesktop = home.write("Adobe Reader 9.0.desktop",
                                   entry(other, escaped("C:\\users\\Public\\Desktop\\Adobe Reader 9.0.lnk")));
        othersMenuEntry = home.write(apps + "Other.desktop", entry(other, escaped(kPrograms + "\\Adobe Reader 9.0.lnk")));
        mixedMenu = home.write(menus + "wine-Programs-Mixed.menu",
                               menu({"wine-Programs-Adobe Reader 9.0.desktop", "wine-Programs-Other.desktop"}));
    }
};

} // namespace

TEST_F(Launchers, OnlyThisPrefixsLaunchersOfTheShortcutAreFoundAndRemoved)
{
    namespace l = qv::launchers;
    const l::HostLaunchers reader = l::find(kPrograms + "\\adobe reader 9.0.LNK", QString());
    EXPECT_EQ(reader.entries, QStringList{menuEntry});
    EXPECT_EQ(reader.menus, QStringList{menuFile}); // not the menu that also holds another prefix's entry

    const l::HostLaunchers group = l::find(kPrograms + "\\PrintMe Internet Printing", QString());
    EXPECT_EQ(group.entries, QStringList{printMe});
    EXPECT_EQ(group.menus, QStringList{printMeMenu});

    const l::HostLaunchers desktop = l::find("C:\\users\\Public\\Desktop\\Adobe Reader 9.0.lnk", "C:\\users\\ann\\Desktop");
    EXPECT_EQ(desktop.entries, QStringList{desktopEntry});
    EXPECT_TRUE(desktop.menus.isEmpty());

    for (const l::HostLaunchers &found : {reader, group, desktop})
        EXPECT_TRUE(l::remove(found).isEmpty());
    for (const QString &gone : {menuEntry, menuFile, printMe, printMeMenu, desktopEntry})
        EXPECT_FALSE(QFileInfo::exists(gone)) << gone.toStdString();
    for (const QString &kept : {othersDesktop, othersMenuEntry, mixedMenu})
        EXPECT_TRUE(QFileInfo::exists(kept)) << kept.toStdString();
    // The group's sub-menu folder went with its only entry; the menu tree stays.
    EXPECT_FALSE(QFileInfo::exists(QFileInfo(printMe).absolutePath()));
    EXPECT_TRUE(QFileInfo::exists(QFileInfo(menuEntry).absolutePath()));
}

TEST_F(Launchers, ADesktopShortcutGetsTheEntryOfTheMenuBuilderQuotedByTheDesktopEntryRules)
{
    prefix.mkdir(kReader);
    // The icon the menu builder took from AcroRd32.exe before.
    home.write(".local/share/icons/hicolor/32x32/apps/6621_AcroRd32.0.png", "png");
    const qv::launchers::DesktopShortcut shortcut{"C:\\users\\ann\\Desktop\\AcroRd32.lnk", kReader + "\\AcroRd32.exe",
                                                 QString(), "Adobe Reader 9.0", kReader};
    const QString path = qv::launchers::writeDesktopEntry(shortcut);
    ASSERT_EQ(path, prefix.host("C:\\users\\ann\\Desktop") + "/AcroRd32.desktop");
    QFile written(path);
    ASSERT_TRUE(written.open(QIODevice::ReadOnly));
    EXPECT_EQ(written.readAll().toStdString(),
              ("[Desktop Entry]\n"
               "Name=AcroRd32\n"
               // The Exec arguments quoted as the Desktop Entry rules ask, the
               // line then escaped as a string value: each '\\' four times.
               "Exec=env WINEPREFIX=" + prefix.root() + " wine \"C:\\\\\\\\Program Files (x86)"
               "\\\\\\\\Adobe\\\\\\\\Reader 9.0\\\\\\\\Reader\\\\\\\\AcroRd32.exe\"\n"
               "Type=Application\n"
               "StartupNotify=true\n"
               "Comment=Adobe Reader 9.0\n"
               "Path=" + prefix.root() + "/dosdevices/c:/Program Files (x86)/Adobe/Reader 9.0/Reader\n"
               "Icon=6621_AcroRd32.0\n"
               "StartupWMClass=acrord32.exe\n").toStdString());
    EXPECT_TRUE(QFileInfo(path).isExecutable());

    // A prefix whose manager pins a Wine build runs it by its path.
    const QString bottle = home.makePrefix(".local/share/bottles/bottles/x");
    home.write(".local/share/bottles/bottles/x/bottle.yml", "Runner: caffe-7.20\n");
    qv::WinePrefix::setCurrent(bottle);
    const QString text = QString::fromUtf8(qv::launchers::desktopEntry(shortcut));
    const QStringList exec = qv::launchers::execArguments(text.section("Exec=", 1).section('\n', 0, 0));
    EXPECT_EQ(exec.mid(1, 3), QStringList({"WINEPREFIX=" + bottle,
                                           home.file(".local/share/bottles/runners/caffe-7.20/bin/wine"),
                                           kReader + "\\AcroRd32.exe"}));

    // A program whose name holds a byte that is no UTF-8 has no launcher
    // that could name it: none is written, and why is said.
    QString why;
    qv::launchers::DesktopShortcut odd = shortcut;
    odd.target = qv::namebytes::decode(QFile::encodeName(kReader) + "\\Acro\xff.exe");
    EXPECT_TRUE(qv::launchers::desktopEntry(odd, &why).isEmpty());
    EXPECT_EQ(why, "the program's path holds bytes that are no UTF-8 text");
}

TEST(LauncherText, ExecArgumentsAndIconNamesAreThoseOfTheMenuBuilder)
{
    for (const QString &arg : {QString("C:\\ProgramData\\PrintMe Internet Printing\\PrintMe Driver & Help.lnk"),
                               QString("it's (x86) $HOME;`x`#?*~|<>\"q\" \t")})
        EXPECT_EQ(qv::launchers::execArguments("env A=\"b c\" wine " + qv::launchers::escapeExecArgument(arg)),
                  QStringList({"env", "A=b c", "wine", arg}));
    // What Wine 8 named the icon it took from this program.
    EXPECT_EQ(qv::launchers::iconName(kReader + "\\AcroRd32.exe", 0), "6621_AcroRd32.0");
}
