// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvane developers
#pragma once

// The sample prefix of scripts/make-demo-prefix (Reader 9.0 as an installer
// leaves it), and quorvane-cli run on a prefix as a script would run it.

#include <QProcess>
#include <QProcessEnvironment>
#include <QRegularExpression>
#include <QString>
#include <QStringList>

inline QString sourceDir()
{
    return QStringLiteral(QV_SOURCE_PATH);
}

// Makes the sample prefix in folder (which must not exist yet); empty on
// success, else what went wrong.
inline QString makeDemoPrefix(const QString &folder, const QStringList &options = {})
{
    QProcess make;
    make.start(sourceDir() + QStringLiteral("/scripts/make-demo-prefix"),
               QStringList{folder, QStringLiteral("--user"), QStringLiteral("ann")} + options);
    if (!make.waitForFinished(60000) || make.exitCode() != 0)
        return QString::fromLocal8Bit(make.readAllStandardError()) + make.errorString();
    return QString();
}

struct CliResult
{
    int exitCode = -1;
    QString out;
    QString err;
};

// Runs quorvane-cli with the arguments; the trash goes to trashHome, never
// the machine's own.
inline CliResult runCli(const QStringList &arguments, const QString &trashHome = QString())
{
    QProcess cli;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("DISPLAY"));
    env.remove(QStringLiteral("WAYLAND_DISPLAY"));
    if (!trashHome.isEmpty())
        env.insert(QStringLiteral("XDG_DATA_HOME"), trashHome);
    cli.setProcessEnvironment(env);
    cli.start(QStringLiteral(QV_CLI_PATH), arguments);
    CliResult r;
    if (!cli.waitForFinished(120000)) {
        r.err = cli.program() + QStringLiteral(": ") + cli.errorString();
        return r;
    }
    r.exitCode = cli.exitStatus() == QProcess::NormalExit ? cli.exitCode() : -1;
    if (r.exitCode == -1)
        r.err = cli.program() + QStringLiteral(": ") + cli.errorString();
    r.out = QString::fromUtf8(cli.readAllStandardOutput());
    r.err = QString::fromUtf8(cli.readAllStandardError());
    return r;
}

// A hive's text without the times Wine stamps on each key that changes, so
// two runs of the same changes compare equal.
inline QByteArray withoutKeyTimes(QByteArray hive)
{
    static const QRegularExpression stamps(QStringLiteral("(^\\[.*\\]) \\d+$|^#time=[0-9a-f]+$"),
                                           QRegularExpression::MultilineOption);
    return QString::fromUtf8(hive).replace(stamps, QStringLiteral("\\1")).toUtf8();
}
