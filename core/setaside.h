// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvane developers
#pragma once

#include <QString>
#include <QStringList>
#include <functional>

#include "core/earlierstate.h"
#include "core/operationrun.h"

namespace qv {

// Where Reader X and later keep the helper programs the prefix managers'
// install scripts set aside to stop crashes on exit: the embedded browser
// (RdrCEF.exe, in Reader's folder) and the updater with its service
// (AdobeARM.exe, armsvc.exe, in Common Files\Adobe\ARM\1.0).
QStringList readerHelperPrograms(const QString &readerFolder);

// Moves a file into the set-aside folder below Reader's, noted in record;
// the file leaves its place only once its copy is there byte for byte and
// keepRecord has written the record down. False when it stays where it is.
bool setAside(Run &run, const QString &readerFolder, const QString &path, EarlierState &record,
              const std::function<void()> &keepRecord);

// Puts each recorded value back as it was (a value that was missing is
// deleted) and deletes the keys Optimize made.
void putBackRecorded(Run &run, const EarlierState &record);
// Brings every file set aside back to its place; false when one could not be.
bool bringBack(Run &run, const EarlierState &record);

} // namespace qv
