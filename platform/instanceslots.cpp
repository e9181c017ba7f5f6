#include "platform/dialogs.h"

#include "platform/windowless.h"

namespace qv {

namespace {
InstanceSlot<Dialogs> g_dialogs;
InstanceSlot<Shell> g_shell;
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

} // namespace qv
