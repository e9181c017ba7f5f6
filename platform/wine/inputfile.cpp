// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvane developers
#include "platform/wine/inputfile.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/namebytes.h"
#include "platform/winerror.h"

namespace qv::inputfile {

int openRegular(int folderFd, const char *name, int extraFlags, struct stat *st)
{
    // Non-blocking, so that opening a FIFO returns at once; the flag is
    // taken off again for the reads of a regular file.
    const int fd = ::openat(folderFd, name, O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY | extraFlags);
    if (fd < 0)
        return -1;
    struct stat own;
    struct stat &found = st ? *st : own;
    if (::fstat(fd, &found) != 0 || !S_ISREG(found.st_mode)) {
        ::close(fd);
        errno = EINVAL;
        return -1;
    }
    // The status flags are the caller's and this one: set in one call, not read first.
    ::fcntl(fd, F_SETFL, extraFlags & ~O_NONBLOCK);
    return fd;
}

Read readAt(int folderFd, const QByteArray &name, qint64 limit)
{
    Read r;
    const int fd = openRegular(folderFd, name.constData());
    if (fd < 0) {
        r.error = errno;
        r.outcome = errno == ENOENT ? Read::Missing : errno == EINVAL ? Read::NotRegular : Read::Failed;
        return r;
    }
    struct stat st;
    if (::fstat(fd, &st) == 0 && st.st_size > limit) {
        ::close(fd);
        r.outcome = Read::TooLarge;
        return r;
    }
    // One byte more than the size, so that the read which finds the end
    // needs no larger buffer.
    r.bytes.resize(qsizetype(std::min<qint64>(limit + 1, st.st_size + 1)));
    qsizetype got = 0;
    for (;;) {
        // A file that grows while it is read is read up to the limit and one byte more.
        if (got == r.bytes.size())
            r.bytes.resize(qsizetype(std::min<qint64>(limit + 1, std::max<qint64>(4096, got * 2))));
        if (got == r.bytes.size())
            break;
        const ssize_t n = ::read(fd, r.bytes.data() + got, size_t(r.bytes.size() - got));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            r.error = errno;
            ::close(fd);
            r.bytes.clear();
            r.outcome = Read::Failed;
            return r;
        }
        if (n == 0)
            break;
        got += n;
    }
    ::close(fd);
    r.bytes.truncate(got);
    if (got > limit) {
        r.bytes.clear();
        r.outcome = Read::TooLarge;
        return r;
    }
    r.outcome = Read::Done;
    return r;
}

Read read(const QString &hostPath, qint64 limit)
{
    return readAt(AT_FDCWD, namebytes::encode(hostPath), limit);
}

QString problem(const Read &read, qint64 limit)
{
    switch (read.outcome) {
    case Read::Done: return QString();
    case Read::Missing: return QStringLiteral("does not exist");
    case Read::NotRegular: return QStringLiteral("is not a regular file (a folder, a pipe or a device)");
    case Read::TooLarge:
        return limit >= (qint64(1) << 20) ? QStringLiteral("is larger than %1 MiB").arg(limit >> 20)
                                          : QStringLiteral("is larger than %1 bytes").arg(limit);
    case Read::Failed: break;
    }
    return QStringLiteral("cannot be read (%1)").arg(winerror::reasonForErrno(read.error));
}

} // namespace qv::inputfile
