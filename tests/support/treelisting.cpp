// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvane developers
#include "treelisting.h"

#include <QCryptographicHash>
#include <QDataStream>
#include <QFile>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QByteArray fileHash(int dirFd, const char *name)
{
    const int fd = ::openat(dirFd, name, O_RDONLY | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return "unreadable";
    QCryptographicHash hash(QCryptographicHash::Sha256);
    char buffer[1 << 16];
    for (ssize_t n; (n = ::read(fd, buffer, sizeof buffer)) > 0;)
        hash.addData(QByteArrayView(buffer, n));
    ::close(fd);
    return hash.result().toHex().left(16);
}

void walk(int dirFd, const QByteArray &prefix, TreeListing::Detail detail, const QList<QByteArray> &skip,
          std::map<QByteArray, QByteArray> &out)
{
    DIR *dir = ::fdopendir(dirFd);
    if (!dir) {
        ::close(dirFd);
        return;
    }
    while (const dirent *e = ::readdir(dir)) {
        const QByteArray name(e->d_name);
        if (name == "." || name == "..")
            continue;
        const QByteArray path = prefix.isEmpty() ? name : prefix + '/' + name;
        struct stat st;
        if (::fstatat(::dirfd(dir), e->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0)
            continue;
        QByteArray what = QByteArray::number(st.st_mode, 8);
        if (!S_ISDIR(st.st_mode))
            what += ' ' + QByteArray::number(qint64(st.st_size)) + ' '
                + QByteArray::number(qint64(st.st_mtim.tv_sec)) + '.'
                + QByteArray::number(qint64(st.st_mtim.tv_nsec));
        if (detail == TreeListing::Detail::Content) {
            if (S_ISREG(st.st_mode)) {
                what += ' ' + fileHash(::dirfd(dir), e->d_name);
            } else if (S_ISLNK(st.st_mode)) {
                char target[4096];
                const ssize_t n = ::readlinkat(::dirfd(dir), e->d_name, target, sizeof target);
                what += " -> " + QByteArray(target, n > 0 ? int(n) : 0);
            }
        }
        out[path] = what;
        if (S_ISDIR(st.st_mode) && !skip.contains(path)) {
            const int sub = ::openat(::dirfd(dir), e->d_name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
            if (sub >= 0)
                walk(sub, path, detail, skip, out);
        }
    }
    ::closedir(dir);
}

} // namespace

TreeListing TreeListing::of(const QString &root, Detail detail, const QList<QByteArray> &skip)
{
    TreeListing listing;
    const int fd = ::open(QFile::encodeName(root).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0)
        walk(fd, QByteArray(), detail, skip, listing.m_entries);
    return listing;
}

QStringList TreeListing::changesTo(const TreeListing &later) const
{
    QStringList lines;
    auto a = m_entries.cbegin();
    auto b = later.m_entries.cbegin();
    while (a != m_entries.cend() || b != later.m_entries.cend()) {
        if (b == later.m_entries.cend() || (a != m_entries.cend() && a->first < b->first)) {
            lines << QStringLiteral("- ") + QString::fromUtf8(a->first);
            ++a;
        } else if (a == m_entries.cend() || b->first < a->first) {
            lines << QStringLiteral("+ ") + QString::fromUtf8(b->first);
            ++b;
        } else {
            if (a->second != b->second)
                lines << QStringLiteral("~ %1: %2 -> %3")
                             .arg(QString::fromUtf8(a->first), QString::fromUtf8(a->second),
                                  QString::fromUtf8(b->second));
            ++a;
            ++b;
        }
    }
    return lines;
}

namespace {
const char kListingMagic[] = "quorvane tree listing 1";
}

bool TreeListing::save(const QString &file) const
{
    QFile f(file);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    QDataStream out(&f);
    out << QByteArray(kListingMagic) << quint64(m_entries.size());
    for (const auto &[path, what] : m_entries)
        out << path << what;
    return out.status() == QDataStream::Ok && f.flush();
}

bool TreeListing::load(const QString &file)
{
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly))
        return false;
    QDataStream in(&f);
    QByteArray magic;
    quint64 count = 0;
    in >> magic >> count;
    if (magic != kListingMagic)
        return false;
    m_entries.clear();
    for (quint64 i = 0; i < count && in.status() == QDataStream::Ok; ++i) {
        QByteArray path, what;
        in >> path >> what;
        m_entries[path] = what;
    }
    return in.status() == QDataStream::Ok;
}
