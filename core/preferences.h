// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvane developers

#pragma once

#include <QString>
#include <cstdint>
#include <optional>
#include <vector>

#include "core/operations.h"

// Reader's preferences in the registry, as one table: what Optimize writes
// for each box, what Restore writes back, and what status shows.
namespace qv::preferences {

// What one run does with a row.
struct Action
{
    enum Kind {
        Leave,       // nothing
        Set,         // a value row: write data
        MakeKey,     // a key row: create the key (when missing)
        DeleteKey,   // a key row: delete the key and everything below it
        DeleteValue, // a value row: remove the value
        SetExisting, // a value row: write data only where the key is there already
    };
    Kind kind = Leave;
    int32_t data = 0;

    constexpr Action() = default;
    constexpr Action(int32_t value) : kind(Set), data(value) {}
    constexpr Action(Kind k) : kind(k) {}
    constexpr Action(Kind k, int32_t value) : kind(k), data(value) {}
};

// What one Reader generation gets: Optimize with the row's box ticked or
// not, and Restore, which writes what Reader has out of the box.
struct Setting
{
    Action ticked;
    Action unticked;
    Action restored;
};

enum class ValueType { Key, Dword, Text };

struct Row
{
    // From its root, "<version>" standing for the version worked on:
    // "HKEY_CURRENT_USER\SOFTWARE\Adobe\Acrobat Reader\<version>\Originals".
    QString key;
    QString name; // empty for a key row, which acts on the key itself
    ValueType type = ValueType::Dword;
    bool OptimizeOptions::*option = nullptr; // the box it belongs to; none: the same either way
    // One per generation, in the order of generations(); a generation
    // past the end gets Leave throughout.
    std::vector<Setting> settings;
    // Only where the machine is a Wine prefix: what Reader's sandbox and
    // updater need there is never changed on Windows itself.
    bool wineOnly = false;
};

// The rows in the order they are written: the registry steps run row by
// row, and consecutive value rows of one key are one step (the key opened,
// or created, even when none of its values is written).
const std::vector<Row> &rows();

// The Reader generations the table has a column for, oldest first.
struct Generation
{
    QString name;   // "5 to 9"
    int firstMajor; // the first major version it holds
};
const std::vector<Generation> &generations();
// The column for a version: the newest generation it has reached, else the
// oldest. Versions are keys as Reader records them: "9.0", "10.0", "11.0",
// "DC" and the yearly tracks "2015", "2017", "2020", ...
int generationOf(const QString &version);
// Whether Optimize records what it changes for this version, for Restore
// to put back (X and later); Reader 5 to 9 is restored to fixed values.
bool restoresRecordedState(const QString &version);
// Whether the plug-ins Reader can start without are known for this version
// (5 to 9: all but EWH32 and search); for the later ones nobody has said.
bool plugInsKnown(const QString &version);

// What a run does with the row for this version: Optimize's choice by the
// row's box, or with restoring, Restore's. A Wine-only row is Leave on Windows.
Action actionFor(const Row &row, const QString &version, const OptimizeOptions *optimize);
// Whether a run on this version can do anything with the row: its keys
// are no business of a generation for which it is Leave throughout.
bool appliesTo(const Row &row, const QString &version);

// A row's key for a version: its root and the path below it, "\SOFTWARE\...".
struct Location
{
    uint32_t root = 0;
    QString path;
};
Location locate(const Row &row, const QString &version);
// The way keys are written here and in the reports: "HKEY_CURRENT_USER\SOFTWARE\...".
QString keyText(uint32_t root, const QString &path);

// One value as status shows it.
struct Value
{
    uint32_t root = 0;
    QString key;    // below the root, with the version
    QString subkey; // below the version's own key: "AVAlert\cCheckbox"
    QString name;
};
// Every number a run on this version may write, each once, in the order
// they are first written.
std::vector<Value> values(const QString &version);

// One registry step of a run, planned against what the registry holds now.
struct Step
{
    enum Kind {
        CreateKey, // a key that is missing, made on its own before a key below it
        SetValues, // the values of one key that differ from their data, or the values deleted that are
                   // there; none: the missing key made
        DeleteKey, // a key that is there, deleted with everything below it
    };
    struct Value
    {
        QString name;
        int32_t data = 0;
        std::optional<int32_t> previous; // none: missing, or no number
        bool remove = false;             // the value deleted, not written
    };
    Kind kind = SetValues;
    Location at;
    std::vector<Value> values;
};
// The steps a run takes, in the table's order, and only those that change
// something: a value that holds its data already, a key already there (to
// be made) or already gone (to be deleted) is no step. Each row is judged
// by the registry as the steps before it leave it. Both the dry run and the
// real one take this plan, so what one lists is what the other does.
std::vector<Step> plan(const QString &version, const OptimizeOptions *optimize);

} // namespace qv::preferences
