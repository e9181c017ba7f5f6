// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvane developers
#include "platform/filesystem.h"

#include "platform/winerror.h"

// The text file's error (filesystem.h): its codes and their messages, alike on every machine.
namespace qv {

InOutError::InOutError(int code) : Error(messageFor(code)), m_code(code) {}

QString InOutError::messageFor(int code)
{
    switch (code) {
    case 2: return QStringLiteral("File not found");
    case 3: return QStringLiteral("Invalid filename");
    case 4: return QStringLiteral("Too many open files");
    case 5: return QStringLiteral("File access denied");
    case 100: return QStringLiteral("Read beyond end of file");
    case 101: return QStringLiteral("Disk full");
    case 106: return QStringLiteral("Invalid numeric input");
    default: return QStringLiteral("I/O error %1").arg(code);
    }
}

int InOutError::codeFromErrno(int err)
{
    const int code = winerror::fromErrno(err);
    return code == winerror::DiskFull || code == winerror::FileTooLarge ? 101 : code;
}

} // namespace qv
