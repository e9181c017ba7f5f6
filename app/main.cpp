#include "mainform.h"
#include "quorvaneversion.h"

#include <QSessionManager>

#include "app/commandline.h"
#include "platform/ui/application.h"
#include "platform/ui/windows.h"
#ifdef Q_OS_WIN
#include "platform/machine.h"
#else
#include "app/prefixwindows.h"
#include "platform/wine/prefixes.h"
#include "platform/wine/wineprefix.h"
#endif

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

#ifdef Q_OS_WIN
    // On Windows the machine is the computer itself; there is no prefix to find.
    if (!qv::machine::exists()) {
        qv::showError(qv::machine::missingMessage());
#else
    // Started without a prefix named, as from the desktop's menu: find the
    // one that holds a Reader, wherever a prefix manager keeps it.
    if (qv::prefixes::machineHasPrefixes() && qEnvironmentVariable("WINEPREFIX").isEmpty()) {
        const std::optional<QString> root = qv::choosePrefix(qv::languageOfLocale(QLocale::system()));
        if (!root)
            return 0;
        qv::WinePrefix::setCurrent(*root);
    }

    // Without a Wine prefix there is no Reader to work on; say where we looked.
    const qv::WinePrefix &prefix = qv::WinePrefix::current();
    if (!prefix.exists()) {
        qv::showError(prefix.missingMessage());
#endif
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
