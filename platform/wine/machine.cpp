#include "platform/machine.h"

#include <QFileInfo>
#include <QProcess>
#include <QProcessEnvironment>

#include "platform/wine/wineprefix.h"

// The machine is a Wine prefix: WinePrefix knows its folders and registry.
namespace qv::machine {

bool choose(const QString &where, QString *why)
{
    const QString root = QFileInfo(where.isEmpty() ? WinePrefix::defaultRoot() : where).absoluteFilePath();
    WinePrefix::setCurrent(root);
    if (exists())
        return true;
    if (why)
        *why = QStringLiteral("No Wine prefix was found at \"%1\". Give the prefix with --prefix DIR or set WINEPREFIX")
                   .arg(root);
    return false;
}

bool exists()
{
    return WinePrefix::current().exists();
}

QString missingMessage()
{
    return WinePrefix::current().missingMessage();
}

QString kind()
{
    return QStringLiteral("Prefix");
}

QString name()
{
    return WinePrefix::current().root();
}

QString here()
{
    return QStringLiteral("in this prefix");
}

QString currentDirectory()
{
    return WinePrefix::current().currentDirectory();
}

bool setCurrentDirectory(const QString &windowsPath)
{
    return WinePrefix::current().setCurrentDirectory(windowsPath);
}

bool startProgram(const QString &windowsProgram, QString *why)
{
    QProcess process;
    process.setProgram(QStringLiteral("wine"));
    process.setArguments({windowsProgram});
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("WINEPREFIX"), WinePrefix::current().root());
    process.setProcessEnvironment(env);
    if (process.startDetached())
        return true;
    if (why)
        *why = QStringLiteral("Wine could not be started. Install Wine, or start the program yourself.");
    return false;
}

} // namespace qv::machine
