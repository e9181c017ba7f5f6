#include "platform/atomicfile.h"

#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace qv {

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

bool AtomicFile::open(mode_t newFileMode)
{
    discard();
    const QFileInfo info(m_target);
    m_tempName = QFile::encodeName(info.absolutePath()) + "/." + QFile::encodeName(info.fileName()) + ".qvpart-XXXXXX";
    // mkostemp makes it 0600: nobody else reads the bytes before the mode below is set.
    m_fd = ::mkostemp(m_tempName.data(), O_CLOEXEC);
    if (m_fd < 0) {
        m_tempName.clear();
        return fail("creating a temporary file", errno);
    }
    m_synced = false;
    struct stat old;
    const QByteArray target = QFile::encodeName(m_target);
    if (::stat(target.constData(), &old) == 0) {
        ::fchmod(m_fd, old.st_mode & 07777);
        // Only root can give a file away; it keeps the prefix owner's file theirs.
        if (old.st_uid != ::geteuid() || old.st_gid != ::getegid())
            (void)!::fchown(m_fd, old.st_uid, old.st_gid);
    } else {
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

bool AtomicFile::commit(Sync sync)
{
    if (m_fd < 0)
        return fail("closing", EBADF);
    if (sync == Sync::ToDisk && !m_synced && !flush())
        return false;
    const int fd = m_fd;
    m_fd = -1;
    if (::close(fd) != 0)
        return fail("closing", errno);
    // No fsync of the folder: the rename is atomic in the file system's
    // journal either way, so a crash leaves the old file or the new one.
    if (::rename(m_tempName.constData(), QFile::encodeName(m_target).constData()) != 0)
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

} // namespace qv
