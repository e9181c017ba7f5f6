// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvane developers
#pragma once

#include <windows.h>

#include <QString>

#include "platform/win/wintext.h"
#include "platform/winpath.h"

namespace qv::win {

// Walks a folder tree, calling visit(path, relative, attributes) for every
// entry but "." and ".."; it goes down into a sub-folder when visit returns
// true. relative is the entry's path below the folder walked, '\'-separated.
template<typename Visit>
void walk(const QString &folder, Visit &&visit, const QString &relative = QString())
{
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileW(wide(winpath::join(folder, QStringLiteral("*"))).c_str(), &data);
    if (find == INVALID_HANDLE_VALUE)
        return;
    do {
        const QString name = fromWide(data.cFileName);
        if (name == QLatin1String(".") || name == QLatin1String(".."))
            continue;
        const QString rel = relative.isEmpty() ? name : relative + QLatin1Char('\\') + name;
        const QString path = winpath::join(folder, name);
        if (visit(path, rel, data.dwFileAttributes))
            walk(path, visit, rel);
    } while (FindNextFileW(find, &data));
    FindClose(find);
}

} // namespace qv::win
