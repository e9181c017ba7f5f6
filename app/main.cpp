#include "mainform.h"

#include "platform/application.h"
#include "platform/wineprefix.h"

int main(int argc, char **argv)
{
    qv::Application app(argc, argv);
    qv::setApplicationTitle(QStringLiteral("Quorvane 3.01"));
    installApplicationFonts();
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/pictures/quorvane.png")));

    // Without a Wine prefix there is no Reader to work on; say where we looked.
    const qv::WinePrefix &prefix = qv::WinePrefix::current();
    if (!prefix.exists()) {
        qv::showError(prefix.missingMessage());
        return 1;
    }

    TForm1 form;
    form.show();
    return app.exec();
}
