// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvane developers
#pragma once

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <optional>

namespace qv {

// A shell link (.lnk) in the documented Shell Link binary format: the header,
// a link info block with the target's local path, and the description,
// working folder and arguments as string data. Windows and Wine follow it.
class ShellLink
{
public:
    void setPath(const QString &windowsPath) { m_path = windowsPath; }
    void setArguments(const QString &arguments) { m_arguments = arguments; }
    void setDescription(const QString &description) { m_description = description; }
    void setWorkingDirectory(const QString &folder) { m_workingDirectory = folder; }

    const QString &path() const { return m_path; }
    const QString &arguments() const { return m_arguments; }
    const QString &description() const { return m_description; }
    const QString &workingDirectory() const { return m_workingDirectory; }

    // The link's bytes. The target's attributes, times and size go into the
    // header when the target exists in the current prefix.
    QByteArray toBytes() const;
    // Writes the link to a Windows path of the current prefix, replacing a
    // file of that name; false when it cannot be written (nothing is left half-written).
    bool save(const QString &windowsLinkPath) const;

    // Parses link bytes; empty when they are not a shell link. Reads what
    // toBytes writes and the common variants (ANSI strings, an item ID list).
    static std::optional<ShellLink> fromBytes(const QByteArray &bytes);

private:
    QString m_path;
    QString m_arguments;
    QString m_description;
    QString m_workingDirectory;
};

} // namespace qv
