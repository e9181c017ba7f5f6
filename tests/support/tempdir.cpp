// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvane developers
#include "tempdir.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

TempDir::TempDir(const QString &parent)
    : m_dir((parent.isEmpty() ? QDir::tempPath() : parent) + "/quorvane-test-XXXXXX")
{
}

QString TempDir::write(const QString &relative, const QByteArray &bytes) const
{
    const QString path = file(relative);
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    if (f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        f.write(bytes);
    return path;
}

QByteArray TempDir::read(const QString &relative) const
{
    QFile f(file(relative));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}
