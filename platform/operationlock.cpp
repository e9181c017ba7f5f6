#include "platform/operationlock.h"

#include <QDir>
#include <QFile>
#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include "platform/wineprefix.h"

namespace qv {

namespace {

int openLockFile(const QString &path)
{
    const QByteArray name = QFile::encodeName(path);
    int fd = ::open(name.constData(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0644);
    if (fd < 0 && (errno == EROFS || errno == EACCES || errno == EPERM))
        fd = ::open(name.constData(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC); // flock needs no write access
    return fd;
}

} // namespace

OperationLock::OperationLock()
{
    const QString root = WinePrefix::current().root();
    m_fd = openLockFile(root + QStringLiteral("/.quorvane.lock"));
    if (m_fd < 0) {
        m_held = true; // a prefix no one can write; the checks that follow say so
        return;
    }
    int r;
    do {
        r = ::flock(m_fd, LOCK_EX | LOCK_NB);
    } while (r != 0 && errno == EINTR);
    if (r == 0) {
        m_held = true;
        return;
    }
    ::close(m_fd);
    m_fd = -1;
    m_refusal = QStringLiteral("Another Quorvane is working on this prefix (\"%1\"), so nothing was changed. Wait "
                               "until it has finished, then try again")
                    .arg(QDir::toNativeSeparators(root));
}

OperationLock::~OperationLock()
{
    if (m_fd >= 0)
        ::close(m_fd); // closing lets go of the lock
}

} // namespace qv
