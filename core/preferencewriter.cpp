// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvane developers

// The preference writer: the registry steps of Optimize and Restore, taken
// row by row from the preference table and planned against what the
// registry holds, so that a second run changes nothing and says so.

#include <QHash>
#include <QSet>
#include <utility>

#include "core/earlierstate.h"
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
    struct Seen
    {
        bool exists = false;
        std::optional<int32_t> number; // none: missing, or another type
    };

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
    Seen value(const Location &at, const QString &name)
    {
        if (const auto it = m_values.constFind(valueId(at, name)); it != m_values.cend())
            return *it;
        RegistryAccessor reg;
        reg.setRootKey(at.root);
        reg.setAccess(KeyRead);
        if (!reg.openKey(at.path, false) || !reg.valueExists(name))
            return {};
        try {
            return {true, reg.readInteger(name)};
        } catch (const Error &) {
            return {true, std::nullopt}; // another type: written anew as a number
        }
    }
    void made(const Location &at) { m_made.insert(keyId(at)); }
    void set(const Location &at, const QString &name, int32_t data)
    {
        made(at);
        m_values.insert(valueId(at, name), {true, data});
    }
    void removed(const Location &at, const QString &name) { m_values.insert(valueId(at, name), {}); }

private:
    // Key names are compared without regard to case, as the registry does.
    static QString keyId(const Location &at) { return QString::number(at.root) + at.path.toLower(); }
    static QString valueId(const Location &at, const QString &name)
    {
        return keyId(at) + QLatin1Char('\n') + name.toLower();
    }

    QSet<QString> m_made;
    QHash<QString, Seen> m_values;
};

} // namespace

std::vector<Step> plan(const QString &version, const OptimizeOptions *optimize)
{
    std::vector<Step> steps;
    // Reader X and later: Restore writes none of these, it puts back what
    // Optimize recorded; and Optimize makes a key only for a value it sets.
    const bool recorded = restoresRecordedState(version);
    if (recorded && !optimize)
        return steps;
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
        // The values of one key that follow each other are one step; for
        // Reader 5 to 9 the key is made even when none of them is to be
        // written, but only where a row of it is this generation's.
        Step step{Step::SetValues, at, {}};
        const bool keyThere = registry.keyExists(at);
        bool ours = false;
        for (; i < all.size() && all[i].type != ValueType::Key && all[i].key == row.key; ++i) {
            ours |= appliesTo(all[i], version);
            const Action action = actionFor(all[i], version, optimize);
            const QString &name = all[i].name;
            if (action.kind == Action::DeleteValue) {
                const PlannedRegistry::Seen now = registry.value(at, name);
                if (now.exists)
                    step.values.push_back({name, 0, now.number, true});
                registry.removed(at, name);
                continue;
            }
            if (action.kind != Action::Set && !(action.kind == Action::SetExisting && keyThere))
                continue;
            const PlannedRegistry::Seen now = registry.value(at, name);
            if (!now.exists || now.number != action.data)
                step.values.push_back({name, action.data, now.number, false});
            registry.set(at, name, action.data);
        }
        if (!step.values.empty() || (!keyThere && ours && !recorded)) {
            steps.push_back(std::move(step)); // with no values: the key made
            registry.made(at);
        }
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

// One step with an accessor of its own, the key opened (created when
// missing); while the registry is staged, closing keeps the values for the
// commit. A key that cannot be opened is named as not done. With a record
// (Reader X and later), the state before each change is noted first, so
// that Restore can put back exactly that.
void take(Run &run, const Step &step, EarlierState *record)
{
    RegistryAccessor reg;
    reg.setRootKey(step.at.root);
    reg.setAccess(KeyAllAccess);
    if (step.kind == Step::DeleteKey) {
        if (!run.dry && !reg.deleteKey(step.at.path))
            return; // gone meanwhile: nothing to say
        return recordKey(run, Change::DeleteKey, step.at);
    }
    if (record && !run.dry)
        noteMissingKey(*record, step.at);
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
        if (!run.dry) {
            if (record)
                noteValue(*record, reg, step.at, v.name);
            if (v.remove)
                reg.deleteValue(v.name);
            else
                reg.writeInteger(v.name, v.data);
        }
        run.record({.kind = v.remove ? Change::DeleteValue : Change::WriteValue,
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

void writePreferences(Run &run, const QString &version, const OptimizeOptions *optimize, EarlierState *record)
{
    for (const Step &step : preferences::plan(version, optimize))
        take(run, step, record);
}

} // namespace qv
