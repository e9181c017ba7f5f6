// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvane developers
#pragma once

#include <QStringList>
#include <QTextStream>
#include <vector>

namespace qv::cli {

enum ExitCode { ExitDone = 0, ExitFailed = 1, ExitUsage = 2 };

// Runs one command line (arguments[0] is the program). Results go to out,
// progress lines too; errors, with what to do about them, to err.
int run(const QStringList &arguments, QTextStream &out, QTextStream &err);

// The version of the JSON the commands print (share/schema/): raised when a
// member changes its meaning or goes; members added keep it.
constexpr int kJsonSchemaVersion = 1;

// One option of the command line as the one table holds it, for what is
// built on the program (the configuration management module, the schema).
struct OptionInfo
{
    QString name;        // "keep-splash", without the dashes
    QString valueName;   // "NAME" for an option with a value, else empty
    QString description;
    bool repeatable = false;
    QStringList commands; // the commands that take it; empty: every command (a global option)
};
std::vector<OptionInfo> optionTable();

} // namespace qv::cli
