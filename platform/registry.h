// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvane developers
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <initializer_list>
#include <memory>
#include <optional>
#include <vector>

namespace qv {

class Error;

// Root keys and access rights, with the values Windows gives them.
enum : uint32_t {
    HKeyCurrentUser = 0x80000001u,
    HKeyLocalMachine = 0x80000002u,
    HKeyUsers = 0x80000003u,
};
enum : uint32_t {
    KeyRead = 0x20019u,      // 131097
    KeyAllAccess = 0xF003Fu, // 983103
};

// A value as the registry holds it: its type (REG_SZ = 1, REG_DWORD = 4, ...)
// and its bytes, for putting back exactly what was there.
struct RawRegistryValue
{
    uint32_t type = 0;
    QByteArray data;
    bool operator==(const RawRegistryValue &) const = default;
};

class RegistryKeyHandle; // an open key of one hive (registry store internals)

// Forgets every hive held in memory, so the next access reads the files again.
void resetRegistryCache();
// How long a save waits for another Quorvane holding the registry lock (ms).
void setRegistryLockTimeout(int ms);

// The checks an operation runs before it changes anything, so that it
// refuses at the start rather than stop half-way.
//
// Throws the error a later write to these roots would meet: a hive that does
// not load (damaged, empty, a link to a missing file) or cannot be replaced
// (a read-only or immutable file or folder). Running programs are the next
// two functions' business. On Windows: the keys' access rights for this account.
void ensureRegistryWritable(std::initializer_list<uint32_t> roots);
// Throws an Error naming every program (with its command line) that keeps the
// registry from taking changes, apart from the processes the caller is about
// to end itself. Under Wine: the Windows programs of the prefix, which keep
// its wineserver alive, and the server writes its own copy of the registry
// back when it ends; Wine's own background programs end with the last of them
// and do not count. On Windows nothing holds the registry so: never throws.
void ensureNoProgramHoldsRegistry(const std::vector<int64_t> &endedByCaller = {});
// Waits until nothing holds the registry any more (under Wine: the prefix's
// wineserver, which ends a few seconds after its last program); throws an
// Error that names the cause and the way out when it does not. On Windows:
// returns at once.
void waitForRegistry();

// The registry changes of one operation, held back and written together.
// While one lives, changes through any accessor are kept in memory (reads see
// them) instead of being saved key by key; commit() writes every changed hive
// to its temporary file and flushes it, and only then replaces them all, so a
// full disk or a failing write leaves every hive as it was. Leftovers of an
// interrupted save are removed first. Destroyed without commit(), the changes
// are dropped. On Windows, where the registry saves each value by itself
// and no file is rewritten whole: the values are written through advapi32
// as they come, and commit() flushes HKEY_CURRENT_USER and
// HKEY_LOCAL_MACHINE (RegFlushKey); what was written before a failure stays.
class RegistryStaging
{
public:
    RegistryStaging();
    ~RegistryStaging();
    RegistryStaging(const RegistryStaging &) = delete;
    RegistryStaging &operator=(const RegistryStaging &) = delete;

    // Throws an Error naming the hive and the cause when it cannot; the
    // message says whether any hive had been replaced by then (normally none).
    void commit();

private:
    bool m_done = false;
};

// The registry accessor: one per registry step. Reads and writes the hive
// files of the current Wine prefix (system.reg, user.reg, userdef.reg).
//
// Path rule: a path with a leading backslash is taken from the root; one
// without is relative to the current key when one is open, else from the root.
class RegistryAccessor
{
public:
    RegistryAccessor();
    ~RegistryAccessor(); // closes (and so flushes) the current key
    RegistryAccessor(const RegistryAccessor &) = delete;
    RegistryAccessor &operator=(const RegistryAccessor &) = delete;

    uint32_t rootKey() const { return m_root; }
    void setRootKey(uint32_t root); // closes the current key when the root changes
    uint32_t access() const { return m_access; }
    void setAccess(uint32_t access) { m_access = access; }

    // Opens (or, with canCreate and a non-empty path, creates) a key; on
    // success it becomes the current key. False when it cannot be opened.
    bool openKey(const QString &path, bool canCreate);
    // Flushes the current key's hive to disk and forgets the key.
    void closeKey();
    bool hasCurrentKey() const;
    QString currentPath() const { return m_currentPath; }

    bool valueExists(const QString &name) const;
    // REG_SZ or REG_EXPAND_SZ text; empty when missing.
    // Throws "Invalid data type for '%s'" for other types.
    QString readString(const QString &name) const;
    // REG_DWORD. Throws "Failed to get data for '%s'" when missing and
    // "Invalid data type for '%s'" for other types.
    int32_t readInteger(const QString &name) const;
    // Stores a REG_DWORD; throws "Failed to set data for '%s'" when refused.
    void writeInteger(const QString &name, int32_t value);
    // A value of the current key of any type; none when it is missing.
    std::optional<RawRegistryValue> readRaw(const QString &name) const;
    // Stores a value of any type; throws "Failed to set data for '%s'" when refused.
    void writeRaw(const QString &name, const RawRegistryValue &value);
    // Removes a value of the current key; false when it was not there.
    bool deleteValue(const QString &name);
    // Replaces the list's content with the current key's subkeys in the
    // hive's order; empty without a current key.
    void getKeyNames(QStringList &list) const;
    // Deletes a key and everything below it; true when the key itself went.
    bool deleteKey(const QString &path);

private:
    // The key a path names: from the root with a leading backslash, else
    // below the current key when one is open. Closing backslashes name the
    // same key.
    QString fullPath(const QString &path) const;
    // A path with an empty part names no key; it is refused rather than
    // taken for a shorter one (registryaccessor.cpp says why).
    static bool hasEmptyPart(const QString &keyPath);
    // The error of a value that is missing or of another type ("%1": its name).
    static Error valueError(const char *format, const QString &name);
    // A REG_DWORD's number from the value's type and bytes, or valueError.
    static int32_t dwordOf(const QString &name, uint32_t type, const void *data, size_t size);

    uint32_t m_root = HKeyCurrentUser;
    uint32_t m_access = KeyAllAccess;
    QString m_currentPath;
    std::shared_ptr<RegistryKeyHandle> m_current;
};

// A registry accessor fixed on one key below HKEY_CURRENT_USER (created if
// missing), used only to read text values of its subkeys.
class RegistrySectionReader
{
public:
    explicit RegistrySectionReader(const QString &keyPath);
    // The text of value name in subkey section, or def when either is missing.
    QString readString(const QString &section, const QString &name, const QString &def);

private:
    RegistryAccessor m_accessor;
};

} // namespace qv
