// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvane developers
#pragma once

// A fresh home for one test, as every test program's own (testhome.h) but
// empty of what earlier steps left: prefix managers' layouts can be built
// and searched in it. The program's home comes back when it ends.

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QStringList>
#include <optional>

#include "platform/registry.h"
#include "support/tempdir.h"
#include "support/testhome.h"

class FakeHome
{
public:
    FakeHome()
    {
        for (const QByteArray &name : testhome::variables() + QList<QByteArray>{"PATH"})
            m_saved[name] = qEnvironmentVariableIsSet(name) ? std::optional<QByteArray>(qgetenv(name)) : std::nullopt;
        testhome::point(path());
    }
    ~FakeHome()
    {
        for (auto it = m_saved.cbegin(); it != m_saved.cend(); ++it) {
            if (it.value())
                qputenv(it.key().constData(), *it.value());
            else
                qunsetenv(it.key().constData());
        }
        qv::resetRegistryCache();
    }
    FakeHome(const FakeHome &) = delete;
    FakeHome &operator=(const FakeHome &) = delete;

    QString path() const { return m_dir.path(); }
    QString file(const QString &relative) const { return path() + '/' + relative; }
    QString write(const QString &relative, const QByteArray &bytes) const { return m_dir.write(relative, bytes); }

    // A prefix as Wine leaves one (system.reg, drive_c) whose machine
    // registry lists these Reader versions; a 64-bit one lists them where a
    // 32-bit program's keys go.
    QString makePrefix(const QString &relative, const QStringList &readerVersions = {}, bool win64 = false) const
    {
        QByteArray reg = "WINE REGISTRY Version 2\n;; All keys relative to REGISTRY\\\\Machine\n\n#arch=";
        reg += win64 ? "win64\n" : "win32\n";
        for (const QString &v : readerVersions)
            reg += "\n[Software\\\\" + QByteArray(win64 ? "Wow6432Node\\\\" : "") + "Adobe\\\\Acrobat Reader\\\\"
                + v.toUtf8() + "\\\\InstallPath] 1700000000\n@=\"C:\\\\Reader " + v.toUtf8() + "\"\n";
        const QString root = file(relative);
        QDir().mkpath(root + "/drive_c");
        write(relative + "/system.reg", reg);
        return root;
    }

    // An executable shell script below home (a stand-in for a Wine build).
    QString script(const QString &relative, const QByteArray &body) const
    {
        const QString p = write(relative, "#!/bin/sh\n" + body);
        QFile::setPermissions(p, QFile::permissions(p) | QFile::ExeOwner | QFile::ExeUser);
        return p;
    }

private:
    TempDir m_dir;
    QMap<QByteArray, std::optional<QByteArray>> m_saved;
};
