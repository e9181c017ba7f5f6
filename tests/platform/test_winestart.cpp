// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvane developers

// Starting a Windows program with the prefix's Wine build: stand-in Wine
// builds (shell scripts) that fail as Wine fails, or keep running.

#include <QFile>
#include <QThread>
#include <gtest/gtest.h>
#include <signal.h>

#include "platform/machine.h"
#include "platform/wine/winestart.h"
#include "platform/wine/wineprefix.h"
#include "support/fakehome.h"

namespace {

const QString kProgram = "C:\\Program Files\\Adobe\\Reader 9.0\\Reader\\AcroRd32.exe";

struct WineStarts : ::testing::Test
{
    FakeHome home;
    QString prefix = home.makePrefix(".wine");

    void SetUp() override
    {
        qv::WinePrefix::setCurrent(prefix);
        qputenv("PATH", QFile::encodeName(home.file("bin")));
    }
    // What a stand-in saw, written by the script itself.
    QString seen() const
    {
        QFile f(home.file("seen"));
        return f.open(QIODevice::ReadOnly) ? QString::fromLocal8Bit(f.readAll()).trimmed() : QString();
    }
};

} // namespace

TEST_F(WineStarts, AWineThatEndsAtOnceWithAnErrorIsAFailureThatSaysWhy)
{
    home.script("bin/wine", "echo \"$WINEPREFIX|$1\" > \"$HOME/seen\"\n"
                            "echo '0024:fixme:ver:GetCurrentPackageId stub' >&2\n"
                            "echo 'wine: failed to open \"C:\\\\Program Files\\\\x.exe\": c0000135' >&2\n"
                            "exit 53\n");
    qv::WineStart start(kProgram);
    EXPECT_EQ(start.wait(5000), qv::WineStart::Failed);
    EXPECT_EQ(seen(), prefix + "|" + kProgram);
    EXPECT_TRUE(start.failure().contains("WINEPREFIX=" + prefix + " wine '" + kProgram + "'"))
        << start.failure().toStdString();
    EXPECT_TRUE(start.failure().contains("wine: failed to open")) << start.failure().toStdString();
    EXPECT_FALSE(start.failure().contains("fixme")) << start.failure().toStdString();
}

TEST_F(WineStarts, NoWineAtAllIsAFailureAtOnce)
{
    qv::WineStart start(kProgram);
    EXPECT_EQ(start.poll(), qv::WineStart::Failed);
    EXPECT_TRUE(start.failure().contains("wine was not found on PATH")) << start.failure().toStdString();

    // A pinned build that is gone is named, not swapped for another Wine.
    const QString bottle = home.makePrefix(".local/share/bottles/bottles/Reader");
    home.write(".local/share/bottles/bottles/Reader/bottle.yml", "Runner: soda-7.0-9\n");
    home.script("bin/wine", "exit 0\n");
    qv::WinePrefix::setCurrent(bottle);
    qv::WineStart pinned(kProgram);
    EXPECT_EQ(pinned.poll(), qv::WineStart::Failed);
    EXPECT_TRUE(pinned.failure().contains(home.file(".local/share/bottles/runners/soda-7.0-9/bin/wine")))
        << pinned.failure().toStdString();

    // The machine starts programs the same way for every caller: never with
    // a Wine on PATH in place of the pinned one.
    QString why;
    EXPECT_FALSE(qv::machine::startProgram(kProgram, &why));
    EXPECT_TRUE(why.contains(home.file(".local/share/bottles/runners/soda-7.0-9/bin/wine"))) << why.toStdString();
}

TEST_F(WineStarts, AProgramThatRunsIsLeftRunningWithThePrefixsRunner)
{
    const QString bottle = home.makePrefix(".local/share/bottles/bottles/Reader");
    home.write(".local/share/bottles/bottles/Reader/bottle.yml", "Runner: soda-7.0-9\n");
    home.script(".local/share/bottles/runners/soda-7.0-9/bin/wine",
                "echo \"$$|$WINEPREFIX|$1\" > \"$HOME/seen\"\nexec /bin/sleep 30\n");
    qv::WinePrefix::setCurrent(bottle);
    qint64 pid = 0;
    {
        qv::WineStart start(kProgram);
        EXPECT_EQ(start.wait(300), qv::WineStart::Running);
        for (int i = 0; i < 500 && seen().isEmpty(); ++i)
            QThread::msleep(20);
        pid = seen().section('|', 0, 0).toLongLong();
        EXPECT_EQ(seen().section('|', 1), bottle + "|" + kProgram);
    }
    ASSERT_GT(pid, 0);
    EXPECT_EQ(::kill(pid_t(pid), 0), 0); // it outlives the start
    ::kill(pid_t(pid), SIGTERM);
}
