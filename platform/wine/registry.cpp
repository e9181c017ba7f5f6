// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvane developers
// The registry accessor on a Wine prefix: a key path of a root is found in
// its hive (hivecache.h), through the 32-bit view (registryview32.h) and
// Wine's link keys; changes wait in memory until the key is closed or a
// staging commits them (registrystaging.h). What every machine's accessor
// shares is in platform/registryaccessor.cpp.
#include "platform/registry.h"

#include <optional>

#include "platform/error.h"
#include "platform/wine/hivecache.h"
#include "platform/wine/registrystaging.h"
#include "platform/wine/registryview32.h"
#include "platform/wine/wineprefix.h"

namespace qv {

using hivecache::HiveEntry;

// An open key: where it lives and, for a few keys of the 32-bit view, the
// 64-bit key whose values show through when the 32-bit one lacks them.
class RegistryKeyHandle
{
public:
    QString file;              // empty: the HKEY_USERS root, which lists ".Default" only
    uint32_t root = 0;
    QStringList path;          // below the hive's root, after redirection
    QStringList fallback;      // empty when none
    bool usersRoot = false;
    uint32_t access = 0;       // the rights it was opened with, which a Windows key handle keeps

    HiveEntry &entry() const
    {
        return hivecache::entryFor(file,
                                   hivecache::prologueFor(root, root == HKeyLocalMachine && hivecache::systemIsWin64()));
    }
    Hive &hive() const { return *entry().hive; }
};

namespace {

QStringList splitPath(const QString &path)
{
    return path.split(QLatin1Char('\\'), Qt::SkipEmptyParts);
}

// Where a key path of a root lives. False when it cannot exist.
bool locate(uint32_t root, const QStringList &path, RegistryKeyHandle &h)
{
    h.root = root;
    h.fallback.clear();
    h.usersRoot = false;
    switch (root) {
    case HKeyCurrentUser:
        h.file = hivecache::hiveFileOf(root);
        h.path = path;
        return true;
    case HKeyLocalMachine:
        h.file = hivecache::hiveFileOf(root);
        h.path = path;
        if (hivecache::systemIsWin64()) {
            h.path = view32::redirect32(path);
            if (h.path != path && view32::readsFallBackTo64(path))
                h.fallback = path;
        }
        return true;
    case HKeyUsers:
        if (path.isEmpty()) {
            h.file.clear();
            h.path.clear();
            h.usersRoot = true;
            return true;
        }
        if (path[0].compare(QLatin1String(".Default"), Qt::CaseInsensitive))
            return false;
        h.file = WinePrefix::current().userDefaultHive();
        h.path = path.mid(1);
        return true;
    default:
        return false;
    }
}

// The key a path names once Wine's link keys are followed
// (System\CurrentControlSet is a link to System\ControlSet001).
void followLinks(RegistryKeyHandle &h)
{
    if (h.usersRoot)
        return;
    const Hive &hive = h.hive();
    h.path = hive.resolveLinks(h.path);
    if (!h.fallback.isEmpty())
        h.fallback = hive.resolveLinks(h.fallback);
}

// A value of the key, or of its 64-bit fallback.
std::optional<HiveValue> lookup(const RegistryKeyHandle &h, const QString &name)
{
    if (h.usersRoot)
        return std::nullopt;
    Hive &hive = h.hive();
    auto v = hive.value(h.path, name);
    if (!v && !h.fallback.isEmpty())
        v = hive.value(h.fallback, name);
    return v;
}

} // namespace

bool RegistryAccessor::openKey(const QString &path, bool canCreate)
{
    const QString full = fullPath(path);
    if (hasEmptyPart(full))
        return false;

    auto h = std::make_shared<RegistryKeyHandle>();
    if (!locate(m_root, splitPath(full), *h))
        return false;
    followLinks(*h);
    if (!h->usersRoot) {
        HiveEntry &e = h->entry();
        const bool exists = e.hive->keyExists(h->path) || (!h->fallback.isEmpty() && e.hive->keyExists(h->fallback));
        if (!exists) {
            if (!canCreate || path.isEmpty() || h->path.isEmpty())
                return false;
            registrystaging::beforeChange(e);
            e.hive->createKey(h->path);
            e.pending.push_back(hivecache::CreateKey{h->path});
        }
    }
    if (m_current && !m_current->file.isEmpty())
        registrystaging::flush(m_current->file); // the previous key is closed, and closing flushes
    h->access = m_access;
    m_current = std::move(h);
    m_currentPath = full;
    return true;
}

void RegistryAccessor::closeKey()
{
    if (!m_current)
        return;
    const QString file = m_current->file;
    m_current.reset();
    m_currentPath.clear();
    if (!file.isEmpty())
        registrystaging::flush(file);
}

bool RegistryAccessor::valueExists(const QString &name) const
{
    return m_current && lookup(*m_current, name).has_value();
}

QString RegistryAccessor::readString(const QString &name) const
{
    if (!m_current)
        return QString();
    const auto v = lookup(*m_current, name);
    if (!v)
        return QString();
    if (v->type != RegSz && v->type != RegExpandSz)
        throw valueError("Invalid data type for '%1'", name);
    return hivetext::textOf(v->data);
}

int32_t RegistryAccessor::readInteger(const QString &name) const
{
    const auto v = m_current ? lookup(*m_current, name) : std::nullopt;
    if (!v)
        throw valueError("Failed to get data for '%1'", name);
    return dwordOf(name, v->type, v->data.constData(), size_t(v->data.size()));
}

void RegistryAccessor::writeInteger(const QString &name, int32_t value)
{
    const uint32_t keySetValue = 0x0002;
    if (!m_current || m_current->usersRoot || !(m_current->access & keySetValue))
        throw valueError("Failed to set data for '%1'", name);
    HiveEntry &e = m_current->entry();
    registrystaging::beforeChange(e);
    HiveValue v;
    v.name = name;
    v.type = RegDword;
    v.data = hivetext::dwordData(uint32_t(value));
    e.hive->setValue(m_current->path, v);
    e.pending.push_back(hivecache::SetValue{m_current->path, v});
}

std::optional<RawRegistryValue> RegistryAccessor::readRaw(const QString &name) const
{
    const auto v = m_current ? lookup(*m_current, name) : std::nullopt;
    if (!v)
        return std::nullopt;
    return RawRegistryValue{v->type, v->data};
}

void RegistryAccessor::writeRaw(const QString &name, const RawRegistryValue &value)
{
    const uint32_t keySetValue = 0x0002;
    if (!m_current || m_current->usersRoot || !(m_current->access & keySetValue))
        throw valueError("Failed to set data for '%1'", name);
    HiveEntry &e = m_current->entry();
    registrystaging::beforeChange(e);
    HiveValue v;
    v.name = name;
    v.type = value.type;
    v.data = value.data;
    e.hive->setValue(m_current->path, v);
    e.pending.push_back(hivecache::SetValue{m_current->path, v});
}

bool RegistryAccessor::deleteValue(const QString &name)
{
    if (!m_current || m_current->usersRoot || !m_current->hive().value(m_current->path, name))
        return false;
    HiveEntry &e = m_current->entry();
    registrystaging::beforeChange(e);
    e.hive->deleteValue(m_current->path, name);
    e.pending.push_back(hivecache::DeleteValue{m_current->path, name});
    return true;
}

void RegistryAccessor::getKeyNames(QStringList &list) const
{
    list.clear();
    if (!m_current)
        return;
    if (m_current->usersRoot) {
        list << QStringLiteral(".Default");
        return;
    }
    Hive &hive = m_current->hive();
    const RegistryKeyHandle &h = *m_current;
    if (hive.keyExists(h.path))
        list = hive.subkeys(h.path);
    else if (!h.fallback.isEmpty())
        list = hive.subkeys(h.fallback);
    // The 32-bit view of Software also shows the keys both views share.
    if (h.root == HKeyLocalMachine && h.path.size() == 2 && view32::isWow6432Node(h.path[1])
        && splitPath(m_currentPath).size() == 1) {
        for (const QString &k : hive.subkeys(QStringList{h.path[0]}))
            if (!view32::isWow6432Node(k) && view32::showsInBothViews(k) && !list.contains(k, Qt::CaseInsensitive))
                list << k;
    }
}

bool RegistryAccessor::deleteKey(const QString &path)
{
    const QString full = fullPath(path);
    RegistryKeyHandle h;
    if (hasEmptyPart(full) || !locate(m_root, splitPath(full), h) || h.usersRoot || h.path.isEmpty())
        return false;
    // the key's parents may be links; a link key itself is deleted, not its target
    const QString leaf = h.path.takeLast();
    h.fallback.clear();
    followLinks(h);
    h.path << leaf;
    HiveEntry &e = h.entry();
    if (!e.hive->keyExists(h.path))
        return false;
    registrystaging::beforeChange(e);
    e.hive->deleteKey(h.path);
    e.pending.push_back(hivecache::DeleteKey{h.path});
    registrystaging::flush(h.file);
    return true;
}

} // namespace qv
