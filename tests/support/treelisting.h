// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvane developers
#pragma once

// What a folder tree holds, to tell afterwards whether anything in it
// changed: every entry below the root (links are listed, never followed),
// with its kind, mode, size, modification time and, where asked for, a hash
// of a regular file's bytes or a link's target. Names are kept as the bytes
// they are.

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <map>

class TreeListing
{
public:
    enum class Detail {
        Stat,   // kind, mode, size, modification time: cheap enough for a whole home
        Content // and a hash of each regular file's bytes and each link's target
    };

    // Lists root; a root that does not exist lists as empty. Folders named
    // in skip (paths relative to root, as bytes) are listed but not entered.
    static TreeListing of(const QString &root, Detail detail = Detail::Content,
                          const QList<QByteArray> &skip = {});

    // One line per entry that was added, removed or changed between this
    // listing and a later one ("+ path", "- path", "~ path: what"); empty
    // when nothing changed.
    QStringList changesTo(const TreeListing &later) const;

    qsizetype size() const { return qsizetype(m_entries.size()); }

    // Kept in a file between two programs (the real-home guard's before and
    // after); load gives false when the file holds no listing.
    bool save(const QString &file) const;
    bool load(const QString &file);

private:
    std::map<QByteArray, QByteArray> m_entries; // relative path -> what it is
};
