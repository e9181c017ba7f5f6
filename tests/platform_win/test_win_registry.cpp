// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvane developers
#include <QStringList>
#include <gtest/gtest.h>

#include "platform/registry.h"
#include "platform_win/winsupport.h"
#include "support/errormessage.h"

// After our headers: the system's FO_ and FOF_ macros would rename our constants.
#include <windows.h>

using qv::RegistryAccessor;

namespace {

// A scratch tree, removed again through the accessor under test.
class Scratch : public ::testing::Test
{
protected:
    void TearDown() override
    {
        for (uint32_t root : {qv::HKeyCurrentUser, qv::HKeyLocalMachine}) {
            RegistryAccessor reg;
            reg.setRootKey(root);
            reg.deleteKey(QLatin1Char('\\') + key);
        }
    }
    const QString key = scratchKey("registry");
};

bool rawKeyExists(HKEY root, const QString &path, REGSAM view)
{
    HKEY k = nullptr;
    if (RegOpenKeyExW(root, path.toStdWString().c_str(), 0, KEY_READ | view, &k) != ERROR_SUCCESS)
        return false;
    RegCloseKey(k);
    return true;
}

} // namespace

TEST_F(Scratch, NumbersGoInAsDwordsAndTheTypeRulesHold)
{
    RegistryAccessor reg;
    ASSERT_TRUE(reg.openKey(key, true));
    reg.writeInteger("iConnectionSpeed", 10000000);
    reg.writeInteger("negative", -2);
    EXPECT_EQ(reg.readInteger("iConnectionSpeed"), 10000000);
    EXPECT_EQ(reg.readInteger("negative"), -2);
    EXPECT_TRUE(reg.valueExists("negative"));
    EXPECT_FALSE(reg.valueExists("missing"));
    EXPECT_EQ(reg.readString("missing"), "");
    EXPECT_EQ(messageOf([&] { reg.readInteger("missing"); }), "Failed to get data for 'missing'");
    EXPECT_EQ(messageOf([&] { reg.readString("negative"); }), "Invalid data type for 'negative'");

    // A text value, written as another program would.
    HKEY raw = nullptr;
    ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, key.toStdWString().c_str(), 0, KEY_SET_VALUE, &raw), ERROR_SUCCESS);
    const wchar_t text[] = L"C:\\Program Files\\Adobe";
    RegSetValueExW(raw, L"", 0, REG_SZ, reinterpret_cast<const BYTE *>(text), sizeof text);
    RegCloseKey(raw);
    EXPECT_EQ(reg.readString(""), "C:\\Program Files\\Adobe");
    EXPECT_EQ(messageOf([&] { reg.readInteger(""); }), "Invalid data type for ''");
}

TEST_F(Scratch, AKeyOpenedForReadingRefusesAWrite)
{
    {
        RegistryAccessor make;
        ASSERT_TRUE(make.openKey(key, true));
    }
    RegistryAccessor reg;
    reg.setAccess(qv::KeyRead);
    ASSERT_TRUE(reg.openKey(key, false));
    EXPECT_EQ(messageOf([&] { reg.writeInteger("x", 1); }), "Failed to set data for 'x'");
    EXPECT_FALSE(reg.valueExists("x"));
}

TEST_F(Scratch, PathsWithoutABackslashAreRelativeToTheOpenKey)
{
    {
        RegistryAccessor make;
        ASSERT_TRUE(make.openKey(key + "\\Explorer\\Shell Folders", true));
    }
    RegistryAccessor reg;
    ASSERT_TRUE(reg.openKey("\\" + key, false));
    ASSERT_TRUE(reg.openKey("Explorer", false));
    EXPECT_EQ(reg.currentPath(), key + "\\Explorer");
    // Not below the root: the name is looked for below the open key.
    EXPECT_FALSE(reg.openKey("Software", false));
    reg.closeKey();
    EXPECT_FALSE(reg.hasCurrentKey());
    EXPECT_TRUE(reg.openKey("Software", false));
    EXPECT_EQ(reg.currentPath(), "Software");
    // Opening without may-create never makes a key.
    EXPECT_FALSE(reg.openKey("\\" + key + "\\Nowhere", false));
    EXPECT_FALSE(rawKeyExists(HKEY_CURRENT_USER, key + "\\Nowhere", 0));
}

TEST_F(Scratch, SubkeysAreListedInTheRegistrysOrderAndDeletedWithTheirTree)
{
    RegistryAccessor reg;
    for (const char *sub : {"9.0\\AVGeneral\\cRecentFiles\\c1", "9.0\\Originals", "7.0", "8.0"})
        ASSERT_TRUE(reg.openKey("\\" + key + "\\" + sub, true));
    ASSERT_TRUE(reg.openKey("\\" + key, false));
    QStringList names{"stale"};
    reg.getKeyNames(names);
    EXPECT_EQ(names, QStringList({"7.0", "8.0", "9.0"}));

    EXPECT_TRUE(reg.deleteKey("9.0"));
    EXPECT_FALSE(rawKeyExists(HKEY_CURRENT_USER, key + "\\9.0", 0));
    EXPECT_FALSE(reg.deleteKey("9.0"));
    reg.getKeyNames(names);
    EXPECT_EQ(names, QStringList({"7.0", "8.0"}));

    RegistryAccessor none;
    none.getKeyNames(names);
    EXPECT_TRUE(names.isEmpty());
}

TEST_F(Scratch, TheMachineIsSeenAsAThirtyTwoBitProgramSeesIt)
{
    // Reader is a 32-bit program: on a 64-bit system its machine-wide keys
    // are the ones below Wow6432Node.
    RegistryAccessor reg;
    reg.setRootKey(qv::HKeyLocalMachine);
    ASSERT_TRUE(reg.openKey("\\" + key + "\\AVGeneral", true));
    reg.writeInteger("iConnectionSpeed", 100000);
    reg.closeKey();
    EXPECT_TRUE(rawKeyExists(HKEY_LOCAL_MACHINE, key + "\\AVGeneral", KEY_WOW64_32KEY));
    BOOL wow64 = FALSE;
    const bool system64 = sizeof(void *) == 8 || (IsWow64Process(GetCurrentProcess(), &wow64) && wow64);
    if (system64) {
        QString wowPath = key;
        wowPath.insert(wowPath.indexOf('\\'), "\\Wow6432Node");
        EXPECT_TRUE(rawKeyExists(HKEY_LOCAL_MACHINE, wowPath + "\\AVGeneral", KEY_WOW64_64KEY));
        EXPECT_FALSE(rawKeyExists(HKEY_LOCAL_MACHINE, key + "\\AVGeneral", KEY_WOW64_64KEY));
    }
    qv::ensureRegistryWritable({qv::HKeyCurrentUser, qv::HKeyLocalMachine}); // rights enough here: no error
}

TEST_F(Scratch, ASectionReaderReadsTextOfItsSubkeysAndKeepsItsKey)
{
    {
        RegistryAccessor reg;
        ASSERT_TRUE(reg.openKey(key + "\\Shell Folders", true));
        HKEY raw = nullptr;
        ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, (key + "\\Shell Folders").toStdWString().c_str(), 0,
                                KEY_SET_VALUE, &raw),
                  ERROR_SUCCESS);
        const wchar_t desktop[] = L"C:\\users\\ann\\Desktop";
        RegSetValueExW(raw, L"Desktop", 0, REG_SZ, reinterpret_cast<const BYTE *>(desktop), sizeof desktop);
        RegCloseKey(raw);
    }
    qv::RegistrySectionReader reader(key);
    EXPECT_EQ(reader.readString("Shell Folders", "Desktop", "x"), "C:\\users\\ann\\Desktop");
    EXPECT_EQ(reader.readString("Shell Folders", "SendTo", "def"), "def");
    EXPECT_EQ(reader.readString("MapGroups", "Quick Launch", ""), "");
    // The reader made its own key, which did not exist.
    qv::RegistrySectionReader fresh(key + "\\New");
    EXPECT_TRUE(rawKeyExists(HKEY_CURRENT_USER, key + "\\New", 0));
}
