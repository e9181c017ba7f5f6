// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvane developers
// Who answers for each of the machine's services: a test's stand-in first,
// else what main() registered (the program's windows), else the windowless
// stand-in or the machine's own implementation. One place for every slot,
// built on both machines.
#include "platform/dialogs.h"

#include "platform/fileoperation.h"
#include "platform/processes.h"
#include "platform/windowless.h"

namespace qv {

namespace {
InstanceSlot<Dialogs> g_dialogs;
InstanceSlot<Shell> g_shell;
InstanceSlot<FileOperationUi> g_fileOperationUi;
InstanceSlot<ProcessControl> g_processControl; // nothing to register: the machine's own list is the default
} // namespace

Dialogs &Dialogs::instance()
{
    static WindowlessDialogs windowless;
    return g_dialogs.pick(windowless);
}

void Dialogs::setInstance(Dialogs *dialogs) { g_dialogs.test = dialogs; }
void Dialogs::registerWindows(Dialogs *dialogs) { g_dialogs.windows = dialogs; }

Shell &Shell::instance()
{
    static WindowlessShell windowless;
    return g_shell.pick(windowless);
}

void Shell::setInstance(Shell *shell) { g_shell.test = shell; }
void Shell::registerWindows(Shell *shell) { g_shell.windows = shell; }

FileOperationUi &FileOperationUi::instance()
{
    static WindowlessFileOperationUi windowless;
    return g_fileOperationUi.pick(windowless);
}

void FileOperationUi::setInstance(FileOperationUi *ui) { g_fileOperationUi.test = ui; }
void FileOperationUi::registerWindows(FileOperationUi *ui) { g_fileOperationUi.windows = ui; }

bool FileOperationUi::programWindowsAnswer()
{
    return !g_fileOperationUi.test && g_fileOperationUi.windows;
}

ProcessControl &ProcessControl::instance()
{
    static SystemProcessControl system;
    return g_processControl.pick(system);
}

void ProcessControl::setInstance(ProcessControl *control) { g_processControl.test = control; }

} // namespace qv
