// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvane developers
#include "platform/operationlock.h"

#include <QDir>
#include <QFile>
#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/wine/wineprefix.h"
#include "platform/namebytes.h"

namespace qv {

namespace {

// A folder of this user's own in /tmp, as Wine keeps its server's: the same
// for the window and quorvane-cli whatever TMPDIR each was given, and nobody
// else can put a file or a link in its place.
QString privateFolder()
{
    const QString folder = QStringLiteral("/tmp/quorvane-%1").arg(::geteuid());
    const QByteArray name = namebytes::encode(folder);
    ::mkdir(name.constData(), 0700);
    struct stat st;
    if (::lstat(name.constData(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != ::geteuid()
        || (st.st_mode & 0077))
        return QString();
    return folder;
}

} // namespace

QString OperationLock::fileFor(const QString &prefixRoot)
{
    // Named after the prefix folder itself, so every path that leads to it
    // (links, a trailing slash) meets the same lock.
    struct stat st;
    if (::stat(namebytes::encode(prefixRoot).constData(), &st) != 0)
        return QString();
    const QString folder = privateFolder();
    const QString name = QStringLiteral("prefix-%1-%2.lock").arg(quint64(st.st_dev), 0, 16).arg(quint64(st.st_ino), 0, 16);
    // Where that folder is not ours alone, the prefix folder holds the lock.
    return folder.isEmpty() ? prefixRoot + QStringLiteral("/.quorvane.lock") : folder + QLatin1Char('/') + name;
}

OperationLock::OperationLock()
{
    const QString root = WinePrefix::current().root();
    const QString file = fileFor(root);
    int fd = -1;
    if (!file.isEmpty()) {
        const QByteArray name = namebytes::encode(file);
        fd = ::open(name.constData(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
        if (fd < 0)
            fd = ::open(name.constData(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC); // flock needs no write access
    }
    if (fd < 0) {
        m_held = true; // no lock to be had (a missing prefix): the checks that follow say what is wrong
        return;
    }
    int r;
    do {
        r = ::flock(fd, LOCK_EX | LOCK_NB);
    } while (r != 0 && errno == EINTR);
    if (r == 0) {
        m_handle = fd;
        m_held = true;
        return;
    }
    ::close(fd);
    m_refusal = QStringLiteral("Another Quorvane is working on this prefix (\"%1\"), so nothing was changed. Wait "
                               "until it has finished, then try again")
                    .arg(QDir::toNativeSeparators(root));
}

OperationLock::~OperationLock()
{
    if (m_handle != kNone)
        ::close(int(m_handle)); // closing lets go of the lock
}

} // namespace qv
