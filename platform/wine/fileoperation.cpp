#include "platform/fileoperation.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QStringList>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <set>
#include <utility>
#include <vector>

#include <dirent.h>
#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include "platform/wine/atomicfile.h"
#include "platform/wildcard.h"
#include "platform/wine/wineprefix.h"
#include "platform/winerror.h"
#include "platform/winpath.h"

namespace qv {

namespace {

FileOperationFailure g_lastFailure;

// ---------------------------------------------------------------- helpers

QByteArray enc(const QString &s) { return QFile::encodeName(s); }

QStringList splitList(const char *p)
{
    QStringList out;
    if (!p)
        return out;
    while (*p) {
        const size_t n = std::strlen(p);
        out << QString::fromUtf8(p, qsizetype(n));
        p += n + 1;
    }
    return out;
}

QString hostJoin(const QString &folder, const QString &name)
{
    return folder.endsWith(QLatin1Char('/')) ? folder + name : folder + QLatin1Char('/') + name;
}

// An error that ends the batch: the file it concerns and the reason shown.
struct Failure
{
    int code;
    QString file;
    QString reason;

    static Failure ofErrno(int err, const QString &file)
    {
        return {winerror::fromErrno(err), file, winerror::reasonForErrno(err)};
    }
};

struct Cancelled
{
};

class FdCloser
{
public:
    explicit FdCloser(int fd) : m_fd(fd) {}
    ~FdCloser()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    FdCloser(const FdCloser &) = delete;
    FdCloser &operator=(const FdCloser &) = delete;
    int release() { return std::exchange(m_fd, -1); }

private:
    int m_fd;
};

// The names in a host folder, "." and ".." left out; false (errno set) when
// it cannot be read.
bool folderNames(const QString &host, QStringList &names)
{
    DIR *dir = ::opendir(enc(host).constData());
    if (!dir)
        return false;
    while (dirent *e = ::readdir(dir))
        if (std::strcmp(e->d_name, ".") != 0 && std::strcmp(e->d_name, "..") != 0)
            names << QFile::decodeName(e->d_name);
    ::closedir(dir);
    return true;
}

bool lstatPath(const QString &host, struct stat &st) { return ::lstat(enc(host).constData(), &st) == 0; }
bool statPath(const QString &host, struct stat &st) { return ::stat(enc(host).constData(), &st) == 0; }

QString canonical(const QString &host)
{
    char *r = ::realpath(enc(host).constData(), nullptr);
    if (!r)
        return QString();
    QString out = QFile::decodeName(r);
    ::free(r);
    return out;
}

bool isSameOrInside(const QString &path, const QString &folder)
{
    if (folder == QLatin1String("/"))
        return true;
    return path == folder || path.startsWith(folder + QLatin1Char('/'));
}

// Wine keeps the hidden, system and read-only attributes of a file in its
// user.* extended attributes; they travel with the copy. Best effort: a
// target file system without them still gets the data.
void copyUserAttributes(int in, int out)
{
    char names[4096];
    const ssize_t len = ::flistxattr(in, names, sizeof names);
    if (len <= 0)
        return;
    std::vector<char> value(4096);
    for (ssize_t i = 0; i < len; i += ssize_t(std::strlen(names + i)) + 1) {
        const char *name = names + i;
        if (std::strncmp(name, "user.", 5) != 0)
            continue;
        const ssize_t n = ::fgetxattr(in, name, value.data(), value.size());
        if (n >= 0)
            ::fsetxattr(out, name, value.data(), size_t(n), 0);
    }
}

// ---------------------------------------------------------------- the batch

struct Source
{
    QString win;
    QString host;
};

class Batch
{
public:
    Batch(ShFileOpStruct &op, FileOperationUi &ui) : m_op(op), m_ui(ui) {}

    int run();

private:
    bool flag(uint16_t f) const { return (m_op.fFlags & f) != 0; }
    bool quietQuestions() const { return flag(FOF_NOCONFIRMATION); }
    QString caption() const;
    QString defaultTitle() const;

    std::vector<Source> expand(const QString &entry, bool &wildcard);
    void checkRemovable(const Source &s);
    void progress(const QString &file, qint64 addBytes, int addItems);
    void ensureFolder(const QString &win, const QString &host, bool ask);
    QString uniqueName(const QString &host) const;

    void copyOrMoveGroup(const QStringList &entries, const QString &targetWin, bool move);
    void transfer(const Source &src, QString dstWin, QString dstHost, bool move, bool top);
    void copyTree(const QString &srcWin, const QString &srcHost, const QString &dstWin, const QString &dstHost,
                  std::vector<std::pair<dev_t, ino_t>> &ancestors);
    void copyFile(const QString &srcWin, const QString &srcHost, const struct stat &st, const QString &dstWin,
                  const QString &dstHost);
    bool askReplace(const QString &dstWin, const QString &srcWin);
    void removeItem(const Source &s, bool toTrash);
    void removeAt(int parentFd, const QByteArray &name, const QString &win, dev_t device);
    void renameGroup(const QStringList &from, const QStringList &to);

    qint64 scanBytes(const QString &host) const;

    ShFileOpStruct &m_op;
    FileOperationUi &m_ui;
    FileOperationUi::Progress m_progress;
    bool m_replaceAll = false;
    bool m_mkdirAll = false;
    std::vector<QString> m_protected;
};

QString Batch::caption() const
{
    switch (m_op.wFunc) {
    case FO_MOVE: return QStringLiteral("Error Moving File or Folder");
    case FO_DELETE: return QStringLiteral("Error Deleting File or Folder");
    case FO_RENAME: return QStringLiteral("Error Renaming File or Folder");
    default: return QStringLiteral("Error Copying File or Folder");
    }
}

QString Batch::defaultTitle() const
{
    switch (m_op.wFunc) {
    case FO_MOVE: return QStringLiteral("Moving...");
    case FO_DELETE: return QStringLiteral("Deleting...");
    case FO_RENAME: return QStringLiteral("Renaming...");
    default: return QStringLiteral("Copying...");
    }
}

void Batch::progress(const QString &file, qint64 addBytes, int addItems)
{
    m_progress.bytesDone += addBytes;
    m_progress.itemsDone += addItems;
    if (flag(FOF_SILENT))
        return;
    m_progress.currentFile = flag(FOF_SIMPLEPROGRESS) ? QString() : file;
    if (!m_ui.progressUpdate(m_progress))
        throw Cancelled{};
}

// The entries a source names: the one item, or the matches of its wildcard.
std::vector<Source> Batch::expand(const QString &entry, bool &wildcard)
{
    WinePrefix &prefix = WinePrefix::current();
    std::vector<Source> out;
    const QString name = winpath::leaf(entry);
    wildcard = hasWildcard(name);
    if (!wildcard) {
        const QString host = prefix.toHost(entry);
        struct stat st;
        if (host.isEmpty() || !lstatPath(host, st))
            throw Failure::ofErrno(ENOENT, entry);
        out.push_back({entry, host});
        return out;
    }
    const QString parentWin = winpath::folder(entry);
    const QString parentHost = prefix.toHost(parentWin);
    struct stat st;
    if (parentHost.isEmpty() || !statPath(parentHost, st) || !S_ISDIR(st.st_mode))
        throw Failure{FileOpPathNotFound, entry,
                      QStringLiteral("The folder does not exist. Check the name and try again.")};
    QStringList names;
    if (!folderNames(parentHost, names))
        throw Failure::ofErrno(errno, parentWin);
    names.removeIf([&name](const QString &n) { return !wildcardMatch(name, n) || isTemporaryName(n); });
    names.sort(Qt::CaseInsensitive);
    for (const QString &n : names) {
        const QString host = hostJoin(parentHost, n);
        if (flag(FOF_FILESONLY)) {
            struct stat s;
            if (statPath(host, s) && S_ISDIR(s.st_mode))
                continue;
        }
        out.push_back({winpath::join(parentWin, n), host});
    }
    return out;
}

// Drive roots, the prefix and the home folder are never deleted or moved
// away, nor any folder holding one of them, whatever path leads there.
void Batch::checkRemovable(const Source &s)
{
    struct stat st;
    if (lstatPath(s.host, st) && !S_ISDIR(st.st_mode))
        return; // a link goes alone, and a file holds no folder
    const QString real = canonical(s.host);
    if (real.isEmpty())
        return; // vanished: the operation itself reports it
    if (m_protected.empty()) {
        WinePrefix &prefix = WinePrefix::current();
        auto add = [this](const QString &p) {
            const QString c = canonical(p);
            if (!c.isEmpty())
                m_protected.push_back(c);
        };
        add(QStringLiteral("/"));
        add(prefix.root());
        add(QDir::homePath());
        for (char l = 'a'; l <= 'z'; ++l) {
            const QString r = prefix.driveRoot(QLatin1Char(l));
            if (!r.isEmpty())
                add(r);
        }
    }
    for (const QString &p : m_protected)
        if (isSameOrInside(p, real))
            throw Failure{FileOpAccessDenied, s.win,
                          QStringLiteral("This folder holds a drive, the Wine prefix or your home folder "
                                         "and is never removed. Choose the files inside it instead.")};
}

void Batch::ensureFolder(const QString &win, const QString &host, bool ask)
{
    struct stat st;
    if (statPath(host, st)) {
        if (S_ISDIR(st.st_mode))
            return;
        throw Failure{FileOpAlreadyExists, win,
                      QStringLiteral("A file of that name is in the way of the target folder.")};
    }
    if (ask && !flag(FOF_NOCONFIRMMKDIR) && !quietQuestions() && !m_mkdirAll) {
        switch (m_ui.confirmMakeFolder(win)) {
        case FileOperationUi::YesToAll: m_mkdirAll = true; break;
        case FileOperationUi::Yes: break;
        default: throw Cancelled{};
        }
    }
    if (!QDir().mkpath(host)) {
        const int err = errno ? errno : EACCES;
        throw Failure::ofErrno(err, win);
    }
}

// "name - Copy.ext", then "name - Copy (2).ext" and on, in the same folder.
QString Batch::uniqueName(const QString &host) const
{
    const QFileInfo fi(host);
    const QString folder = fi.path();
    QString base = fi.fileName();
    QString ext;
    struct stat st;
    const bool isDir = statPath(host, st) && S_ISDIR(st.st_mode);
    const int dot = base.lastIndexOf(QLatin1Char('.'));
    if (!isDir && dot > 0) {
        ext = base.mid(dot);
        base = base.left(dot);
    }
    for (int n = 1;; ++n) {
        const QString candidate = n == 1 ? QStringLiteral("%1 - Copy%2").arg(base, ext)
                                         : QStringLiteral("%1 - Copy (%2)%3").arg(base).arg(n).arg(ext);
        const QString path = hostJoin(folder, candidate);
        if (!lstatPath(path, st))
            return path;
    }
}

bool Batch::askReplace(const QString &dstWin, const QString &srcWin)
{
    if (quietQuestions() || m_replaceAll)
        return true;
    switch (m_ui.confirmReplace(dstWin, srcWin)) {
    case FileOperationUi::YesToAll: m_replaceAll = true; return true;
    case FileOperationUi::Yes: return true;
    case FileOperationUi::No: m_op.fAnyOperationsAborted = true; return false;
    default: throw Cancelled{};
    }
}

qint64 Batch::scanBytes(const QString &host) const
{
    struct stat st;
    if (!lstatPath(host, st))
        return 0;
    if (!S_ISDIR(st.st_mode))
        return S_ISREG(st.st_mode) ? st.st_size : 0;
    qint64 total = 0;
    QStringList names;
    folderNames(host, names); // an unreadable folder counts nothing; the copy reports it
    for (const QString &n : names)
        total += scanBytes(hostJoin(host, n));
    return total;
}

// ---------------------------------------------------------------- copy and move

void Batch::copyOrMoveGroup(const QStringList &entries, const QString &targetWin, bool move)
{
    WinePrefix &prefix = WinePrefix::current();
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

    const QString targetHost = prefix.toHost(targetWin);
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
        for (const Source &s : items)
            m_progress.bytesTotal += scanBytes(s.host);
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
    struct stat sst;
    // Copies see what Wine programs see: the target of a link, not the link.
    const bool srcExists = move ? lstatPath(src.host, sst) : (statPath(src.host, sst) || lstatPath(src.host, sst));
    if (!srcExists)
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
        const QString realSrc = canonical(src.host);
        const QString realDstParent = canonical(QFileInfo(dstHost).path());
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
        struct stat dstFollow;
        const bool dstIsDir = statPath(dstHost, dstFollow) && S_ISDIR(dstFollow.st_mode);
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
    copyTree(src.win, src.host, dstWin, dstHost, ancestors);
    if (top)
        progress(src.win, 0, 1);
}

void Batch::copyTree(const QString &srcWin, const QString &srcHost, const QString &dstWin, const QString &dstHost,
                     std::vector<std::pair<dev_t, ino_t>> &ancestors)
{
    struct stat st;
    if (!statPath(srcHost, st)) {
        // A dangling link: keep it as the link it is.
        struct stat lst;
        if (lstatPath(srcHost, lst) && S_ISLNK(lst.st_mode)) {
            char buf[PATH_MAX];
            const ssize_t n = ::readlink(enc(srcHost).constData(), buf, sizeof buf - 1);
            if (n >= 0) {
                struct stat dst;
                if (lstatPath(dstHost, dst) && !S_ISDIR(dst.st_mode))
                    ::unlink(enc(dstHost).constData());
                if (::symlink(QByteArray(buf, n).constData(), enc(dstHost).constData()) == 0)
                    return;
            }
        }
        throw Failure::ofErrno(errno, srcWin);
    }
    if (S_ISREG(st.st_mode)) {
        copyFile(srcWin, srcHost, st, dstWin, dstHost);
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
    if (!statPath(dstHost, dst)) {
        if (::mkdir(enc(dstHost).constData(), 0700) != 0)
            throw Failure::ofErrno(errno, dstWin);
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
        if (lstatPath(childDst, cd)) {
            struct stat cs;
            const bool srcDir = statPath(childSrc, cs) && S_ISDIR(cs.st_mode);
            struct stat cdf;
            const bool dstDir = statPath(childDst, cdf) && S_ISDIR(cdf.st_mode);
            if (srcDir != dstDir)
                throw Failure{FileOpAlreadyExists, winpath::join(dstWin, n),
                              QStringLiteral("A file and a folder of the same name are in each other's way.")};
            if (!srcDir && !askReplace(winpath::join(dstWin, n), winpath::join(srcWin, n)))
                continue;
        }
        copyTree(winpath::join(srcWin, n), childSrc, winpath::join(dstWin, n), childDst, ancestors);
    }
    ancestors.pop_back();

    // Mode and times last, so a read-only folder could still be filled.
    const int srcFd = ::open(enc(srcHost).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    const int dstFd = ::open(enc(dstHost).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (srcFd >= 0 && dstFd >= 0)
        copyUserAttributes(srcFd, dstFd);
    if (srcFd >= 0)
        ::close(srcFd);
    if (dstFd >= 0)
        ::close(dstFd);
    ::chmod(enc(dstHost).constData(), st.st_mode & 07777);
    const struct timespec times[2] = {st.st_atim, st.st_mtim};
    ::utimensat(AT_FDCWD, enc(dstHost).constData(), times, 0);
}

// The data goes to a temporary file beside the target, which takes the
// final name only once it is complete: a copy that fails or is cancelled
// partway never leaves a half-written file under that name, nor spoils the
// file it replaces. The writer drops the temporary file on any way out.
void Batch::copyFile(const QString &srcWin, const QString &srcHost, const struct stat &st, const QString &dstWin,
                     const QString &dstHost)
{
    const int in = ::open(enc(srcHost).constData(), O_RDONLY | O_CLOEXEC);
    if (in < 0)
        throw Failure::ofErrno(errno, srcWin);
    FdCloser inCloser(in);

    AtomicFile target(dstHost);
    if (!target.open())
        throw Failure::ofErrno(target.error(), dstWin);
    const int out = target.handle();

    progress(srcWin, 0, 0);
    // A reflink shares the blocks outright where the file system can.
    if (::ioctl(out, FICLONE, in) != 0) {
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

// ---------------------------------------------------------------- delete

void Batch::removeItem(const Source &s, bool toTrash)
{
    checkRemovable(s);
    if (toTrash) {
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
    struct stat st;
    if (::fstat(parent, &st) != 0)
        throw Failure::ofErrno(errno, s.win);
    struct stat self;
    const QByteArray name = enc(fi.fileName());
    if (::fstatat(parent, name.constData(), &self, AT_SYMLINK_NOFOLLOW) != 0) {
        if (errno == ENOENT)
            return;
        throw Failure::ofErrno(errno, s.win);
    }
    removeAt(parent, name, s.win, self.st_dev);
}

// Everything goes through descriptors of the folders being emptied, opened
// without following links: a link is removed, never entered, so the delete
// cannot leave its tree even if the tree changes underneath it.
void Batch::removeAt(int parentFd, const QByteArray &name, const QString &win, dev_t device)
{
    struct stat st;
    if (::fstatat(parentFd, name.constData(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
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
                removeAt(::dirfd(dir), child, winpath::join(win, QFile::decodeName(child)), device);
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

// ---------------------------------------------------------------- rename

void Batch::renameGroup(const QStringList &from, const QStringList &to)
{
    if (to.isEmpty())
        throw Failure{FileOpInvalidParameter, from.value(0), QStringLiteral("No new name was given.")};
    WinePrefix &prefix = WinePrefix::current();
    m_progress.itemsTotal = int(from.size());
    for (qsizetype i = 0; i < from.size(); ++i) {
        const QString &src = from.at(i);
        QString dstWin = to.value(i, to.last());
        // A bare new name stays in the source's folder.
        if (winpath::folder(dstWin).isEmpty())
            dstWin = winpath::folder(src) + dstWin;
        if (hasWildcard(winpath::leaf(src)) || hasWildcard(winpath::leaf(dstWin)))
            throw Failure{FileOpInvalidParameter, src,
                          QStringLiteral("A rename takes one name, not a wildcard.")};
        bool wild = false;
        const Source s = expand(src, wild).front();
        checkRemovable(s);
        QString dstHost = prefix.toHost(dstWin);
        if (dstHost.isEmpty())
            throw Failure{FileOpPathNotFound, dstWin, winerror::reasonForErrno(ENOENT)};
        struct stat st;
        if (lstatPath(dstHost, st)) {
            struct stat sst;
            const bool same = lstatPath(s.host, sst) && sst.st_dev == st.st_dev && sst.st_ino == st.st_ino;
            if (flag(FOF_RENAMEONCOLLISION) && !same)
                dstHost = uniqueName(dstHost);
            else if (!same)
                throw Failure{FileOpAlreadyExists, dstWin, winerror::reasonForErrno(EEXIST)};
            else // the same file in other letter case: the new name is spelt as given
                dstHost = hostJoin(QFileInfo(dstHost).path(), winpath::leaf(dstWin));
        }
        progress(src, 0, 1);
        // renameat2 with RENAME_NOREPLACE would be tighter, but a case-only
        // rename of the same file must go through.
        if (::rename(enc(s.host).constData(), enc(dstHost).constData()) != 0)
            throw Failure{winerror::fromErrno(errno), src,
                          errno == EXDEV ? QStringLiteral("A rename stays on one drive; use a move instead.")
                                         : winerror::reasonForErrno(errno)};
    }
}

int Batch::run()
{
    m_op.fAnyOperationsAborted = false;
    m_op.hNameMappings = nullptr;
    const QStringList from = splitList(m_op.pFrom);
    const QStringList to = splitList(m_op.pTo);
    const bool silent = flag(FOF_SILENT);
    const QString title = flag(FOF_SIMPLEPROGRESS) && m_op.lpszProgressTitle && *m_op.lpszProgressTitle
        ? QString::fromUtf8(m_op.lpszProgressTitle)
        : defaultTitle();
    m_progress.title = title;

    g_lastFailure = {};
    auto refuse = [&](const QString &reason) {
        g_lastFailure = {FileOpInvalidParameter, QString(), reason};
        m_ui.error(caption(), QString(), reason);
        return FileOpInvalidParameter;
    };
    if (m_op.wFunc < FO_MOVE || m_op.wFunc > FO_RENAME)
        return refuse(QStringLiteral("The operation code %1 is not known.").arg(m_op.wFunc));
    if (from.isEmpty())
        return refuse(QStringLiteral("No file or folder was given."));

    if (!silent)
        m_ui.progressBegin(title);
    int result = 0;
    try {
        switch (m_op.wFunc) {
        case FO_DELETE: {
            // Every source is found before anything is removed.
            std::vector<Source> items;
            for (const QString &e : from) {
                bool wild = false;
                const std::vector<Source> found = expand(e, wild);
                items.insert(items.end(), found.begin(), found.end());
            }
            for (const Source &s : items)
                checkRemovable(s);
            m_progress.itemsTotal = int(items.size());
            for (const Source &s : items) {
                progress(s.win, 0, 0);
                removeItem(s, flag(FOF_ALLOWUNDO));
                progress(s.win, 0, 1);
            }
            break;
        }
        case FO_COPY:
        case FO_MOVE: {
            if (to.isEmpty())
                throw Failure{FileOpInvalidParameter, from.first(),
                              QStringLiteral("No target folder was given.")};
            // Each source is looked up before anything is written.
            for (const QString &e : from) {
                bool wild = false;
                expand(e, wild);
            }
            const bool move = m_op.wFunc == FO_MOVE;
            if (flag(FOF_MULTIDESTFILES) && to.size() == from.size() && from.size() > 1) {
                for (qsizetype i = 0; i < from.size(); ++i)
                    copyOrMoveGroup({from.at(i)}, to.at(i), move);
            } else {
                copyOrMoveGroup(from, to.first(), move);
            }
            break;
        }
        case FO_RENAME:
            renameGroup(from, to);
            break;
        }
    } catch (const Failure &f) {
        m_op.fAnyOperationsAborted = true;
        g_lastFailure = {f.code, f.file, f.reason};
        m_ui.error(caption(), f.file, f.reason);
        result = f.code;
    } catch (const Cancelled &) {
        m_op.fAnyOperationsAborted = true;
        g_lastFailure = {FileOpCancelled, QString(), winerror::systemText(FileOpCancelled)};
        result = FileOpCancelled;
    }
    if (!silent)
        m_ui.progressEnd();
    return result;
}

} // namespace

FileOperationFailure lastFileOperationFailure()
{
    return g_lastFailure;
}

int shFileOperation(ShFileOpStruct &op)
{
    Batch batch(op, FileOperationUi::instance());
    return batch.run();
}

} // namespace qv
