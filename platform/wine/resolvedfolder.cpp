// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvane developers

// A resolved folder on a Wine prefix (resolvedfolder.h, below.h), and the
// file services below it (filesystem.h): the folder's path goes through
// dosdevices/ and is matched component by component once, when it is found;
// after that every name is looked up through the folder's descriptor.
#include "platform/wine/below.h"

#include <QFile>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <climits>
#include <fcntl.h>
#include <unistd.h>

#include "platform/filesystem.h"
#include "platform/resolvedplace.h"
#include "platform/textfileio.h"
#include "platform/wildcard.h"
#include "platform/wine/atomicfile.h"
#include "platform/wine/inputfile.h"
#include "platform/wine/wineprefix.h"
#include "platform/winpath.h"
#include "platform/namebytes.h"

namespace qv {

ResolvedFolder::Place::~Place()
{
    if (fd >= 0)
        ::close(fd);
}

below::Listing::~Listing()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

bool below::Listing::next(const char *&name, unsigned char &type)
{
    for (;;) {
        if (m_at >= m_size) {
            m_size = m_fd < 0 ? -1 : ::getdents64(m_fd, m_buffer, sizeof m_buffer);
            m_at = 0;
            if (m_size <= 0)
                return false;
        }
        const auto *e = reinterpret_cast<const struct dirent64 *>(m_buffer + m_at);
        m_at += e->d_reclen;
        if (std::strcmp(e->d_name, ".") != 0 && std::strcmp(e->d_name, "..") != 0) {
            name = e->d_name;
            type = e->d_type;
            return true;
        }
    }
}

namespace resolvedplace {

std::shared_ptr<ResolvedFolder::Place> find(const QString &windowsPath)
{
    const QString host = WinePrefix::current().toHost(windowsPath);
    if (host.isEmpty())
        return nullptr;
    auto place = std::make_shared<ResolvedFolder::Place>();
    place->host = namebytes::encode(host);
    // Opened without following a link first: whether the folder was reached
    // through one is what tells a link put in its place later.
    constexpr int flags = O_RDONLY | O_DIRECTORY | O_CLOEXEC;
    place->fd = ::open(place->host.constData(), flags | O_NOFOLLOW);
    if (place->fd < 0) {
        place->fd = ::open(place->host.constData(), flags);
        place->link = place->fd >= 0;
    }
    struct stat st;
    if (place->fd < 0 || ::fstat(place->fd, &st) != 0)
        return nullptr;
    place->device = st.st_dev;
    place->inode = st.st_ino;
    return place;
}

bool unchanged(const ResolvedFolder::Place &place)
{
    struct stat st;
    if (::lstat(place.host.constData(), &st) != 0)
        return false;
    if (S_ISLNK(st.st_mode) && (!place.link || ::stat(place.host.constData(), &st) != 0))
        return false;
    return st.st_dev == place.device && st.st_ino == place.inode;
}

bool isLink(const ResolvedFolder::Place &place)
{
    return place.link;
}

QByteArray nameOf(const QString &windowsRelative)
{
    QString name = windowsRelative;
    name.replace(QLatin1Char('\\'), QLatin1Char('/'));
    return namebytes::encode(name);
}

QString windowsNameOf(const QByteArray &name)
{
    QString text = namebytes::decode(name);
    text.replace(QLatin1Char('/'), QLatin1Char('\\'));
    return text;
}

} // namespace resolvedplace

namespace {

using Place = ResolvedFolder::Place;

constexpr int kFolderFlags = O_RDONLY | O_DIRECTORY | O_CLOEXEC;

// A name below a descriptor as fstatat() and openat() take it: "" is the folder itself.
const char *at(const QByteArray &name)
{
    return name.isEmpty() ? "." : name.constData();
}

// The entry of an open folder that is name, or else the first that equals
// it without regard to case; empty when none does. Closes the descriptor.
QByteArray matchIn(int dirFd, const QByteArray &name)
{
    below::Listing listing(dirFd);
    const QString wanted = namebytes::decode(name);
    QByteArray match;
    const char *entry = nullptr;
    unsigned char type = DT_UNKNOWN;
    while (listing.next(entry, type)) {
        if (name == entry)
            return name;
        if (match.isEmpty() && winpath::sameName(namebytes::decode(entry), wanted))
            match = entry;
    }
    return match;
}

// Calls f on each entry of an open folder ("." and ".." left out), with its
// type as the listing gives it or else as lstat() does. Closes the descriptor.
template <typename F>
void eachEntry(int dirFd, F &&f)
{
    below::Listing listing(dirFd);
    const char *name = nullptr;
    unsigned char type = DT_UNKNOWN;
    while (listing.next(name, type)) {
        if (type == DT_UNKNOWN) {
            struct stat st;
            if (::fstatat(listing.fd(), name, &st, AT_SYMLINK_NOFOLLOW) != 0)
                continue;
            type = IFTODT(st.st_mode);
        }
        f(listing.fd(), QByteArray(name), type);
    }
}

// The files below an open folder (or with dangling, the links to nothing),
// as filesBelow() on a Windows path finds them: links to folders are not
// entered. Closes the descriptor.
void walk(int dirFd, const QByteArray &prefix, bool dangling, QList<QByteArray> &out)
{
    eachEntry(dirFd, [&](int fd, const QByteArray &name, unsigned char type) {
        if (type == DT_DIR) {
            const int sub = ::openat(fd, name.constData(), kFolderFlags | O_NOFOLLOW);
            if (sub >= 0)
                walk(sub, prefix + name + '/', dangling, out);
            return;
        }
        bool nowhere = false;
        if (type == DT_LNK) {
            struct stat st;
            if (::fstatat(fd, name.constData(), &st, 0) != 0)
                nowhere = true;
            else if (S_ISDIR(st.st_mode))
                return;
        }
        if (nowhere != dangling || (!dangling && name.startsWith('.') && isTemporaryName(namebytes::decode(name))))
            return;
        out << prefix + name;
    });
}

QList<QByteArray> walkBelow(const ResolvedFolder &folder, bool dangling)
{
    QList<QByteArray> out;
    const Place *p = folder.place();
    const int fd = p ? ::openat(p->fd, ".", kFolderFlags) : -1;
    if (fd < 0)
        return out;
    walk(fd, QByteArray(), dangling, out);
    // In the order the Windows-path face gives them.
    std::vector<std::pair<QString, QByteArray>> keyed;
    keyed.reserve(size_t(out.size()));
    for (const QByteArray &name : std::as_const(out))
        keyed.emplace_back(ResolvedFolder::windowsNameOf(name), name);
    std::sort(keyed.begin(), keyed.end(),
              [](const auto &a, const auto &b) { return a.first.compare(b.first, Qt::CaseInsensitive) < 0; });
    out.clear();
    for (const auto &k : keyed)
        out << k.second;
    return out;
}

// What a symbolic link below an open folder leads to, as text; empty when it cannot be read.
QByteArray linkText(int folderFd, const QByteArray &name)
{
    QByteArray target(PATH_MAX, Qt::Uninitialized);
    const ssize_t n = ::readlinkat(folderFd, name.constData(), target.data(), size_t(target.size()));
    target.truncate(n < 0 ? 0 : n);
    return target;
}

bool statBelow(const ResolvedFolder &folder, const QByteArray &name, struct stat &st, int flags = 0,
               QByteArray *actual = nullptr)
{
    const Place *p = folder.place();
    return p && below::stat(*p, name, st, flags, actual);
}

} // namespace

QByteArray below::spelled(int folderFd, const QByteArray &name)
{
    const qsizetype cut = name.lastIndexOf('/');
    const QByteArray parent = cut < 0 ? QByteArray() : name.left(cut);
    const QByteArray leaf = name.mid(cut + 1);
    // The folder above is usually there as given: only the last name is looked for then.
    QByteArray above = parent;
    int dirFd = ::openat(folderFd, at(parent), kFolderFlags);
    if (dirFd < 0) {
        if (parent.isEmpty())
            return name;
        above = spelled(folderFd, parent);
        dirFd = above == parent ? -1 : ::openat(folderFd, above.constData(), kFolderFlags);
        if (dirFd < 0)
            return above + '/' + leaf; // below a missing folder nothing can match
    }
    const QByteArray match = matchIn(dirFd, leaf);
    return (above.isEmpty() ? QByteArray() : above + '/') + (match.isEmpty() ? leaf : match);
}

bool below::stat(const Place &place, const QByteArray &name, struct stat &st, int flags, QByteArray *actual)
{
    if (actual)
        *actual = name;
    if (::fstatat(place.fd, at(name), &st, flags) == 0)
        return true;
    if (name.isEmpty() || (errno != ENOENT && errno != ENOTDIR))
        return false;
    const QByteArray other = spelled(place.fd, name);
    if (other == name)
        return false;
    if (actual)
        *actual = other;
    return ::fstatat(place.fd, other.constData(), &st, flags) == 0;
}

int below::open(const Place &place, const QByteArray &name, int flags, QByteArray *actual)
{
    if (actual)
        *actual = name;
    const int fd = ::openat(place.fd, at(name), flags | O_CLOEXEC);
    if (fd >= 0 || name.isEmpty() || (errno != ENOENT && errno != ENOTDIR))
        return fd;
    const QByteArray other = spelled(place.fd, name);
    if (other == name)
        return -1;
    if (actual)
        *actual = other;
    return ::openat(place.fd, other.constData(), flags | O_CLOEXEC);
}

bool fileExists(const ResolvedFolder &folder, const QByteArray &name)
{
    struct stat st;
    return !name.isEmpty() && statBelow(folder, name, st) && !S_ISDIR(st.st_mode);
}

bool directoryExists(const ResolvedFolder &folder, const QByteArray &name)
{
    struct stat st;
    return name.isEmpty() ? folder.found() : statBelow(folder, name, st) && S_ISDIR(st.st_mode);
}

bool entryExists(const ResolvedFolder &folder, const QByteArray &name)
{
    struct stat st;
    return name.isEmpty() ? folder.found() : statBelow(folder, name, st);
}

bool deleteFile(const ResolvedFolder &folder, const QByteArray &name)
{
    struct stat st;
    QByteArray actual;
    if (name.isEmpty() || !statBelow(folder, name, st, AT_SYMLINK_NOFOLLOW, &actual) || S_ISDIR(st.st_mode))
        return false;
    return ::unlinkat(folder.place()->fd, actual.constData(), 0) == 0;
}

bool renameInFolder(const ResolvedFolder &folder, const QByteArray &from, const QByteArray &to)
{
    const Place *p = folder.place();
    struct stat st;
    QByteArray actual;
    if (!p || from.contains('/') || to.isEmpty() || to.contains('/')
        || !statBelow(folder, from, st, AT_SYMLINK_NOFOLLOW, &actual) || S_ISDIR(st.st_mode))
        return false;
    return ::renameat(p->fd, actual.constData(), p->fd, to.constData()) == 0 && ::fsync(p->fd) == 0;
}

bool makeFolder(const ResolvedFolder &folder, const QByteArray &name)
{
    const Place *p = folder.place();
    if (!p) // the folder itself is missing: made with everything above it
        return makeFolder(folder.windowsPathOf(name)) && (name.isEmpty() || directoryExists(folder, name));
    // A link in the place of a folder on the way is no folder: what would
    // be put in it would land where the link leads.
    struct stat st;
    if (name.isEmpty())
        return true;
    const QByteArray actual = below::spelled(p->fd, name);
    for (qsizetype end = actual.indexOf('/'); ; end = actual.indexOf('/', end + 1)) {
        const QByteArray step = end < 0 ? actual : actual.left(end);
        if (::mkdirat(p->fd, step.constData(), 0777) != 0 && errno != EEXIST)
            return false;
        if (::fstatat(p->fd, step.constData(), &st, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISDIR(st.st_mode))
            return false;
        if (end < 0)
            break;
    }
    return true;
}

bool removeEmptyFolder(const ResolvedFolder &folder, const QByteArray &name)
{
    const Place *p = folder.place();
    if (!p || name.isEmpty())
        return false;
    if (::unlinkat(p->fd, name.constData(), AT_REMOVEDIR) == 0)
        return true;
    if (errno != ENOENT)
        return false;
    const QByteArray other = below::spelled(p->fd, name);
    return other != name && ::unlinkat(p->fd, other.constData(), AT_REMOVEDIR) == 0;
}

QList<QByteArray> filesBelow(const ResolvedFolder &folder)
{
    return walkBelow(folder, false);
}

QList<QByteArray> linksToNothingBelow(const ResolvedFolder &folder)
{
    return walkBelow(folder, true);
}

int removeLeftoverTemporaries(const ResolvedFolder &folder)
{
    const Place *p = folder.place();
    return p ? removeTemporariesBelow(p->fd) : 0;
}

QByteArray readFileStart(const ResolvedFolder &folder, const QByteArray &name, qsizetype maxBytes)
{
    const Place *p = folder.place();
    QByteArray actual;
    struct stat st;
    if (!p || name.isEmpty() || !below::stat(*p, name, st, 0, &actual))
        return QByteArray();
    const int fd = inputfile::openRegular(p->fd, actual.constData());
    if (fd < 0)
        return QByteArray();
    QByteArray out(maxBytes, Qt::Uninitialized);
    qsizetype got = 0;
    while (got < maxBytes) {
        const ssize_t n = ::read(fd, out.data() + got, size_t(maxBytes - got));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        got += n;
    }
    ::close(fd);
    out.truncate(got);
    return out;
}

bool sameFileContent(const ResolvedFolder &folderA, const QByteArray &nameA, const ResolvedFolder &folderB,
                     const QByteArray &nameB)
{
    const Place *a = folderA.place();
    const Place *b = folderB.place();
    if (!a || !b || nameA.isEmpty() || nameB.isEmpty())
        return false;
    // A symbolic link is copied as the link it is (fileoperation.h): two
    // links are the same when they lead to the same text, a link and a file
    // never, and what a link leads to is not read.
    QByteArray actualA, actualB;
    struct stat stA, stB;
    if (!below::stat(*a, nameA, stA, AT_SYMLINK_NOFOLLOW, &actualA)
        || !below::stat(*b, nameB, stB, AT_SYMLINK_NOFOLLOW, &actualB))
        return false;
    if (S_ISLNK(stA.st_mode) || S_ISLNK(stB.st_mode))
        return S_ISLNK(stA.st_mode) && S_ISLNK(stB.st_mode)
            && linkText(a->fd, actualA) == linkText(b->fd, actualB);
    const int fdA = inputfile::openRegular(a->fd, actualA.constData(), O_NOFOLLOW);
    const int fdB = fdA < 0 ? -1 : inputfile::openRegular(b->fd, actualB.constData(), O_NOFOLLOW);
    const bool same = hostfiles::sameContent(fdA, fdB);
    if (fdA >= 0)
        ::close(fdA);
    if (fdB >= 0)
        ::close(fdB);
    return same;
}

QString folderIdentity(const ResolvedFolder &folder, const QByteArray &subFolder)
{
    struct stat st;
    if (!statBelow(folder, subFolder, st) || !S_ISDIR(st.st_mode))
        return folder.windowsPathOf(subFolder).toLower();
    return QStringLiteral("%1:%2").arg(quint64(st.st_dev)).arg(quint64(st.st_ino));
}

std::vector<FoundEntry> findFiles(const ResolvedFolder &folder, const QByteArray &subFolder, const QString &pattern,
                                  uint32_t mask)
{
    std::vector<FoundEntry> found;
    const Place *p = folder.place();
    if (!p || pattern.isEmpty())
        return found;
    QByteArray actual;
    below::Listing listing(below::open(*p, subFolder, O_RDONLY | O_DIRECTORY, &actual));
    if (listing.fd() < 0)
        return found;
    const QByteArray hostFolder = actual.isEmpty() ? p->host : p->host + '/' + actual;
    // As findFiles() on a Windows path: faults that exclude an entry unless
    // the mask asks for them; read-only and archive never do.
    const uint32_t excluded = ~mask & (faHidden | faSysFile | faVolumeId | faDirectory);
    auto consider = [&](const QString &name, const QByteArray &bytes) {
        if (!wildcardMatch(pattern, name))
            return;
        struct stat st;
        const bool known = ::fstatat(listing.fd(), bytes.constData(), &st, 0) == 0;
        const uint32_t attr = hostfiles::attributes(known ? &st : nullptr, hostFolder + '/' + bytes, name);
        if (attr & excluded)
            return;
        found.push_back(FoundEntry{name, attr, bytes});
    };
    const QString windowsFolder = folder.windowsPathOf(actual);
    const bool driveRoot = windowsFolder.size() == 3 && !winpath::drive(windowsFolder).isNull()
        && winpath::endsWithSeparator(windowsFolder);
    if (!driveRoot) {
        consider(QStringLiteral("."), QByteArrayLiteral("."));
        consider(QStringLiteral(".."), QByteArrayLiteral(".."));
    }
    const char *name = nullptr;
    unsigned char type = DT_UNKNOWN;
    while (listing.next(name, type)) {
        const QByteArray bytes(name);
        consider(namebytes::decode(bytes), bytes);
    }
    return found;
}

int textfileio::create(const ResolvedFolder &folder, const QByteArray &name)
{
    const Place *p = folder.place();
    if (!p || name.isEmpty())
        throw InOutError(3);
    // The file of that name in any letter case is the one replaced.
    struct stat st;
    QByteArray actual;
    below::stat(*p, name, st, AT_SYMLINK_NOFOLLOW, &actual);
    // The prefix may have planted a link in the file's place: never written through.
    const int fd = ::openat(p->fd, actual.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (fd < 0) {
        const int err = errno;
        throw InOutError(err == ENOENT ? 3 : InOutError::codeFromErrno(err));
    }
    return fd;
}

} // namespace qv
