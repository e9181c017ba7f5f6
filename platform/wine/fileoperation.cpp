// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvane developers
// The shell's batch file operation on a Wine prefix (fileoperation.h): the
// request read, every source found and checked before anything changes,
// the questions asked, renames, and the failure kept for the caller. The
// copies and deletes themselves are in filebatchcopy.cpp and
// filebatchdelete.cpp.
#include "platform/fileoperation.h"

#include <QDir>
#include <QFileInfo>
#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <dirent.h>

#include "platform/wildcard.h"
#include "platform/wine/atomicfile.h"
#include "platform/wine/filebatch.h"
#include "platform/wine/wineprefix.h"
#include "platform/winerror.h"
#include "platform/winpath.h"
#include "platform/namebytes.h"

namespace qv {

namespace filebatch {

namespace {

FileOperationFailure g_lastFailure;

// The entries of a list of zero-ended strings (two zeros after the last).
QStringList splitList(const char *p)
{
    QStringList out;
    if (!p)
        return out;
    while (*p) {
        const size_t n = std::strlen(p);
        out << namebytes::decode(QByteArray(p, qsizetype(n)));
        p += n + 1;
    }
    return out;
}

} // namespace

// One separator between them, whatever folder ends in.
QString hostJoin(const QString &folder, const QString &name)
{
    return folder.endsWith(QLatin1Char('/')) ? folder + name : folder + QLatin1Char('/') + name;
}

// Read with readdir, in the order the file system gives.
bool folderNames(const QString &host, QStringList &names)
{
    DIR *dir = ::opendir(enc(host).constData());
    if (!dir)
        return false;
    while (dirent *e = ::readdir(dir))
        if (std::strcmp(e->d_name, ".") != 0 && std::strcmp(e->d_name, "..") != 0)
            names << namebytes::decode(e->d_name);
    ::closedir(dir);
    return true;
}

// realpath(), as text.
QString canonical(const QString &host)
{
    char *r = ::realpath(enc(host).constData(), nullptr);
    if (!r)
        return QString();
    QString out = namebytes::decode(r);
    ::free(r);
    return out;
}

// The root holds everything.
bool isSameOrInside(const QString &path, const QString &folder)
{
    if (folder == QLatin1String("/"))
        return true;
    return path == folder || path.startsWith(folder + QLatin1Char('/'));
}

// The caption of the batch's error window.
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

// The host folder of a Windows folder, looked up once per batch.
QString Batch::hostFolder(const QString &windowsFolder)
{
    // Spelt as given: a folder still missing maps to that spelling, as toHost() keeps it.
    QString key = windowsFolder;
    while (key.size() > 1 && winpath::endsWithSeparator(key) && !key.endsWith(QLatin1String(":\\"))
           && !key.endsWith(QLatin1String(":/")))
        key.chop(1);
    auto it = m_hostFolders.constFind(key);
    if (it == m_hostFolders.cend())
        it = m_hostFolders.insert(key, WinePrefix::current().toHost(windowsFolder));
    return *it;
}

// The host path of a Windows path, as WinePrefix::toHost() maps it: its
// folder from hostFolder(), its last name matched there without regard to
// case when it is not there as given. *link gets what lstat() found.
QString Batch::hostOf(const QString &windowsPath, std::optional<struct stat> *link)
{
    const QString name = winpath::name(windowsPath);
    const QString folder = winpath::folder(windowsPath);
    if (name.isEmpty() || folder.isEmpty() || name == QLatin1String(".") || name == QLatin1String("..")) {
        const QString host = WinePrefix::current().toHost(windowsPath);
        struct stat st;
        if (link && !host.isEmpty() && lstatPath(host, st))
            *link = st;
        return host;
    }
    const QString parent = hostFolder(folder);
    if (parent.isEmpty())
        return QString();
    QString host = hostJoin(parent, name);
    struct stat st;
    if (!lstatPath(host, st)) {
        QStringList names;
        folderNames(parent, names);
        const auto match = std::find_if(names.cbegin(), names.cend(),
                                        [&](const QString &n) { return winpath::sameName(n, name); });
        if (match == names.cend() || !lstatPath(hostJoin(parent, *match), st))
            return host;
        host = hostJoin(parent, *match);
    }
    if (link)
        *link = st;
    return host;
}

// The real path of a host folder (canonical()), looked up once per batch.
QString Batch::realFolder(const QString &host)
{
    if (const auto it = m_realFolders.constFind(host); it != m_realFolders.cend())
        return *it;
    const QString real = canonical(host);
    if (!real.isEmpty()) // a folder still to be made is looked up again
        m_realFolders.insert(host, real);
    return real;
}

// The real path of a source: below the real path of its folder when it is
// no link itself.
QString Batch::realPathOf(const Source &s)
{
    const QFileInfo fi(s.host);
    const QString name = fi.fileName();
    if (!s.link || S_ISLNK(s.link->st_mode) || name.isEmpty() || name == QLatin1String(".")
        || name == QLatin1String(".."))
        return canonical(s.host);
    const QString folder = realFolder(fi.path());
    return folder.isEmpty() ? QString() : hostJoin(folder, name);
}

// The entries a source names: the one item, or the matches of its wildcard.
std::vector<Source> Batch::expand(const QString &entry, bool &wildcard)
{
    std::vector<Source> out;
    const QString name = winpath::leaf(entry);
    wildcard = hasWildcard(name);
    if (!wildcard) {
        Source s{entry, QString()};
        s.host = hostOf(entry, &s.link);
        if (s.host.isEmpty() || !s.link)
            throw Failure::ofErrno(ENOENT, entry);
        out.push_back(s);
        return out;
    }
    const QString parentWin = winpath::folder(entry);
    const QString parentHost = hostFolder(parentWin);
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
    if (s.link ? !S_ISDIR(s.link->st_mode) : lstatPath(s.host, st) && !S_ISDIR(st.st_mode))
        return; // a link goes alone, and a file holds no folder
    const QString real = realPathOf(s);
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
        for (const QChar l : prefix.driveLetters()) {
            const QString r = prefix.driveRoot(l);
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

// top: what lstat() gave for host, for the caller to keep.
qint64 Batch::scanBytes(const QString &host, std::optional<struct stat> *top) const
{
    struct stat st;
    if (!lstatPath(host, st))
        return 0;
    if (top)
        *top = st;
    if (!S_ISDIR(st.st_mode))
        return S_ISREG(st.st_mode) ? st.st_size : 0;
    qint64 total = 0;
    QStringList names;
    folderNames(host, names); // an unreadable folder counts nothing; the copy reports it
    for (const QString &n : names)
        total += scanBytes(hostJoin(host, n));
    return total;
}

// ---------------------------------------------------------------- rename

void Batch::renameGroup(const QStringList &from, const QStringList &to)
{
    if (to.isEmpty())
        throw Failure{FileOpInvalidParameter, from.value(0), QStringLiteral("No new name was given.")};
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
        QString dstHost = hostOf(dstWin);
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

} // namespace filebatch

FileOperationFailure lastFileOperationFailure()
{
    return filebatch::g_lastFailure;
}

int shFileOperation(ShFileOpStruct &op)
{
    filebatch::Batch batch(op, FileOperationUi::instance());
    return batch.run();
}

} // namespace qv
