// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvane developers
#include <QCoreApplication>
#include <QTextStream>
#include <cstdio>
#include <exception>

#include "cli/commands.h"
#include "quorvaneversion.h"

// quorvane-cli: Optimize, Restore and the state of a Reader installation for
// scripts and configuration management. A core application only: it never
// opens a window, and needs no display.
int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("quorvane-cli"));
    QCoreApplication::setApplicationVersion(QStringLiteral(QUORVANE_VERSION));

    QTextStream out(stdout);
    QTextStream err(stderr);
    try {
        return qv::cli::run(QCoreApplication::arguments(), out, err);
    } catch (const std::exception &e) {
        err << "quorvane-cli: " << QString::fromLocal8Bit(e.what()) << Qt::endl;
        return qv::cli::ExitFailed;
    }
}
