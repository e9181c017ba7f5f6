// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvane developers
// The core on the Windows backend: discovery, Optimize and Restore, the
// process helpers and the file operation component, on a Reader this test
// installs into the machine's own registry and drive C:. It changes the
// machine's Adobe Reader keys and shell folders, so it runs only where it is
// told that the machine is a throwaway (scripts/test-windows makes a fresh
// Wine prefix for it).

#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <gtest/gtest.h>

#include "core/discovery.h"
#include "core/operations.h"
#include "core/readerhelpers.h"
#include "keltfileoperator.h"
#include "platform/filesystem.h"
#include "support/errormessage.h"

#define WIN32_LEAN_AND_MEAN // keeps out the shell's FO_ and FOF_ macros
#include <windows.h>

namespace {

const QString kRoot = "C:\\qv-test";
const QString kFolder = kRoot + "\\Reader 9.0\\Reader";
const QString kVersionKey = "Software\\Adobe\\Acrobat Reader";
const QString kLocks = "Software\\Policies\\Adobe\\Acrobat Reader\\DC\\FeatureLockDown";
const QString kRun = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
const QString kService = "System\\CurrentControlSet\\Services\\AdobeARMservice";

void setValue(HKEY root, const QString &key, const QString &name, const QVariant &value)
{
    HKEY k = nullptr;
    RegCreateKeyExW(root, key.toStdWString().c_str(), 0, nullptr, 0, KEY_ALL_ACCESS | KEY_WOW64_32KEY, nullptr, &k,
                    nullptr);
    if (value.typeId() == QMetaType::QString) {
        const std::wstring text = value.toString().toStdWString();
        RegSetValueExW(k, name.toStdWString().c_str(), 0, REG_SZ, reinterpret_cast<const BYTE *>(text.c_str()),
                       DWORD((text.size() + 1) * sizeof(wchar_t)));
    } else {
        const DWORD dw = value.toUInt();
        RegSetValueExW(k, name.toStdWString().c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE *>(&dw), 4);
    }
    RegCloseKey(k);
}

std::optional<DWORD> dword(HKEY root, const QString &key, const QString &name)
{
    DWORD dw = 0, size = 4;
    if (RegGetValueW(root, key.toStdWString().c_str(), name.toStdWString().c_str(), RRF_RT_REG_DWORD | RRF_SUBKEY_WOW6432KEY,
                     nullptr, &dw, &size)
        != ERROR_SUCCESS)
        return std::nullopt;
    return dw;
}

bool keyExists(HKEY root, const QString &key)
{
    HKEY k = nullptr;
    if (RegOpenKeyExW(root, key.toStdWString().c_str(), 0, KEY_READ | KEY_WOW64_32KEY, &k) != ERROR_SUCCESS)
        return false;
    RegCloseKey(k);
    return true;
}

void write(const QString &windowsPath, const QByteArray &bytes)
{
    const QString path = QDir::fromNativeSeparators(windowsPath);
    QDir().mkpath(path.left(path.lastIndexOf('/')));
    QFile f(path);
    f.open(QIODevice::WriteOnly);
    f.write(bytes);
}

// Every file below a folder with its bytes.
QMap<QString, QByteArray> tree(const QString &windowsFolder)
{
    QMap<QString, QByteArray> out;
    const QString base = QDir::fromNativeSeparators(windowsFolder);
    QDirIterator it(base, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        QFile f(path);
        f.open(QIODevice::ReadOnly);
        out.insert(path.mid(base.size() + 1), f.readAll());
    }
    return out;
}

// Reader 9.0 as its installer leaves it, with the shell folders pointing
// into the test's own folder.
class WindowsReader : public ::testing::Test
{
protected:
    void SetUp() override
    {
        if (qgetenv("QV_THROWAWAY_MACHINE") != "1")
            GTEST_SKIP() << "changes the machine's Adobe Reader; scripts/test-windows runs it in a throwaway prefix";
        TearDown();
        for (const char *f : {"EWH32.api", "EWH32.ini", "search.api", "eBook.api", "Annots.api", "Multimedia/MM.api"})
            write(kFolder + "\\plug_ins\\" + QString(f).replace('/', '\\'), f);
        write(kFolder + "\\AcroRd32.exe", "MZ");
        write(kRoot + "\\Programs\\PrintMe Internet Printing\\p.lnk", "pm");
        write(kRoot + "\\Desktop\\Adobe Reader 9.0.lnk", "link");
        write(kRoot + "\\Docs\\My eBook\\book.pdf", "book");
        QDir().mkpath(QDir::fromNativeSeparators(kRoot + "\\UserDesktop"));

        setValue(HKEY_LOCAL_MACHINE, kVersionKey + "\\9.0\\InstallPath", "", kFolder);
        setValue(HKEY_LOCAL_MACHINE, kVersionKey + "\\9.0\\AVGeneral", "iConnectionSpeed", 3u);
        setValue(HKEY_CURRENT_USER, kVersionKey + "\\9.0\\AVGeneral\\cRecentFiles\\c1", "tDIText", "x");
        const QString shell = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
        setValue(HKEY_LOCAL_MACHINE, shell, "Common Programs", kRoot + "\\Programs");
        setValue(HKEY_LOCAL_MACHINE, shell, "Common Desktop", kRoot + "\\Desktop");
        setValue(HKEY_LOCAL_MACHINE, shell, "Personal", kRoot + "\\Docs");
        setValue(HKEY_CURRENT_USER, shell, "Desktop", kRoot + "\\UserDesktop");
    }
    void TearDown() override
    {
        RegDeleteTreeW(HKEY_CURRENT_USER, kVersionKey.toStdWString().c_str());
        HKEY software = nullptr;
        if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"Software\\Adobe", 0, KEY_ALL_ACCESS | KEY_WOW64_32KEY, &software)
            == ERROR_SUCCESS) {
            RegDeleteTreeW(software, L"Acrobat Reader");
            RegCloseKey(software);
        }
        for (HKEY root : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER})
            RegDeleteTreeW(root, kLocks.section('\\', 0, 2).toStdWString().c_str());
        RegDeleteTreeW(HKEY_LOCAL_MACHINE, kService.toStdWString().c_str());
        HKEY run = nullptr;
        if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kRun.toStdWString().c_str(), 0, KEY_ALL_ACCESS | KEY_WOW64_32KEY, &run)
            == ERROR_SUCCESS) {
            RegDeleteValueW(run, L"Adobe ARM");
            RegCloseKey(run);
        }
        QDir(QDir::fromNativeSeparators(kRoot)).removeRecursively();
    }

    qv::ReaderInstallation discovered()
    {
        const qv::Discovery d = qv::discoverReader();
        EXPECT_TRUE(d.complete()) << d.error.toStdString();
        return d.reader;
    }
};

// Reader itself, for the process helpers: the sleeper under Reader's name.
struct FakeReader
{
    PROCESS_INFORMATION info = {};
    explicit FakeReader(const QString &folder)
    {
        const QString exe = folder + "\\AcroRd32.exe";
        QFile::remove(QDir::fromNativeSeparators(exe));
        QFile::copy(QCoreApplication::applicationDirPath() + "/qv_sleeper.exe", QDir::fromNativeSeparators(exe));
        STARTUPINFOW si = {};
        si.cb = sizeof si;
        std::wstring command = L"\"" + exe.toStdWString() + L"\"";
        if (CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &info))
            CloseHandle(info.hThread);
    }
    ~FakeReader()
    {
        if (info.hProcess) {
            TerminateProcess(info.hProcess, 0);
            WaitForSingleObject(info.hProcess, 5000);
            CloseHandle(info.hProcess);
        }
    }
    bool running() const { return info.hProcess && WaitForSingleObject(info.hProcess, 0) == WAIT_TIMEOUT; }
};

} // namespace

TEST_F(WindowsReader, DiscoveryFindsTheVersionTheFolderAndTheShellFoldersInTheThirtyTwoBitView)
{
    const qv::ReaderInstallation r = discovered();
    EXPECT_EQ(r.versionsFound, QStringList({"9.0"}));
    EXPECT_EQ(r.version, "9.0");
    EXPECT_EQ(r.folder, kFolder);
    EXPECT_EQ(r.commonProgramsFolder, kRoot + "\\Programs");
    EXPECT_EQ(r.commonDesktopFolder, kRoot + "\\Desktop");
    EXPECT_EQ(r.personalFolder, kRoot + "\\Docs");
    EXPECT_TRUE(r.printMeFolderFound);
    EXPECT_TRUE(r.readerDesktopIconFound);
}

TEST_F(WindowsReader, ADryRunChangesNothingAndOptimizeThenRestoreBringsEveryPlugInBack)
{
    const qv::ReaderInstallation r = discovered();
    const auto before = tree(kRoot);

    qv::OptimizeOptions plan;
    plan.dryRun = true;
    const qv::OperationReport planned = qv::optimize(r, plan);
    EXPECT_TRUE(planned.succeeded()) << planned.error.toStdString();
    EXPECT_FALSE(planned.changes.empty());
    EXPECT_EQ(tree(kRoot), before);
    EXPECT_EQ(dword(HKEY_LOCAL_MACHINE, kVersionKey + "\\9.0\\AVGeneral", "iConnectionSpeed"), 3u);

    const qv::OperationReport optimized = qv::optimize(r, qv::OptimizeOptions());
    ASSERT_EQ(optimized.outcome, qv::OperationReport::Completed) << optimized.error.toStdString();
    EXPECT_EQ(QDir(QDir::fromNativeSeparators(kFolder + "\\plug_ins")).entryList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot),
              QStringList({"EWH32.api", "EWH32.ini", "search.api"}));
    EXPECT_TRUE(qv::fileExists(kFolder + "\\Wexmor.DAT"));
    EXPECT_EQ(tree(kFolder + "\\Optional").size(), 6);
    EXPECT_EQ(dword(HKEY_LOCAL_MACHINE, kVersionKey + "\\9.0\\AVGeneral", "iConnectionSpeed"), 10000000u);
    EXPECT_EQ(dword(HKEY_CURRENT_USER, kVersionKey + "\\9.0\\Originals", "bDisplayAboutDialog"), 0u);
    EXPECT_FALSE(keyExists(HKEY_CURRENT_USER, kVersionKey + "\\9.0\\AVGeneral\\cRecentFiles"));
    EXPECT_FALSE(qv::directoryExists(kRoot + "\\Programs\\PrintMe Internet Printing"));
    EXPECT_FALSE(qv::fileExists(kRoot + "\\Desktop\\Adobe Reader 9.0.lnk"));
    EXPECT_FALSE(qv::directoryExists(kRoot + "\\Docs\\My eBook"));

    const qv::OperationReport restored = qv::restore(r, qv::RestoreOptions());
    ASSERT_EQ(restored.outcome, qv::OperationReport::Completed) << restored.error.toStdString();
    const auto after = tree(kFolder + "\\plug_ins");
    QMap<QString, QByteArray> plugIns;
    for (auto it = before.cbegin(); it != before.cend(); ++it)
        if (it.key().startsWith("Reader 9.0/Reader/plug_ins/"))
            plugIns.insert(it.key().mid(QString("Reader 9.0/Reader/plug_ins/").size()), it.value());
    EXPECT_EQ(after, plugIns);
    EXPECT_FALSE(qv::fileExists(kFolder + "\\Wexmor.DAT"));
    EXPECT_EQ(dword(HKEY_LOCAL_MACHINE, kVersionKey + "\\9.0\\AVGeneral", "iConnectionSpeed"), 100000u);
    // The shell keeps "Shell Folders" itself and may have put the user's
    // own desktop back in place of the test's: the link goes where it says.
    const QString desktop = userShellFolder("Desktop");
    ASSERT_FALSE(desktop.isEmpty());
    EXPECT_TRUE(qv::fileExists(desktop + "\\AcroRd32.lnk"));
    qv::deleteFile(desktop + "\\AcroRd32.lnk");
}

// On Windows itself Reader DC's sandbox and updater are left as they are:
// only the documented locks are written, and Restore takes them away again.
TEST_F(WindowsReader, ReaderDcKeepsProtectedModeTheUpdatersStartAndItsHelpers)
{
    const QString folder = kRoot + "\\Acrobat Reader DC\\Reader";
    write(folder + "\\AcroRd32.exe", "MZ");
    // One plug-in alone: its safety copy goes into a folder made for it,
    // not into a file named after the folder.
    write(folder + "\\plug_ins\\Annots.api", "a");
    write(folder + "\\AcroCEF\\RdrCEF.exe", "MZ");
    setValue(HKEY_CURRENT_USER, kVersionKey + "\\DC\\Privileged", "bProtectedMode", 1u);
    setValue(HKEY_LOCAL_MACHINE, kRun, "Adobe ARM", kRoot + "\\AdobeARM.exe");
    setValue(HKEY_LOCAL_MACHINE, kService, "Start", 2u);
    qv::ReaderInstallation r;
    r.version = "DC";
    r.folder = folder;
    r.commonProgramsFolder = kRoot + "\\Programs";
    r.commonDesktopFolder = kRoot + "\\Desktop";

    const qv::OperationReport optimized = qv::optimize(r, qv::OptimizeOptions());
    ASSERT_EQ(optimized.outcome, qv::OperationReport::Completed) << optimized.error.toStdString();
    EXPECT_EQ(dword(HKEY_LOCAL_MACHINE, kLocks, "bUpdater"), 0u);
    EXPECT_EQ(dword(HKEY_LOCAL_MACHINE, kLocks, "bProtectedMode"), std::nullopt);
    EXPECT_EQ(dword(HKEY_CURRENT_USER, kVersionKey + "\\DC\\Privileged", "bProtectedMode"), 1u);
    EXPECT_EQ(dword(HKEY_LOCAL_MACHINE, kService, "Start"), 2u);
    EXPECT_TRUE(qv::fileExists(folder + "\\AcroCEF\\RdrCEF.exe"));
    EXPECT_FALSE(optimized.memo.join('\n').contains("Protected Mode"));
    DWORD size = 0;
    EXPECT_EQ(RegGetValueW(HKEY_LOCAL_MACHINE, kRun.toStdWString().c_str(), L"Adobe ARM",
                           RRF_RT_REG_SZ | RRF_SUBKEY_WOW6432KEY, nullptr, nullptr, &size),
              ERROR_SUCCESS);

    const qv::OperationReport restored = qv::restore(r, qv::RestoreOptions());
    ASSERT_EQ(restored.outcome, qv::OperationReport::Completed) << restored.error.toStdString();
    EXPECT_EQ(dword(HKEY_LOCAL_MACHINE, kLocks, "bUpdater"), std::nullopt);
    EXPECT_FALSE(keyExists(HKEY_LOCAL_MACHINE, kLocks.section('\\', 0, 2))); // made by Optimize, so gone again
}

TEST_F(WindowsReader, ARunningReaderIsFoundEndedOrLeftToRefuseTheOperation)
{
    const qv::ReaderInstallation r = discovered();
    FakeReader reader(kFolder);
    ASSERT_TRUE(reader.running());
    EXPECT_EQ(FindProcessId("AcroRd32.exe"), int64_t(reader.info.dwProcessId));
    // The whole name, in any case, as Windows compares file names.
    EXPECT_EQ(FindProcessId("acrord32.exe"), int64_t(reader.info.dwProcessId));
    EXPECT_EQ(FindProcessId("AcroRd32.ex"), -1);

    const qv::OperationReport refused = qv::optimize(r, qv::OptimizeOptions());
    EXPECT_EQ(refused.outcome, qv::OperationReport::Refused);
    EXPECT_EQ(refused.runningReader, int64_t(reader.info.dwProcessId));
    EXPECT_TRUE(qv::fileExists(kFolder + "\\plug_ins\\Annots.api"));

    KillProcess(int64_t(reader.info.dwProcessId));
    EXPECT_FALSE(reader.running());
    EXPECT_EQ(FindProcessId("AcroRd32.exe"), -1);
    // A process that cannot be opened leaves no handle, and the wait on it fails.
    EXPECT_EQ(messageOf([] { KillProcess(0x7FFFFFF3); }), "System Error.  Code: 6.\nThe handle is invalid.");
}

TEST_F(WindowsReader, TheFileOperationComponentCopiesFromItsSourceFolderThroughTheShell)
{
    TKELFileOperator fo(nullptr);
    fo.setFlags({opNoConfirmation, opNoConfirmMkDir});
    fo.setDirFrom(kFolder + "\\plug_ins");
    fo.FilesFrom() << "EWH32.*" << "Multimedia";
    fo.setDirTo(kRoot + "\\Copy");
    EXPECT_TRUE(fo.Execute());
    EXPECT_EQ(fo.DirFrom(), kFolder + "\\plug_ins\\");
    EXPECT_TRUE(qv::fileExists(kRoot + "\\Copy\\EWH32.ini"));
    EXPECT_TRUE(qv::fileExists(kRoot + "\\Copy\\Multimedia\\MM.api"));

    fo.setDirFrom(kRoot + "\\missing");
    EXPECT_EQ(messageOf([&] { fo.Execute(); }), "Can not locate current Directory");
    QDir::setCurrent(QDir::tempPath()); // the folder may go with the test's files
}
