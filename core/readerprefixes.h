// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvane developers
#pragma once

#include <QString>
#include <QStringList>
#include <vector>

#include "platform/wine/prefixes.h"

namespace qv {

// A Wine prefix found on the machine, with what a user needs to choose it.
struct ReaderPrefix
{
    FoundPrefix prefix;
    // The Adobe Reader versions its machine registry lists, in either view
    // (a 64-bit prefix keeps a 32-bit Reader's keys below Wow6432Node).
    QStringList readerVersions;
    WineBuild wine;
    QString problem; // its registry could not be read; empty when it could

    bool holdsReader() const { return !readerVersions.isEmpty(); }
};

// The Reader versions the prefix's system.reg lists; throws Error when the
// hive cannot be read.
QStringList readerVersionsIn(const QString &prefixRoot);

// Every prefix the machine's prefix managers keep (prefixes::find), each
// with its Reader versions and its Wine build.
std::vector<ReaderPrefix> surveyPrefixes();

// The prefix at root described as surveyPrefixes() would.
ReaderPrefix surveyPrefix(const QString &root);

// Those that hold a Reader.
std::vector<ReaderPrefix> withReader(const std::vector<ReaderPrefix> &prefixes);

} // namespace qv
