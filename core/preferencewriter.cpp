// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvane developers

// The preference writer: the registry steps of Optimize and Restore, taken
// row by row from the preference table.

#include <utility>

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

} // namespace

void writePreferences(Run &run, const QString &version, const OptimizeOptions *optimize)
{
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
