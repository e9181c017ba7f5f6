// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvane developers
#pragma once

#include <QString>

class QWidget;

namespace qv {

// The standard dialogs, behind an interface: main() registers the real
// windows (platform/ui), a test answers them itself, and a program without
// a window gets WindowlessDialogs (platform/windowless.h).
class Dialogs
{
public:
    enum Buttons { Ok, YesNo };
    enum Icon { NoIcon, ErrorIcon, InformationIcon, QuestionIcon, WarningIcon };
    enum Result { ResultOk = 1, ResultCancel = 2, ResultYes = 6, ResultNo = 7 };

    virtual ~Dialogs() = default;
    // OK returns the edited text, Cancel or closing returns def unchanged.
    virtual QString inputBox(const QString &caption, const QString &prompt, const QString &def) = 0;
    virtual Result messageBox(QWidget *owner, const QString &text, const QString &caption, Buttons buttons,
                              Icon icon) = 0;

    // The dialogs in use: a test's own, else the registered windows, else the window-free ones.
    static Dialogs &instance();
    // For tests; takes no ownership; nullptr brings back what main() registered.
    static void setInstance(Dialogs *dialogs);
    // For main(): the program's windows. Takes no ownership.
    static void registerWindows(Dialogs *dialogs);
};

// Opening documents, programs and web addresses, behind an interface so
// tests can record what would be opened.
class Shell
{
public:
    virtual ~Shell() = default;
    // A web address goes to the desktop's browser; a Windows program path is
    // started on the machine (machine::ProgramStart): in the same prefix with
    // the prefix's own Wine build, or by the Windows shell. Detached; a
    // program that cannot be started is reported to the user; nothing waits
    // for one that runs.
    virtual void open(QWidget *owner, const QString &target) = 0;

    // As for Dialogs: a test's own, else the registered one, else the window-free one.
    static Shell &instance();
    static void setInstance(Shell *shell);
    static void registerWindows(Shell *shell);
};

} // namespace qv
