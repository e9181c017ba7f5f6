// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvane developers
#pragma once
#include <QString>
#include <QTemporaryDir>

// A throwaway folder for one test; removed with everything in it afterwards.
class TempDir
{
public:
    // parent: the folder to make it in (a small disk, say); the system's
    // temporary folder when empty.
    explicit TempDir(const QString &parent = QString());
    QString path() const { return m_dir.path(); }
    QString file(const QString &relative) const { return m_dir.filePath(relative); }
    // Writes bytes to a file below the folder, creating parent folders.
    QString write(const QString &relative, const QByteArray &bytes) const;
    QByteArray read(const QString &relative) const;

private:
    QTemporaryDir m_dir;
};
