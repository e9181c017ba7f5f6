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

#include "platform/wine/atomicfile.h"
#include "platform/wine/exeicons.h"
#include "platform/wine/prefixes.h"
#include "platform/wine/wineprefix.h"
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

QByteArray readFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.read(1 << 20) : QByteArray();
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
        if (folder.isEmpty())
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

QByteArray desktopEntry(const DesktopShortcut &s)
{
    const QString root = WinePrefix::current().root();
    const WineBuild build = prefixes::wineBuild(root);
    // Wine on PATH is written as the menu builder writes it; a pinned build by its path.
    QString wine = build.program == QLatin1String("wine") ? build.program : escapeExecArgument(build.program);
    for (const QString &a : build.arguments)
        wine += QLatin1Char(' ') + escapeExecArgument(a);

    QString name = winpath::leaf(s.link);
    if (const qsizetype dot = name.lastIndexOf(QLatin1Char('.')); dot > 0)
        name.truncate(dot);
    QString text = QStringLiteral("[Desktop Entry]\nName=%1\nExec=env WINEPREFIX=\"%2\" %3 %4 %5\n")
                       .arg(name, root, wine, escapeExecArgument(s.target), escapeExecArgument(s.arguments));
    text += QStringLiteral("Type=Application\nStartupNotify=true\n");
    if (!s.description.isEmpty())
        text += QStringLiteral("Comment=%1\n").arg(s.description);
    if (const QString path = s.workingFolder.isEmpty() ? QString() : unixPathOf(s.workingFolder); !path.isEmpty())
        text += QStringLiteral("Path=%1\n").arg(path);
    if (const QString icon = installedIcon(s.target); !icon.isEmpty())
        text += QStringLiteral("Icon=%1\n").arg(icon);
    if (const QString program = winpath::leaf(s.target); !program.isEmpty())
        text += QStringLiteral("StartupWMClass=%1\n").arg(program.toLower());
    return text.toUtf8();
}

QString writeDesktopEntry(const DesktopShortcut &shortcut)
{
    const QString path = desktopEntryPath(shortcut.link);
    if (path.isEmpty())
        return QString();
    // Executable, as the menu builder makes the entries it puts on the
    // desktop, so that desktops run them without asking.
    installIcon(shortcut.target);
    AtomicFile file(path, AtomicFile::Link::Follow);
    if (!file.open(0755) || !file.write(desktopEntry(shortcut)) || !file.commit())
        return QString();
    QFile::setPermissions(file.target(), QFile::permissions(file.target()) | QFile::ExeOwner | QFile::ExeGroup
                                             | QFile::ExeOther);
    return path;
}

} // namespace qv::launchers
