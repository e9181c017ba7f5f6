#include "core/readerhelpers.h"

#include <QCoreApplication>
#include <QEventLoop>

#include "core/reader.h"
#include "platform/error.h"
#include "platform/processes.h"
#include "platform/registry.h"
#include "platform/shelllink.h"
#include "platform/wineprefix.h"

namespace {
const QString GrpConvKey = QStringLiteral("Software\\MicroSoft\\Windows\\CurrentVersion\\GrpConv");

QString readFolder(const QString &key, const QString &section, const QString &name)
{
    qv::RegistrySectionReader reader(key);
    return reader.readString(section, name, QString());
}

QString shortcutFolder(TShortcutLocation location, const QString &subFolder)
{
    const QString explorer = qv::reader::userExplorerKey();
    const QString shellFolders = QStringLiteral("Shell Folders");
    switch (location) {
    case slDesktop: return readFolder(explorer, shellFolders, QStringLiteral("Desktop"));
    case slQuickLaunch: return readFolder(GrpConvKey, QStringLiteral("MapGroups"), QStringLiteral("Quick Launch"));
    case slSendTo: return readFolder(explorer, shellFolders, QStringLiteral("SendTo"));
    case slStartMenu: return readFolder(explorer, shellFolders, QStringLiteral("Start Menu"));
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

QString shortcutPath(const QString &target, TShortcutLocation location, const QString &subFolder)
{
    const QString name = shortcutLinkName(target);
    const QString folder = shortcutFolder(location, subFolder);
    if (folder.isEmpty())
        return QString();
    if (!subFolder.isEmpty() && location != slFolder)
        return folder + QLatin1Char('\\') + subFolder + QLatin1Char('\\') + name;
    return folder + QLatin1Char('\\') + name;
}

void CreateShortcut(const QString &target, TShortcutLocation location, const QString &subFolder,
                    const QString &workingFolder, const QString &arguments, const QString &description,
                    QString &linkPath)
{
    qv::ShellLink link;
    link.setPath(target);
    link.setArguments(arguments);
    link.setDescription(description);

    const QString path = shortcutPath(target, location, subFolder);
    if (path.isEmpty())
        return;

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
        // The pending window messages, once, as a message-processing pass does.
        QCoreApplication::processEvents(QEventLoop::AllEvents);
        break;
    case qv::WaitOutcome::TimedOut:
        break;
    case qv::WaitOutcome::Failed:
        throw qv::Error(qv::systemErrorMessage(error));
    }
}
