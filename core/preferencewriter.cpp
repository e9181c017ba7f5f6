// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvane developers

// The preference writer: the registry steps of Optimize and Restore, taken
// row by row from the preference table and planned against what the
// registry holds, so that a second run changes nothing and says so.

#include <QHash>
#include <QSet>
#include <utility>

#include "core/operationrun.h"
#include "core/preferences.h"

namespace qv {

namespace preferences {

namespace {

// The registry as the plan's steps so far leave it: read from the hives
// where the plan has not been, else what the plan put there.
class PlannedRegistry
{
public:
    bool keyExists(const Location &at)
    {
        const QString key = keyId(at);
        if (m_made.contains(key))
            return true;
        RegistryAccessor reg;
        reg.setRootKey(at.root);
        reg.setAccess(KeyRead);
        return reg.openKey(at.path, false);
    }
    std::optional<int32_t> value(const Location &at, const QString &name)
    {
        const QString id = keyId(at) + QLatin1Char('\n') + name.toLower();
        if (const auto it = m_values.constFind(id); it != m_values.cend())
            return *it;
        RegistryAccessor reg;
        reg.setRootKey(at.root);
        reg.setAccess(KeyRead);
        if (!reg.openKey(at.path, false) || !reg.valueExists(name))
            return std::nullopt;
        try {
            return reg.readInteger(name);
        } catch (const Error &) {
            return std::nullopt; // another type: written anew as a number
        }
    }
    void made(const Location &at) { m_made.insert(keyId(at)); }
    void set(const Location &at, const QString &name, int32_t data)
    {
        made(at);
        m_values.insert(keyId(at) + QLatin1Char('\n') + name.toLower(), data);
    }

private:
    // Key names are compared without regard to case, as the registry does.
    static QString keyId(const Location &at) { return QString::number(at.root) + at.path.toLower(); }

    QSet<QString> m_made;
    QHash<QString, int32_t> m_values;
};

} // namespace

std::vector<Step> plan(const QString &version, const OptimizeOptions *optimize)
{
    std::vector<Step> steps;
    PlannedRegistry registry;
    const std::vector<Row> &all = rows();
    for (size_t i = 0; i < all.size();) {
        const Row &row = all[i];
        const Location at = locate(row, version);
        if (row.type == ValueType::Key) {
            const Action action = actionFor(row, version, optimize);
            if (action.kind == Action::MakeKey && !registry.keyExists(at)) {
                steps.push_back({Step::CreateKey, at, {}});
                registry.made(at);
            } else if (action.kind == Action::DeleteKey && registry.keyExists(at)) {
                // Nothing planned lies below the keys deleted: the table deletes last.
                steps.push_back({Step::DeleteKey, at, {}});
            }
            ++i;
            continue;
        }
        // The values of one key that follow each other are one step; the
        // key is made even when none of them is to be written.
        Step step{Step::SetValues, at, {}};
        const bool keyThere = registry.keyExists(at);
        for (; i < all.size() && all[i].type != ValueType::Key && all[i].key == row.key; ++i) {
            const Action action = actionFor(all[i], version, optimize);
            if (action.kind != Action::Set)
                continue;
            const std::optional<int32_t> now = registry.value(at, all[i].name);
            if (now != action.data)
                step.values.push_back({all[i].name, action.data, now});
            registry.set(at, all[i].name, action.data);
        }
        if (!step.values.empty() || !keyThere)
            steps.push_back(std::move(step)); // with no values: the key made
        registry.made(at);
    }
    return steps;
}

} // namespace preferences

namespace {

using preferences::Step;

void recordKey(Run &run, Change::Kind kind, const preferences::Location &at)
{
    run.record({.kind = kind, .target = at.path, .root = at.root});
}

// One step with an accessor of its own, the key opened (created when
// missing); while the registry is staged, closing keeps the values for the
// commit. A key that cannot be opened is named as not done.
void take(Run &run, const Step &step)
{
    RegistryAccessor reg;
    reg.setRootKey(step.at.root);
    reg.setAccess(KeyAllAccess);
    if (step.kind == Step::DeleteKey) {
        if (!run.dry && !reg.deleteKey(step.at.path))
            return; // gone meanwhile: nothing to say
        return recordKey(run, Change::DeleteKey, step.at);
    }
    if (!run.dry && !reg.openKey(step.at.path, true)) {
        // A key made on its own, before the key below it: when it cannot
        // be, the step of that key says so.
        if (step.kind == Step::SetValues)
            run.notDone(preferences::keyText(step.at.root, step.at.path), QStringLiteral("the key could not be opened"));
        return;
    }
    if (step.values.empty())
        recordKey(run, Change::CreateKey, step.at);
    for (const Step::Value &v : step.values) {
        if (!run.dry)
            reg.writeInteger(v.name, v.data);
        run.record({.kind = Change::WriteValue,
                    .target = step.at.path,
                    .name = v.name,
                    .root = step.at.root,
                    .number = v.data,
                    .previous = v.previous ? std::optional<int64_t>(*v.previous) : std::nullopt});
    }
    if (!run.dry)
        reg.closeKey();
}

} // namespace

void writePreferences(Run &run, const QString &version, const OptimizeOptions *optimize)
{
    for (const Step &step : preferences::plan(version, optimize))
        take(run, step);
}

} // namespace qv
