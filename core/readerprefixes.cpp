// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvane developers
#include "core/readerprefixes.h"

#include "core/reader.h"
#include "platform/error.h"
#include "platform/wine/hive.h"
#include "platform/winpath.h"

namespace qv {

QStringList readerVersionsIn(const QString &prefixRoot)
{
    // Only read: no prefix but the chosen one is ever opened through the
    // registry accessor, which would keep it in memory.
    const std::unique_ptr<Hive> hive = Hive::load(prefixRoot + QStringLiteral("/system.reg"));
    const QStringList key = winpath::split(reader::versionsKey()); // SOFTWARE, Adobe, Acrobat Reader
    QStringList wow = key;
    wow.insert(1, QStringLiteral("Wow6432Node"));
    QStringList versions;
    for (const QStringList &path : {key, wow})
        for (const QString &v : hive->subkeys(hive->resolveLinks(path)))
            if (!versions.contains(v, Qt::CaseInsensitive))
                versions << v;
    return versions;
}

ReaderPrefix surveyPrefix(const QString &root)
{
    ReaderPrefix p;
    p.prefix = prefixes::describe(root);
    p.wine = prefixes::wineBuild(root);
    try {
        p.readerVersions = readerVersionsIn(p.prefix.root);
    } catch (const Error &e) {
        p.problem = e.message();
    }
    return p;
}

std::vector<ReaderPrefix> surveyPrefixes()
{
    std::vector<ReaderPrefix> out;
    for (const FoundPrefix &found : prefixes::find()) {
        ReaderPrefix p = surveyPrefix(found.root);
        p.prefix = found; // named by the place it was found in
        out.push_back(p);
    }
    return out;
}

std::vector<ReaderPrefix> withReader(const std::vector<ReaderPrefix> &prefixes)
{
    std::vector<ReaderPrefix> out;
    for (const ReaderPrefix &p : prefixes)
        if (p.holdsReader())
            out.push_back(p);
    return out;
}

} // namespace qv
