// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvane developers

// Reader X and later: what Optimize takes away is set aside below Reader's
// folder, and the registry's earlier state written down, so that Restore
// can put back exactly what was there.

#include "core/setaside.h"

#include <cstring>

#include "core/reader.h"
#include "platform/filesystem.h"
#include "platform/machine.h"
#include "platform/registry.h"
#include "platform/winpath.h"

namespace qv {

namespace {

QString readMachineText(const QString &key, const QString &name)
{
    RegistryAccessor reg;
    reg.setRootKey(HKeyLocalMachine);
    reg.setAccess(KeyRead);
    try {
        return reg.openKey(key, false) ? reg.readString(name) : QString();
    } catch (const Error &) {
        return QString(); // not text: no folder is named
    }
}

// A value's data as the report gives it: a number only for a REG_DWORD.
std::optional<int64_t> numberOf(const std::optional<RawRegistryValue> &v)
{
    if (!v || v->type != 4 || v->data.size() != 4)
        return std::nullopt;
    int32_t n = 0;
    std::memcpy(&n, v->data.constData(), sizeof n);
    return n;
}

} // namespace

QStringList readerHelperPrograms(const QString &readerFolder)
{
    QStringList out{joinPath(readerFolder, QStringLiteral("AcroCEF\\RdrCEF.exe"))};
    const QString common =
        readMachineText(QStringLiteral("\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion"), QStringLiteral("CommonFilesDir"));
    if (!common.isEmpty())
        for (const char *name : {"AdobeARM.exe", "armsvc.exe"})
            out << joinPath(common, QStringLiteral("Adobe\\ARM\\1.0\\") + QLatin1String(name));
    return out;
}

bool setAside(Run &run, const QString &readerFolder, const QString &path, EarlierState &record,
              const std::function<void()> &keepRecord)
{
    if (!fileExists(path) || !run.allowedDestination(path, QStringLiteral("it was not set aside")))
        return false;
    const QString folder = joinPath(setAsideFolderOf(readerFolder), QString::number(record.files.size() + 1));
    const QString aside = joinPath(folder, winpath::name(path));
    if (!run.dry && !makeFolder(folder)) {
        run.notDone(path, QStringLiteral("the folder \"%1\" could not be made, so it stays").arg(folder));
        return false;
    }
    run.copy({path}, folder);
    if (!run.dry && !sameFileContent(path, aside)) {
        run.notDone(path, QStringLiteral("it could not be copied to \"%1\", so it stays: ").arg(folder) + failureReason());
        return false;
    }
    record.files.push_back({path, aside}); // written down only by a real run
    // Written down before the file leaves its place, so that Restore knows
    // of it whatever happens next.
    keepRecord();
    run.record({.kind = Change::SetAside, .paths = {path}, .target = folder});
    return run.remove({path}).isEmpty();
}

void putBackRecorded(Run &run, const EarlierState &record)
{
    for (auto it = record.values.rbegin(); it != record.values.rend(); ++it) {
        if (record.madeKey(it->root, it->key))
            continue; // goes with its key
        RegistryAccessor reg;
        reg.setRootKey(it->root);
        reg.setAccess(run.dry ? KeyRead : KeyAllAccess);
        if (!reg.openKey(it->key, !run.dry && it->was.has_value()))
            continue;
        const std::optional<RawRegistryValue> now = reg.readRaw(it->name);
        if (now == it->was)
            continue; // as it was already
        if (!run.dry) {
            if (it->was)
                reg.writeRaw(it->name, *it->was);
            else
                reg.deleteValue(it->name);
        }
        run.record({.kind = it->was ? Change::PutBackValue : Change::DeleteValue,
                    .target = it->key,
                    .name = it->name,
                    .root = it->root,
                    .previous = numberOf(now),
                    .putBack = numberOf(it->was)});
        reg.closeKey();
    }
    for (const EarlierState::Key &k : record.keys) {
        RegistryAccessor reg;
        reg.setRootKey(k.root);
        reg.setAccess(run.dry ? KeyRead : KeyAllAccess);
        if (run.dry ? reg.openKey(k.key, false) : reg.deleteKey(k.key))
            run.record({.kind = Change::DeleteKey, .target = k.key, .root = k.root});
    }
}

bool bringBack(Run &run, const EarlierState &record)
{
    bool all = true;
    for (const EarlierState::File &f : record.files) {
        if (!fileExists(f.aside))
            continue;
        const QString folder = winpath::folder(f.original);
        if (!run.allowedDestination(f.original, QStringLiteral("it was not brought back")))
            return false;
        if (!run.dry && !fileExists(f.original)) {
            makeFolder(folder);
            run.copy({f.aside}, folder);
        }
        run.record({.kind = Change::BringBack, .paths = {f.original}, .target = winpath::folder(f.aside)});
        if (!run.dry && !sameFileContent(f.aside, f.original)) {
            run.notDone(f.original, QStringLiteral("it could not be brought back from \"%1\": ").arg(f.aside) + failureReason());
            all = false;
            continue;
        }
        if (!run.dry) {
            run.remove({f.aside});
            removeEmptyFolder(winpath::folder(f.aside));
        }
    }
    return all;
}

} // namespace qv
