// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvane developers
#include "mainform.h"
#include "quorvaneversion.h"

#include <QSessionManager>

#include "app/commandline.h"
#include "app/prefixwindows.h"
#include "platform/machine.h"
#include "platform/ui/application.h"
#include "platform/ui/windowed.h"

int main(int argc, char **argv)
{
    if (const std::optional<int> exitCode = qv::handleCommandLine(argc, argv))
        return *exitCode;
    // The Wayland app id, and the desktop entry the session matches the window to.
    QGuiApplication::setDesktopFileName(QStringLiteral(QUORVANE_APP_ID));
    qv::Application app(argc, argv);
    qv::ui::registerWindows();
    qv::setApplicationTitle(QStringLiteral(QUORVANE_TITLE));
    installApplicationFonts();
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/pictures/quorvane.png")));

    // Started without a prefix named, as from the desktop's menu: find the
    // one that holds a Reader, wherever a prefix manager keeps it. On
    // Windows the machine is the computer itself.
    const std::optional<QString> root = qv::choosePrefix(qv::languageOfLocale(QLocale::system()));
    if (!root)
        return 0;

    // Without a Wine prefix there is no Reader to work on; say where we looked.
    if (!qv::machine::choose(*root)) {
        qv::showError(qv::machine::missingMessage());
        return 1;
    }

    TForm1 form;
    // Qt 6 no longer closes the windows when the desktop session ends; do it,
    // without the promotion dialog, which would hold the logout up.
    QObject::connect(&app, &QGuiApplication::commitDataRequest, &form,
                     [&form](QSessionManager &) { form.closeForSessionEnd(); });
    form.show();
    return app.exec();
}
