// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvane developers
/* A process to find and end, and Windows' own answer for ending one that is gone:
 *   qvproc sleep MS  sleeps that long, then ends;
 *   qvproc gone      starts a copy of itself that ends at once, waits for it,
 *                    then runs OpenProcess (terminate and synchronise),
 *                    TerminateProcess and WaitForSingleObject on its id, and
 *                    prints each call's result and last error, and the
 *                    system's text for the wait's error (hex-coded UTF-8). */
#include "common.h"

int main(int argc, char **argv)
{
    helper_init();
    if (argc >= 3 && !strcmp(argv[1], "sleep")) {
        Sleep((DWORD)atol(argv[2]));
        return 0;
    }
    if (argc >= 2 && !strcmp(argv[1], "gone")) {
        WCHAR self[MAX_PATH], cmd[MAX_PATH + 16];
        GetModuleFileNameW(NULL, self, MAX_PATH);
        swprintf(cmd, MAX_PATH + 16, L"\"%ls\" exit", self);
        STARTUPINFOW si;
        memset(&si, 0, sizeof si);
        si.cb = sizeof si;
        PROCESS_INFORMATION pi;
        if (!CreateProcessW(NULL, cmd, NULL, NULL, FALSE, 0, NULL, NULL, &si, &pi)) {
            printf("err %lu\n", GetLastError());
            return 1;
        }
        WaitForSingleObject(pi.hProcess, INFINITE);
        CloseHandle(pi.hThread);
        CloseHandle(pi.hProcess);
        const DWORD pid = pi.dwProcessId;
        /* Wine lets go of an ended process a moment after it is gone. */
        for (int i = 0; i < 100; ++i) {
            HANDLE probe = OpenProcess(SYNCHRONIZE, FALSE, pid);
            if (!probe)
                break;
            CloseHandle(probe);
            Sleep(50);
        }

        SetLastError(0);
        HANDLE h = OpenProcess(0x100001, FALSE, pid);
        const DWORD openError = GetLastError();
        SetLastError(0);
        const BOOL terminated = TerminateProcess(h, 0);
        const DWORD terminateError = GetLastError();
        SetLastError(0);
        const DWORD wait = WaitForSingleObject(h, 5000);
        const DWORD waitError = GetLastError();
        WCHAR text[512] = {0};
        FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, NULL, waitError, 0, text, 512, NULL);
        printf("open %d %lu terminate %d %lu wait %lx %lu text ", h != NULL, openError, terminated, terminateError,
               wait, waitError);
        put_wide(text, -1);
        puts("");
        if (h)
            CloseHandle(h);
        return 0;
    }
    return 0;
}
