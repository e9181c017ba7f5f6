// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvane developers

// When the changes held in memory (hivecache.h) reach the hive files: at once
// when a key is closed, or together at a RegistryStaging's commit.
#pragma once

#include <QString>

#include "platform/wine/hivecache.h"

namespace qv::registrystaging {

// Before the first change of a hive: a live wineserver would undo it, so
// this refuses early.
void beforeChange(hivecache::HiveEntry &entry);
// Saves a hive's pending changes, unless a staging holds them back for its commit.
void flush(const QString &file);

} // namespace qv::registrystaging
