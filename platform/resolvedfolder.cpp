// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvane developers

// A resolved folder (resolvedfolder.h): what both machines share. The
// machine's part is in resolvedplace.h.
#include "platform/resolvedfolder.h"

#include "platform/error.h"
#include "platform/resolvedplace.h"
#include "platform/winpath.h"

namespace qv {

struct ResolvedFolder::State
{
    QString windowsPath;
    std::shared_ptr<Place> place;
};

ResolvedFolder::ResolvedFolder(const QString &windowsPath) : m_state(std::make_shared<State>())
{
    m_state->windowsPath = windowsPath;
    m_state->place = resolvedplace::find(windowsPath);
}

QString ResolvedFolder::windowsPath() const
{
    return m_state ? m_state->windowsPath : QString();
}

const ResolvedFolder::Place *ResolvedFolder::place() const
{
    if (!m_state)
        return nullptr;
    // A folder still missing is looked for again: a step of the operation may have made it.
    if (!m_state->place)
        m_state->place = resolvedplace::find(m_state->windowsPath);
    return m_state->place.get();
}

bool ResolvedFolder::found() const
{
    return place() != nullptr;
}

QString ResolvedFolder::windowsPathOf(const QByteArray &name) const
{
    return name.isEmpty() ? windowsPath() : winpath::join(windowsPath(), windowsNameOf(name));
}

bool ResolvedFolder::isLink() const
{
    const Place *p = place();
    return p && resolvedplace::isLink(*p);
}

bool ResolvedFolder::unchanged() const
{
    return !m_state || !m_state->place || resolvedplace::unchanged(*m_state->place);
}

void ResolvedFolder::ensureUnchanged() const
{
    if (!unchanged())
        throw Error(QStringLiteral("The folder \"%1\" is no longer the one this run started to work in: a link or "
                                   "another folder was put in its place. Nothing more was changed; check the "
                                   "folder, then try again")
                        .arg(windowsPath()));
}

QByteArray ResolvedFolder::nameOf(const QString &windowsRelative)
{
    return resolvedplace::nameOf(windowsRelative);
}

QString ResolvedFolder::windowsNameOf(const QByteArray &name)
{
    return resolvedplace::windowsNameOf(name);
}

QStringList ResolvedFolder::windowsNamesOf(const QList<QByteArray> &names)
{
    QStringList out;
    out.reserve(names.size());
    for (const QByteArray &name : names)
        out << windowsNameOf(name);
    return out;
}

} // namespace qv
