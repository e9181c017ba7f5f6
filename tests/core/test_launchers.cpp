// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvane developers

// The host launchers that Optimize removes and Restore writes with the
// shortcuts, on fake home folders.

#include <QFileInfo>
#include <gtest/gtest.h>

#include "core/operations.h"
#include "platform/fileoperation.h"
#include "platform/launchers.h"
#include "platform/test_processes_fake.h"
#include "platform/windowless.h"
#include "support/fakehome.h"
#include "support/testprefix.h"

namespace {

const QString kFolder = "C:\\Program Files\\Adobe\\Reader 9.0\\Reader";

QByteArray launcher(const QString &prefix, const QString &windowsLink)
{
    return "[Desktop Entry]\nName=x\nExec=env WINEPREFIX=\"" + prefix.toUtf8() + "\" wine "
        + qv::launchers::escapeExecArgument(windowsLink).toUtf8() + "\nType=Application\n";
}

} // namespace

namespace {

struct LauncherOperations : ::testing::Test
{
    FakeHome home;
    TestPrefix prefix;
    ChildrenOnlyProcessControl processes;
    qv::WindowlessFileOperationUi fileWindows{qv::Echo::No};
    qv::ReaderInstallation reader;
    QString menuEntry, menuFile, desktopEntry, printMeEntry, othersEntry;

    void SetUp() override
    {
        qv::FileOperationUi::setInstance(&fileWindows);
        for (const char *f : {"EWH32.api", "search.api", "Annots.api"})
            prefix.writeFile(kFolder + "\\plug_ins\\" + f, f);
        prefix.writeFile(kFolder + "\\AcroRd32.exe", "MZ");
        prefix.writeFile("C:\\Programs\\Adobe Reader 9.0.lnk", "link");
        prefix.writeFile("C:\\Programs\\PrintMe Internet Printing\\PrintMe.lnk", "pm");
        prefix.writeFile("C:\\Public\\Desktop\\Adobe Reader 9.0.lnk", "link");
        prefix.writeHive("user.reg", HiveText()
                                         .key("Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders")
                                         .str("Desktop", "C:\\users\\ann\\Desktop"));
        prefix.mkdir("C:\\users\\ann\\Desktop");
        reader.version = "9.0";
        reader.folder = kFolder;
        reader.commonProgramsFolder = "C:\\Programs";
        reader.commonDesktopFolder = "C:\\Public\\Desktop";

        const QString apps = ".local/share/applications/wine/Programs/";
        menuEntry = home.write(apps + "Adobe Reader 9.0.desktop", launcher(prefix.root(), "C:\\Programs\\Adobe Reader 9.0.lnk"));
        menuFile = home.write(".config/menus/applications-merged/wine-Programs-Adobe Reader 9.0.menu",
                              "<Menu><Include><Filename>wine-Programs-Adobe Reader 9.0.desktop</Filename></Include></Menu>");
        printMeEntry = home.write(apps + "PrintMe Internet Printing/PrintMe.desktop",
                                  launcher(prefix.root(), "C:\\Programs\\PrintMe Internet Printing\\PrintMe.lnk"));
        // On the host desktop, which is $HOME/Desktop without a user-dirs setting.
        desktopEntry = home.write("Desktop/Adobe Reader 9.0.desktop", launcher(prefix.root(), "C:\\Public\\Desktop\\Adobe Reader 9.0.lnk"));
        othersEntry = home.write(apps + "Other.desktop", launcher(home.file(".wine"), "C:\\Programs\\Adobe Reader 9.0.lnk"));
    }
    void TearDown() override { qv::FileOperationUi::setInstance(nullptr); }

    static QStringList lines(const qv::OperationReport &report)
    {
        QStringList out;
        for (const qv::Change &c : report.changes)
            out << c.describe();
        return out;
    }
};

} // namespace

TEST_F(LauncherOperations, OptimizeTakesThisPrefixsLaunchersWithItsShortcutsAndRestoreWritesOne)
{
    qv::OptimizeOptions options;
    options.dryRun = true;
    const qv::OperationReport plan = qv::optimize(reader, options);
    ASSERT_EQ(plan.outcome, qv::OperationReport::Completed) << plan.error.toStdString();
    const QStringList planned = lines(plan);
    for (const QString &file : {menuEntry, menuFile, printMeEntry, desktopEntry}) {
        EXPECT_TRUE(planned.contains("Delete the launcher \"" + file + "\"")) << planned.join('\n').toStdString();
        EXPECT_TRUE(QFileInfo::exists(file));
    }
    EXPECT_FALSE(planned.join('\n').contains(othersEntry));

    options.dryRun = false;
    const qv::OperationReport done = qv::optimize(reader, options);
    ASSERT_EQ(done.outcome, qv::OperationReport::Completed) << done.error.toStdString();
    EXPECT_EQ(lines(done), planned);
    for (const QString &file : {menuEntry, menuFile, printMeEntry, desktopEntry})
        EXPECT_FALSE(QFileInfo::exists(file)) << file.toStdString();
    EXPECT_TRUE(QFileInfo::exists(othersEntry)); // another prefix's launcher of a link of the same name

    // Restore's desktop shortcut gets the launcher the menu builder would write.
    const qv::OperationReport restored = qv::restore(reader, {});
    ASSERT_EQ(restored.outcome, qv::OperationReport::Completed) << restored.error.toStdString();
    const QString written = prefix.host("C:\\users\\ann\\Desktop") + "/AcroRd32.desktop";
    EXPECT_TRUE(lines(restored).contains("Create the launcher \"" + written + "\" for \"C:\\users\\ann\\Desktop\\AcroRd32.lnk\""))
        << lines(restored).join('\n').toStdString();
    QFile entry(written);
    ASSERT_TRUE(entry.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(entry.readAll());
    EXPECT_TRUE(text.contains("\nComment=Adobe Reader 9.0\n")) << text.toStdString();
    EXPECT_EQ(qv::launchers::execArguments(text.section("Exec=", 1).section('\n', 0, 0)),
              QStringList({"env", "WINEPREFIX=" + prefix.root(), "wine", kFolder + "\\AcroRd32.exe"}));
}
