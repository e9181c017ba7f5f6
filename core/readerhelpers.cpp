// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvane developers
#include "core/readerhelpers.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <algorithm>

#include "core/reader.h"
#include "platform/error.h"
#include "platform/processes.h"
#include "platform/registry.h"
#include "platform/shelllink.h"
#include "platform/winpath.h"

namespace {
const QString GrpConvKey = QStringLiteral("Software\\MicroSoft\\Windows\\CurrentVersion\\GrpConv");

// A text value of a subkey of a key below HKEY_CURRENT_USER. CreateShortcut
// reads through a section reader, which creates its key when missing; a
// look that must change nothing (a dry run) only reads.
QString readFolder(const QString &key, const QString &section, const QString &name, bool createKey)
{
    if (createKey) {
        qv::RegistrySectionReader reader(key);
        return reader.readString(section, name, QString());
    }
    qv::RegistryAccessor reg;
    reg.setRootKey(qv::HKeyCurrentUser);
    reg.setAccess(qv::KeyRead);
    if (!reg.openKey(key + QLatin1Char('\\') + section, false))
        return QString();
    return reg.readString(name); // empty when missing
}

QString shortcutFolder(TShortcutLocation location, const QString &subFolder, bool createKey)
{
    const QString explorer = qv::reader::userExplorerKey();
    const QString shellFolders = QStringLiteral("Shell Folders");
    switch (location) {
    case slDesktop: return readFolder(explorer, shellFolders, QStringLiteral("Desktop"), createKey);
    case slQuickLaunch:
        return readFolder(GrpConvKey, QStringLiteral("MapGroups"), QStringLiteral("Quick Launch"), createKey);
    case slSendTo: return readFolder(explorer, shellFolders, QStringLiteral("SendTo"), createKey);
    case slStartMenu: return readFolder(explorer, shellFolders, QStringLiteral("Start Menu"), createKey);
    case slFolder: return subFolder;
    }
    return QString();
}

QString linkPathFor(const QString &target, TShortcutLocation location, const QString &subFolder, bool createKey)
{
    const QString name = shortcutLinkName(target);
    const QString folder = shortcutFolder(location, subFolder, createKey);
    if (folder.isEmpty())
        return QString();
    if (!subFolder.isEmpty() && location != slFolder)
        return folder + QLatin1Char('\\') + subFolder + QLatin1Char('\\') + name;
    return folder + QLatin1Char('\\') + name;
}

} // namespace

QString shortcutLinkName(const QString &target)
{
    QString name = qv::winpath::name(target);
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    if (dot >= 0)
        name.truncate(dot);
    return name + QStringLiteral(".lnk");
}

QString shortcutPath(const QString &target, TShortcutLocation location, const QString &subFolder)
{
    return linkPathFor(target, location, subFolder, false);
}

QString userShellFolder(const QString &name)
{
    return readFolder(qv::reader::userExplorerKey(), QStringLiteral("Shell Folders"), name, false);
}

void CreateShortcut(const QString &target, TShortcutLocation location, const QString &subFolder,
                    const QString &workingFolder, const QString &arguments, const QString &description,
                    QString &linkPath)
{
    qv::ShellLink link;
    link.setPath(target);
    link.setArguments(arguments);
    link.setDescription(description);

    const QString path = linkPathFor(target, location, subFolder, true);
    if (path.isEmpty())
        return;

    link.setWorkingDirectory(workingFolder.isEmpty() ? qv::winpath::folder(target) : workingFolder);
    link.save(path); // a link that cannot be saved is not reported
    linkPath = path;
}

namespace {
// The processes the last FindProcessId(s) found, held open.
std::vector<qv::ProcessEntry> g_found;
} // namespace

std::vector<int64_t> FindProcessIds(const QStringList &names)
{
    g_found.clear();
    qv::ProcessControl &control = qv::ProcessControl::instance();
    std::vector<qv::ProcessEntry> list = control.snapshot();
    std::vector<int64_t> ids;
    // Only what can still be held: one that ended since the list was taken
    // is not running.
    for (qv::ProcessEntry &entry : list)
        if (names.contains(entry.exeFile, Qt::CaseInsensitive) && qv::runsOnThisMachine(entry) && control.hold(entry)) {
            g_found.push_back(entry);
            ids.push_back(entry.pid);
        }
    return ids;
}

int64_t FindProcessId(const QStringList &names)
{
    const std::vector<int64_t> ids = FindProcessIds(names);
    return ids.empty() ? -1 : ids.back();
}

int64_t FindProcessId(const QString &name)
{
    return FindProcessId(QStringList{name});
}

void KillProcess(int64_t pid)
{
    int error = 0;
    qv::ProcessEntry process;
    process.pid = pid;
    const auto held = std::find_if(g_found.begin(), g_found.end(), [&](const qv::ProcessEntry &e) { return e.pid == pid; });
    if (held != g_found.end())
        process = *held;
    switch (qv::ProcessControl::instance().terminateAndWait(process, 5000, error)) {
    case qv::WaitOutcome::Ended:
        if (held != g_found.end())
            g_found.erase(held);
        // The pending window messages, once, as a message-processing pass does.
        QCoreApplication::processEvents(QEventLoop::AllEvents);
        break;
    case qv::WaitOutcome::TimedOut:
        break;
    case qv::WaitOutcome::Failed:
        throw qv::Error(qv::systemErrorMessage(error));
    }
}
