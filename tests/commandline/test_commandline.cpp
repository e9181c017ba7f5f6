// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvane developers
#include <QDir>
#include <QProcess>
#include <QRegularExpression>
#include <gtest/gtest.h>

#include "app/commandline.h"

using qv::CommandLine;
using Action = CommandLine::Action;

namespace {

CommandLine parse(QStringList arguments)
{
    arguments.prepend(QStringLiteral("quorvane"));
    return qv::parseCommandLine(arguments);
}

QProcessEnvironment environment(std::initializer_list<std::pair<const char *, const char *>> values)
{
    QProcessEnvironment env;
    for (const auto &[name, value] : values)
        env.insert(QString::fromLatin1(name), QString::fromLatin1(value));
    return env;
}

struct Outcome
{
    int exitCode = -1;
    QProcess::ExitStatus status = QProcess::CrashExit;
    QString out;
    QString err;
};

std::ostream &operator<<(std::ostream &os, const Outcome &run)
{
    return os << "exit " << run.exitCode << ", stdout: " << run.out.toStdString() << ", stderr: " << run.err.toStdString();
}

// The real program, with a desktop-less environment plus extra.
Outcome runQuorvane(const QStringList &arguments, const QProcessEnvironment &extra = {})
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char *name : {"DISPLAY", "WAYLAND_DISPLAY", "WAYLAND_SOCKET", "QT_QPA_PLATFORM"})
        env.remove(QString::fromLatin1(name));
    env.insert(extra);
    QProcess process;
    process.setProcessEnvironment(env);
    process.start(QStringLiteral(QUORVANE_PROGRAM), arguments);
    Outcome run;
    if (!process.waitForFinished(30000)) {
        run.err = process.program() + QStringLiteral(": ") + process.errorString();
        process.kill();
        process.waitForFinished();
        return run;
    }
    run.exitCode = process.exitCode();
    run.status = process.exitStatus();
    run.out = QString::fromLocal8Bit(process.readAllStandardOutput());
    run.err = QString::fromLocal8Bit(process.readAllStandardError());
    return run;
}

} // namespace

TEST(CommandLine, OpensTheWindowWithoutOptionsAndLeavesQtsOwnOptionsToQt)
{
    EXPECT_EQ(parse({}).action, Action::OpenWindow);
    const CommandLine qt = parse({"-platform", "offscreen", "-style", "fusion", "--style=fusion", "-session",
                                  "1234_5", "-reverse", "--display", ":1", "-name", "quorvane"});
    EXPECT_EQ(qt.action, Action::OpenWindow) << qPrintable(qt.error);
    EXPECT_TRUE(qt.prefix.isEmpty());
    EXPECT_EQ(parse({"--prefix", "/srv/reader"}).prefix, QStringLiteral("/srv/reader"));
    EXPECT_EQ(parse({"--prefix=/srv/reader"}).prefix, QStringLiteral("/srv/reader"));
    EXPECT_EQ(parse({"--bogus", "--help"}).action, Action::UsageError);
    EXPECT_EQ(parse({"--prefix", "/p", "-v"}).action, Action::ShowVersion);
    EXPECT_EQ(parse({"-h"}).action, Action::ShowHelp);
}

TEST(CommandLine, RejectsWhatItCannotUse)
{
    for (const QStringList &arguments : {QStringList{"--bogus"}, QStringList{"document.pdf"},
                                         QStringList{"--prefix"}, QStringList{"--prefix", ""}}) {
        const CommandLine result = parse(arguments);
        EXPECT_EQ(result.action, Action::UsageError) << qPrintable(arguments.join(' '));
        EXPECT_FALSE(result.error.isEmpty());
    }
}

TEST(CommandLine, TellsWhenTheWindowSystemHasNoDisplay)
{
    const QStringList plain{"quorvane"};
    EXPECT_TRUE(qv::missingDisplayMessage(plain, environment({{"DISPLAY", ":0"}})).isEmpty());
    EXPECT_TRUE(qv::missingDisplayMessage(plain, environment({{"WAYLAND_DISPLAY", "wayland-1"}})).isEmpty());
    EXPECT_TRUE(qv::missingDisplayMessage(plain, environment({{"QT_QPA_PLATFORM", "offscreen"}})).isEmpty());
    EXPECT_TRUE(qv::missingDisplayMessage({"quorvane", "-platform", "offscreen"}, {}).isEmpty());
    EXPECT_TRUE(qv::missingDisplayMessage({"quorvane", "-display", ":3"}, {}).isEmpty());
    EXPECT_TRUE(
        qv::missingDisplayMessage(plain, environment({{"QT_QPA_PLATFORM", "wayland;xcb"}, {"DISPLAY", ":0"}})).isEmpty());

#if defined(Q_OS_UNIX) && !defined(Q_OS_DARWIN)
    const QString none = qv::missingDisplayMessage(plain, {});
    EXPECT_TRUE(none.contains("DISPLAY and WAYLAND_DISPLAY are not set")) << qPrintable(none);
#endif
    // Asked for xcb, a Wayland session does not help.
    const QString xcb = qv::missingDisplayMessage(
        plain, environment({{"QT_QPA_PLATFORM", "xcb"}, {"WAYLAND_DISPLAY", "wayland-0"}}));
    EXPECT_TRUE(xcb.contains("(DISPLAY is not set)")) << qPrintable(xcb);
}

TEST(CommandLine, PrefixBecomesTheWinePrefixOfTheProgramAndItsChildren)
{
    const QByteArray saved = qgetenv("WINEPREFIX");
    QByteArray arguments[] = {"quorvane", "--prefix", "relative/prefix"};
    char *argv[] = {arguments[0].data(), arguments[1].data(), arguments[2].data()};
    qputenv("QT_QPA_PLATFORM", "offscreen");
    EXPECT_FALSE(qv::handleCommandLine(3, argv).has_value());
    EXPECT_EQ(qEnvironmentVariable("WINEPREFIX"), QDir::current().absoluteFilePath("relative/prefix"));
    qputenv("WINEPREFIX", saved);
}

TEST(CommandLine, TheProgramAnswersWithoutADisplayAndNeverAborts)
{
    const Outcome version = runQuorvane({"--version"});
    EXPECT_EQ(version.status, QProcess::NormalExit);
    EXPECT_EQ(version.exitCode, 0) << version;
    EXPECT_TRUE(QRegularExpression("^quorvane \\d+\\.\\d+\\n$").match(version.out).hasMatch())
        << qPrintable(version.out);

    const Outcome help = runQuorvane({"--help"});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_TRUE(help.out.contains("--prefix <DIR>")) << qPrintable(help.out);
    EXPECT_FALSE(help.out.contains("-platformpluginpath")) << "Qt's options stay hidden";

    const Outcome unknown = runQuorvane({"--bogus"});
    EXPECT_EQ(unknown.exitCode, 2);
    EXPECT_TRUE(unknown.err.contains("bogus")) << qPrintable(unknown.err);
    EXPECT_TRUE(unknown.out.isEmpty());

#if defined(Q_OS_UNIX) && !defined(Q_OS_DARWIN)
    const Outcome noDisplay = runQuorvane({});
    EXPECT_EQ(noDisplay.status, QProcess::NormalExit);
    EXPECT_EQ(noDisplay.exitCode, 1);
    EXPECT_EQ(noDisplay.err.count('\n'), 1) << qPrintable(noDisplay.err);
    EXPECT_TRUE(noDisplay.err.startsWith("quorvane: no display")) << qPrintable(noDisplay.err);

    // A display whose server is gone: Qt gives up, the program still ends with one line of ours.
    const Outcome gone = runQuorvane({}, environment({{"QT_QPA_PLATFORM", "xcb"}, {"DISPLAY", ":4711"}}));
    EXPECT_EQ(gone.status, QProcess::NormalExit);
    EXPECT_EQ(gone.exitCode, 1);
    EXPECT_TRUE(gone.err.trimmed().section('\n', -1).startsWith("quorvane: cannot open a window"))
        << qPrintable(gone.err);
#endif
}
