// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvane developers
#pragma once

#include <QByteArray>
#include <QString>
#include <optional>
#include <vector>

#include "platform/registry.h"
#include "platform/resolvedfolder.h"

namespace qv {

// What Optimize found before it changed Reader X and later, for Restore to
// put back exactly: every value as it was (or that it was missing), every
// key it had to make, every file it set aside. Kept beside the safety copy
// in Reader's folder ("Quorvane.record"); a later Optimize adds to it and
// never replaces what an earlier one found.
struct EarlierState
{
    struct Value
    {
        uint32_t root = 0;
        QString key;
        QString name;
        std::optional<RawRegistryValue> was; // none: it did not exist
    };
    struct Key // made by Optimize: it did not exist
    {
        uint32_t root = 0;
        QString key;
    };
    struct File
    {
        QString original; // where it was
        QString aside;    // where it waits, below Reader's folder
    };
    std::vector<Value> values;
    std::vector<Key> keys;
    std::vector<File> files;

    const Value *value(uint32_t root, const QString &key, const QString &name) const;
    // Whether the key, or a key above it, was made by Optimize.
    bool madeKey(uint32_t root, const QString &key) const;
    const File *file(const QString &original) const;
    bool empty() const { return values.empty() && keys.empty() && files.empty(); }

    // One line per entry, fields separated by tabs and percent-encoded.
    QByteArray text() const;
    // Lines it cannot read are skipped: what is read is put back.
    static EarlierState parse(const QByteArray &text);
};

QByteArray earlierStateFileName();
// The folder below Reader's where Optimize sets files aside.
QString setAsideFolderOf(const QString &readerFolder);
std::optional<EarlierState> readEarlierState(const ResolvedFolder &readerFolder);
// Written whole or not at all (a temporary file renamed over it); throws
// qv::Error when it cannot be.
void writeEarlierState(const ResolvedFolder &readerFolder, const EarlierState &state);
void deleteEarlierState(const ResolvedFolder &readerFolder);

} // namespace qv
