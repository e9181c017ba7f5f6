// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvane developers
#pragma once

#include <QString>

// The one classification of system failures: an errno value becomes the
// error code Windows gives the same failure, and each interface words it
// from there (the batch file operation's reasons, the text file's run-time
// errors, the process calls' system error).
namespace qv::winerror {

// The Windows error codes this program meets (winerror.h names, ERROR_ dropped).
enum Code : int {
    Success = 0,
    FileNotFound = 2,
    PathNotFound = 3,
    TooManyOpenFiles = 4,
    AccessDenied = 5,
    InvalidHandle = 6,
    NotEnoughMemory = 8,
    NotSameDevice = 17,
    GenFailure = 31,
    InvalidParameter = 87,
    DiskFull = 112,
    CallNotImplemented = 120,
    InvalidName = 123,
    DirNotEmpty = 145,
    Busy = 170,
    AlreadyExists = 183,
    FilenameTooLong = 206,
    FileTooLarge = 223,
    IoDevice = 1117,
    Cancelled = 1223,
    CantResolveFilename = 1921,
};

// Windows' code for an errno value (ENOENT FileNotFound, EACCES AccessDenied,
// ENOSPC DiskFull; 0 gives Success, anything unknown GenFailure).
int fromErrno(int err);
// Windows' own text for a code ("Access is denied."); empty for codes not listed above.
QString systemText(int code);
// One or two sentences for the user: what went wrong with a file, and what
// to do about it ("Access is denied. Check the permissions of the file and its folder.").
QString reasonForErrno(int err);

} // namespace qv::winerror

namespace qv {
// The error a failed system call raises: "System Error.  Code: 5." + line
// break + the system's text; for code 0 "A call to an OS function failed".
QString systemErrorMessage(int code);
} // namespace qv
