// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvane developers
#include "platform/registry.h"

#include <windows.h>

#include <vector>

#include "platform/error.h"
#include "platform/win/wintext.h"

namespace qv {

// An open key of the machine's registry, closed with its last owner.
class RegistryKeyHandle
{
public:
    explicit RegistryKeyHandle(HKEY key) : m_key(key) {}
    ~RegistryKeyHandle() { RegCloseKey(m_key); }
    RegistryKeyHandle(const RegistryKeyHandle &) = delete;
    RegistryKeyHandle &operator=(const RegistryKeyHandle &) = delete;
    HKEY key() const { return m_key; }

private:
    HKEY m_key;
};

namespace {

// Reader is a 32-bit program: every key is seen as a 32-bit program sees it
// (HKEY_LOCAL_MACHINE\Software lies in Wow6432Node on 64-bit Windows).
constexpr REGSAM kView = KEY_WOW64_32KEY;

HKEY rootHandle(uint32_t root)
{
    return reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(static_cast<LONG>(root)));
}

// A value's type and bytes; false when it is missing or cannot be read.
bool queryValue(HKEY key, const QString &name, DWORD &type, std::vector<BYTE> &data)
{
    const std::wstring n = win::wide(name);
    DWORD size = 0;
    if (RegQueryValueExW(key, n.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS)
        return false;
    for (;;) {
        data.resize(size + sizeof(wchar_t)); // room for a closing NUL the stored text may lack
        DWORD got = size;
        const LONG r = RegQueryValueExW(key, n.c_str(), nullptr, &type, data.data(), &got);
        if (r == ERROR_MORE_DATA) { // it grew between the two calls
            size = got;
            continue;
        }
        if (r != ERROR_SUCCESS)
            return false;
        data.resize(got);
        return true;
    }
}

// Deletes a key below parent and, depth first from the last subkey, all of its subkeys.
bool deleteTree(HKEY parent, const std::wstring &name)
{
    HKEY key = nullptr;
    if (RegOpenKeyExW(parent, name.c_str(), 0, KEY_READ | DELETE | kView, &key) == ERROR_SUCCESS) {
        DWORD count = 0, longest = 0;
        if (RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, &count, &longest, nullptr, nullptr, nullptr, nullptr,
                             nullptr, nullptr)
            == ERROR_SUCCESS) {
            std::vector<wchar_t> sub(longest + 1);
            for (DWORD i = count; i-- > 0;) {
                DWORD len = DWORD(sub.size());
                if (RegEnumKeyExW(key, i, sub.data(), &len, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS)
                    deleteTree(key, std::wstring(sub.data(), len));
            }
        }
        RegCloseKey(key);
    }
    return RegDeleteKeyExW(parent, name.c_str(), kView, 0) == ERROR_SUCCESS;
}

} // namespace

void resetRegistryCache()
{
    // Nothing is held between accesses: every read goes to the registry.
}

void setRegistryLockTimeout(int)
{
    // The registry orders concurrent writers itself.
}

void ensureRegistryWritable(std::initializer_list<uint32_t> roots)
{
    // The machine-wide values need administrator rights: find that out
    // before anything changes rather than half-way.
    for (uint32_t root : roots) {
        HKEY key = nullptr;
        const LONG r = RegOpenKeyExW(rootHandle(root), L"Software", 0, KEY_SET_VALUE | KEY_CREATE_SUB_KEY | kView, &key);
        if (r == ERROR_SUCCESS) {
            RegCloseKey(key);
            continue;
        }
        if (r == ERROR_ACCESS_DENIED && root == HKeyLocalMachine)
            throw Error(QStringLiteral("Quorvane may not change Adobe Reader's machine-wide settings "
                                       "(HKEY_LOCAL_MACHINE): it needs administrator rights. Start it with "
                                       "\"Run as administrator\", then try again"));
        if (r == ERROR_ACCESS_DENIED)
            throw Error(QStringLiteral("Quorvane may not change the registry: %1").arg(win::systemText(DWORD(r))));
    }
}

bool RegistryAccessor::openKey(const QString &path, bool canCreate)
{
    const QString full = fullPath(path);
    if (hasEmptyPart(full))
        return false;
    const std::wstring w = win::wide(full);
    HKEY key = nullptr;
    LONG r;
    if (canCreate && !path.isEmpty())
        r = RegCreateKeyExW(rootHandle(m_root), w.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, m_access | kView,
                            nullptr, &key, nullptr);
    else
        r = RegOpenKeyExW(rootHandle(m_root), w.c_str(), 0, m_access | kView, &key);
    if (r != ERROR_SUCCESS)
        return false;
    closeKey();
    m_current = std::make_shared<RegistryKeyHandle>(key);
    m_currentPath = full;
    return true;
}

void RegistryAccessor::closeKey()
{
    if (!m_current)
        return;
    RegFlushKey(m_current->key());
    m_current.reset();
    m_currentPath.clear();
}

bool RegistryAccessor::valueExists(const QString &name) const
{
    return m_current
        && RegQueryValueExW(m_current->key(), win::wide(name).c_str(), nullptr, nullptr, nullptr, nullptr)
               == ERROR_SUCCESS;
}

QString RegistryAccessor::readString(const QString &name) const
{
    DWORD type = 0;
    std::vector<BYTE> data;
    if (!m_current || !queryValue(m_current->key(), name, type, data))
        return QString();
    if (type != REG_SZ && type != REG_EXPAND_SZ)
        throw valueError("Invalid data type for '%1'", name);
    QString text = win::fromWide(reinterpret_cast<const wchar_t *>(data.data()), qsizetype(data.size() / 2));
    const qsizetype end = text.indexOf(QChar(0));
    return end < 0 ? text : text.left(end);
}

int32_t RegistryAccessor::readInteger(const QString &name) const
{
    DWORD type = 0;
    std::vector<BYTE> data;
    if (!m_current || !queryValue(m_current->key(), name, type, data))
        throw valueError("Failed to get data for '%1'", name);
    return dwordOf(name, uint32_t(type), data.data(), data.size());
}

void RegistryAccessor::writeInteger(const QString &name, int32_t value)
{
    const DWORD dw = DWORD(value);
    if (!m_current
        || RegSetValueExW(m_current->key(), win::wide(name).c_str(), 0, REG_DWORD,
                          reinterpret_cast<const BYTE *>(&dw), sizeof dw)
               != ERROR_SUCCESS)
        throw valueError("Failed to set data for '%1'", name);
}

std::optional<RawRegistryValue> RegistryAccessor::readRaw(const QString &name) const
{
    DWORD type = 0;
    std::vector<BYTE> data;
    if (!m_current || !queryValue(m_current->key(), name, type, data))
        return std::nullopt;
    return RawRegistryValue{uint32_t(type), QByteArray(reinterpret_cast<const char *>(data.data()), qsizetype(data.size()))};
}

void RegistryAccessor::writeRaw(const QString &name, const RawRegistryValue &value)
{
    if (!m_current
        || RegSetValueExW(m_current->key(), win::wide(name).c_str(), 0, DWORD(value.type),
                          reinterpret_cast<const BYTE *>(value.data.constData()), DWORD(value.data.size()))
               != ERROR_SUCCESS)
        throw valueError("Failed to set data for '%1'", name);
}

bool RegistryAccessor::deleteValue(const QString &name)
{
    return m_current && RegDeleteValueW(m_current->key(), win::wide(name).c_str()) == ERROR_SUCCESS;
}

void RegistryAccessor::getKeyNames(QStringList &list) const
{
    list.clear();
    if (!m_current)
        return;
    DWORD count = 0, longest = 0;
    if (RegQueryInfoKeyW(m_current->key(), nullptr, nullptr, nullptr, &count, &longest, nullptr, nullptr, nullptr,
                         nullptr, nullptr, nullptr)
        != ERROR_SUCCESS)
        return;
    std::vector<wchar_t> name(longest + 1);
    for (DWORD i = 0; i < count; ++i) {
        DWORD len = DWORD(name.size());
        if (RegEnumKeyExW(m_current->key(), i, name.data(), &len, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS)
            list << win::fromWide(name.data(), len);
    }
}

bool RegistryAccessor::deleteKey(const QString &path)
{
    const QString full = fullPath(path);
    if (hasEmptyPart(full))
        return false;
    const qsizetype cut = full.lastIndexOf(QLatin1Char('\\'));
    const QString parentPath = cut < 0 ? QString() : full.left(cut);
    const QString leaf = full.mid(cut + 1);
    if (leaf.isEmpty())
        return false;
    HKEY parent = nullptr;
    if (RegOpenKeyExW(rootHandle(m_root), win::wide(parentPath).c_str(), 0, KEY_READ | kView, &parent)
        != ERROR_SUCCESS)
        return false;
    const bool deleted = deleteTree(parent, win::wide(leaf));
    RegCloseKey(parent);
    return deleted;
}

} // namespace qv
