// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvane developers
#include "platform/operationlock.h"

#include <windows.h>

namespace qv {

// The machine has one registry, so one operation at a time on it: a named
// mutex that every session sees. Windows gives an abandoned mutex (its owner
// died) to the next one asking, so a crash leaves nothing locked.
OperationLock::OperationLock()
{
    HANDLE mutex = CreateMutexW(nullptr, FALSE, L"Global\\Quorvane.Operation");
    if (!mutex) {
        m_held = true; // no lock to be had: the checks that follow say what is wrong
        return;
    }
    const DWORD r = WaitForSingleObject(mutex, 0);
    if (r == WAIT_OBJECT_0 || r == WAIT_ABANDONED) {
        m_handle = reinterpret_cast<std::intptr_t>(mutex);
        m_held = true;
        return;
    }
    CloseHandle(mutex);
    m_refusal = QStringLiteral("Another Quorvane is working on this computer, so nothing was changed. Wait until it "
                               "has finished, then try again");
}

OperationLock::~OperationLock()
{
    if (m_handle != kNone) {
        const HANDLE mutex = reinterpret_cast<HANDLE>(m_handle);
        ReleaseMutex(mutex);
        CloseHandle(mutex);
    }
}

QString OperationLock::fileFor(const QString &)
{
    return QString(); // a mutex, no file
}

} // namespace qv
