// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvane developers
#pragma once

#include <QCoreApplication>
#include <QDir>
#include <QString>
#include <QTemporaryDir>

// A scratch folder as a Windows path ("C:\users\...\Temp\qv-XXXXXX").
inline QString windowsPath(const QString &qtPath)
{
    return QDir::toNativeSeparators(qtPath);
}

// A key below HKEY_CURRENT_USER\Software (or HKEY_LOCAL_MACHINE\SOFTWARE)
// that only this test program uses; its tests delete it when done.
inline QString scratchKey(const char *name)
{
    return QStringLiteral("Software\\Quorvane Tests\\%1-%2").arg(QLatin1String(name)).arg(QCoreApplication::applicationPid());
}
