// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvane developers
#pragma once

#include <QString>
#include <array>
#include <sys/types.h>

namespace qv {

// The Wine prefix is the machine Quorvane works on: its drives are the
// folders that dosdevices/<letter>: point at, its registry the hive files
// at its top. Only platform/ knows that such a thing exists.
class WinePrefix
{
public:
    explicit WinePrefix(QString root);

    // $WINEPREFIX when set and not empty, else ~/.wine.
    static QString defaultRoot();

    // The prefix the whole program works on. Set once at start (and by tests).
    static WinePrefix &current();
    static void setCurrent(const QString &root);

    const QString &root() const { return m_root; }
    // A folder holding dosdevices/ or system.reg: what Wine would use.
    bool exists() const;
    // One sentence for the user: which folder was looked at and how to pick another.
    QString missingMessage() const;

    QString systemHive() const { return m_root + QStringLiteral("/system.reg"); }
    QString userHive() const { return m_root + QStringLiteral("/user.reg"); }
    QString userDefaultHive() const { return m_root + QStringLiteral("/userdef.reg"); }

    // Host folder of a drive letter, or empty when dosdevices has no such drive.
    QString driveRoot(QChar letter) const;
    // The letters dosdevices holds a drive for ("c", "z"), in order; each
    // one's folder is driveRoot()'s, empty when its link leads nowhere.
    QString driveLetters() const;

    // Host path of a Windows path. Components that exist are matched without
    // regard to case (as Wine does); the rest are kept as given, so a path to
    // a file still to be created maps too. A path without a drive is on the
    // drive of the current folder (C: unless changed); a relative one starts
    // at the current folder. Unknown drives and UNC paths give an empty text.
    QString toHost(const QString &windowsPath) const;

    // The Windows path of a host path ("C:\..." when under drive_c), or empty.
    QString toWindows(const QString &hostPath) const;

    // The process's current folder, as a Windows path ("C:\" at start).
    QString currentDirectory() const { return m_currentDirectory; }
    // Changes it when the folder exists; false otherwise.
    bool setCurrentDirectory(const QString &windowsPath);

private:
    // A drive's resolved folder, with the folder it was found for.
    struct DriveCache
    {
        QString target;
        dev_t device = 0;
        ino_t inode = 0;
    };

    QString m_root;
    mutable std::array<DriveCache, 26> m_drives{};
    QString m_currentDirectory = QStringLiteral("C:\\");
};

} // namespace qv
