// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvane developers
// The command line and the window run the same core: on two copies of the
// sample prefix, the CLI's optimize and the window's Optimize with every box
// ticked must leave the same files and registry values.

#include "app/test_optimize_support.h"
#include "support/demoprefix.h"
#include "support/testprefix.h"

TEST(CliAndWindow, OptimizeLeavesWhatTheWindowLeavesWithEveryBoxTicked)
{
    TempDir tmp;
    const QString byWindow = tmp.file("window"), byCli = tmp.file("cli");
    for (const QString &root : {byWindow, byCli}) {
        const QString problem = makeDemoPrefix(root);
        ASSERT_TRUE(problem.isEmpty()) << problem.toStdString();
    }

    {
        ThrowawayTrash trash;
        RecordingDialogs dialogs;
        RecordingFileOperationUi fileWindows;
        ChildrenOnlyProcessControl processes;
        qv::WinePrefix::setCurrent(byWindow);
        qv::resetRegistryCache();
        TForm1 form(nullptr, false);
        form.FormCreate();
        form.FlatButton1Click(); // the closing question is answered No
        ASSERT_EQ(dialogs.boxes.size(), 1u);
        EXPECT_EQ(dialogs.boxes[0].caption, "Information");
        EXPECT_TRUE(fileWindows.errors.isEmpty()) << fileWindows.errors.join('\n').toStdString();
        qv::resetRegistryCache();
    }
    const CliResult r = runCli({"--prefix", byCli, "optimize"}, tmp.file("cli-data"));
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();

    auto window = treeContents(byWindow), cli = treeContents(byCli);
    for (const char *hive : {"system.reg", "user.reg", "userdef.reg"}) {
        window[hive] = withoutKeyTimes(window[hive]);
        cli[hive] = withoutKeyTimes(cli[hive]);
    }
    EXPECT_EQ(window.keys(), cli.keys());
    for (auto it = window.cbegin(); it != window.cend(); ++it)
        EXPECT_EQ(it.value(), cli.value(it.key())) << it.key().toStdString();
    // The marker says the optimisation ran; the recent files are gone in both.
    EXPECT_TRUE(cli.contains("drive_c/Program Files/Adobe/Reader 9.0/Reader/Wexmor.DAT"));
    EXPECT_FALSE(cli.value("user.reg").contains("cRecentFiles"));
}
