// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvane developers
#include <QCoreApplication>
#include <QFile>
#include <gtest/gtest.h>
#include <optional>

#include "platform/processes.h"
#include "platform/winerror.h"
#include "platform_win/winsupport.h"
#include "support/tempdir.h"

// After our headers: the system's FO_ and FOF_ macros would rename our constants.
#include <windows.h>

namespace {

// The sleeper helper, copied under Reader's name and started.
class FakeReader
{
public:
    explicit FakeReader(const TempDir &tmp)
    {
        const QString helper = QCoreApplication::applicationDirPath() + QStringLiteral("/qv_sleeper.exe");
        const QString exe = windowsPath(tmp.file("AcroRd32.exe"));
        if (!QFile::copy(helper, exe))
            return;
        STARTUPINFOW si = {};
        si.cb = sizeof si;
        std::wstring command = L"\"" + exe.toStdWString() + L"\"";
        if (CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &m_info))
            CloseHandle(m_info.hThread);
    }
    ~FakeReader()
    {
        if (m_info.hProcess) {
            TerminateProcess(m_info.hProcess, 0);
            WaitForSingleObject(m_info.hProcess, 5000);
            CloseHandle(m_info.hProcess);
        }
    }
    int64_t pid() const { return m_info.hProcess ? int64_t(m_info.dwProcessId) : 0; }
    bool ended() const { return WaitForSingleObject(m_info.hProcess, 0) == WAIT_OBJECT_0; }

private:
    PROCESS_INFORMATION m_info = {};
};

} // namespace

TEST(WinProcesses, TheSnapshotNamesAProgramByItsExecutableAndEndingItWaitsForIt)
{
    TempDir tmp;
    FakeReader reader(tmp);
    ASSERT_GT(reader.pid(), 0);
    qv::SystemProcessControl control;
    std::optional<qv::ProcessEntry> found;
    for (const qv::ProcessEntry &e : control.snapshot())
        if (e.pid == reader.pid()) {
            found = e;
            EXPECT_EQ(e.exeFile, "AcroRd32.exe");
            EXPECT_EQ(e.parentPid, int64_t(GetCurrentProcessId()));
            EXPECT_TRUE(qv::runsOnThisMachine(e));
        }
    ASSERT_TRUE(found);
    // Held only while it still runs the program it was listed with.
    qv::ProcessEntry renamed = *found;
    renamed.exeFile = "notepad.exe";
    EXPECT_FALSE(control.hold(renamed));
    ASSERT_TRUE(control.hold(*found));

    int error = -1;
    EXPECT_EQ(control.terminateAndWait(*found, 5000, error), qv::WaitOutcome::Ended);
    EXPECT_TRUE(reader.ended());
}

TEST(WinProcesses, AProcessThatCannotBeOpenedFailsTheWaitWithTheSystemsCode)
{
    qv::SystemProcessControl control;
    int error = 0;
    // Process ids are multiples of four: this one never names a process.
    qv::ProcessEntry none{0x7FFFFFF3, 0, "AcroRd32.exe"};
    EXPECT_FALSE(control.hold(none));
    EXPECT_EQ(control.terminateAndWait(none, 100, error), qv::WaitOutcome::Failed);
    EXPECT_EQ(error, qv::winerror::InvalidHandle);
    EXPECT_EQ(qv::systemErrorMessage(error), "System Error.  Code: 6.\nThe handle is invalid.");
}
