// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvane developers
#include "platform/processes.h"

#include <windows.h>

#include <tlhelp32.h>

#include "platform/win/wintext.h"

namespace qv {

namespace {

// The Tool Help functions, looked up by name: a system without them has no
// process list to offer, and the snapshot is then empty.
struct ToolHelp
{
    decltype(&CreateToolhelp32Snapshot) snapshot = nullptr;
    decltype(&Process32FirstW) first = nullptr;
    decltype(&Process32NextW) next = nullptr;

    ToolHelp()
    {
        if (HMODULE kernel = GetModuleHandleW(L"kernel32.dll")) {
            snapshot = reinterpret_cast<decltype(snapshot)>(
                reinterpret_cast<void *>(GetProcAddress(kernel, "CreateToolhelp32Snapshot")));
            first = reinterpret_cast<decltype(first)>(reinterpret_cast<void *>(GetProcAddress(kernel, "Process32FirstW")));
            next = reinterpret_cast<decltype(next)>(reinterpret_cast<void *>(GetProcAddress(kernel, "Process32NextW")));
        }
    }
    bool present() const { return snapshot && first && next; }
};

const ToolHelp &toolHelp()
{
    static const ToolHelp functions;
    return functions;
}

} // namespace

// Every process of the computer is one Quorvane may end, as far as the
// system lets it (another user's process cannot be opened).
bool runsOnThisMachine(const ProcessEntry &)
{
    return true;
}

std::vector<ProcessEntry> SystemProcessControl::snapshot()
{
    std::vector<ProcessEntry> list;
    const ToolHelp &th = toolHelp();
    if (!th.present())
        return list;
    HANDLE snap = th.snapshot(TH32CS_SNAPPROCESS, 0);
    if (snap == INVALID_HANDLE_VALUE)
        return list;
    PROCESSENTRY32W record;
    record.dwSize = sizeof record;
    for (BOOL more = th.first(snap, &record); more; more = th.next(snap, &record)) {
        ProcessEntry e;
        e.pid = record.th32ProcessID;
        e.parentPid = record.th32ParentProcessID;
        e.exeFile = win::fromWide(record.szExeFile);
        list.push_back(e);
    }
    CloseHandle(snap);
    return list;
}

WaitOutcome SystemProcessControl::terminateAndWait(int64_t pid, int timeoutMs, int &windowsError)
{
    // Terminate and synchronise (0x100001). When the process cannot be
    // opened there is no handle, and the wait on it fails with the reason.
    HANDLE process = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, DWORD(pid));
    TerminateProcess(process, 0);
    const DWORD wait = WaitForSingleObject(process, DWORD(timeoutMs));
    const DWORD error = GetLastError();
    if (process)
        CloseHandle(process);
    switch (wait) {
    case WAIT_OBJECT_0: return WaitOutcome::Ended;
    case WAIT_TIMEOUT: return WaitOutcome::TimedOut;
    default:
        windowsError = int(error);
        return WaitOutcome::Failed;
    }
}

} // namespace qv
