// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvane developers
#include "platform/launchers.h"

// On Windows there is no host beside the machine: Wine's menu builder makes
// no launchers, so there are none to find, remove or write.
namespace qv::launchers {

HostLaunchers find(const QString &, const QString &) { return {}; }

QStringList remove(const HostLaunchers &) { return {}; }

// Empty: no host desktop to mirror a shortcut on.
QString desktopEntryPath(const QString &) { return {}; }

QByteArray desktopEntry(const DesktopShortcut &, QString *) { return {}; }

QString writeDesktopEntry(const DesktopShortcut &, QString *) { return {}; }

} // namespace qv::launchers
