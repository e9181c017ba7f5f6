// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvane developers

#include "platform/fileoperation.h"

namespace qv {

QByteArray fileOperationList(const QStringList &entries, const QString &folder)
{
    const QByteArray prefix = folder.toUtf8();
    QByteArray list;
    for (const QString &entry : entries) {
        list += prefix;
        list += entry.toUtf8();
        list += '\0';
    }
    list += '\0';
    return list;
}

} // namespace qv
