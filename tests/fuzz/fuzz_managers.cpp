// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvane developers
// Feeds arbitrary configuration files to the prefix managers' readers: the
// input, split at NUL bytes, becomes a bottle's bottle.yml, a PlayOnLinux
// prefix's playonlinux.cfg and a Lutris game's file. Whatever Wine build they
// name, one that Quorvane would run lies inside that manager's own runners
// folder, spelt and after following links; a program the prefix ships (an
// executable planted in it and beside the runners) never passes.
#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <cstdint>
#include <cstdlib>

#include "platform/machine.h"
#include "platform/wine/prefixes.h"

using namespace qv;

namespace {

void check(bool ok)
{
    if (!ok)
        abort();
}

struct Layout
{
    QTemporaryDir home;
    QString bottle, playOnLinux, lutris, lutrisGame;
    QString bottlesRunners, playOnLinuxRunners, lutrisRunners;
    Layout()
    {
        qputenv("HOME", QFile::encodeName(home.path()));
        qputenv("XDG_DATA_HOME", QFile::encodeName(home.path() + QStringLiteral("/.local/share")));
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(home.path() + QStringLiteral("/.config")));
        const QString data = home.path() + QStringLiteral("/.local/share");
        bottle = data + QStringLiteral("/bottles/bottles/B");
        playOnLinux = home.path() + QStringLiteral("/.PlayOnLinux/wineprefix/P");
        lutris = home.path() + QStringLiteral("/Games/L");
        lutrisGame = home.path() + QStringLiteral("/.config/lutris/games/l-1700000000.yml");
        bottlesRunners = data + QStringLiteral("/bottles/runners");
        playOnLinuxRunners = home.path() + QStringLiteral("/.PlayOnLinux/wine");
        lutrisRunners = data + QStringLiteral("/lutris/runners/wine");
        for (const QString &root : {bottle, playOnLinux, lutris}) {
            QDir().mkpath(root + QStringLiteral("/drive_c"));
            QFile(root + QStringLiteral("/system.reg")).open(QIODevice::WriteOnly);
            // What a prefix ships: programs named as Wine, inside it and next to the runners.
            plant(root + QStringLiteral("/drive_c/x/bin/wine"));
        }
        plant(home.path() + QStringLiteral("/.local/share/bottles/evil/bin/wine"));
        plant(home.path() + QStringLiteral("/.PlayOnLinux/evil/bin/wine"));
        plant(home.path() + QStringLiteral("/.local/share/lutris/runners/evil/bin/wine"));
        // One real runner of each manager, and one that is a link into a prefix.
        plant(bottlesRunners + QStringLiteral("/soda/bin/wine"));
        plant(playOnLinuxRunners + QStringLiteral("/linux-x86/8.0/bin/wine"));
        plant(lutrisRunners + QStringLiteral("/lutris-8/bin/wine"));
        QFile::link(bottle + QStringLiteral("/drive_c/x"), bottlesRunners + QStringLiteral("/linked"));
        QFile::link(playOnLinux + QStringLiteral("/drive_c/x"), playOnLinuxRunners + QStringLiteral("/linux-x86/linked"));
        QFile::link(lutris + QStringLiteral("/drive_c/x"), lutrisRunners + QStringLiteral("/linked"));
        QDir().mkpath(QFileInfo(lutrisGame).absolutePath());
    }
    static void plant(const QString &file)
    {
        QDir().mkpath(QFileInfo(file).absolutePath());
        QFile f(file);
        f.open(QIODevice::WriteOnly);
        f.write("#!/bin/sh\nexit 1\n");
        f.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
};

void write(const QString &file, const QByteArray &bytes)
{
    QFile f(file);
    check(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
}

// A build that is run lies inside the runners folder, spelt and resolved.
void checkConfined(const WineBuild &b, const QString &runners)
{
    if (!b.problem.isEmpty() || b.program == QLatin1String("wine"))
        return;
    check(QDir::cleanPath(b.program).startsWith(runners + QLatin1Char('/')));
    const QString real = QFileInfo(b.program).canonicalFilePath();
    check(real.isEmpty() || real.startsWith(QFileInfo(runners).canonicalFilePath() + QLatin1Char('/')));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static Layout layout;
    QList<QByteArray> parts = QByteArray(reinterpret_cast<const char *>(data), qsizetype(size)).split('\0');
    while (parts.size() < 3)
        parts << QByteArray();
    write(layout.bottle + QStringLiteral("/bottle.yml"), parts.at(0));
    write(layout.playOnLinux + QStringLiteral("/playonlinux.cfg"), parts.at(1));
    write(layout.lutrisGame, "game:\n  prefix: " + QFile::encodeName(layout.lutris) + "\n" + parts.at(2));
    checkConfined(prefixes::wineBuild(layout.bottle), layout.bottlesRunners);
    checkConfined(prefixes::wineBuild(layout.playOnLinux), layout.playOnLinuxRunners);
    checkConfined(prefixes::wineBuild(layout.lutris), layout.lutrisRunners);
    return 0;
}
