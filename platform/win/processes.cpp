// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvane developers
#include "platform/processes.h"

#include <windows.h>

#include <tlhelp32.h>

#include <algorithm>
#include <iterator>
#include <string>
#include <vector>

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

// A held process: a handle, which keeps its id from going to another
// process for as long as it is open.
struct ProcessHold
{
    HANDLE handle = nullptr;
    ~ProcessHold()
    {
        if (handle)
            CloseHandle(handle);
    }
};

namespace {

// The user a process runs as, as the text of its SID; empty when it cannot be told.
std::wstring ownerOf(HANDLE process)
{
    HANDLE token = nullptr;
    if (!OpenProcessToken(process, TOKEN_QUERY, &token))
        return std::wstring();
    std::wstring owner;
    DWORD size = 0;
    GetTokenInformation(token, TokenUser, nullptr, 0, &size);
    std::vector<BYTE> buffer(size);
    if (size && GetTokenInformation(token, TokenUser, buffer.data(), size, &size)) {
        const auto *user = reinterpret_cast<const TOKEN_USER *>(buffer.data());
        if (DWORD length = GetLengthSid(user->User.Sid); length)
            owner.assign(reinterpret_cast<const wchar_t *>(user->User.Sid),
                         reinterpret_cast<const wchar_t *>(static_cast<const BYTE *>(user->User.Sid) + length));
    }
    CloseHandle(token);
    return owner;
}

// The file name of the program a process runs; empty when it cannot be told.
QString imageNameOf(HANDLE process)
{
    wchar_t path[MAX_PATH * 4];
    DWORD size = DWORD(std::size(path));
    if (!QueryFullProcessImageNameW(process, 0, path, &size))
        return QString();
    const QString full = win::fromWide(path, qsizetype(size));
    return full.mid(std::max(full.lastIndexOf(QLatin1Char('\\')), full.lastIndexOf(QLatin1Char('/'))) + 1);
}

} // namespace

// A handle is all Windows has: nothing to choose.
void SystemProcessControl::setPidfdsUsed(bool) {}

// Opened at the moment it is found, and only when it still runs the program
// listed, as the user running Quorvane: a process of another user is never
// ended, nor one that took a listed id since.
bool SystemProcessControl::hold(ProcessEntry &entry)
{
    HANDLE process = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE,
                                 DWORD(entry.pid));
    if (!process)
        return false;
    auto held = std::make_shared<ProcessHold>();
    held->handle = process;
    HANDLE self = GetCurrentProcess();
    const std::wstring mine = ownerOf(self);
    if (imageNameOf(process).compare(entry.exeFile, Qt::CaseInsensitive) != 0 || mine.empty()
        || ownerOf(process) != mine)
        return false;
    entry.hold = std::move(held);
    return true;
}

WaitOutcome SystemProcessControl::terminateAndWait(const ProcessEntry &process, int timeoutMs, int &windowsError)
{
    // A process not held has no handle, and the wait on it fails with the reason.
    const HANDLE handle = process.hold ? process.hold->handle : nullptr;
    if (handle)
        TerminateProcess(handle, 0);
    else
        SetLastError(ERROR_INVALID_HANDLE);
    const DWORD wait = handle ? WaitForSingleObject(handle, DWORD(timeoutMs)) : WAIT_FAILED;
    const DWORD error = GetLastError();
    switch (wait) {
    case WAIT_OBJECT_0: return WaitOutcome::Ended;
    case WAIT_TIMEOUT: return WaitOutcome::TimedOut;
    default:
        windowsError = int(error);
        return WaitOutcome::Failed;
    }
}

} // namespace qv
