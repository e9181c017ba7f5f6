// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvane developers

// The preference writer: the registry steps of Optimize and Restore, taken
// row by row from the preference table.

#include <utility>

#include "core/earlierstate.h"
#include "core/operationrun.h"
#include "core/preferences.h"

namespace qv {

namespace {

// One registry step: an accessor of its own, the key opened (created when
// missing), the values written only when it opened. While the registry is
// staged, closing keeps the values for the commit.
void writeValues(Run &run, const preferences::Location &at, const std::vector<std::pair<QString, int32_t>> &values)
{
    auto recordValue = [&](const QString &name, int32_t data) {
        run.record({.kind = Change::WriteValue, .target = at.path, .name = name, .root = at.root, .number = data});
    };
    if (run.dry) {
        for (const auto &[name, data] : values)
            recordValue(name, data);
        return;
    }
    RegistryAccessor reg;
    reg.setRootKey(at.root);
    reg.setAccess(KeyAllAccess);
    if (!reg.openKey(at.path, true)) {
        run.notDone(preferences::keyText(at.root, at.path), QStringLiteral("the key could not be opened"));
        return;
    }
    for (const auto &[name, data] : values) {
        reg.writeInteger(name, data);
        recordValue(name, data);
    }
    reg.closeKey();
}

// A key made on its own, before the key below it: when it cannot be, the
// step of that key says so.
void makeKey(const Run &run, const preferences::Location &at)
{
    if (run.dry)
        return;
    RegistryAccessor reg;
    reg.setRootKey(at.root);
    reg.setAccess(KeyAllAccess);
    reg.openKey(at.path, true);
}

void deleteKey(Run &run, const preferences::Location &at)
{
    RegistryAccessor reg;
    reg.setRootKey(at.root);
    reg.setAccess(run.dry ? KeyRead : KeyAllAccess);
    const bool gone = run.dry ? reg.openKey(at.path, false) : reg.deleteKey(at.path);
    if (gone)
        run.record({.kind = Change::DeleteKey, .target = at.path, .root = at.root});
}

// Notes the first key of the path that does not exist yet: Restore deletes
// it, and with it everything Optimize made below it.
void noteMissingKey(EarlierState &record, const preferences::Location &at)
{
    if (record.madeKey(at.root, at.path))
        return;
    const QStringList parts = at.path.split(QLatin1Char('\\'), Qt::SkipEmptyParts);
    QString path;
    for (const QString &part : parts) {
        path += QLatin1Char('\\') + part;
        RegistryAccessor reg;
        reg.setRootKey(at.root);
        reg.setAccess(KeyRead);
        if (!reg.openKey(path, false)) {
            record.keys.push_back({at.root, path});
            return;
        }
    }
}

void noteValue(EarlierState &record, const RegistryAccessor &reg, const preferences::Location &at, const QString &name)
{
    if (!record.value(at.root, at.path, name))
        record.values.push_back({at.root, at.path, name, reg.readRaw(name)});
}

// Reader X and later: each change made with the state before it noted, so
// that Restore can put back exactly that.
struct RowChange
{
    preferences::Action action;
    QString name;
};
void changeRecorded(Run &run, const preferences::Location &at, const std::vector<RowChange> &changes,
                    EarlierState *record)
{
    using preferences::Action;
    bool needsKey = false;
    for (const RowChange &c : changes)
        needsKey |= c.action.kind == Action::Set;
    RegistryAccessor reg;
    reg.setRootKey(at.root);
    reg.setAccess(run.dry ? KeyRead : KeyAllAccess);
    const bool exists = reg.openKey(at.path, false);
    if (!exists && needsKey && !run.dry) {
        if (record)
            noteMissingKey(*record, at);
        if (!reg.openKey(at.path, true)) {
            run.notDone(preferences::keyText(at.root, at.path), QStringLiteral("the key could not be opened"));
            return;
        }
    }
    for (const RowChange &c : changes) {
        const bool there = exists && reg.valueExists(c.name);
        if (c.action.kind == Action::DeleteValue) {
            if (!there)
                continue;
            if (!run.dry) {
                if (record)
                    noteValue(*record, reg, at, c.name);
                reg.deleteValue(c.name);
            }
            run.record({.kind = Change::DeleteValue, .target = at.path, .name = c.name, .root = at.root});
            continue;
        }
        if (c.action.kind == Action::SetExisting && !exists)
            continue;
        // A second run finds the value as the first left it: nothing to do.
        if (there) {
            const std::optional<RawRegistryValue> now = reg.readRaw(c.name);
            if (now && now->type == 4 && now->data.size() == 4
                && *reinterpret_cast<const int32_t *>(now->data.constData()) == c.action.data)
                continue;
        }
        if (!run.dry) {
            if (record)
                noteValue(*record, reg, at, c.name);
            reg.writeInteger(c.name, c.action.data);
        }
        run.record({.kind = Change::WriteValue, .target = at.path, .name = c.name, .root = at.root,
                    .number = c.action.data});
    }
    reg.closeKey();
}

} // namespace

void writePreferences(Run &run, const QString &version, const OptimizeOptions *optimize, EarlierState *record)
{
    if (preferences::restoresRecordedState(version)) {
        // Restore writes none of these: it puts back what Optimize recorded.
        if (!optimize)
            return;
        const std::vector<preferences::Row> &rows = preferences::rows();
        for (size_t i = 0; i < rows.size();) {
            const preferences::Location at = preferences::locate(rows[i], version);
            if (rows[i].type == preferences::ValueType::Key) {
                if (preferences::actionFor(rows[i], version, optimize).kind == preferences::Action::DeleteKey)
                    deleteKey(run, at);
                ++i;
                continue;
            }
            std::vector<RowChange> changes;
            const QString &key = rows[i].key;
            for (; i < rows.size() && rows[i].type != preferences::ValueType::Key && rows[i].key == key; ++i) {
                const preferences::Action action = preferences::actionFor(rows[i], version, optimize);
                if (action.kind != preferences::Action::Leave)
                    changes.push_back({action, rows[i].name});
            }
            if (!changes.empty())
                changeRecorded(run, at, changes, record);
        }
        return;
    }
    using preferences::Action;
    const std::vector<preferences::Row> &rows = preferences::rows();
    for (size_t i = 0; i < rows.size();) {
        const preferences::Row &row = rows[i];
        const preferences::Location at = preferences::locate(row, version);
        if (row.type == preferences::ValueType::Key) {
            const Action action = preferences::actionFor(row, version, optimize);
            if (action.kind == Action::MakeKey)
                makeKey(run, at);
            else if (action.kind == Action::DeleteKey)
                deleteKey(run, at);
            ++i;
            continue;
        }
        // The values of one key that follow each other are one step.
        std::vector<std::pair<QString, int32_t>> values;
        for (; i < rows.size() && rows[i].type != preferences::ValueType::Key && rows[i].key == row.key; ++i) {
            const Action action = preferences::actionFor(rows[i], version, optimize);
            if (action.kind == Action::Set)
                values.push_back({rows[i].name, action.data});
        }
        writeValues(run, at, values);
    }
}

} // namespace qv
