// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvane developers
#pragma once

#include <QProcessEnvironment>
#include <QString>
#include <QStringList>
#include <optional>

namespace qv {

// What the command line of quorvane asks for. Qt's own options (-platform,
// -style, -display, -session, ...) are accepted and left to the application
// object, which takes them out of argv itself.
struct CommandLine
{
    enum class Action { OpenWindow, ShowHelp, ShowVersion, UsageError };
    Action action = Action::OpenWindow;
    QString prefix; // --prefix, empty when not given
    QString error;  // what is wrong, for UsageError
};

// arguments[0] is the program's name, as in argv.
CommandLine parseCommandLine(const QStringList &arguments);

// The usage line names the program as QCoreApplication was started.
QString commandLineHelp();
QString versionText();

// Empty when the window system Qt is going to use has a display to show the
// window on; otherwise the one line that says what is missing. Decided from
// the arguments and the environment alone, before Qt tries (and aborts).
QString missingDisplayMessage(const QStringList &arguments, const QProcessEnvironment &environment);

// Runs first in main(), before the application object exists: answers
// --help, --version and usage errors, refuses to start without a display,
// and makes --prefix the WINEPREFIX of this process and its children.
// Returns the exit code when the program ends here (0 done, 1 no display,
// 2 usage error), nothing when the window is to open.
std::optional<int> handleCommandLine(int argc, char **argv);

} // namespace qv
