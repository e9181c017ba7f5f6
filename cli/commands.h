// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvane developers
#pragma once

#include <QStringList>
#include <QTextStream>

namespace qv::cli {

enum ExitCode { ExitDone = 0, ExitFailed = 1, ExitUsage = 2 };

// Runs one command line (arguments[0] is the program). Results go to out,
// progress lines too; errors, with what to do about them, to err.
int run(const QStringList &arguments, QTextStream &out, QTextStream &err);

} // namespace qv::cli
