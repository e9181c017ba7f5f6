// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvane developers
#include "platform/winerror.h"

#include <cerrno>
#include <cstring>

namespace qv::winerror {

namespace {

struct ErrnoClass
{
    int err;
    int code;
    const char *reason; // for the user; null: the system's text says it
};

// Wine's own mapping (errno to NT status to Windows code) where it exists;
// where Windows answers a file call differently (a folder opened for
// writing is access denied there) the Windows answer is taken.
const ErrnoClass kErrnos[] = {
    {ENOENT, FileNotFound, "The file or folder does not exist. Check the name and try again."},
    {ENOTDIR, PathNotFound, "A part of the path is not a folder. Check the name and try again."},
    {EMFILE, TooManyOpenFiles, nullptr},
    {ENFILE, TooManyOpenFiles, nullptr},
    {EACCES, AccessDenied, "Access is denied. Check the permissions of the file and its folder."},
    {EPERM, AccessDenied, "Access is denied. Check the permissions of the file and its folder."},
    {EROFS, AccessDenied, "The disk is read-only."},
    {EISDIR, AccessDenied, "This is a folder, not a file."},
    {ETXTBSY, AccessDenied, "The file is a program that is running. Close it and try again."},
    {EBADF, InvalidHandle, nullptr},
    {ENOMEM, NotEnoughMemory, nullptr},
    {EXDEV, NotSameDevice, nullptr},
    {ESRCH, InvalidParameter, nullptr}, // OpenProcess on an id that is gone
    {EINVAL, InvalidParameter, nullptr},
    {ENOSPC, DiskFull, "There is not enough space on the disk. Free some space and try again."},
#ifdef EDQUOT // not in Windows' C runtime
    {EDQUOT, DiskFull, "There is not enough space on the disk. Free some space and try again."},
#endif
    {ENOSYS, CallNotImplemented, nullptr},
    {ENOTEMPTY, DirNotEmpty, nullptr},
    {EBUSY, Busy, nullptr},
    {EEXIST, AlreadyExists, "A file or folder of that name already exists."},
    {ENAMETOOLONG, FilenameTooLong, "The file name is too long."},
    {EFBIG, FileTooLarge, "The file is too large for the target disk."},
    {EIO, IoDevice, "The disk could not be read or written (input/output error)."},
    {ELOOP, CantResolveFilename, "The path has too many levels of symbolic links."},
};

struct CodeText
{
    int code;
    const char *text;
};

// As Windows words them.
const CodeText kTexts[] = {
    {FileNotFound, "The system cannot find the file specified."},
    {PathNotFound, "The system cannot find the path specified."},
    {TooManyOpenFiles, "The system cannot open the file."},
    {AccessDenied, "Access is denied."},
    {InvalidHandle, "The handle is invalid."},
    {NotEnoughMemory, "Not enough storage is available to process this command."},
    {NotSameDevice, "The system cannot move the file to a different disk drive."},
    {GenFailure, "A device attached to the system is not functioning."},
    {InvalidParameter, "The parameter is incorrect."},
    {DiskFull, "There is not enough space on the disk."},
    {CallNotImplemented, "This function is not supported on this system."},
    {InvalidName, "The filename, directory name, or volume label syntax is incorrect."},
    {DirNotEmpty, "The directory is not empty."},
    {Busy, "The requested resource is in use."},
    {AlreadyExists, "Cannot create a file when that file already exists."},
    {FilenameTooLong, "The filename or extension is too long."},
    {FileTooLarge, "The file size exceeds the limit allowed and cannot be saved."},
    {IoDevice, "The request could not be performed because of an I/O device error."},
    {Cancelled, "The operation was canceled by the user."},
    {CantResolveFilename, "The name of the file cannot be resolved by the system."},
};

const ErrnoClass *classOf(int err)
{
    for (const ErrnoClass &c : kErrnos)
        if (c.err == err)
            return &c;
    return nullptr;
}

} // namespace

int fromErrno(int err)
{
    if (err == 0)
        return Success;
    const ErrnoClass *c = classOf(err);
    return c ? c->code : GenFailure;
}

QString systemText(int code)
{
    for (const CodeText &t : kTexts)
        if (t.code == code)
            return QString::fromLatin1(t.text);
    return QString();
}

QString reasonForErrno(int err)
{
    const ErrnoClass *c = classOf(err);
    if (c && c->reason)
        return QString::fromLatin1(c->reason);
    if (c)
        return systemText(c->code);
    return QString::fromLocal8Bit(std::strerror(err)) + QLatin1Char('.');
}

} // namespace qv::winerror

namespace qv {

QString systemErrorMessage(int code)
{
    if (code == winerror::Success)
        return QStringLiteral("A call to an OS function failed");
    return QStringLiteral("System Error.  Code: %1.\n%2").arg(code).arg(winerror::systemText(code));
}

} // namespace qv
