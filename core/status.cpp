// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvane developers
#include "core/status.h"

#include "core/backupmarker.h"
#include "core/pluginlist.h"
#include "core/reader.h"
#include "core/readerhelpers.h"
#include "core/safetycopy.h"
#include "platform/error.h"
#include "platform/filesystem.h"
#include "platform/registry.h"

namespace qv {

namespace {

std::optional<int32_t> readPreference(const preferences::Value &p)
{
    RegistryAccessor reg;
    reg.setRootKey(p.root);
    reg.setAccess(KeyRead);
    if (!reg.openKey(p.key, false) || !reg.valueExists(p.name))
        return std::nullopt;
    try {
        return reg.readInteger(p.name);
    } catch (const Error &) {
        return std::nullopt; // another type: Reader reads no number there either
    }
}

} // namespace

ReaderStatus readerStatus(const ReaderInstallation &reader)
{
    ReaderStatus s;
    s.generation = preferences::generations().at(preferences::generationOf(reader.version)).name;
    s.folderExists = directoryExists(reader.folder);
    s.optimized = safetyCopyTrusted(reader.folder);
    s.runningReader = FindProcessId(reader::processNames());
    s.loaded = plugInsLoaded(reader.folder);
    const QString optional = optionalFolderOf(reader.folder) + QLatin1Char('\\');
    for (const PlugInItem &item : plugInsOnlyInSafetyCopy(reader.folder))
        s.notLoaded << item.path.mid(optional.size());
    for (const preferences::Value &p : preferences::values(reader.version))
        s.preferences.push_back({p, readPreference(p)});
    return s;
}

} // namespace qv
