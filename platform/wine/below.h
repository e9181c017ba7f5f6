// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvane developers

// The Wine prefix's part of a resolved folder (resolvedfolder.h): the host
// folder held open, and names looked up below it through its descriptor,
// matched without regard to case as Wine matches them.
#pragma once

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <sys/stat.h>
#include <sys/types.h>

#include "platform/resolvedfolder.h"

namespace qv {

struct ResolvedFolder::Place
{
    int fd = -1;       // the folder, held open
    QByteArray host;   // the host path it was found at
    dev_t device = 0;
    ino_t inode = 0;
    bool link = false; // that path ended in a symbolic link when it was found
    ~Place();
};

namespace below {

// The entries of an open folder, "." and ".." left out, read straight with
// getdents64(): opendir() would stat() the folder first, at every listing.
// Takes the descriptor and closes it.
class Listing
{
public:
    explicit Listing(int fd) : m_fd(fd) {}
    ~Listing();
    Listing(const Listing &) = delete;
    Listing &operator=(const Listing &) = delete;

    int fd() const { return m_fd; }
    // The next entry's name and type (DT_UNKNOWN where the file system
    // gives none); false at the end, or when the folder cannot be read.
    bool next(const char *&name, unsigned char &type);

private:
    int m_fd;
    long m_size = 0;
    long m_at = 0;
    alignas(8) char m_buffer[16384];
};

// A name as the disk spells it: a component not there as given is matched
// without regard to case; what matches nothing is kept as given.
QByteArray spelled(int folderFd, const QByteArray &name);
// fstatat() of a name below the folder (an empty name: the folder itself),
// the name matched as spelled() does when it is not there as given; the
// spelling used goes to *actual.
bool stat(const ResolvedFolder::Place &place, const QByteArray &name, struct stat &st, int flags,
          QByteArray *actual = nullptr);
// openat() of a name below the folder, matched the same way.
int open(const ResolvedFolder::Place &place, const QByteArray &name, int flags, QByteArray *actual = nullptr);

} // namespace below

// What filesystem.cpp shares with the services below a resolved folder.
namespace hostfiles {

// Whether two open files hold the same bytes (both read from where they are).
bool sameContent(int fdA, int fdB);
// The same without advice to the system: for files the caller knows are
// read once, start to end, and most likely in memory already.
bool sameBytes(int fdA, int fdB);
// The attributes Windows would report for an entry whose stat() gave st
// (nullptr: it could not be read), at hostPath, named name.
uint32_t attributes(const struct stat *st, const QByteArray &hostPath, const QString &name);

} // namespace hostfiles

} // namespace qv
