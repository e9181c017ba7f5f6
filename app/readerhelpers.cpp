#include "readerhelpers.h"

#include "platform/application.h"
#include "platform/error.h"
#include "platform/processes.h"
#include "platform/registry.h"
#include "platform/shelllink.h"
#include "platform/wineprefix.h"

namespace {
const QString ExplorerKey = QStringLiteral("Software\\MicroSoft\\Windows\\CurrentVersion\\Explorer");
const QString GrpConvKey = QStringLiteral("Software\\MicroSoft\\Windows\\CurrentVersion\\GrpConv");

QString readFolder(const QString &key, const QString &section, const QString &name)
{
    qv::RegistrySectionReader reader(key);
    return reader.readString(section, name, QString());
}

QString shortcutFolder(TShortcutLocation location, const QString &subFolder)
{
    switch (location) {
    case slDesktop: return readFolder(ExplorerKey, QStringLiteral("Shell Folders"), QStringLiteral("Desktop"));
    case slQuickLaunch: return readFolder(GrpConvKey, QStringLiteral("MapGroups"), QStringLiteral("Quick Launch"));
    case slSendTo: return readFolder(ExplorerKey, QStringLiteral("Shell Folders"), QStringLiteral("SendTo"));
    case slStartMenu: return readFolder(ExplorerKey, QStringLiteral("Shell Folders"), QStringLiteral("Start Menu"));
    case slFolder: return subFolder;
    }
    return QString();
}

// The position after the last folder delimiter, as Windows path functions see it.
qsizetype nameStart(const QString &path)
{
    qsizetype i = path.size();
    while (i > 0 && path.at(i - 1) != QLatin1Char('\\') && path.at(i - 1) != QLatin1Char(':'))
        --i;
    return i;
}
} // namespace

QString shortcutLinkName(const QString &target)
{
    QString name = target.mid(nameStart(target));
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    if (dot >= 0)
        name.truncate(dot);
    return name + QStringLiteral(".lnk");
}

void CreateShortcut(const QString &target, TShortcutLocation location, const QString &subFolder,
                    const QString &workingFolder, const QString &arguments, const QString &description,
                    QString &linkPath)
{
    qv::ShellLink link;
    link.setPath(target);
    link.setArguments(arguments);
    link.setDescription(description);

    const QString name = shortcutLinkName(target);
    const QString folder = shortcutFolder(location, subFolder);
    if (folder.isEmpty())
        return;
    QString path;
    if (!subFolder.isEmpty() && location != slFolder)
        path = folder + QLatin1Char('\\') + subFolder + QLatin1Char('\\') + name;
    else
        path = folder + QLatin1Char('\\') + name;

    link.setWorkingDirectory(workingFolder.isEmpty() ? target.left(nameStart(target)) : workingFolder);
    link.save(path); // a link that cannot be saved is not reported
    linkPath = path;
}

int64_t FindProcessId(const QString &name)
{
    int64_t found = -1;
    const QString prefix = qv::WinePrefix::current().root();
    for (const qv::ProcessEntry &e : qv::ProcessControl::instance().snapshot())
        if (e.exeFile.contains(name, Qt::CaseSensitive) && qv::runsInPrefix(e, prefix))
            found = e.pid;
    return found;
}

void KillProcess(int64_t pid)
{
    int error = 0;
    switch (qv::ProcessControl::instance().terminateAndWait(pid, 5000, error)) {
    case qv::WaitOutcome::Ended:
        qv::processMessages();
        break;
    case qv::WaitOutcome::TimedOut:
        break;
    case qv::WaitOutcome::Failed:
        throw qv::Error(qv::systemErrorMessage(error));
    }
}
