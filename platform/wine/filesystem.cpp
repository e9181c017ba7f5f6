// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvane developers
#include "platform/filesystem.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <cstring>
#include <memory>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include "platform/wine/atomicfile.h"
#include "platform/wine/below.h"
#include "platform/wine/inputfile.h"
#include "platform/textfileio.h"
#include "platform/wildcard.h"
#include "platform/wine/wineprefix.h"
#include "platform/winerror.h"
#include "platform/winpath.h"
#include "platform/namebytes.h"

namespace qv {

namespace {

QByteArray hostName(const QString &windowsPath)
{
    const QString host = WinePrefix::current().toHost(windowsPath);
    return host.isEmpty() ? QByteArray() : namebytes::encode(host);
}

} // namespace

bool fileExists(const QString &windowsPath)
{
    const QByteArray host = hostName(windowsPath);
    struct stat st;
    return !host.isEmpty() && ::stat(host.constData(), &st) == 0 && !S_ISDIR(st.st_mode);
}

bool directoryExists(const QString &windowsPath)
{
    const QByteArray host = hostName(windowsPath);
    struct stat st;
    return !host.isEmpty() && ::stat(host.constData(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool deleteFile(const QString &windowsPath)
{
    const QByteArray host = hostName(windowsPath);
    struct stat st;
    if (host.isEmpty() || ::lstat(host.constData(), &st) != 0 || S_ISDIR(st.st_mode))
        return false;
    return ::unlink(host.constData()) == 0;
}

bool makeFolder(const QString &windowsPath)
{
    const QString host = WinePrefix::current().toHost(windowsPath);
    return !host.isEmpty() && QDir().mkpath(host);
}

bool removeEmptyFolder(const QString &windowsPath)
{
    const QByteArray host = hostName(windowsPath);
    return !host.isEmpty() && ::rmdir(host.constData()) == 0;
}

namespace {

// Files below a host folder, relative with backslashes; dangling: the links
// that lead nowhere instead of the files.
QStringList walkFiles(const QString &windowsFolder, bool dangling)
{
    QStringList out;
    const QString host = WinePrefix::current().toHost(windowsFolder);
    if (host.isEmpty() || !QFileInfo(host).isDir())
        return out;
    QDirIterator it(host, QDir::Files | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    const QDir base(host);
    while (it.hasNext()) {
        it.next();
        const QFileInfo info = it.fileInfo();
        const bool nowhere = info.isSymLink() && !info.exists();
        if (nowhere != dangling || (!dangling && isTemporaryName(info.fileName())))
            continue;
        QString rel = base.relativeFilePath(info.filePath());
        rel.replace(QLatin1Char('/'), QLatin1Char('\\'));
        out << rel;
    }
    out.sort(Qt::CaseInsensitive);
    return out;
}

} // namespace

QStringList filesBelow(const QString &windowsFolder)
{
    return walkFiles(windowsFolder, false);
}

QStringList linksToNothingBelow(const QString &windowsFolder)
{
    return walkFiles(windowsFolder, true);
}

int removeLeftoverTemporaries(const QString &windowsFolder)
{
    const QString host = WinePrefix::current().toHost(windowsFolder);
    return host.isEmpty() ? 0 : removeTemporaries(host, true);
}

namespace {

// Reads until the buffer is full or the file ends; -1 on an error.
ssize_t readFull(int fd, char *buffer, size_t size)
{
    size_t got = 0;
    while (got < size) {
        const ssize_t n = ::read(fd, buffer + got, size - got);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return -1;
        if (n == 0)
            break;
        got += size_t(n);
    }
    return ssize_t(got);
}

struct Descriptor
{
    int fd;
    explicit Descriptor(const QByteArray &host) : fd(inputfile::openRegular(AT_FDCWD, host.constData())) {}
    ~Descriptor()
    {
        if (fd >= 0)
            ::close(fd);
    }
};

} // namespace

QByteArray readFileStart(const QString &windowsPath, qsizetype maxBytes)
{
    const QByteArray host = hostName(windowsPath);
    const int fd = host.isEmpty() ? -1 : inputfile::openRegular(AT_FDCWD, host.constData());
    if (fd < 0)
        return QByteArray();
    QByteArray out(maxBytes, Qt::Uninitialized);
    const ssize_t n = readFull(fd, out.data(), size_t(maxBytes));
    ::close(fd);
    out.truncate(n < 0 ? 0 : n);
    return out;
}

bool sameFileContent(const QString &windowsPathA, const QString &windowsPathB)
{
    const QByteArray hostA = hostName(windowsPathA);
    const QByteArray hostB = hostName(windowsPathB);
    if (hostA.isEmpty() || hostB.isEmpty())
        return false;
    const Descriptor a(hostA), b(hostB);
    return hostfiles::sameContent(a.fd, b.fd);
}

bool hostfiles::sameContent(int fdA, int fdB)
{
    if (fdA < 0 || fdB < 0)
        return false;
    ::posix_fadvise(fdA, 0, 0, POSIX_FADV_SEQUENTIAL);
    ::posix_fadvise(fdB, 0, 0, POSIX_FADV_SEQUENTIAL);
    return sameBytes(fdA, fdB);
}

bool hostfiles::sameBytes(int fdA, int fdB)
{
    if (fdA < 0 || fdB < 0)
        return false;
    // Every byte of both is read and compared; a folder cannot be read, and
    // files of other sizes part at the latest where the shorter one ends, so
    // neither needs a stat() first. The two buffers are kept for the next
    // pair: a safety copy is checked file after file, and a pair small
    // enough for the processor's cache compares fastest.
    constexpr size_t chunk = size_t(128) << 10;
    static thread_local std::unique_ptr<char[]> buffers;
    if (!buffers)
        buffers = std::make_unique<char[]>(2 * chunk);
    char *const x = buffers.get();
    char *const y = x + chunk;
    for (;;) {
        const ssize_t n = readFull(fdA, x, chunk);
        if (n < 0 || readFull(fdB, y, chunk) != n || memcmp(x, y, size_t(n)) != 0)
            return false;
        if (n == 0)
            return true;
    }
}

QString folderIdentity(const QString &windowsFolder)
{
    const QString host = WinePrefix::current().toHost(windowsFolder);
    const QString canonical = host.isEmpty() ? QString() : QFileInfo(host).canonicalFilePath();
    return canonical.isEmpty() ? windowsFolder.toLower() : canonical;
}

uint32_t hostAttributes(const QString &hostPath, const QString &name)
{
    const QByteArray host = namebytes::encode(hostPath);
    struct stat st;
    return hostfiles::attributes(::stat(host.constData(), &st) == 0 ? &st : nullptr, host, name);
}

uint32_t hostfiles::attributes(const struct stat *st, const QByteArray &hostPath, const QString &name)
{
    uint32_t attr = 0;
    if (!st)
        return attr;
    if (S_ISDIR(st->st_mode))
        attr |= faDirectory;
    else
        attr |= faArchive;
    if (!(st->st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)))
        attr |= faReadOnly;
    if (name.startsWith(QLatin1Char('.')) && name != QLatin1String(".") && name != QLatin1String(".."))
        attr |= faHidden;
    // Wine keeps DOS attributes it cannot map to Unix in this attribute, as "0x22"
    char buf[32];
    const ssize_t n = ::getxattr(hostPath.constData(), "user.DOSATTRIB", buf, sizeof buf - 1);
    if (n > 0) {
        buf[n] = 0;
        const unsigned long dos = strtoul(buf, nullptr, 0);
        attr |= uint32_t(dos) & (faHidden | faSysFile);
    }
    return attr;
}

std::vector<FoundEntry> findFiles(const QString &windowsFolderAndPattern, uint32_t mask)
{
    std::vector<FoundEntry> found;
    const QString folder = winpath::folder(windowsFolderAndPattern);
    const QString pattern = winpath::name(windowsFolderAndPattern);
    if (pattern.isEmpty())
        return found;
    const QString hostFolder = WinePrefix::current().toHost(folder.isEmpty() ? QStringLiteral(".") : folder);
    if (hostFolder.isEmpty())
        return found;
    DIR *dir = ::opendir(namebytes::encode(hostFolder).constData());
    if (!dir)
        return found;
    // Faults that exclude an entry unless the mask asks for them; read-only
    // and archive never do. A volume label is never found here.
    const uint32_t excluded = ~mask & (faHidden | faSysFile | faVolumeId | faDirectory);
    auto consider = [&](const QString &name) {
        if (!wildcardMatch(pattern, name))
            return;
        const uint32_t attr = hostAttributes(hostFolder + QLatin1Char('/') + name, name);
        if (attr & excluded)
            return;
        found.push_back(FoundEntry{name, attr, {}});
    };
    // Windows lists "." and ".." first in a folder that is not a drive's root
    const bool driveRoot = folder.size() == 3 && !winpath::drive(folder).isNull() && winpath::endsWithSeparator(folder);
    if (!driveRoot) {
        consider(QStringLiteral("."));
        consider(QStringLiteral(".."));
    }
    while (dirent *e = ::readdir(dir)) {
        const QString name = namebytes::decode(e->d_name);
        if (name == QLatin1String(".") || name == QLatin1String(".."))
            continue;
        consider(name);
    }
    ::closedir(dir);
    return found;
}

// ---------------------------------------------------------------------------
// The text file's machine part (textfileio.h).

int textfileio::create(const QString &windowsPath)
{
    const QString host = WinePrefix::current().toHost(windowsPath);
    if (host.isEmpty())
        throw InOutError(3);
    const QByteArray name = namebytes::encode(host);
    // The prefix may have planted a link in the file's place: never written through.
    const int fd = ::open(name.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (fd < 0) {
        const int err = errno;
        // creating in a folder that is not there is a path fault on Windows
        if (err == ENOENT && !QFileInfo(QFileInfo(host).absolutePath()).isDir())
            throw InOutError(3);
        throw InOutError(InOutError::codeFromErrno(err));
    }
    return fd;
}

qsizetype textfileio::write(int fd, const char *data, qsizetype size, int *code)
{
    for (;;) {
        const ssize_t n = ::write(fd, data, size_t(size));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            *code = InOutError::codeFromErrno(errno);
        return n;
    }
}

int textfileio::close(int fd)
{
    return ::close(fd) == 0 ? 0 : InOutError::codeFromErrno(errno);
}

} // namespace qv
