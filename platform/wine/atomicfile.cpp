// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvane developers
#include "platform/wine/atomicfile.h"

#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

#include "platform/namebytes.h"

namespace qv {

namespace {

bool g_unnamedAllowed = true;

// ".<name>.qvpart-" + six random letters or digits, beside the target.
QByteArray temporaryName(const QString &target, bool pattern)
{
    const QFileInfo info(target);
    QByteArray name = namebytes::encode(info.absolutePath()) + "/." + namebytes::encode(info.fileName()) + ".qvpart-";
    if (pattern)
        return name + "XXXXXX";
    static const char letters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    for (int i = 0; i < 6; ++i)
        name += letters[QRandomGenerator::global()->bounded(int(sizeof letters) - 1)];
    return name;
}

} // namespace

void AtomicFile::setUnnamedAllowed(bool allowed)
{
    g_unnamedAllowed = allowed;
}

AtomicFile::AtomicFile(const QString &hostPath, Link link)
{
    const QFileInfo info(hostPath);
    m_target = link == Link::Follow && info.isSymLink() && info.exists() ? info.canonicalFilePath()
                                                                        : info.absoluteFilePath();
}

AtomicFile::~AtomicFile()
{
    discard();
}

bool AtomicFile::fail(const char *step, int err)
{
    m_step = QString::fromLatin1(step);
    m_error = err;
    discard();
    return false;
}

bool AtomicFile::open(mode_t newFileMode, Target target)
{
    discard();
    m_tempName.clear();
    const QByteArray folder = namebytes::encode(QFileInfo(m_target).absolutePath());
    // Mode 0600 at first: nobody else reads the bytes before the mode below is set.
    m_fd = g_unnamedAllowed ? ::open(folder.constData(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600) : -1;
    if (m_fd < 0) {
        // A file system without unnamed files (or a folder that is missing,
        // which the named way reports as well).
        m_tempName = temporaryName(m_target, true);
        m_fd = ::mkostemp(m_tempName.data(), O_CLOEXEC);
        if (m_fd < 0) {
            m_tempName.clear();
            return fail("creating a temporary file", errno);
        }
    }
    m_synced = false;
    struct stat old;
    // Mode and owner carry over from the file replaced; a link in its place
    // gives none of its target's, which is no file of this one's.
    if (target == Target::Unknown && ::lstat(namebytes::encode(m_target).constData(), &old) == 0
        && S_ISREG(old.st_mode)) {
        ::fchmod(m_fd, old.st_mode & 07777);
        // Only root can give a file away; it keeps the prefix owner's file theirs.
        if (old.st_uid != ::geteuid() || old.st_gid != ::getegid())
            (void)!::fchown(m_fd, old.st_uid, old.st_gid);
    } else if (target != Target::NewModeByCaller) {
        ::fchmod(m_fd, newFileMode);
    }
    return true;
}

bool AtomicFile::write(const char *data, qsizetype size)
{
    if (m_fd < 0)
        return fail("writing", EBADF);
    qsizetype done = 0;
    while (done < size) {
        const ssize_t n = ::write(m_fd, data + done, size_t(size - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return fail("writing", errno);
        if (n == 0)
            return fail("writing", ENOSPC);
        done += n;
    }
    m_synced = false;
    return true;
}

bool AtomicFile::flush()
{
    if (m_fd < 0)
        return fail("flushing to disk", EBADF);
    if (::fsync(m_fd) != 0)
        return fail("flushing to disk", errno);
    m_synced = true;
    return true;
}

// Gives the unnamed temporary file a name; false (errno set) when it cannot.
bool AtomicFile::link(const QByteArray &name)
{
    const QByteArray self = "/proc/self/fd/" + QByteArray::number(m_fd);
    if (::linkat(AT_FDCWD, self.constData(), AT_FDCWD, name.constData(), AT_SYMLINK_FOLLOW) == 0)
        return true;
    if (errno != ENOENT)
        return false;
    // No /proc: the descriptor itself, which needs the right to look up any file.
    return ::linkat(m_fd, "", AT_FDCWD, name.constData(), AT_EMPTY_PATH) == 0;
}

bool AtomicFile::commit(Sync sync)
{
    if (m_fd < 0)
        return fail("closing", EBADF);
    if (sync == Sync::ToDisk && !m_synced && !flush())
        return false;
    const QByteArray target = namebytes::encode(m_target);
    if (m_tempName.isEmpty()) {
        // A new file takes its name in one step; an existing one can only be
        // replaced by a rename, so the bytes get a hidden name for that moment.
        if (link(target)) {
            const int fd = std::exchange(m_fd, -1);
            ::close(fd);
            return true;
        }
        if (errno != EEXIST)
            return fail("replacing the file", errno);
        for (int tries = 0; m_tempName.isEmpty(); ++tries) {
            const QByteArray name = temporaryName(m_target, false);
            if (link(name))
                m_tempName = name;
            else if (errno != EEXIST || tries > 100)
                return fail("replacing the file", errno);
        }
    }
    const int fd = std::exchange(m_fd, -1);
    if (::close(fd) != 0)
        return fail("closing", errno);
    // No fsync of the folder: the rename is atomic in the file system's
    // journal either way, so a crash leaves the old file or the new one.
    if (::rename(m_tempName.constData(), target.constData()) != 0)
        return fail("replacing the file", errno);
    m_tempName.clear();
    return true;
}

void AtomicFile::discard()
{
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
    }
    if (!m_tempName.isEmpty()) {
        ::unlink(m_tempName.constData());
        m_tempName.clear();
    }
}

QString linkTargetWithin(const QString &hostPath, const QString &root)
{
    const QFileInfo info(hostPath);
    if (!info.isSymLink())
        return info.absoluteFilePath();
    const QString target = info.canonicalFilePath();
    const QString inside = QFileInfo(root).canonicalFilePath();
    if (target.isEmpty() || inside.isEmpty() || !target.startsWith(inside + QLatin1Char('/')))
        return QString();
    return target;
}

bool isTemporaryName(const QString &fileName)
{
    static const QRegularExpression pattern(QStringLiteral("^\\..+\\.(qvpart|quorvane)-[A-Za-z0-9]{6,}$"));
    return fileName.startsWith(QLatin1Char('.')) && pattern.match(fileName).hasMatch();
}

namespace {

// Removes the leftovers in an open folder, and below it with recursive,
// entering no link. The listing's own entry types spare a stat() of each
// entry where the file system gives them. Closes the descriptor.
int removeIn(int dirFd, bool recursive)
{
    DIR *dir = ::fdopendir(dirFd);
    if (!dir) {
        ::close(dirFd);
        return 0;
    }
    int removed = 0;
    while (dirent *e = ::readdir(dir)) {
        if (!std::strcmp(e->d_name, ".") || !std::strcmp(e->d_name, ".."))
            continue;
        unsigned char type = e->d_type;
        if (type == DT_UNKNOWN) {
            struct stat st;
            if (::fstatat(::dirfd(dir), e->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0)
                continue;
            type = IFTODT(st.st_mode);
        }
        if (type == DT_REG && e->d_name[0] == '.' && isTemporaryName(namebytes::decode(e->d_name))) {
            if (::unlinkat(::dirfd(dir), e->d_name, 0) == 0)
                ++removed;
        } else if (recursive && type == DT_DIR) {
            const int sub = ::openat(::dirfd(dir), e->d_name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
            if (sub >= 0)
                removed += removeIn(sub, true);
        }
    }
    ::closedir(dir);
    return removed;
}

} // namespace

int removeTemporaries(const QString &hostFolder, bool recursive)
{
    const int fd = ::open(namebytes::encode(hostFolder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    return fd < 0 ? 0 : removeIn(fd, recursive);
}

int removeTemporariesBelow(int folderFd)
{
    const int fd = ::openat(folderFd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    return fd < 0 ? 0 : removeIn(fd, true);
}

} // namespace qv
