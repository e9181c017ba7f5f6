// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvane developers
#pragma once

// What the fleet tests share: the sample prefix with quorvane-cli run on it,
// other programs run with the test's own home (Python's checks, Ansible,
// winetricks), and whether those programs are there at all.

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <gtest/gtest.h>

#include "support/demoprefix.h"
#include "support/tempdir.h"

// Runs a program with the environment given (the test's own by default),
// as runCli does: exit code -1 when it did not run or end normally.
inline CliResult runProgram(const QString &program, const QStringList &arguments,
                            const QProcessEnvironment &env = QProcessEnvironment::systemEnvironment(),
                            int timeoutMs = 240000)
{
    QProcess p;
    p.setProcessEnvironment(env);
    p.start(program, arguments);
    CliResult r;
    const bool ended = p.waitForFinished(timeoutMs);
    r.out = QString::fromUtf8(p.readAllStandardOutput());
    r.err = QString::fromUtf8(p.readAllStandardError());
    if (!ended || p.exitStatus() != QProcess::NormalExit)
        r.err += program + QStringLiteral(": ") + p.errorString();
    else
        r.exitCode = p.exitCode();
    return r;
}

// The Python Ansible runs with (its programs' "#!" line), else python3.
inline QString fleetPython()
{
    QFile playbook(QStandardPaths::findExecutable(QStringLiteral("ansible-playbook")));
    if (playbook.open(QIODevice::ReadOnly)) {
        const QByteArray line = playbook.readLine();
        const QString interpreter = QString::fromUtf8(line.mid(2)).trimmed();
        if (line.startsWith("#!") && !interpreter.contains(' ') && QFileInfo(interpreter).isExecutable())
            return interpreter;
    }
    return QStandardPaths::findExecutable(QStringLiteral("python3"));
}

// tests/support/fleetcheck.py with Python; exit code 77 means a package it
// needs is missing (the output names it).
inline CliResult fleetCheck(const QStringList &arguments)
{
    const QString python = fleetPython();
    if (python.isEmpty())
        return {77, QStringLiteral("python3 is not installed"), QString()};
    return runProgram(python, QStringList{sourceDir() + QStringLiteral("/tests/support/fleetcheck.py")} + arguments);
}

// The sample prefix of scripts/make-demo-prefix in a folder of its own,
// with quorvane-cli run on it.
struct SamplePrefixTest : ::testing::Test
{
    TempDir tmp;
    QString root;

    void SetUp() override
    {
        root = tmp.file(QStringLiteral("prefix"));
        const QString problem = makeDemoPrefix(root);
        ASSERT_TRUE(problem.isEmpty()) << problem.toStdString();
    }
    CliResult cli(const QStringList &arguments) const
    {
        return runCli(QStringList{QStringLiteral("--prefix"), root} + arguments, tmp.file(QStringLiteral("data")));
    }
    QString plugIns() const
    {
        return root + QStringLiteral("/drive_c/Program Files/Adobe/Reader 9.0/Reader/plug_ins");
    }
};

#define SKIP_UNLESS_RUN(result)                                                                                    \
    if ((result).exitCode == 77)                                                                                   \
    GTEST_SKIP() << (result).out.trimmed().toStdString()
