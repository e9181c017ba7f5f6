// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvane developers
#include "platform/wine/prefixes.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSet>
#include <algorithm>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/namebytes.h"
#include "platform/wine/inputfile.h"

namespace qv {

namespace {

QString home()
{
    return QDir::homePath();
}

// An XDG base folder: the variable when it holds an absolute path (a
// relative one is to be ignored, by the XDG rules), else the default below home.
QString xdgFolder(const char *variable, const char *fallback)
{
    const QString value = qEnvironmentVariable(variable);
    if (!value.isEmpty() && QDir::isAbsolutePath(value))
        return QDir::cleanPath(value);
    return home() + QLatin1Char('/') + QLatin1String(fallback);
}

// A configuration file's text; empty when it is missing, is no regular
// file or is larger than any real one (inputfile.h).
QString readText(const QString &file)
{
    return QString::fromUtf8(inputfile::read(file, inputfile::kConfigLimit).bytes);
}

// The folder a path names, with links resolved, to tell two names of one
// folder apart from two folders; the path itself when it does not exist.
QString canonical(const QString &path)
{
    const QString c = QFileInfo(path).canonicalFilePath();
    return c.isEmpty() ? QDir::cleanPath(QDir(path).absolutePath()) : c;
}

QString unquoted(QString value)
{
    value = value.trimmed();
    if (value.size() >= 2
        && ((value.startsWith(QLatin1Char('"')) && value.endsWith(QLatin1Char('"')))
            || (value.startsWith(QLatin1Char('\'')) && value.endsWith(QLatin1Char('\'')))))
        return value.mid(1, value.size() - 2);
    return value;
}

// One value of the simple YAML files the managers write: a key at the top
// level (section empty) or one level into a section. Quotes are taken off;
// a comment after an unquoted value is dropped.
QString yamlValue(const QString &text, const QString &section, const QString &key)
{
    bool inSection = section.isEmpty();
    int childIndent = -1;
    const QStringList lines = text.split(QLatin1Char('\n'));
    for (const QString &raw : lines) {
        QString line = raw;
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
        const QString trimmed = line.trimmed();
        if (trimmed.isEmpty() || trimmed.startsWith(QLatin1Char('#')))
            continue;
        int lead = 0;
        while (line.at(lead).isSpace())
            ++lead;
        if (!section.isEmpty()) {
            if (lead == 0) {
                inSection = trimmed == section + QLatin1Char(':')
                    || trimmed.startsWith(section + QStringLiteral(": "));
                childIndent = -1;
                continue;
            }
            if (!inSection)
                continue;
            if (childIndent < 0)
                childIndent = lead;
            if (lead != childIndent)
                continue;
        } else if (lead != 0) {
            continue;
        }
        if (!trimmed.startsWith(key + QLatin1Char(':')))
            continue;
        QString value = trimmed.mid(key.size() + 1).trimmed();
        if (!value.startsWith(QLatin1Char('"')) && !value.startsWith(QLatin1Char('\''))) {
            const qsizetype comment = value.indexOf(QStringLiteral(" #"));
            if (comment >= 0)
                value.truncate(comment);
        }
        return unquoted(value);
    }
    return QString();
}

// KEY=value lines, as PlayOnLinux writes playonlinux.cfg.
QString shellValue(const QString &text, const QString &key)
{
    for (const QString &line : text.split(QLatin1Char('\n'))) {
        const QString t = line.trimmed();
        if (t.startsWith(key + QLatin1Char('=')))
            return unquoted(t.mid(key.size() + 1));
    }
    return QString();
}

// ~ and $HOME at the start of a path the user wrote.
QString expandHome(const QString &path)
{
    if (path == QLatin1String("~") || path.startsWith(QStringLiteral("~/")))
        return home() + path.mid(1);
    for (const QString &var : {QStringLiteral("$HOME"), QStringLiteral("${HOME}")})
        if (path == var || path.startsWith(var + QLatin1Char('/')))
            return home() + path.mid(var.size());
    return path;
}

// One of the user's folders of user-dirs.dirs, else its default below home.
QString userDir(const char *variable, const char *fallback)
{
    const QString dirs = readText(prefixes::configHome() + QStringLiteral("/user-dirs.dirs"));
    const QString value = expandHome(shellValue(dirs, QLatin1String(variable)));
    if (!value.isEmpty() && QDir::isAbsolutePath(value))
        return QDir::cleanPath(value);
    return home() + QLatin1Char('/') + QLatin1String(fallback);
}

QStringList subfolders(const QString &folder)
{
    QStringList out;
    const QStringList names = QDir(folder).entryList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden, QDir::Name);
    for (const QString &n : names)
        out << folder + QLatin1Char('/') + n;
    return out;
}

QString wineHome() { return home() + QStringLiteral("/.wine"); }
QString bottlesFolder() { return prefixes::dataHome() + QStringLiteral("/bottles/bottles"); }
QString bottlesFlatpakFolder()
{
    return home() + QStringLiteral("/.var/app/com.usebottles.bottles/data/bottles/bottles");
}
QString playOnLinuxHome() { return home() + QStringLiteral("/.PlayOnLinux"); }
QString crossOverFolder() { return home() + QStringLiteral("/.cxoffice"); }
QString winetricksFolder() { return prefixes::dataHome() + QStringLiteral("/wineprefixes"); }
QStringList lutrisGameFolders()
{
    return {prefixes::configHome() + QStringLiteral("/lutris/games"),
            prefixes::dataHome() + QStringLiteral("/lutris/games")};
}

// A Lutris game: its configuration file's text and the name it goes by.
struct LutrisGame
{
    QString slug;
    QString prefix;
    QString config;
};

std::vector<LutrisGame> lutrisGames()
{
    std::vector<LutrisGame> games;
    // "adobe-reader-1700000000.yml": the slug, then the time it was added.
    static const QRegularExpression added(QStringLiteral("-\\d+$"));
    for (const QString &folder : lutrisGameFolders()) {
        const QStringList files = QDir(folder).entryList({QStringLiteral("*.yml")}, QDir::Files, QDir::Name);
        for (const QString &file : files) {
            const QString text = readText(folder + QLatin1Char('/') + file);
            const QString prefix = yamlValue(text, QStringLiteral("game"), QStringLiteral("prefix"));
            if (prefix.isEmpty())
                continue;
            QString slug = QFileInfo(file).completeBaseName();
            slug.remove(added);
            games.push_back({slug, expandHome(prefix), text});
        }
    }
    return games;
}

const LutrisGame *lutrisGameOf(const std::vector<LutrisGame> &games, const QString &root)
{
    const QString wanted = canonical(root);
    for (const LutrisGame &g : games)
        if (canonical(g.prefix) == wanted)
            return &g;
    return nullptr;
}

WineBuild pathWine(const QString &why = QString())
{
    WineBuild b;
    b.program = QStringLiteral("wine");
    b.description = why.isEmpty() ? QStringLiteral("wine on PATH") : QStringLiteral("wine on PATH (%1)").arg(why);
    return b;
}

// A pinned build runs only from its manager's own runners folder: the
// prefix names the runner ("Runner: ../bottles/B/drive_c/x" climbs out of
// that folder into a program the prefix ships), so the program must lie
// inside the folder, spelt and after following links, and be an executable
// regular file. A build that is not installed at all is left for the start
// to name.
void confine(WineBuild &b, const QString &runners, const QString &manager)
{
    const QString folder = QDir::cleanPath(runners);
    const QString spelt = QDir::cleanPath(b.program);
    if (!spelt.startsWith(folder + QLatin1Char('/'))) {
        b.problem = QStringLiteral("%1 lies outside the runners folder of %2 \"%3\", and Quorvane runs no Wine "
                                   "build from elsewhere")
                        .arg(spelt, manager, folder);
        return;
    }
    const QFileInfo info(spelt);
    if (!info.exists() && !info.isSymLink())
        return;
    const QString real = info.canonicalFilePath();
    const QString realFolder = QFileInfo(folder).canonicalFilePath();
    if (real.isEmpty() || realFolder.isEmpty() || !real.startsWith(realFolder + QLatin1Char('/'))) {
        b.problem = QStringLiteral("%1 leads to \"%2\", outside the runners folder of %3 \"%4\", and Quorvane "
                                   "runs no Wine build from elsewhere")
                        .arg(spelt, real.isEmpty() ? info.symLinkTarget() : real, manager, folder);
        return;
    }
    struct stat st;
    if (::stat(namebytes::encode(real).constData(), &st) != 0 || !S_ISREG(st.st_mode)
        || ::access(namebytes::encode(real).constData(), X_OK) != 0)
        b.problem = QStringLiteral("%1 is not an executable file, so Quorvane does not run it").arg(spelt);
}

// Where Bottles keeps its runners: the Flatpak's own for a bottle of the
// Flatpak, else the one of the Bottles installed on the system.
QString bottlesRunnersFor(const QString &root)
{
    const QString flatpak = bottlesFlatpakFolder();
    const QString real = canonical(root);
    const QString flatpakReal = canonical(flatpak);
    const bool inFlatpak = real.startsWith(flatpakReal + QLatin1Char('/'));
    return QFileInfo(inFlatpak ? flatpak : bottlesFolder()).absolutePath() + QStringLiteral("/runners");
}

WineBuild bottlesRunner(const QString &root)
{
    const QString config = readText(root + QStringLiteral("/bottle.yml"));
    const QString runner = yamlValue(config, QString(), QStringLiteral("Runner"));
    if (runner.isEmpty())
        return pathWine(QStringLiteral("the bottle names no runner"));
    if (runner.startsWith(QLatin1String("sys-")))
        return pathWine(QStringLiteral("Bottles runner %1, the system's Wine").arg(runner));
    const QString runners = bottlesRunnersFor(root);
    const QString folder = QDir::cleanPath(runners + QLatin1Char('/') + runner);
    QString wine = folder + QStringLiteral("/bin/wine");
    // Proton-style runners keep their Wine one level down.
    for (const char *sub : {"/files/bin/wine", "/dist/bin/wine"})
        if (!QFileInfo::exists(wine) && QFileInfo::exists(folder + QLatin1String(sub)))
            wine = folder + QLatin1String(sub);
    // Bottles runs a 64-bit bottle with the runner's wine64 when it has one.
    if (yamlValue(config, QString(), QStringLiteral("Arch")) == QLatin1String("win64")
        && QFileInfo::exists(wine + QStringLiteral("64")))
        wine += QStringLiteral("64");
    WineBuild b;
    b.program = wine;
    b.description = QStringLiteral("Bottles runner %1").arg(runner);
    confine(b, runners, QStringLiteral("Bottles"));
    return b;
}

WineBuild lutrisWine(const LutrisGame &game)
{
    QString version = yamlValue(game.config, QStringLiteral("wine"), QStringLiteral("version"));
    if (version.isEmpty()) {
        // The game follows the runner's default.
        const QString runner = readText(prefixes::configHome() + QStringLiteral("/lutris/runners/wine.yml"));
        version = yamlValue(runner, QStringLiteral("wine"), QStringLiteral("version"));
    }
    if (version.isEmpty() || version == QLatin1String("system"))
        return pathWine(QStringLiteral("the Lutris game uses the system's Wine"));
    const QString runners = prefixes::dataHome() + QStringLiteral("/lutris/runners/wine");
    WineBuild b;
    b.program = runners + QLatin1Char('/') + version + QStringLiteral("/bin/wine");
    b.description = QStringLiteral("Lutris Wine %1").arg(version);
    confine(b, runners, QStringLiteral("Lutris"));
    return b;
}

WineBuild playOnLinuxWine(const QString &root)
{
    const QString config = readText(root + QStringLiteral("/playonlinux.cfg"));
    const QString version = shellValue(config, QStringLiteral("VERSION"));
    if (version.isEmpty() || version == QLatin1String("System"))
        return pathWine(QStringLiteral("the PlayOnLinux prefix uses the system's Wine"));
    QString arch = shellValue(config, QStringLiteral("ARCH"));
    if (arch.isEmpty())
        arch = QStringLiteral("x86");
    const QString runners = playOnLinuxHome() + QStringLiteral("/wine");
    WineBuild b;
    b.program = runners + QStringLiteral("/linux-") + arch + QLatin1Char('/') + version + QStringLiteral("/bin/wine");
    b.description = QStringLiteral("PlayOnLinux Wine %1 (%2)").arg(version, arch);
    confine(b, runners, QStringLiteral("PlayOnLinux"));
    return b;
}

WineBuild crossOverWine(const QString &bottle)
{
    // Installed for one user below home, or for everyone in /opt.
    QString launcher = home() + QStringLiteral("/cxoffice/bin/wine");
    if (!QFileInfo::exists(launcher))
        launcher = QStringLiteral("/opt/cxoffice/bin/wine");
    WineBuild b;
    b.program = launcher;
    b.arguments = {QStringLiteral("--bottle"), bottle};
    b.description = QStringLiteral("CrossOver");
    return b;
}

bool sameFolder(const QString &a, const QString &b)
{
    return canonical(a) == canonical(b);
}

QString shellQuoted(const QString &word)
{
    static const QRegularExpression plain(QStringLiteral("^[A-Za-z0-9_@%+=:,./-]+$"));
    if (!word.isEmpty() && plain.match(word).hasMatch())
        return word;
    QString q = word;
    q.replace(QLatin1Char('\''), QStringLiteral("'\\''"));
    return QLatin1Char('\'') + q + QLatin1Char('\'');
}

} // namespace

namespace prefixes {

QString commandLine(const WineBuild &build, const QString &prefixRoot, const QString &windowsProgram)
{
    QStringList words{QStringLiteral("WINEPREFIX=") + shellQuoted(prefixRoot)};
    for (const QString &w : QStringList{build.program} + build.arguments + QStringList{windowsProgram})
        words << shellQuoted(w);
    return words.join(QLatin1Char(' '));
}

QString dataHome() { return xdgFolder("XDG_DATA_HOME", ".local/share"); }
QString configHome() { return xdgFolder("XDG_CONFIG_HOME", ".config"); }

QString hostDesktopFolder()
{
    return userDir("XDG_DESKTOP_DIR", "Desktop");
}

QString hostDocumentsFolder()
{
    return userDir("XDG_DOCUMENTS_DIR", "Documents");
}

bool isPrefix(const QString &folder)
{
    return !folder.isEmpty() && QFileInfo(folder + QStringLiteral("/system.reg")).isFile()
        && QFileInfo(folder + QStringLiteral("/drive_c")).isDir();
}

QStringList searchPlaces()
{
    QStringList places = {wineHome(), bottlesFolder() + QStringLiteral("/*"),
                          bottlesFlatpakFolder() + QStringLiteral("/*"),
                          playOnLinuxHome() + QStringLiteral("/wineprefix/*")};
    for (const QString &f : lutrisGameFolders())
        places << f + QStringLiteral("/*.yml (prefix:)");
    places << crossOverFolder() + QStringLiteral("/*") << winetricksFolder() + QStringLiteral("/*");
    return places;
}

FoundPrefix describe(const QString &root)
{
    FoundPrefix p;
    p.root = QDir::cleanPath(QDir(root).absolutePath());
    p.name = QFileInfo(p.root).fileName();
    const QString parent = QFileInfo(p.root).absolutePath();
    if (sameFolder(p.root, wineHome())) {
        p.manager = QStringLiteral("Wine");
    } else if (QFileInfo::exists(p.root + QStringLiteral("/bottle.yml"))) {
        p.manager = QStringLiteral("Bottles");
        const QString name = yamlValue(readText(p.root + QStringLiteral("/bottle.yml")), QString(), QStringLiteral("Name"));
        if (!name.isEmpty())
            p.name = name;
    } else if (QFileInfo::exists(p.root + QStringLiteral("/playonlinux.cfg"))
               || sameFolder(parent, playOnLinuxHome() + QStringLiteral("/wineprefix"))) {
        p.manager = QStringLiteral("PlayOnLinux");
    } else if (QFileInfo::exists(p.root + QStringLiteral("/cxbottle.conf")) || sameFolder(parent, crossOverFolder())) {
        p.manager = QStringLiteral("CrossOver");
    } else if (const std::vector<LutrisGame> games = lutrisGames(); const LutrisGame *g = lutrisGameOf(games, p.root)) {
        p.manager = QStringLiteral("Lutris");
        p.name = g->slug;
    } else if (sameFolder(parent, winetricksFolder())) {
        p.manager = QStringLiteral("winetricks");
    }
    return p;
}

std::vector<FoundPrefix> find()
{
    std::vector<FoundPrefix> found;
    QSet<QString> seen;
    auto add = [&](const QString &folder, const QString &manager, const QString &name) {
        if (!isPrefix(folder))
            return;
        const QString key = canonical(folder);
        if (seen.contains(key))
            return;
        seen.insert(key);
        FoundPrefix p = describe(folder);
        // The place it was found in names its manager, whatever its files say.
        p.manager = manager;
        if (!name.isEmpty())
            p.name = name;
        found.push_back(p);
    };

    add(wineHome(), QStringLiteral("Wine"), QString());
    for (const QString &place : {bottlesFolder(), bottlesFlatpakFolder()})
        for (const QString &folder : subfolders(place))
            add(folder, QStringLiteral("Bottles"), QString());
    for (const QString &folder : subfolders(playOnLinuxHome() + QStringLiteral("/wineprefix")))
        add(folder, QStringLiteral("PlayOnLinux"), QString());
    std::vector<LutrisGame> games = lutrisGames();
    std::stable_sort(games.begin(), games.end(), [](const LutrisGame &a, const LutrisGame &b) { return a.slug < b.slug; });
    for (const LutrisGame &g : games)
        add(g.prefix, QStringLiteral("Lutris"), g.slug);
    for (const QString &folder : subfolders(crossOverFolder()))
        add(folder, QStringLiteral("CrossOver"), QString());
    for (const QString &folder : subfolders(winetricksFolder()))
        add(folder, QStringLiteral("winetricks"), QString());
    return found;
}

WineBuild wineBuild(const QString &root)
{
    const FoundPrefix p = describe(root);
    if (p.manager == QLatin1String("Bottles"))
        return bottlesRunner(p.root);
    if (p.manager == QLatin1String("PlayOnLinux"))
        return playOnLinuxWine(p.root);
    if (p.manager == QLatin1String("CrossOver"))
        return crossOverWine(QFileInfo(p.root).fileName());
    if (p.manager == QLatin1String("Lutris")) {
        const std::vector<LutrisGame> games = lutrisGames();
        if (const LutrisGame *g = lutrisGameOf(games, p.root))
            return lutrisWine(*g);
    }
    return pathWine();
}

} // namespace prefixes
} // namespace qv
