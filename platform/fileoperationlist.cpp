// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvane developers

#include "platform/fileoperation.h"

#include "platform/namebytes.h"

namespace qv {

QByteArray fileOperationList(const QStringList &entries, const QString &folder)
{
    const QByteArray prefix = namebytes::encode(folder);
    QByteArray list;
    for (const QString &entry : entries) {
        list += prefix;
        list += namebytes::encode(entry);
        list += '\0';
    }
    list += '\0';
    return list;
}

} // namespace qv
