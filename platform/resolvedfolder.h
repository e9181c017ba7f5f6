// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvane developers

// A folder an operation works in, found on the machine once.
#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <memory>

namespace qv {

// A folder an operation works in (Reader's folder, plug_ins, Optional),
// found on the machine once from its Windows path. The file services that
// take one (filesystem.h) are given names below it and never look the
// folder's own path up again, as their Windows-path faces do at each call.
// On a Wine prefix it holds the folder open and knows which folder it is
// (device and inode); on Windows it keeps the Windows path, which the
// system resolves, and the folder's file identity.
//
// Names below it are the machine's own bytes with '/' between components
// ("sub/a.api"): the host's names as they are on a Wine prefix, UTF-8 on
// Windows. Like Windows paths, they are matched without regard to case.
//
// A folder missing when made is looked for again at each use until it is
// there (Optional before the first safety copy); from then on it is that
// folder. Copies share what was found.
class ResolvedFolder
{
public:
    ResolvedFolder() = default;
    explicit ResolvedFolder(const QString &windowsPath);

    QString windowsPath() const;
    // Whether the folder is found (now, or before).
    bool found() const;
    // The Windows path of a name below it; the folder's own for an empty name.
    QString windowsPathOf(const QByteArray &name) const;

    // Whether the path ended in a symbolic link (on Windows a reparse point)
    // when the folder was found: a folder an operation fills or empties
    // must not be one, or the change would land where the link points.
    bool isLink() const;

    // Whether the Windows path still leads to the folder found, and not
    // (since) to a link or to another folder put in its place. A folder
    // never found has nothing to tell apart, and counts as unchanged.
    bool unchanged() const;
    // Before each step that changes something in it: throws qv::Error,
    // naming the folder, when it is not unchanged().
    void ensureUnchanged() const;

    // A path below a folder as the floors above spell it ("sub\a.api"), as
    // a name below a resolved folder, and back.
    static QByteArray nameOf(const QString &windowsRelative);
    static QString windowsNameOf(const QByteArray &name);
    static QStringList windowsNamesOf(const QList<QByteArray> &names);

    // The machine's part (platform/wine/, platform/win/): nullptr while the
    // folder is not found.
    struct Place;
    const Place *place() const;

private:
    struct State;
    std::shared_ptr<State> m_state;
};

} // namespace qv
