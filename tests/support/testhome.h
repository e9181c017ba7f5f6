// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvane developers
#pragma once

// A home of the test's own: HOME and every XDG base folder inside one
// throwaway folder, with a user-dirs.dirs there that names its desktop and
// documents (the code finds the host desktop through it), and no WINEPREFIX.
// Every test program lives in one from main() on, so nothing a test runs
// (the code, Wine, quorvane-cli) reads or writes the real home; FakeHome
// gives a single test a fresh one.

#include <QByteArray>
#include <QList>
#include <QString>

namespace testhome {

// What point() sets or unsets: HOME, the XDG variables and WINEPREFIX.
const QList<QByteArray> &variables();

// Points the variables into home (making its folders) and writes
// $XDG_CONFIG_HOME/user-dirs.dirs as xdg-user-dirs-update would.
void point(const QString &home);

} // namespace testhome
