// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvane developers
#include "platform/launchers.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryFile>
#include <algorithm>
#include <sys/stat.h>

#include "platform/machine.h"
#include "platform/namebytes.h"
#include "platform/wine/atomicfile.h"
#include "platform/wine/inputfile.h"
#include "platform/wine/exeicons.h"
#include "platform/wine/prefixes.h"
#include "platform/wine/wineprefix.h"
#include "platform/winerror.h"
#include "platform/winpath.h"

namespace qv::launchers {

namespace {

QString applicationsFolder() { return prefixes::dataHome() + QStringLiteral("/applications"); }
QString wineMenuFolder() { return applicationsFolder() + QStringLiteral("/wine"); }
QString mergedMenusFolder() { return prefixes::configHome() + QStringLiteral("/menus/applications-merged"); }

QString canonical(const QString &path)
{
    const QString c = QFileInfo(path).canonicalFilePath();
    return c.isEmpty() ? QDir::cleanPath(QDir(path).absolutePath()) : c;
}

// The Windows path of a host path in the current prefix, also for a file
// that is gone: its deepest existing folder is resolved, the rest appended.
QString windowsPathOf(const QString &hostPath)
{
    QString existing = QDir::cleanPath(hostPath);
    QStringList rest;
    while (!existing.isEmpty() && existing != QLatin1String("/") && !QFileInfo::exists(existing)) {
        rest.prepend(QFileInfo(existing).fileName());
        existing = QFileInfo(existing).absolutePath();
    }
    QString windows = WinePrefix::current().toWindows(existing);
    if (windows.isEmpty())
        return QString();
    for (const QString &part : std::as_const(rest))
        windows = winpath::join(windows, part);
    return windows;
}

// Whether path is the shortcut or folder `wanted`, or lies below it.
bool isOrIsBelow(const QString &path, const QString &wanted)
{
    const QStringList p = winpath::split(path);
    const QStringList w = winpath::split(wanted);
    if (w.isEmpty() || p.size() < w.size())
        return false;
    for (qsizetype i = 0; i < w.size(); ++i)
        if (!winpath::sameName(p.at(i), w.at(i)))
            return false;
    return true;
}

QString execValue(const QByteArray &entry)
{
    bool inMainGroup = false;
    for (const QByteArray &raw : entry.split('\n')) {
        const QByteArray line = raw.trimmed();
        if (line.startsWith('['))
            inMainGroup = line == "[Desktop Entry]";
        else if (inMainGroup && line.startsWith("Exec="))
            return QString::fromUtf8(line.mid(5));
    }
    return QString();
}

// Whether the desktop entry's Exec runs the current prefix with a shortcut
// at or below wanted.
bool launchesShortcut(const QString &exec, const QString &wanted)
{
    const QStringList args = execArguments(exec);
    qsizetype i = 0;
    QString prefix = QDir::homePath() + QStringLiteral("/.wine"); // what Wine runs without WINEPREFIX
    if (!args.isEmpty() && args.first() == QLatin1String("env")) {
        for (i = 1; i < args.size() && args.at(i).contains(QLatin1Char('=')) && !args.at(i).startsWith(QLatin1Char('-'));
             ++i) {
            if (args.at(i).startsWith(QLatin1String("WINEPREFIX=")))
                prefix = args.at(i).mid(11);
        }
    }
    if (prefix.isEmpty() || canonical(prefix) != canonical(WinePrefix::current().root()))
        return false;
    for (; i < args.size(); ++i) {
        const QString &a = args.at(i);
        if (!a.endsWith(QLatin1String(".lnk"), Qt::CaseInsensitive))
            continue;
        const QString windows = a.startsWith(QLatin1Char('/')) ? windowsPathOf(a) : a;
        if (!windows.isEmpty() && isOrIsBelow(windows, wanted))
            return true;
    }
    return false;
}

// A desktop entry or menu file; nothing when it is no regular file of a
// configuration file's size (inputfile.h).
QByteArray readFile(const QString &path)
{
    return inputfile::read(path, inputfile::kConfigLimit).bytes;
}

QStringList desktopEntriesIn(const QString &folder, bool recursive)
{
    QStringList out;
    QDirIterator it(folder, {QStringLiteral("*.desktop")}, QDir::Files | QDir::Hidden,
                    recursive ? QDirIterator::Subdirectories : QDirIterator::NoIteratorFlags);
    while (it.hasNext())
        out << it.next();
    out.sort();
    return out;
}

// The desktop file id of an entry below the applications folder:
// "wine/Programs/X.desktop" is "wine-Programs-X.desktop".
QString desktopFileId(const QString &entry)
{
    const QString base = applicationsFolder() + QLatin1Char('/');
    if (!entry.startsWith(base))
        return QString();
    return entry.mid(base.size()).replace(QLatin1Char('/'), QLatin1Char('-'));
}

QString xmlText(QString s)
{
    s.replace(QLatin1String("&lt;"), QLatin1String("<"));
    s.replace(QLatin1String("&gt;"), QLatin1String(">"));
    s.replace(QLatin1String("&apos;"), QLatin1String("'"));
    s.replace(QLatin1String("&quot;"), QLatin1String("\""));
    s.replace(QLatin1String("&amp;"), QLatin1String("&"));
    return s;
}

QStringList menuFilenames(const QString &menuFile)
{
    static const QRegularExpression filename(QStringLiteral("<Filename>([^<]*)</Filename>"));
    QStringList out;
    const QString text = QString::fromUtf8(readFile(menuFile));
    for (auto m = filename.globalMatch(text); m.hasNext();)
        out << xmlText(m.next().captured(1));
    return out;
}

// The host folder of a Windows folder, without following it out of the prefix's drives.
QString hostFolder(const QString &windowsFolder)
{
    return windowsFolder.isEmpty() ? QString() : WinePrefix::current().toHost(windowsFolder);
}

// What wine_get_unix_file_name gives for a Windows path: the path through
// the prefix's dosdevices link of its drive.
QString unixPathOf(const QString &windowsPath)
{
    const WinePrefix &prefix = WinePrefix::current();
    const QChar letter = winpath::drive(windowsPath);
    const QString host = prefix.toHost(windowsPath);
    const QString driveRoot = letter.isNull() ? QString() : prefix.driveRoot(letter);
    if (host.isEmpty() || driveRoot.isEmpty() || !(host == driveRoot || host.startsWith(driveRoot + QLatin1Char('/'))))
        return host;
    return prefix.root() + QStringLiteral("/dosdevices/") + letter.toLower() + QLatin1Char(':')
        + host.mid(driveRoot == QLatin1String("/") ? 0 : driveRoot.size());
}

// The icon name, when the menu builder has left that icon in the theme.
QString installedIcon(const QString &windowsIconPath)
{
    const QString name = iconName(windowsIconPath, 0);
    const QString hicolor = prefixes::dataHome() + QStringLiteral("/icons/hicolor");
    const QStringList sizes = QDir(hicolor).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString &size : sizes)
        if (QFileInfo::exists(hicolor + QLatin1Char('/') + size + QStringLiteral("/apps/") + name + QStringLiteral(".png")))
            return name;
    return QString();
}

// The menu builder takes the program's first icon into the desktop's icon
// theme, one picture a size, under the name the entry's Icon= gives.
void installIcon(const QString &windowsProgram)
{
    const std::vector<exeicons::IconImage> images = exeicons::read(WinePrefix::current().toHost(windowsProgram), 0);
    if (images.empty())
        return;
    const QString hicolor = prefixes::dataHome() + QStringLiteral("/icons/hicolor");
    const QString name = iconName(windowsProgram, 0);
    for (const exeicons::IconImage &image : images) {
        const QString folder = hicolor + QStringLiteral("/%1x%2/apps").arg(image.width).arg(image.height);
        AtomicFile file(folder + QLatin1Char('/') + name + QStringLiteral(".png"));
        // An icon that cannot be written leaves the launcher with the desktop's default one.
        if (QDir().mkpath(folder) && file.open() && file.write(image.png))
            file.commit(AtomicFile::Sync::No);
    }
    // Desktops look at the theme again when a file comes and goes at its top.
    QTemporaryFile refresh(hicolor + QStringLiteral("/.quorvane-refresh-XXXXXX"));
    refresh.open();
}

} // namespace

QString escapeExecArgument(const QString &argument)
{
    static const QString special = QStringLiteral(" \t\n\"'><~|&;$*?#()`");
    QString out;
    for (const QChar c : argument) {
        if (c == QLatin1Char('\\'))
            out += QStringLiteral("\\\\\\\\");
        else if (special.contains(c))
            out += QStringLiteral("\\\\") + c;
        else
            out += c;
    }
    return out;
}

QString quoteExecArgument(const QString &argument)
{
    static const QString reserved = QStringLiteral(" \t\n\"'\\><~|&;$*?#()`");
    const bool quote = argument.isEmpty()
        || std::any_of(argument.cbegin(), argument.cend(), [](QChar c) { return reserved.contains(c); });
    QString out;
    if (quote) {
        out += QLatin1Char('"');
        for (const QChar c : argument) {
            if (c == QLatin1Char('"') || c == QLatin1Char('`') || c == QLatin1Char('$') || c == QLatin1Char('\\'))
                out += QLatin1Char('\\');
            out += c;
        }
        out += QLatin1Char('"');
    } else {
        out = argument;
    }
    // A lone % would start a field code.
    out.replace(QLatin1Char('%'), QStringLiteral("%%"));
    return out;
}

QString stringValue(const QString &value)
{
    QString out = value;
    out.replace(QLatin1Char('\\'), QStringLiteral("\\\\"));
    // Blanks around the '=' are not part of the value: those of the value itself are escaped.
    qsizetype lead = 0;
    while (lead < out.size() && out.at(lead) == QLatin1Char(' '))
        ++lead;
    if (lead == out.size())
        return QString(lead, QLatin1Char(' ')).replace(QLatin1Char(' '), QStringLiteral("\\s"));
    qsizetype trail = 0;
    while (out.at(out.size() - 1 - trail) == QLatin1Char(' '))
        ++trail;
    out = QStringLiteral("\\s").repeated(lead) + out.mid(lead, out.size() - lead - trail)
        + QStringLiteral("\\s").repeated(trail);
    return out;
}

QString unwritableValue(const QString &value)
{
    if (namebytes::holdsKeptBytes(value))
        return QStringLiteral("holds bytes that are no UTF-8 text");
    for (const QChar c : value) {
        const char16_t u = c.unicode();
        if (u < 0x20 || u == 0x7F || (u >= 0x80 && u <= 0x9F))
            return QStringLiteral("holds the control character %1").arg(visibleText(QString(c), false));
    }
    return QString();
}

QStringList execArguments(const QString &execValue)
{
    // The desktop entry's own escapes first.
    QString value;
    for (qsizetype i = 0; i < execValue.size(); ++i) {
        const QChar c = execValue.at(i);
        if (c != QLatin1Char('\\') || i + 1 == execValue.size()) {
            value += c;
            continue;
        }
        const QChar n = execValue.at(++i);
        if (n == QLatin1Char('s'))
            value += QLatin1Char(' ');
        else if (n == QLatin1Char('n'))
            value += QLatin1Char('\n');
        else if (n == QLatin1Char('t'))
            value += QLatin1Char('\t');
        else if (n == QLatin1Char('r'))
            value += QLatin1Char('\r');
        else if (n == QLatin1Char('\\'))
            value += QLatin1Char('\\');
        else
            value += QStringView(execValue).mid(i - 1, 2);
    }
    // Then the field codes: only "%%", a literal '%', occurs in ours.
    value.replace(QStringLiteral("%%"), QStringLiteral("%"));
    // Then the command line's quoting, as a shell reads it.
    QStringList args;
    QString current;
    bool inWord = false;
    for (qsizetype i = 0; i < value.size(); ++i) {
        const QChar c = value.at(i);
        if (c == QLatin1Char(' ') || c == QLatin1Char('\t') || c == QLatin1Char('\n')) {
            if (inWord)
                args << current;
            current.clear();
            inWord = false;
        } else if (c == QLatin1Char('\\') && i + 1 < value.size()) {
            current += value.at(++i);
            inWord = true;
        } else if (c == QLatin1Char('"')) {
            inWord = true;
            for (++i; i < value.size() && value.at(i) != QLatin1Char('"'); ++i) {
                if (value.at(i) == QLatin1Char('\\') && i + 1 < value.size()
                    && QStringLiteral("\"`$\\").contains(value.at(i + 1)))
                    ++i;
                current += value.at(i);
            }
        } else if (c == QLatin1Char('\'')) {
            inWord = true;
            for (++i; i < value.size() && value.at(i) != QLatin1Char('\''); ++i)
                current += value.at(i);
        } else {
            current += c;
            inWord = true;
        }
    }
    if (inWord)
        args << current;
    return args;
}

QString iconName(const QString &windowsIconPath, int index)
{
    // CRC-16 (polynomial 0xA001) over the path's UTF-16 code units, as Wine's menu builder computes it.
    quint16 crc = 0;
    for (const QChar ch : windowsIconPath) {
        quint16 c = ch.unicode();
        for (int bit = 0; bit < 16; ++bit, c >>= 1) {
            const bool x = (c ^ crc) & 1;
            crc >>= 1;
            if (x)
                crc ^= 0xA001;
        }
    }
    QString base = winpath::leaf(windowsIconPath);
    const qsizetype dot = base.lastIndexOf(QLatin1Char('.'));
    if (dot >= 0)
        base.truncate(dot);
    return QString::number(crc, 16).toUpper().rightJustified(4, QLatin1Char('0')) + QLatin1Char('_') + base
        + QLatin1Char('.') + QString::number(index);
}

HostLaunchers find(const QString &windowsPath, const QString &desktopFolder)
{
    HostLaunchers found;
    QStringList candidates = desktopEntriesIn(wineMenuFolder(), true);
    QSet<QString> desktops;
    for (const QString &folder : {prefixes::hostDesktopFolder(), hostFolder(desktopFolder)}) {
        // The prefix's desktop folder is a value of its registry: looked in
        // only where launchers may be removed.
        if (folder.isEmpty() || !prefixes::hostDestinationProblem(folder, machine::Destination::UserFolders).isEmpty())
            continue;
        const QString real = canonical(folder);
        if (desktops.contains(real))
            continue;
        desktops.insert(real);
        candidates += desktopEntriesIn(folder, false);
    }
    for (const QString &entry : std::as_const(candidates))
        if (launchesShortcut(execValue(readFile(entry)), windowsPath))
            found.entries << entry;

    QSet<QString> ids;
    for (const QString &entry : std::as_const(found.entries))
        if (const QString id = desktopFileId(entry); !id.isEmpty())
            ids.insert(id);
    if (ids.isEmpty())
        return found;
    const QStringList menus = QDir(mergedMenusFolder()).entryList({QStringLiteral("*.menu")}, QDir::Files, QDir::Name);
    for (const QString &menu : menus) {
        const QString path = mergedMenusFolder() + QLatin1Char('/') + menu;
        const QStringList included = menuFilenames(path);
        if (!included.isEmpty()
            && std::all_of(included.cbegin(), included.cend(), [&](const QString &id) { return ids.contains(id); }))
            found.menus << path;
    }
    return found;
}

QStringList remove(const HostLaunchers &launchers)
{
    QStringList left;
    for (const QString &file : launchers.all())
        if (!QFile::remove(file) && QFileInfo::exists(file))
            left << file;
    // Sub-menus of the menu tree that held only these entries go too.
    const QString top = wineMenuFolder();
    for (const QString &entry : launchers.entries) {
        QString folder = QFileInfo(entry).absolutePath();
        while (folder.startsWith(top + QLatin1Char('/')) && QDir().rmdir(folder))
            folder = QFileInfo(folder).absolutePath();
    }
    return left;
}

QString desktopEntryPath(const QString &windowsLink)
{
    const QString folder = hostFolder(winpath::folder(windowsLink));
    if (folder.isEmpty())
        return QString();
    QString name = winpath::leaf(windowsLink);
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    if (dot > 0)
        name.truncate(dot);
    return QDir::cleanPath(folder) + QLatin1Char('/') + name + QStringLiteral(".desktop");
}

QByteArray desktopEntry(const DesktopShortcut &s, QString *why)
{
    auto refuse = [why](const QString &what, const QString &problem) {
        if (why)
            *why = what + QLatin1Char(' ') + problem;
        return QByteArray();
    };
    const QString root = WinePrefix::current().root();
    const WineBuild build = prefixes::wineBuild(root);
    // A launcher runs its program whenever it is opened: one that would run
    // a Wine build the prefix names but Quorvane does not trust is not written.
    if (!build.problem.isEmpty())
        return refuse(QStringLiteral("the prefix's Wine build"), build.problem);

    QString name = winpath::leaf(s.link);
    if (const qsizetype dot = name.lastIndexOf(QLatin1Char('.')); dot > 0)
        name.truncate(dot);
    const QString path = s.workingFolder.isEmpty() ? QString() : unixPathOf(s.workingFolder);
    const QString program = winpath::leaf(s.target).toLower();
    const QString icon = installedIcon(s.target);
    QStringList exec{QStringLiteral("env"), QStringLiteral("WINEPREFIX=") + root, build.program};
    exec += build.arguments;
    exec << s.target;
    if (!s.arguments.isEmpty())
        exec << s.arguments;

    // Each value as it is before any escaping: a desktop entry is UTF-8
    // text of one line a value, and no escape carries a control character
    // safely to every desktop.
    const std::pair<QString, QString> values[] = {
        {QStringLiteral("the shortcut's name"), name},
        {QStringLiteral("the prefix's folder"), root},
        {QStringLiteral("the Wine build"), (QStringList{build.program} + build.arguments).join(QLatin1Char(' '))},
        {QStringLiteral("the program's path"), s.target},
        {QStringLiteral("the arguments"), s.arguments},
        {QStringLiteral("the description"), s.description},
        {QStringLiteral("the working folder"), path},
        {QStringLiteral("the icon's name"), icon},
    };
    for (const auto &[what, value] : values)
        if (const QString problem = unwritableValue(value); !problem.isEmpty())
            return refuse(what, problem);

    QStringList quoted;
    for (const QString &a : std::as_const(exec))
        quoted << quoteExecArgument(a);
    QString text = QStringLiteral("[Desktop Entry]\nName=%1\nExec=%2\n").arg(stringValue(name), stringValue(quoted.join(QLatin1Char(' '))));
    text += QStringLiteral("Type=Application\nStartupNotify=true\n");
    if (!s.description.isEmpty())
        text += QStringLiteral("Comment=%1\n").arg(stringValue(s.description));
    if (!path.isEmpty())
        text += QStringLiteral("Path=%1\n").arg(stringValue(path));
    if (!icon.isEmpty())
        text += QStringLiteral("Icon=%1\n").arg(stringValue(icon));
    if (!program.isEmpty())
        text += QStringLiteral("StartupWMClass=%1\n").arg(stringValue(program));
    return text.toUtf8();
}

QString writeDesktopEntry(const DesktopShortcut &shortcut, QString *why)
{
    auto refuse = [why](const QString &problem) {
        if (why)
            *why = problem;
        return QString();
    };
    const QString path = desktopEntryPath(shortcut.link);
    if (path.isEmpty())
        return refuse(QStringLiteral("the shortcut's folder is not on a drive of the prefix"));
    // The shortcut's folder is a value of the prefix's registry.
    if (const QString problem = prefixes::hostDestinationProblem(QFileInfo(path).absolutePath(),
                                                                 machine::Destination::UserFolders);
        !problem.isEmpty())
        return refuse(QStringLiteral("its folder ") + problem);
    QString problem;
    if (desktopEntry(shortcut, &problem).isEmpty())
        return refuse(problem);
    installIcon(shortcut.target);
    const QByteArray text = desktopEntry(shortcut, &problem);
    // A link in the entry's place is replaced, never written through.
    AtomicFile file(path);
    // Executable, as the menu builder makes the entries it puts on the
    // desktop, so that desktops run them without asking.
    const bool opened = file.open(0755);
    if (opened)
        ::fchmod(file.handle(), 0755); // also over an entry of that name that was not
    if (!opened || !file.write(text) || !file.commit())
        return refuse(QStringLiteral("%1: %2")
                          .arg(file.failedStep(), winerror::reasonForErrno(file.error())));
    return path;
}

} // namespace qv::launchers
