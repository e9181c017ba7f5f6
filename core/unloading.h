// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvane developers

// Optimize's side of the plug-in folders (inside the core): what plug_ins
// and the safety copy hold as the run goes on, and taking out of plug_ins
// what Reader is not to load.

#pragma once

#include <QString>
#include <QStringList>

#include "core/operationrun.h"
#include "core/safetycopy.h"
#include "platform/filesystem.h"

namespace qv {

// What the two plug-in folders hold as Optimize goes on: the disk itself in
// a real run, and in a dry run the disk as the planned changes would leave it.
class PlugInFolders
{
public:
    PlugInFolders(const ReaderFolders &folders, bool predict)
        : m_plugIns(folders.plugIns), m_optional(folders.optional), m_predict(predict)
    {
        if (predict) {
            m_plugInFiles = ResolvedFolder::windowsNamesOf(filesBelow(m_plugIns));
            m_optionalFiles = ResolvedFolder::windowsNamesOf(filesBelow(m_optional));
        }
    }

    QStringList plugIns() const
    {
        return m_predict ? m_plugInFiles : ResolvedFolder::windowsNamesOf(filesBelow(m_plugIns));
    }
    QStringList optional() const
    {
        return m_predict ? m_optionalFiles : ResolvedFolder::windowsNamesOf(filesBelow(m_optional));
    }
    bool inPlugIns(const QString &rel) const
    {
        return m_predict ? containsPath(m_plugInFiles, rel) : fileExists(m_plugIns, ResolvedFolder::nameOf(rel));
    }

    void copiedToOptional(const QStringList &rels) { add(m_optionalFiles, rels); }
    void copiedToPlugIns(const QStringList &rels) { add(m_plugInFiles, rels); }
    void removedFromPlugIns(const QStringList &rels)
    {
        if (m_predict)
            m_plugInFiles.removeIf([&](const QString &f) { return containsPath(rels, f); });
    }

private:
    void add(QStringList &files, const QStringList &rels) const
    {
        if (!m_predict)
            return;
        for (const QString &rel : rels)
            if (!containsPath(files, rel))
                files << rel;
        files.sort(Qt::CaseInsensitive);
    }

    ResolvedFolder m_plugIns, m_optional;
    bool m_predict;
    QStringList m_plugInFiles, m_optionalFiles;
};

// Takes out of plug_ins what Reader is not to load; a file whose very bytes
// are not in the safety copy stays, and so does a link to nothing.
void unloadPlugIns(Run &run, PlugInFolders &folders, const SafetyCopyState &state, const ReaderFolders &places,
                   const QStringList &keepLoaded);

} // namespace qv
