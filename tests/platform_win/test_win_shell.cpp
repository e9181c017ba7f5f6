// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvane developers
#include <QFile>
#include <gtest/gtest.h>

#include "platform/machine.h"
#include "platform/shelllink.h"
#include "platform_win/winsupport.h"
#include "support/tempdir.h"

// After our headers: the system's FO_ and FOF_ macros would rename our constants.
#include <windows.h>
#include <objbase.h>
#include <shlobj.h>
#include <shobjidl.h>

namespace {

struct LoadedLink
{
    bool ok = false;
    QString path, arguments, description, workingDirectory;
};

// Reads a link back through the shell's own link object.
LoadedLink loadLink(const QString &linkPath)
{
    LoadedLink out;
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    IShellLinkW *link = nullptr;
    IPersistFile *file = nullptr;
    if (SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                   reinterpret_cast<void **>(&link)))
        && SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void **>(&file)))
        && SUCCEEDED(file->Load(linkPath.toStdWString().c_str(), STGM_READ))) {
        wchar_t buffer[MAX_PATH * 2];
        link->GetPath(buffer, MAX_PATH * 2, nullptr, SLGP_RAWPATH);
        out.path = QString::fromWCharArray(buffer);
        link->GetArguments(buffer, MAX_PATH * 2);
        out.arguments = QString::fromWCharArray(buffer);
        link->GetDescription(buffer, MAX_PATH * 2);
        out.description = QString::fromWCharArray(buffer);
        link->GetWorkingDirectory(buffer, MAX_PATH * 2);
        out.workingDirectory = QString::fromWCharArray(buffer);
        out.ok = true;
    }
    if (file)
        file->Release();
    if (link)
        link->Release();
    CoUninitialize();
    return out;
}

} // namespace

TEST(WinShellLink, TheShellReadsBackWhatWasSavedAndAnExistingLinkIsReplaced)
{
    TempDir tmp;
    const QString target = windowsPath(tmp.write("Reader/AcroRd32.exe", "MZ"));
    const QString linkPath = windowsPath(tmp.file("AcroRd32.lnk"));
    tmp.write("AcroRd32.lnk", "not a link");
    qv::ShellLink link;
    link.setPath(target);
    link.setArguments("/n");
    link.setDescription("Adobe Reader 9.0");
    link.setWorkingDirectory(windowsPath(tmp.file("Reader")) + "\\");
    ASSERT_TRUE(link.save(linkPath));
    const LoadedLink back = loadLink(linkPath);
    ASSERT_TRUE(back.ok);
    EXPECT_EQ(back.path.toLower(), target.toLower());
    EXPECT_EQ(back.arguments, "/n");
    EXPECT_EQ(back.description, "Adobe Reader 9.0");
    EXPECT_EQ(back.workingDirectory.toLower(), (windowsPath(tmp.file("Reader")) + "\\").toLower());

    // A folder that does not exist: nothing is written, and no error.
    EXPECT_FALSE(link.save(windowsPath(tmp.file("missing/AcroRd32.lnk"))));
    EXPECT_FALSE(QFile::exists(tmp.file("missing")));
}

TEST(WinMachine, TheComputerIsTheMachineAndAPrefixCannotBeChosen)
{
    QString why;
    EXPECT_TRUE(qv::machine::choose(QString(), &why));
    EXPECT_TRUE(qv::machine::exists());
    EXPECT_EQ(qv::machine::kind(), "Computer");
    EXPECT_FALSE(qv::machine::name().isEmpty());
    EXPECT_FALSE(qv::machine::choose("/home/ann/.wine", &why));
    EXPECT_TRUE(why.contains("--prefix")) << why.toStdString();

    TempDir tmp;
    const QString before = qv::machine::currentDirectory();
    ASSERT_TRUE(qv::machine::setCurrentDirectory(windowsPath(tmp.path())));
    EXPECT_EQ(qv::machine::currentDirectory().toLower(), windowsPath(tmp.path()).toLower());
    EXPECT_FALSE(qv::machine::setCurrentDirectory(windowsPath(tmp.file("missing"))));
    qv::machine::setCurrentDirectory(before);

    EXPECT_FALSE(qv::machine::startProgram(windowsPath(tmp.file("missing.exe")), &why));
    EXPECT_TRUE(why.endsWith("Start the program yourself.")) << why.toStdString();
}
