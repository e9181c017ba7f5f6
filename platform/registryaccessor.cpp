// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvane developers

// What the registry accessor does alike on every machine: its root, the
// rule for key paths, the type rules of values and the section reader. The
// machine's own part (opening, reading and writing keys) is in
// wine/registry.cpp or win/registry.cpp.
#include "platform/registry.h"

#include <QtGlobal>
#include <cstring>

#include "platform/error.h"

namespace qv {

RegistryAccessor::RegistryAccessor() = default;

RegistryAccessor::~RegistryAccessor()
{
    try {
        closeKey();
    } catch (const std::exception &e) {
        qWarning("Quorvane: %s", e.what()); // a destructor cannot report further
    }
}

void RegistryAccessor::setRootKey(uint32_t root)
{
    if (root == m_root)
        return;
    closeKey();
    m_root = root;
}

bool RegistryAccessor::hasCurrentKey() const
{
    return bool(m_current);
}

QString RegistryAccessor::fullPath(const QString &path) const
{
    const QString openKeyPath = m_current ? m_currentPath : QString();
    QString full;
    if (path.startsWith(QLatin1Char('\\')))
        full = path.mid(1);
    else if (openKeyPath.isEmpty() || path.isEmpty())
        full = path.isEmpty() ? openKeyPath : path;
    else
        full = openKeyPath + QLatin1Char('\\') + path;
    while (full.endsWith(QLatin1Char('\\')))
        full.chop(1); // closing backslashes name the same key
    return full;
}

// The "Acrobat Reader\\InstallPath" that an empty version leaves must fail to
// open on every machine, so that start-up asks for the folder; Wine's server
// would take the run of backslashes for one.
bool RegistryAccessor::hasEmptyPart(const QString &keyPath)
{
    return keyPath.startsWith(QLatin1Char('\\')) || keyPath.contains(QLatin1String("\\\\"));
}

Error RegistryAccessor::valueError(const char *format, const QString &name)
{
    return Error(QString::fromLatin1(format).arg(name));
}

int32_t RegistryAccessor::dwordOf(const QString &name, uint32_t type, const void *data, size_t size)
{
    const uint32_t regDword = 4;
    if (type != regDword)
        throw valueError("Invalid data type for '%1'", name);
    if (size > 4)
        throw valueError("Failed to get data for '%1'", name); // does not fit the 4 bytes asked for
    uint32_t dw = 0;
    memcpy(&dw, data, size);
    return int32_t(dw);
}

// ---------------------------------------------------------------------------

RegistrySectionReader::RegistrySectionReader(const QString &keyPath)
{
    // The key is created when missing; when that cannot be done (Wine busy
    // with the registry), reading simply finds nothing and gives defaults.
    try {
        m_accessor.openKey(keyPath, true);
    } catch (const Error &e) {
        qWarning("Quorvane: %s", e.what());
    }
}

QString RegistrySectionReader::readString(const QString &section, const QString &name, const QString &def)
{
    const QString home = m_accessor.currentPath();
    const bool hadKey = m_accessor.hasCurrentKey();
    QString result = def;
    if (hadKey && m_accessor.openKey(section, false)) {
        // Back to the reader's own key even when the read throws (a value
        // that is not text), so a later read still starts from there.
        struct Back
        {
            RegistryAccessor &accessor;
            const QString &home;
            ~Back()
            {
                try {
                    accessor.openKey(QLatin1Char('\\') + home, false);
                } catch (const std::exception &e) {
                    qWarning("Quorvane: %s", e.what()); // the read's own error is the one to report
                }
            }
        } back{m_accessor, home};
        if (m_accessor.valueExists(name))
            result = m_accessor.readString(name);
    }
    return result;
}

} // namespace qv
