// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvane developers
#include "platform/writeprobe.h"

#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <fcntl.h>
#include <linux/fs.h>
#include <pwd.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include "platform/winerror.h"
#include "platform/wine/atomicfile.h"
#include "platform/wine/wineprefix.h"
#include "platform/namebytes.h"

namespace qv {

namespace {

// The attributes chattr sets; a file system without them has none set.
int attributesOf(const QByteArray &path, bool folder)
{
    const int fd = ::open(path.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | (folder ? O_DIRECTORY : 0));
    if (fd < 0)
        return 0;
    int flags = 0;
    if (::ioctl(fd, FS_IOC_GETFLAGS, &flags) != 0)
        flags = 0;
    ::close(fd);
    return flags;
}

QString attributeProblem(int flags)
{
    if (flags & FS_IMMUTABLE_FL)
        return QStringLiteral("it is marked immutable; \"chattr -i\" as root lifts the mark");
    if (flags & FS_APPEND_FL)
        return QStringLiteral("it is marked append-only, so nothing in it can be replaced or removed; \"chattr -a\" "
                              "as root lifts the mark");
    return QString();
}

QString userName()
{
    const struct passwd *pw = ::getpwuid(::geteuid());
    return pw ? QString::fromLocal8Bit(pw->pw_name) : QString::number(::geteuid());
}

} // namespace

QString hostFolderWriteProblem(const QString &hostFolder)
{
    const QByteArray path = namebytes::encode(hostFolder);
    struct stat st;
    if (::stat(path.constData(), &st) != 0)
        return QStringLiteral("it cannot be reached (%1)").arg(winerror::reasonForErrno(errno));
    if (!S_ISDIR(st.st_mode))
        return QStringLiteral("it is a file, not a folder");
    struct statvfs vfs;
    if (::statvfs(path.constData(), &vfs) == 0 && (vfs.f_flag & ST_RDONLY))
        return QStringLiteral("it is on a read-only file system; remount it writable");
    const QString attributes = attributeProblem(attributesOf(path, true));
    if (!attributes.isEmpty())
        return attributes;
    if (::faccessat(AT_FDCWD, path.constData(), W_OK | X_OK, AT_EACCESS) != 0) {
        if (errno == EROFS)
            return QStringLiteral("it is on a read-only file system; remount it writable");
        return QStringLiteral("the user %1 may not write in it; change its permissions or its owner").arg(userName());
    }
    return QString();
}

QString folderWriteProblem(const QString &windowsFolder)
{
    const QString host = WinePrefix::current().toHost(windowsFolder);
    if (host.isEmpty())
        return QStringLiteral("it is not on a drive of this machine");
    return hostFolderWriteProblem(host);
}

QString hostFileReplaceProblem(const QString &hostFile)
{
    const QFileInfo info(hostFile);
    QString file = info.absoluteFilePath();
    if (info.isSymLink()) {
        if (!info.exists())
            return QStringLiteral("it is a link to \"%1\", which does not exist").arg(info.symLinkTarget());
        // The save writes there and keeps the link, only inside the file's own folder (the prefix).
        file = linkTargetWithin(hostFile, info.absolutePath());
        if (file.isEmpty())
            return QStringLiteral("it is a symbolic link to \"%1\", outside the prefix, and Quorvane writes "
                                  "nothing through such a link; put the file itself in the link's place")
                .arg(info.symLinkTarget());
    }
    const QByteArray path = namebytes::encode(file);
    struct stat st;
    if (::stat(path.constData(), &st) == 0) {
        if (!S_ISREG(st.st_mode))
            return QStringLiteral("it is not a regular file");
        const QString attributes = attributeProblem(attributesOf(path, false));
        if (!attributes.isEmpty())
            return attributes;
    } else if (errno != ENOENT) {
        return QStringLiteral("it cannot be reached (%1)").arg(winerror::reasonForErrno(errno));
    }
    const QString folder = hostFolderWriteProblem(QFileInfo(file).absolutePath());
    return folder.isEmpty() ? QString() : QStringLiteral("its folder cannot be changed: ") + folder;
}

} // namespace qv
