// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvane developers

// Copying and moving in the batch (filebatch.h): files written whole through
// a temporary file, trees walked without leaving them through a link, Wine's
// attributes carried along, moves by rename where the drive allows it.
//
// A symbolic link is copied as the link it is, its target's text unchanged,
// and never followed, wherever it is met: named in the batch, matched by a
// wildcard or inside a folder being copied. That is what Windows does with a
// link when it moves or deletes it, and what its own copy does when asked to
// keep links (COPY_FILE_COPY_SYMLINK); following one would copy whatever it
// leads to, a folder of the user's or the whole disk, into the target.
#include "platform/wine/filebatch.h"

#include <QDir>
#include <QFileInfo>
#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/xattr.h>

#include "platform/wine/atomicfile.h"
#include "platform/wine/inputfile.h"
#include "platform/wine/wineprefix.h"
#include "platform/winpath.h"

namespace qv::filebatch {

namespace {

const QString kLinkInTheWay = QStringLiteral("A symbolic link of that name is in the way of the folder; it is not "
                                             "followed. Remove the link first.");

// Wine keeps the hidden, system and read-only attributes of a file in its
// user.* extended attributes; they travel with the copy. Best effort: a
// target file system without them still gets the data. The source is an
// open file, or (inPath) a folder read by its path without following a link.
void copyUserAttributes(int in, int out, const char *inPath = nullptr)
{
    char names[4096];
    const ssize_t len = inPath ? ::llistxattr(inPath, names, sizeof names) : ::flistxattr(in, names, sizeof names);
    if (len <= 0)
        return;
    char value[4096];
    for (ssize_t i = 0; i < len; i += ssize_t(std::strlen(names + i)) + 1) {
        const char *name = names + i;
        if (std::strncmp(name, "user.", 5) != 0)
            continue;
        const ssize_t n = inPath ? ::lgetxattr(inPath, name, value, sizeof value)
                                 : ::fgetxattr(in, name, value, sizeof value);
        if (n >= 0)
            ::fsetxattr(out, name, value, size_t(n), 0);
    }
}

} // namespace

void Batch::copyOrMoveGroup(const QStringList &entries, const QString &targetWin, bool move)
{
    std::vector<Source> items;
    bool anyWildcard = false;
    for (const QString &e : entries) {
        bool wild = false;
        const std::vector<Source> found = expand(e, wild);
        anyWildcard = anyWildcard || wild;
        items.insert(items.end(), found.begin(), found.end());
    }
    if (items.empty())
        return; // a wildcard that matches nothing is nothing to do
    if (move)
        for (const Source &s : items)
            checkRemovable(s);

    const QString targetHost = hostFolder(targetWin);
    if (targetHost.isEmpty())
        throw Failure{FileOpPathNotFound, targetWin,
                      QStringLiteral("The target is not on a drive of the Wine prefix. Choose a folder on C: or "
                                     "another drive of the prefix.")};
    struct stat st;
    const bool targetIsDir = statPath(targetHost, st) && S_ISDIR(st.st_mode);
    // A target ending in a separator names a folder, even one still to be made.
    const bool namedFolder = targetWin.endsWith(QLatin1Char('\\')) || targetWin.endsWith(QLatin1Char('/'));
    const bool intoFolder = anyWildcard || entries.size() > 1 || targetIsDir || namedFolder;

    if (!flag(FOF_SILENT) && !move)
        for (Source &s : items)
            m_progress.bytesTotal += scanBytes(s.host, s.link ? nullptr : &s.link);
    m_progress.itemsTotal += int(items.size());

    if (intoFolder) {
        ensureFolder(targetWin, targetHost, true);
        for (const Source &s : items) {
            const QString name = QFileInfo(s.host).fileName();
            transfer(s, winpath::join(targetWin, name), hostJoin(targetHost, name), move, true);
        }
    } else {
        const QString parentHost = QFileInfo(targetHost).path();
        ensureFolder(winpath::folder(targetWin), parentHost, true);
        transfer(items.front(), targetWin, targetHost, move, true);
    }
}

void Batch::transfer(const Source &src, QString dstWin, QString dstHost, bool move, bool top)
{
    // The source as it is: a link is the link, never what it leads to.
    struct stat sst;
    if (src.link)
        sst = *src.link;
    else if (!lstatPath(src.host, sst))
        throw Failure{FileOpFileNotFound, src.win, winerror::reasonForErrno(ENOENT)};
    const bool srcIsDir = S_ISDIR(sst.st_mode);

    struct stat dst;
    bool dstExists = lstatPath(dstHost, dst);
    if (dstExists && dst.st_dev == sst.st_dev && dst.st_ino == sst.st_ino) {
        if (move)
            return; // already where it should be
        // A copy onto itself is refused, as Windows refuses it; only when
        // asked to rename on collisions does it go beside the original.
        if (!flag(FOF_RENAMEONCOLLISION)) {
            if (srcIsDir)
                throw Failure{FileOpDestinationInsideSource, src.win,
                              QStringLiteral("The source and target folder are the same. Choose another target.")};
            throw Failure{FileOpSameFile, src.win,
                          QStringLiteral("The source and target file are the same. Choose another target.")};
        }
        dstHost = uniqueName(dstHost);
        dstWin = winpath::join(winpath::folder(dstWin), QFileInfo(dstHost).fileName());
        dstExists = false;
    }
    if (srcIsDir) {
        const QString realSrc = realPathOf(src);
        const QString realDstParent = realFolder(QFileInfo(dstHost).path());
        if (!realSrc.isEmpty() && !realDstParent.isEmpty() && isSameOrInside(realDstParent, realSrc))
            throw Failure{FileOpDestinationInsideSource, src.win,
                          QStringLiteral("The target folder is inside the source folder. Choose a target "
                                         "outside it.")};
    }
    if (dstExists && top && flag(FOF_RENAMEONCOLLISION)) {
        dstHost = uniqueName(dstHost);
        dstWin = winpath::join(winpath::folder(dstWin), QFileInfo(dstHost).fileName());
        dstExists = false;
    }
    if (dstExists) {
        // A link in the target's place is no folder to fill: it is replaced
        // when a file or link goes there, and refused for a folder.
        const bool dstIsDir = S_ISDIR(dst.st_mode);
        if (srcIsDir && S_ISLNK(dst.st_mode))
            throw Failure{FileOpAlreadyExists, dstWin, kLinkInTheWay};
        if (dstIsDir != srcIsDir)
            throw Failure{FileOpAlreadyExists, dstWin,
                          srcIsDir ? QStringLiteral("A file of that name is in the way of the folder.")
                                   : QStringLiteral("A folder of that name is in the way of the file.")};
        if (!srcIsDir && !askReplace(dstWin, src.win))
            return;
    }

    if (move) {
        progress(src.win, 0, top ? 1 : 0);
        if (dstExists && srcIsDir) {
            // Merging into a folder of the same name: item by item, so that
            // whatever the user chose not to replace stays in the source.
            QStringList names;
            if (!folderNames(src.host, names))
                throw Failure::ofErrno(errno, src.win);
            for (const QString &n : names)
                transfer({winpath::join(src.win, n), hostJoin(src.host, n)}, winpath::join(dstWin, n),
                         hostJoin(dstHost, n), true, false);
            ::rmdir(enc(src.host).constData()); // stays when something was kept
            return;
        }
        if (::rename(enc(src.host).constData(), enc(dstHost).constData()) == 0)
            return;
        if (errno != EXDEV)
            throw Failure::ofErrno(errno, src.win);
        // Another file system: copy, then remove the source for good.
        std::vector<std::pair<dev_t, ino_t>> ancestors;
        copyTree(src.win, src.host, dstWin, dstHost, ancestors);
        removeItem(src, false);
        return;
    }
    std::vector<std::pair<dev_t, ino_t>> ancestors;
    copyTree(src.win, src.host, dstWin, dstHost, ancestors, &sst, !dstExists);
    if (top)
        progress(src.win, 0, 1);
}

// known: what lstat() gave for srcHost, when the caller has it; dstNew: the
// caller has just found nothing at dstHost.
void Batch::copyTree(const QString &srcWin, const QString &srcHost, const QString &dstWin, const QString &dstHost,
                     std::vector<std::pair<dev_t, ino_t>> &ancestors, const struct stat *known, bool dstNew)
{
    struct stat st;
    if (known)
        st = *known;
    else if (!lstatPath(srcHost, st))
        throw Failure::ofErrno(errno, srcWin);
    if (S_ISLNK(st.st_mode)) {
        copyLink(srcWin, srcHost, dstWin, dstHost);
        return;
    }
    if (S_ISREG(st.st_mode)) {
        copyFile(srcWin, srcHost, st, dstWin, dstHost, dstNew);
        return;
    }
    if (!S_ISDIR(st.st_mode))
        throw Failure{FileOpAccessDenied, srcWin,
                      QStringLiteral("This is a device, pipe or socket, not a file or folder, and is not copied.")};

    for (const auto &a : ancestors)
        if (a.first == st.st_dev && a.second == st.st_ino)
            throw Failure{FileOpAccessDenied, srcWin,
                          QStringLiteral("A symbolic link leads back into its own folder; the folder is not "
                                         "copied again.")};
    progress(srcWin, 0, 0);

    struct stat dst;
    // A folder made here holds nothing yet: its entries are not looked for.
    // (Should one appear all the same, a file is still only ever replaced.)
    bool madeNow = false;
    if (!lstatPath(dstHost, dst)) {
        if (::mkdir(enc(dstHost).constData(), 0700) != 0)
            throw Failure::ofErrno(errno, dstWin);
        madeNow = true;
    } else if (S_ISLNK(dst.st_mode)) {
        throw Failure{FileOpAlreadyExists, dstWin, kLinkInTheWay};
    } else if (!S_ISDIR(dst.st_mode)) {
        throw Failure{FileOpAlreadyExists, dstWin, QStringLiteral("A file of that name is in the way of the folder.")};
    }

    QStringList names;
    if (!folderNames(srcHost, names))
        throw Failure::ofErrno(errno, srcWin);

    ancestors.emplace_back(st.st_dev, st.st_ino);
    for (const QString &n : names) {
        if (isTemporaryName(n))
            continue; // half a file from an interrupted copy: never passed on
        const QString childSrc = hostJoin(srcHost, n);
        const QString childDst = hostJoin(dstHost, n);
        struct stat cd;
        const bool childExists = !madeNow && lstatPath(childDst, cd);
        if (childExists) {
            struct stat cs;
            const bool srcDir = lstatPath(childSrc, cs) && S_ISDIR(cs.st_mode);
            const bool dstDir = S_ISDIR(cd.st_mode);
            if (srcDir && S_ISLNK(cd.st_mode))
                throw Failure{FileOpAlreadyExists, winpath::join(dstWin, n), kLinkInTheWay};
            if (srcDir != dstDir)
                throw Failure{FileOpAlreadyExists, winpath::join(dstWin, n),
                              QStringLiteral("A file and a folder of the same name are in each other's way.")};
            if (!srcDir && !askReplace(winpath::join(dstWin, n), winpath::join(srcWin, n)))
                continue;
        }
        copyTree(winpath::join(srcWin, n), childSrc, winpath::join(dstWin, n), childDst, ancestors, nullptr,
                 !childExists);
    }
    ancestors.pop_back();

    // Mode and times last, so a read-only folder could still be filled;
    // through a descriptor of the target folder itself, never a link, and
    // the source's attributes read without following one.
    const int dstFd = ::open(enc(dstHost).constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (dstFd >= 0) {
        copyUserAttributes(-1, dstFd, enc(srcHost).constData());
        ::fchmod(dstFd, st.st_mode & 07777);
        const struct timespec times[2] = {st.st_atim, st.st_mtim};
        ::futimens(dstFd, times);
        ::close(dstFd);
    }
}

// The link itself, its target's text as it is, in the place of a file or
// link of that name.
void Batch::copyLink(const QString &srcWin, const QString &srcHost, const QString &dstWin, const QString &dstHost)
{
    QByteArray target(PATH_MAX, Qt::Uninitialized);
    const ssize_t n = ::readlink(enc(srcHost).constData(), target.data(), size_t(target.size()));
    if (n < 0)
        throw Failure::ofErrno(errno, srcWin);
    target.truncate(n);
    progress(srcWin, 0, 0);
    struct stat dst;
    if (lstatPath(dstHost, dst) && !S_ISDIR(dst.st_mode) && ::unlink(enc(dstHost).constData()) != 0)
        throw Failure::ofErrno(errno, dstWin);
    if (::symlink(target.constData(), enc(dstHost).constData()) != 0)
        throw Failure::ofErrno(errno, dstWin);
}

// The data goes to a temporary file beside the target, which takes the
// final name only once it is complete: a copy that fails or is cancelled
// partway never leaves a half-written file under that name, nor spoils the
// file it replaces. The writer drops the temporary file on any way out.
void Batch::copyFile(const QString &srcWin, const QString &srcHost, const struct stat &st, const QString &dstWin,
                     const QString &dstHost, bool dstNew)
{
    // The file found, never a link or pipe put in its place since.
    const int in = inputfile::openRegular(AT_FDCWD, enc(srcHost).constData(), O_NOFOLLOW);
    if (in < 0)
        throw Failure::ofErrno(errno == EINVAL ? EACCES : errno, srcWin);
    FdCloser inCloser(in);

    AtomicFile target(dstHost);
    // The mode is the source's, set below with the rest.
    if (!target.open(0644, dstNew ? AtomicFile::Target::NewModeByCaller : AtomicFile::Target::Unknown))
        throw Failure::ofErrno(target.error(), dstWin);
    const int out = target.handle();

    progress(srcWin, 0, 0);
    // A reflink shares the blocks outright where the file system can; where
    // it cannot, that is asked once per source file system and target folder.
    const QString targetFolder = QFileInfo(dstHost).path();
    const bool tryClone = m_noClone.first != st.st_dev || m_noClone.second != targetFolder;
    const bool cloned = tryClone && ::ioctl(out, FICLONE, in) == 0;
    if (!cloned && tryClone
        && (errno == EOPNOTSUPP || errno == ENOTTY || errno == EXDEV || errno == EINVAL || errno == ENOSYS))
        m_noClone = {st.st_dev, targetFolder};
    if (!cloned) {
        constexpr size_t chunk = size_t(8) << 20;
        qint64 done = 0;
        bool useRange = true;
        std::vector<char> buffer;
        for (;;) {
            ssize_t n = -1;
            if (useRange) {
                n = ::copy_file_range(in, nullptr, out, nullptr, chunk, 0);
                if (n < 0 && done == 0
                    && (errno == EXDEV || errno == EINVAL || errno == ENOSYS || errno == EOPNOTSUPP)) {
                    useRange = false;
                    continue;
                }
                if (n < 0) {
                    const int err = errno;
                    throw Failure::ofErrno(err, err == ENOSPC || err == EFBIG || err == EDQUOT ? dstWin : srcWin);
                }
            } else {
                if (buffer.empty())
                    buffer.resize(size_t(1) << 20);
                n = ::read(in, buffer.data(), buffer.size());
                if (n < 0 && errno == EINTR)
                    continue;
                if (n < 0)
                    throw Failure::ofErrno(errno, srcWin);
                if (!target.write(buffer.data(), n))
                    throw Failure::ofErrno(target.error(), dstWin);
            }
            if (n == 0)
                break;
            done += n;
            progress(srcWin, n, 0);
        }
    } else {
        progress(srcWin, st.st_size, 0);
    }

    copyUserAttributes(in, out);
    ::fchmod(out, st.st_mode & 07777);
    const struct timespec times[2] = {st.st_atim, st.st_mtim};
    ::futimens(out, times);
    // Like any copy of the shell's, no wait for the disk: a copy is redone at will.
    if (!target.commit(AtomicFile::Sync::No))
        throw Failure::ofErrno(target.error(), dstWin);
}

} // namespace qv::filebatch
