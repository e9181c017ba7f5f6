// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvane developers

// Deleting in the batch (filebatch.h): to the trash, or for good through
// descriptors of the folders being emptied, never following a link.
#include "platform/wine/filebatch.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>

#include "platform/winpath.h"
#include "platform/namebytes.h"

namespace qv::filebatch {

void Batch::removeItem(const Source &s, bool toTrash)
{
    if (toTrash) {
        checkRemovable(s);
        struct stat st;
        if (!lstatPath(s.host, st))
            return; // went with a folder earlier in the batch
        const Failure noTrash{FileOpAccessDenied, s.win,
                              QStringLiteral("The item could not be moved to the trash. Check that the trash folder "
                                             "can be written, or delete the item for good.")};
        // The trash lives in the data folder, which a fresh account may lack;
        // without it the move lands in whatever the current folder is.
        const QString data = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
        if (data.isEmpty() || !QDir().mkpath(data))
            throw noTrash;
        QString inTrash;
        if (!QFile::moveToTrash(s.host, &inTrash))
            throw noTrash;
        if (QDir::isRelativePath(inTrash)) {
            // Somewhere no one would look for it: put it back.
            QFile::rename(inTrash, s.host);
            throw noTrash;
        }
        return;
    }
    const QFileInfo fi(s.host);
    const int parent = ::open(enc(fi.path()).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (parent < 0 && errno == ENOENT)
        return; // went with a folder earlier in the batch
    if (parent < 0)
        throw Failure::ofErrno(errno, s.win);
    FdCloser closer(parent);
    struct stat self;
    const QByteArray name = enc(fi.fileName());
    if (::fstatat(parent, name.constData(), &self, AT_SYMLINK_NOFOLLOW) != 0) {
        if (errno == ENOENT)
            return;
        throw Failure::ofErrno(errno, s.win);
    }
    // Asked again right before it goes: only a folder can hold a protected one.
    if (S_ISDIR(self.st_mode))
        checkRemovable({s.win, s.host, self});
    removeAt(parent, name, s.win, self.st_dev, &self);
}

// Everything goes through descriptors of the folders being emptied, opened
// without following links: a link is removed, never entered, so the delete
// cannot leave its tree even if the tree changes underneath it.
// known: what fstatat() gave for the entry just now, when the caller has it.
void Batch::removeAt(int parentFd, const QByteArray &name, const QString &win, dev_t device, const struct stat *known)
{
    struct stat st;
    if (known)
        st = *known;
    else if (::fstatat(parentFd, name.constData(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
        if (errno == ENOENT)
            return;
        throw Failure::ofErrno(errno, win);
    }
    if (S_ISDIR(st.st_mode)) {
        if (st.st_dev != device)
            throw Failure{FileOpAccessDenied, win,
                          QStringLiteral("Another disk is mounted on this folder; it is left as it is. Unmount it "
                                         "first.")};
        const int fd = ::openat(parentFd, name.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        if (fd < 0)
            throw Failure::ofErrno(errno, win);
        DIR *dir = ::fdopendir(fd);
        if (!dir) {
            ::close(fd);
            throw Failure::ofErrno(errno, win);
        }
        std::vector<QByteArray> names;
        while (dirent *e = ::readdir(dir)) {
            if (std::strcmp(e->d_name, ".") == 0 || std::strcmp(e->d_name, "..") == 0)
                continue;
            names.emplace_back(e->d_name);
        }
        try {
            for (const QByteArray &child : names)
                removeAt(::dirfd(dir), child, winpath::join(win, namebytes::decode(child)), device);
        } catch (...) {
            ::closedir(dir);
            throw;
        }
        ::closedir(dir);
        if (::unlinkat(parentFd, name.constData(), AT_REMOVEDIR) != 0 && errno != ENOENT)
            throw Failure::ofErrno(errno, win);
        return;
    }
    progress(win, 0, 0);
    if (::unlinkat(parentFd, name.constData(), 0) != 0 && errno != ENOENT)
        throw Failure::ofErrno(errno, win);
}

} // namespace qv::filebatch
