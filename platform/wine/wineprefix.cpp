// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvane developers
#include "platform/wine/wineprefix.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>
#include <algorithm>
#include <dirent.h>
#include <memory>
#include <mutex>
#include <sys/stat.h>

#include "platform/winpath.h"
#include "platform/namebytes.h"

namespace qv {

namespace {
std::unique_ptr<WinePrefix> g_current;

// Splits a Windows path into drive letter (lower case) and components,
// resolving "." and ".." the way Windows does before it reaches the file system.
bool splitWindowsPath(const QString &path, const QString &currentDir, QChar &drive, QStringList &parts)
{
    if (winpath::isUnc(path))
        return false; // no network on this machine
    QStringList raw;
    const QChar given = winpath::drive(path);
    if (!given.isNull()) {
        drive = given.toLower();
        raw = winpath::split(QStringView(path).mid(2));
    } else {
        const QChar current = winpath::drive(currentDir);
        drive = current.isNull() ? QLatin1Char('c') : current.toLower();
        // A path without a drive but with a leading separator starts at the drive's root.
        if (!winpath::isSeparator(path.isEmpty() ? QChar() : path.at(0)))
            raw = winpath::split(QStringView(currentDir).mid(2));
        raw += winpath::split(path);
    }
    parts.clear();
    for (const QString &c : std::as_const(raw)) {
        if (c == QLatin1String("."))
            continue;
        if (c == QLatin1String("..")) {
            if (!parts.isEmpty())
                parts.removeLast();
            continue;
        }
        parts << c;
    }
    return true;
}

// The name in dir that equals name without regard to case: the exact one
// first, then the first case-insensitive match; empty when none.
QString matchComponent(const QString &dir, const QString &name)
{
    if (QFileInfo::exists(dir + QLatin1Char('/') + name))
        return name;
    const QStringList entries = QDir(dir).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    for (const QString &e : entries)
        if (winpath::sameName(e, name))
            return e;
    return QString();
}
} // namespace

WinePrefix::WinePrefix(QString root) : m_root(QDir::cleanPath(QDir(root).absolutePath())) {}

QString WinePrefix::defaultRoot()
{
    const QString env = qEnvironmentVariable("WINEPREFIX");
    if (!env.isEmpty())
        return env;
    return QDir::homePath() + QStringLiteral("/.wine");
}

WinePrefix &WinePrefix::current()
{
    // The window's first discovery may be the first to ask, off the main thread.
    static std::mutex made;
    const std::lock_guard<std::mutex> lock(made);
    if (!g_current)
        g_current = std::make_unique<WinePrefix>(defaultRoot());
    return *g_current;
}

void WinePrefix::setCurrent(const QString &root)
{
    g_current = std::make_unique<WinePrefix>(root);
}

bool WinePrefix::exists() const
{
    return QFileInfo(m_root + QStringLiteral("/dosdevices")).isDir()
        || QFileInfo(m_root + QStringLiteral("/system.reg")).isFile();
}

QString WinePrefix::missingMessage() const
{
    return QStringLiteral("No Wine prefix was found at \"%1\". Set WINEPREFIX to the folder of the "
                          "Wine prefix where Adobe Reader is installed and start Quorvane again.")
        .arg(QDir::toNativeSeparators(m_root));
}

QString WinePrefix::driveRoot(QChar letter) const
{
    const char l = char(letter.toLower().toLatin1());
    const QString link = m_root + QStringLiteral("/dosdevices/") + QLatin1Char(l) + QLatin1Char(':');
    struct stat st;
    if (::stat(namebytes::encode(link).constData(), &st) != 0)
        return QString();
    // Every path of an operation goes through its drive: the link's target
    // is resolved once and reused while the link still leads to that folder.
    if (l >= 'a' && l <= 'z') {
        DriveCache &c = m_drives[size_t(l - 'a')];
        if (!c.target.isEmpty() && c.device == st.st_dev && c.inode == st.st_ino)
            return c.target;
        const QString target = QFileInfo(link).canonicalFilePath();
        c = {target, st.st_dev, st.st_ino};
        return target;
    }
    return QFileInfo(link).canonicalFilePath();
}

QString WinePrefix::driveLetters() const
{
    // One listing instead of a stat() of each of the 26 possible links.
    QString letters;
    DIR *dir = ::opendir(namebytes::encode(m_root + QStringLiteral("/dosdevices")).constData());
    if (!dir)
        return letters;
    while (const dirent *e = ::readdir(dir))
        if (e->d_name[0] >= 'a' && e->d_name[0] <= 'z' && e->d_name[1] == ':' && e->d_name[2] == 0)
            letters += QLatin1Char(e->d_name[0]);
    ::closedir(dir);
    std::sort(letters.begin(), letters.end());
    return letters;
}

QString WinePrefix::toHost(const QString &windowsPath) const
{
    QChar drive;
    QStringList parts;
    if (!splitWindowsPath(windowsPath, m_currentDirectory, drive, parts))
        return QString();
    QString host = driveRoot(drive);
    if (host.isEmpty())
        return QString();
    auto append = [&host](const QString &name) {
        if (!host.endsWith(QLatin1Char('/')))
            host += QLatin1Char('/');
        host += name;
    };
    // Paths usually come with the case they have on disk: when the folder
    // (or the whole path) exists as written, every component above matches
    // exactly, which is what matching them one by one would find.
    qsizetype exact = 0;
    for (qsizetype n = parts.size(); n > 0 && n >= parts.size() - 1; --n) {
        QString literal = host;
        for (qsizetype i = 0; i < n; ++i)
            literal += (literal.endsWith(QLatin1Char('/')) ? QString() : QStringLiteral("/")) + parts.at(i);
        struct stat st;
        if (::stat(namebytes::encode(literal).constData(), &st) == 0) {
            exact = n;
            host = literal;
            break;
        }
    }
    bool matching = true;
    for (qsizetype i = exact; i < parts.size(); ++i) {
        const QString &part = parts.at(i);
        QString name = part;
        if (matching) {
            const QString found = matchComponent(host, part);
            if (found.isEmpty())
                matching = false; // below a missing component nothing can match
            else
                name = found;
        }
        append(name);
    }
    return host;
}

QString WinePrefix::toWindows(const QString &hostPath) const
{
    QFileInfo fi(hostPath);
    QString canonical = fi.exists() ? fi.canonicalFilePath() : QDir::cleanPath(fi.absoluteFilePath());
    QString bestRoot;
    QChar bestLetter;
    for (const QChar l : driveLetters()) {
        const QString root = driveRoot(l);
        if (root.isEmpty())
            continue;
        const bool inside = canonical == root || root == QLatin1String("/")
            || canonical.startsWith(root + QLatin1Char('/'));
        if (inside && root.size() > bestRoot.size()) {
            bestRoot = root;
            bestLetter = l;
        }
    }
    if (bestRoot.isEmpty())
        return QString();
    QString rest = canonical.mid(bestRoot == QLatin1String("/") ? 0 : bestRoot.size());
    rest.replace(QLatin1Char('/'), QLatin1Char('\\'));
    if (rest.isEmpty())
        rest = QStringLiteral("\\");
    return bestLetter.toUpper() + QLatin1Char(':') + rest;
}

bool WinePrefix::setCurrentDirectory(const QString &windowsPath)
{
    const QString host = toHost(windowsPath);
    if (host.isEmpty() || !QFileInfo(host).isDir())
        return false;
    QString win = toWindows(host);
    if (win.isEmpty())
        return false;
    m_currentDirectory = win;
    QDir::setCurrent(host);
    return true;
}

} // namespace qv
