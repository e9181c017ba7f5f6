// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvane developers
#include <QDir>
#include <QFile>
#include <csignal>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "platform/wine/hive.h"
#include "platform/registry.h"
#include "platform/wine/wineserver.h"
#include "support/errormessage.h"
#include "support/lockholder.h"
#include "support/tempdir.h"
#include "support/testprefix.h"

using qv::RegistryAccessor;

namespace {

const char kReaderKey[] = "\\SOFTWARE\\Adobe\\Acrobat Reader";
const char kShellFolders[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";

struct Registry : ::testing::Test
{
    TestPrefix prefix;
    void SetUp() override
    {
        prefix.writeHive("system.reg",
                         HiveText()
                             .key("Software\\Adobe\\Acrobat Reader\\9.0\\AdobeViewer")
                             .dword("EULA", 1)
                             .str("Name", "Reader")
                             .key("Software\\Adobe\\Acrobat Reader\\9.0\\InstallPath")
                             .str("", "C:\\Program Files\\Adobe\\Reader 9.0\\Reader")
                             .key("Software\\Adobe\\Acrobat Reader\\9.0\\Installer\\Optimization")
                             .binary("Blob", QByteArray("\x01\x02", 2))
                             .key("Software\\Adobe\\Acrobat Reader\\10.0")
                             .key("Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders")
                             .str("Common Desktop", "C:\\users\\Public\\Desktop")
                             .expand("Personal", "%USERPROFILE%\\Documents"));
    }
};

} // namespace

TEST_F(Registry, RelativePathsFollowTheCurrentKeyUntilItIsClosed)
{
    RegistryAccessor reg;
    reg.setRootKey(qv::HKeyLocalMachine);
    ASSERT_TRUE(reg.openKey(kReaderKey, false));
    EXPECT_EQ(reg.currentPath(), "SOFTWARE\\Adobe\\Acrobat Reader");
    // Looked for below the Adobe key, where it is not.
    EXPECT_FALSE(reg.openKey(kShellFolders, false));
    EXPECT_EQ(reg.currentPath(), "SOFTWARE\\Adobe\\Acrobat Reader"); // a failed open changes nothing
    ASSERT_TRUE(reg.openKey("9.0\\installpath", false));
    EXPECT_EQ(reg.currentPath(), "SOFTWARE\\Adobe\\Acrobat Reader\\9.0\\installpath");
    EXPECT_EQ(reg.readString(""), "C:\\Program Files\\Adobe\\Reader 9.0\\Reader");
    reg.closeKey();
    EXPECT_FALSE(reg.hasCurrentKey());
    EXPECT_TRUE(reg.currentPath().isEmpty());
    ASSERT_TRUE(reg.openKey(kShellFolders, false)); // from the root now
    EXPECT_EQ(reg.readString("common desktop"), "C:\\users\\Public\\Desktop");
    EXPECT_EQ(reg.readString("Personal"), "%USERPROFILE%\\Documents");
}

TEST_F(Registry, ListsSubkeysInHiveOrderAndNothingWithoutAKey)
{
    RegistryAccessor reg;
    reg.setRootKey(qv::HKeyLocalMachine);
    QStringList list{"stale"};
    reg.getKeyNames(list);
    EXPECT_TRUE(list.isEmpty());
    ASSERT_TRUE(reg.openKey(kReaderKey, false));
    reg.getKeyNames(list);
    EXPECT_EQ(list, QStringList({"9.0", "10.0"}));
    ASSERT_TRUE(reg.openKey("9.0", false));
    reg.getKeyNames(list);
    EXPECT_EQ(list, QStringList({"AdobeViewer", "InstallPath", "Installer"}));
}

TEST_F(Registry, ReadsReportMissingAndWrongTypedValuesExactly)
{
    RegistryAccessor reg;
    reg.setRootKey(qv::HKeyLocalMachine);
    reg.setAccess(qv::KeyRead);
    ASSERT_TRUE(reg.openKey("\\Software\\Adobe\\Acrobat Reader\\9.0\\AdobeViewer", false));
    EXPECT_TRUE(reg.valueExists("eula"));
    EXPECT_FALSE(reg.valueExists("Missing"));
    EXPECT_EQ(reg.readInteger("EULA"), 1);
    EXPECT_EQ(reg.readString("Missing"), "");
    EXPECT_EQ(messageOf([&] { reg.readInteger("Missing"); }), "Failed to get data for 'Missing'");
    EXPECT_EQ(messageOf([&] { reg.readInteger("Name"); }), "Invalid data type for 'Name'");
    EXPECT_EQ(messageOf([&] { reg.readString("EULA"); }), "Invalid data type for 'EULA'");
    // A read-only accessor is refused writes, and so is one with no key.
    EXPECT_EQ(messageOf([&] { reg.writeInteger("EULA", 0); }), "Failed to set data for 'EULA'");
    RegistryAccessor none;
    EXPECT_EQ(messageOf([&] { none.writeInteger("X", 0); }), "Failed to set data for 'X'");
    // The rights are those the key was opened with, not those set since.
    reg.setAccess(qv::KeyAllAccess);
    EXPECT_EQ(messageOf([&] { reg.writeInteger("EULA", 0); }), "Failed to set data for 'EULA'");
    RegistryAccessor writer;
    writer.setRootKey(qv::HKeyLocalMachine);
    ASSERT_TRUE(writer.openKey("\\Software\\Adobe\\Acrobat Reader\\9.0\\AdobeViewer", false));
    writer.setAccess(qv::KeyRead);
    writer.writeInteger("EULA", 0);
    EXPECT_EQ(writer.readInteger("EULA"), 0);
}

TEST_F(Registry, WritesLandInTheFileOnCloseAndTouchOnlyTheirSection)
{
    const QByteArray before = prefix.readHive("system.reg");
    {
        RegistryAccessor reg;
        reg.setRootKey(qv::HKeyLocalMachine);
        ASSERT_TRUE(reg.openKey("\\Software\\Adobe\\Acrobat Reader\\9.0\\AdobeViewer", false));
        reg.writeInteger("EULA", -1);
        reg.writeInteger("Launched", 7);
        EXPECT_EQ(prefix.readHive("system.reg"), before); // not before the key is closed
        reg.closeKey();
    }
    const QByteArray after = prefix.readHive("system.reg");
    EXPECT_TRUE(after.contains("\"EULA\"=dword:ffffffff\n\"Launched\"=dword:00000007\n\"Name\"="));
    const qsizetype cut = before.indexOf("[Software\\\\Adobe\\\\Acrobat Reader\\\\9.0\\\\InstallPath]");
    EXPECT_EQ(after.mid(after.indexOf("[Software\\\\Adobe\\\\Acrobat Reader\\\\9.0\\\\InstallPath]")), before.mid(cut));

    RegistryAccessor again;
    again.setRootKey(qv::HKeyLocalMachine);
    ASSERT_TRUE(again.openKey("\\SOFTWARE\\ADOBE\\acrobat reader\\9.0\\adobeviewer", false));
    EXPECT_EQ(again.readInteger("eula"), -1);
}

TEST_F(Registry, CreatesKeysAndDeletesWholeTrees)
{
    RegistryAccessor reg;
    reg.setRootKey(qv::HKeyLocalMachine);
    EXPECT_FALSE(reg.openKey("\\Software\\Adobe\\Acrobat Reader\\9.0\\AVGeneral", false));
    ASSERT_TRUE(reg.openKey("\\Software\\Adobe\\Acrobat Reader\\9.0\\AVGeneral", true));
    reg.writeInteger("bCheckForUpdatesAtStartup", 0);
    reg.closeKey();

    EXPECT_TRUE(reg.deleteKey("\\Software\\Adobe\\Acrobat Reader\\9.0"));
    EXPECT_FALSE(reg.deleteKey("\\Software\\Adobe\\Acrobat Reader\\9.0"));
    ASSERT_TRUE(reg.openKey(kReaderKey, false));
    QStringList list;
    reg.getKeyNames(list);
    EXPECT_EQ(list, QStringList({"10.0"}));
    EXPECT_TRUE(reg.deleteKey("10.0")); // relative to the current key
    reg.getKeyNames(list);
    EXPECT_TRUE(list.isEmpty());
    reg.closeKey();

    const QByteArray file = prefix.readHive("system.reg");
    EXPECT_FALSE(file.contains("9.0"));
    EXPECT_TRUE(file.contains("[Software\\\\Adobe\\\\Acrobat Reader]")); // an empty key remains, as Wine keeps it
    EXPECT_TRUE(file.contains("Shell Folders"));
}

TEST_F(Registry, PathsWithAnEmptyPartNameNoKeyButClosingBackslashesAreFine)
{
    const QByteArray before = prefix.readHive("system.reg");
    RegistryAccessor reg;
    reg.setRootKey(qv::HKeyLocalMachine);
    // what an emptied version field leaves: "Acrobat Reader\\InstallPath"
    EXPECT_FALSE(reg.openKey("\\SOFTWARE\\Adobe\\Acrobat Reader\\9.0\\\\InstallPath", false));
    EXPECT_FALSE(reg.openKey("\\SOFTWARE\\Adobe\\Acrobat Reader\\\\New", true));
    EXPECT_FALSE(reg.openKey("\\\\SOFTWARE\\Adobe", false));
    EXPECT_FALSE(reg.deleteKey("\\SOFTWARE\\Adobe\\Acrobat Reader\\\\10.0"));
    EXPECT_FALSE(reg.hasCurrentKey());
    EXPECT_EQ(prefix.readHive("system.reg"), before);

    ASSERT_TRUE(reg.openKey("\\SOFTWARE\\Adobe\\Acrobat Reader\\9.0\\\\", false));
    EXPECT_EQ(reg.currentPath(), "SOFTWARE\\Adobe\\Acrobat Reader\\9.0");
    ASSERT_TRUE(reg.openKey("InstallPath\\", false)); // still relative to 9.0
    EXPECT_EQ(reg.readString(""), "C:\\Program Files\\Adobe\\Reader 9.0\\Reader");
    EXPECT_FALSE(reg.openKey("\\9.0", false)); // from the root: no such key
}

TEST_F(Registry, UsersRootReachesTheDefaultUserAndSectionReaderKeepsItsKey)
{
    RegistryAccessor users;
    users.setRootKey(qv::HKeyUsers);
    ASSERT_TRUE(users.openKey("", false));
    QStringList list;
    users.getKeyNames(list);
    EXPECT_EQ(list, QStringList({".Default"}));
    ASSERT_TRUE(users.openKey("\\.DEFAULT\\Control Panel\\International", true));
    users.writeInteger("Test", 3);
    users.closeKey();
    EXPECT_TRUE(prefix.readHive("userdef.reg").contains("[Control Panel\\\\International]"));
    EXPECT_FALSE(users.openKey("\\S-1-5-99\\Software", false));

    prefix.writeHive("user.reg", HiveText()
                                     .key("Software\\Maker\\Tool\\Texts")
                                     .str("Title", "Hello")
                                     .dword("Count", 2));
    qv::RegistrySectionReader reader("Software\\Maker\\Tool");
    EXPECT_EQ(reader.readString("texts", "title", "def"), "Hello");
    EXPECT_EQ(reader.readString("Texts", "Missing", "def"), "def");
    EXPECT_EQ(reader.readString("Nowhere", "Title", "def"), "def");
    EXPECT_EQ(reader.readString("Texts", "Title", "def"), "Hello"); // still on its own key
    EXPECT_EQ(messageOf([&] { reader.readString("Texts", "Count", "def"); }), "Invalid data type for 'Count'");
    EXPECT_EQ(reader.readString("Texts", "Title", "def"), "Hello"); // a failed read leaves it there too
}

TEST_F(Registry, DamagedHiveIsReportedWithFileAndLine)
{
    prefix.writeHive("system.reg", "\n[Software\\\\Broken] 1\n\"x\"=dword:nothex\n");
    RegistryAccessor reg;
    reg.setRootKey(qv::HKeyLocalMachine);
    const QString msg = messageOf([&] { reg.openKey("\\Software\\Broken", false) && reg.valueExists("x"); });
    EXPECT_TRUE(msg.contains(prefix.root() + "/system.reg")) << msg.toStdString();
    EXPECT_TRUE(msg.contains("line 7")) << msg.toStdString();
}

TEST_F(Registry, AFileChangedOnDiskIsReadAgainNotOverwritten)
{
    RegistryAccessor reg;
    reg.setRootKey(qv::HKeyLocalMachine);
    ASSERT_TRUE(reg.openKey("\\Software\\Adobe\\Acrobat Reader\\9.0\\AdobeViewer", false));
    reg.writeInteger("Ours", 1);

    // Meanwhile another program saves a change of its own.
    auto other = qv::Hive::load(prefix.root() + "/system.reg");
    other->setValue({"Software", "Other"}, qv::HiveValue{"Theirs", qv::RegDword, qv::hivetext::dwordData(2)});
    other->save();

    reg.closeKey();
    auto result = qv::Hive::load(prefix.root() + "/system.reg");
    EXPECT_TRUE(result->value({"Software", "Other"}, "Theirs").has_value());
    EXPECT_TRUE(result->value({"Software", "Adobe", "Acrobat Reader", "9.0", "AdobeViewer"}, "Ours").has_value());
}

TEST_F(Registry, AnotherInstanceHoldingTheLockStopsTheSaveCleanly)
{
    LockHolder other(prefix.root() + "/.quorvane-registry.lock", LockHolder::Flock);
    ASSERT_TRUE(other.ok());
    qv::setRegistryLockTimeout(200);
    const QByteArray before = prefix.readHive("system.reg");
    RegistryAccessor reg;
    reg.setRootKey(qv::HKeyLocalMachine);
    ASSERT_TRUE(reg.openKey(kReaderKey, false));
    reg.writeInteger("X", 1);
    const QString msg = messageOf([&] { reg.closeKey(); });
    qv::setRegistryLockTimeout(10000);
    EXPECT_TRUE(msg.contains("Another Quorvane")) << msg.toStdString();
    EXPECT_EQ(prefix.readHive("system.reg"), before);
    // The refused change is not kept as if it had been written.
    RegistryAccessor again;
    again.setRootKey(qv::HKeyLocalMachine);
    ASSERT_TRUE(again.openKey(kReaderKey, false));
    EXPECT_FALSE(again.valueExists("X"));
}

TEST_F(Registry, TheSaveLockIsNotCreatedThroughALinkPlantedInItsPlace)
{
    TempDir outside;
    ASSERT_TRUE(QFile::link(outside.file("planted"), prefix.root() + "/.quorvane-registry.lock"));
    RegistryAccessor reg;
    reg.setRootKey(qv::HKeyLocalMachine);
    ASSERT_TRUE(reg.openKey(kReaderKey, false));
    reg.writeInteger("X", 1);
    reg.closeKey();
    EXPECT_FALSE(QFile::exists(outside.file("planted")));
    EXPECT_TRUE(qv::Hive::load(prefix.root() + "/system.reg")->value({"Software", "Adobe", "Acrobat Reader"}, "X"));
}

namespace {
struct ServerFixture : Registry
{
    TempDir base;
    QString lockFile;
    void SetUp() override
    {
        Registry::SetUp();
        qv::wineserver::setSocketBase(base.path());
        const QString dir = qv::wineserver::socketDirs(prefix.root()).first();
        QDir().mkpath(dir);
        lockFile = dir + "/lock";
        QFile f(lockFile);
        f.open(QIODevice::WriteOnly);
        qv::wineserver::setTimeoutMs(300);
    }
    void TearDown() override
    {
        qv::wineserver::setSocketBase("/tmp");
        qv::wineserver::setTimeoutMs(6000);
    }
};
} // namespace

TEST_F(ServerFixture, LiveWineserverBlocksWritesWithAClearMessage)
{
    EXPECT_EQ(qv::wineserver::runningPid(prefix.root()), 0); // a stale folder is no server
    LockHolder server(lockFile, LockHolder::Fcntl);
    ASSERT_TRUE(server.ok());
    EXPECT_EQ(qv::wineserver::runningPid(prefix.root()), server.pid());

    const QByteArray before = prefix.readHive("system.reg");
    RegistryAccessor reg;
    reg.setRootKey(qv::HKeyLocalMachine);
    ASSERT_TRUE(reg.openKey(kReaderKey, false)); // reading is fine
    EXPECT_FALSE(reg.readString("Nothing").size());
    const QString msg = messageOf([&] { reg.writeInteger("X", 1); });
    EXPECT_TRUE(msg.contains("wineserver -k")) << msg.toStdString();
    EXPECT_TRUE(msg.contains(prefix.root()));
    EXPECT_FALSE(messageOf([&] { reg.deleteKey("9.0"); }).isEmpty());
    reg.closeKey();
    EXPECT_EQ(prefix.readHive("system.reg"), before);
}

TEST_F(ServerFixture, WineserverThatLeavesInTimeLetsTheWriteThrough)
{
    qv::wineserver::setTimeoutMs(5000);
    LockHolder server(lockFile, LockHolder::Fcntl, 300);
    ASSERT_TRUE(server.ok());
    RegistryAccessor reg;
    reg.setRootKey(qv::HKeyLocalMachine);
    ASSERT_TRUE(reg.openKey(kReaderKey, false));
    reg.writeInteger("X", 1);
    reg.closeKey();
    EXPECT_TRUE(prefix.readHive("system.reg").contains("\"X\"=dword:00000001"));
}

namespace {
struct Win64 : ::testing::Test
{
    TestPrefix prefix{TestPrefix::Win64};
    void SetUp() override
    {
        prefix.writeHive("system.reg",
                         HiveText()
                             .key("Software\\Adobe\\Acrobat Reader\\64bit")
                             .key("Software\\Classes\\.pdf")
                             .str("", "AcroExch.Document")
                             .key("Software\\Classes\\AppID\\AcroRd32.exe")
                             .str("AppID", "{shared}")
                             .key("Software\\Classes\\Wow6432Node\\.pdf")
                             .str("", "AcroExch.Document.32")
                             .key("Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders")
                             .str("Common Desktop", "C:\\users\\Public\\Desktop")
                             .str("Personal", "C:\\users\\me\\Documents")
                             .key("Software\\Microsoft\\Windows NT\\CurrentVersion\\Fonts")
                             .str("Arial", "arial.ttf")
                             .key("Software\\Wow6432Node\\Adobe\\Acrobat Reader\\9.0\\InstallPath")
                             .str("", "C:\\Program Files (x86)\\Adobe\\Reader 9.0\\Reader")
                             .key("Software\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders")
                             .str("Personal", "C:\\users\\me\\32")
                             .key("System\\CurrentControlSet\\Control\\Nls\\Language")
                             .str("InstallLanguage", "0409"));
    }
};
} // namespace

TEST_F(Win64, MachineSoftwareIsSeenAsA32BitProgramSeesIt)
{
    RegistryAccessor reg;
    reg.setRootKey(qv::HKeyLocalMachine);
    ASSERT_TRUE(reg.openKey("\\SOFTWARE\\Adobe\\Acrobat Reader", false));
    QStringList list;
    reg.getKeyNames(list);
    EXPECT_EQ(list, QStringList({"9.0"}));
    ASSERT_TRUE(reg.openKey("9.0\\InstallPath", false));
    EXPECT_EQ(reg.readString(""), "C:\\Program Files (x86)\\Adobe\\Reader 9.0\\Reader");
    // Classes has a 32-bit view of its own, but for the few keys both share.
    ASSERT_TRUE(reg.openKey("\\Software\\Classes\\.pdf", false));
    EXPECT_EQ(reg.readString(""), "AcroExch.Document.32");
    ASSERT_TRUE(reg.openKey("\\Software\\Classes\\AppID\\AcroRd32.exe", false));
    EXPECT_EQ(reg.readString("AppID"), "{shared}");
    ASSERT_TRUE(reg.openKey("\\Software\\Classes\\CLSID\\{new}", true));
    reg.writeInteger("X", 1);
    reg.closeKey();
    EXPECT_TRUE(prefix.readHive("system.reg").contains("[Software\\\\Classes\\\\Wow6432Node\\\\CLSID\\\\{new}]"));
    // Other shared keys and keys outside Software are the same for both views.
    ASSERT_TRUE(reg.openKey("\\Software\\Microsoft\\Windows NT\\CurrentVersion\\Fonts", false));
    EXPECT_EQ(reg.readString("Arial"), "arial.ttf");
    ASSERT_TRUE(reg.openKey("\\System\\CurrentControlSet\\Control\\Nls\\Language", false));
    EXPECT_EQ(reg.readString("InstallLanguage"), "0409");
    ASSERT_TRUE(reg.openKey("\\Software", false));
    reg.getKeyNames(list);
    EXPECT_EQ(list, QStringList({"Adobe", "Microsoft", "Classes"}));

    // Shell Folders: the 32-bit values first, the 64-bit ones where 32-bit has none.
    ASSERT_TRUE(reg.openKey(QString("\\") + kShellFolders, false));
    EXPECT_EQ(reg.readString("Personal"), "C:\\users\\me\\32");
    EXPECT_TRUE(reg.valueExists("Common Desktop"));
    EXPECT_EQ(reg.readString("Common Desktop"), "C:\\users\\Public\\Desktop");

    // Writes go to the 32-bit view.
    ASSERT_TRUE(reg.openKey("\\Software\\Adobe\\Acrobat Reader\\9.0\\AVGeneral", true));
    reg.writeInteger("bToolbarsLocked", 1);
    reg.closeKey();
    EXPECT_TRUE(prefix.readHive("system.reg").contains("[Software\\\\Wow6432Node\\\\Adobe\\\\Acrobat Reader\\\\9.0\\\\AVGeneral]"));
}

TEST(Win64Fresh, ShellFoldersOnlyIn64BitViewAreFound)
{
    TestPrefix prefix(TestPrefix::Win64);
    prefix.writeHive("system.reg", HiveText()
                                       .key("Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders")
                                       .str("Common Programs", "C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs"));
    RegistryAccessor reg;
    reg.setRootKey(qv::HKeyLocalMachine);
    reg.setAccess(qv::KeyRead);
    ASSERT_TRUE(reg.openKey(kShellFolders, false));
    EXPECT_EQ(reg.readString("Common Programs"), "C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs");
}

TEST(RegistryLinks, CurrentControlSetLeadsToTheControlSetItNames)
{
    TestPrefix prefix;
    // "\Registry\Machine\System\ControlSet001" as UTF-16, the way Wine stores a link
    const QString target = "\\Registry\\Machine\\System\\ControlSet001";
    const QByteArray link(reinterpret_cast<const char *>(target.utf16()), target.size() * 2);
    QByteArray body = HiveText().key("System\\ControlSet001\\Control\\Nls\\Language").str("InstallLanguage", "0407");
    body += "\n[System\\\\CurrentControlSet] 1700000000\n#time=1da1234567890ab\n#link\n";
    body += qv::hivetext::formatValue({"SymbolicLinkValue", 6, link});
    prefix.writeHive("system.reg", body);

    RegistryAccessor reg;
    reg.setRootKey(qv::HKeyLocalMachine);
    reg.setAccess(qv::KeyRead);
    ASSERT_TRUE(reg.openKey("\\SYSTEM\\CurrentControlSet\\Control\\Nls\\Language", false));
    EXPECT_EQ(reg.readString("InstallLanguage"), "0407");
    EXPECT_EQ(reg.currentPath(), "SYSTEM\\CurrentControlSet\\Control\\Nls\\Language");
    ASSERT_TRUE(reg.openKey("\\SYSTEM\\CurrentControlSet\\Control", false));
    QStringList list;
    reg.getKeyNames(list);
    EXPECT_EQ(list, QStringList({"Nls"}));
}

TEST_F(ServerFixture, ServerInTheFolderNamedByThePrefixIsFoundToo)
{
    // Debian's Wine names a private temporary folder in the prefix's "wineserver" file.
    QFile named(prefix.root() + "/wineserver");
    ASSERT_TRUE(named.open(QIODevice::WriteOnly));
    named.write("wine-Ab12Cd\n");
    named.close();
    const QString dir = qv::wineserver::socketDirs(prefix.root()).first();
    EXPECT_TRUE(dir.startsWith(base.path() + "/wine-Ab12Cd/server-")) << dir.toStdString();
    QDir().mkpath(dir);
    LockHolder server(dir + "/lock", LockHolder::Fcntl);
    ASSERT_TRUE(server.ok());
    EXPECT_EQ(qv::wineserver::runningPid(prefix.root()), server.pid());
}
