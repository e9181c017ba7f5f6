// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvane developers
#pragma once

#include <QString>
#include <QStringList>
#include <cstdint>
#include <optional>
#include <vector>

#include "core/discovery.h"
#include "core/preferences.h"

namespace qv {

// How a Reader installation stands, read without changing anything.
struct ReaderStatus
{
    QString generation; // the preference table's column: "5 to 9", "X and XI", "DC"
    bool folderExists = false;
    bool optimized = false;       // the marker vouches for a safety copy in place (safetyCopyTrusted)
    int64_t runningReader = -1;   // the process id of a Reader running in the prefix
    QStringList loaded;           // plug-ins Reader loads, below plug_ins ("X.api", "S\X.api")
    QStringList notLoaded;        // plug-ins only in the safety copy, below Optional
    // Each preference Optimize and Restore write, with its current data
    // (none when the value is missing or not a number).
    std::vector<std::pair<preferences::Value, std::optional<int32_t>>> preferences;
};

ReaderStatus readerStatus(const ReaderInstallation &reader);

} // namespace qv
