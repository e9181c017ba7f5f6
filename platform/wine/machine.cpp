// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvane developers
#include "platform/machine.h"

#include <QDir>
#include <QFileInfo>

#include "platform/error.h"
#include "platform/wine/hive.h"
#include "platform/wine/prefixes.h"
#include "platform/wine/wineprefix.h"
#include "platform/wine/winestart.h"
#include "platform/winpath.h"

// The machine is a Wine prefix: WinePrefix knows its folders and registry,
// prefixes.h where the others are kept.
namespace qv::machine {

namespace {

// The subkeys of versionsKey in the prefix's system.reg, in either view.
QStringList versionsIn(const QString &prefixRoot, const QString &versionsKey)
{
    // Loaded as a file, not through the registry accessor, which would keep
    // the prefix in memory.
    const std::unique_ptr<Hive> hive = Hive::load(prefixRoot + QStringLiteral("/system.reg"));
    const QStringList key = winpath::split(versionsKey); // SOFTWARE, Adobe, Acrobat Reader
    QStringList wow = key;
    wow.insert(1, QStringLiteral("Wow6432Node"));
    QStringList versions;
    for (const QStringList &path : {key, wow})
        for (const QString &v : hive->subkeys(hive->resolveLinks(path)))
            if (!versions.contains(v, Qt::CaseInsensitive))
                versions << v;
    return versions;
}

ReaderPrefix surveyPrefix(const FoundPrefix &found, const QString &versionsKey)
{
    ReaderPrefix p;
    p.prefix = found;
    p.wine = prefixes::wineBuild(found.root);
    try {
        p.readerVersions = versionsIn(found.root, versionsKey);
    } catch (const Error &e) {
        p.problem = e.message();
    }
    return p;
}

} // namespace

bool hasPrefixes()
{
    return true;
}

bool isPrefix(const QString &folder)
{
    return prefixes::isPrefix(folder);
}

QStringList searchPlaces()
{
    return prefixes::searchPlaces();
}

std::vector<ReaderPrefix> surveyPrefixes(const QString &versionsKey)
{
    std::vector<ReaderPrefix> out;
    for (const FoundPrefix &found : prefixes::find())
        out.push_back(surveyPrefix(found, versionsKey)); // named by the place it was found in
    return out;
}

PrefixChoice choosePrefix(const QString &named, const QString &versionsKey)
{
    PrefixChoice choice;
    choice.root = named.isEmpty() ? qEnvironmentVariable("WINEPREFIX") : named;
    if (!choice.root.isEmpty())
        return choice;
    choice.candidates = withReader(surveyPrefixes(versionsKey));
    if (choice.candidates.size() == 1) {
        choice.outcome = PrefixChoice::Found;
        choice.root = choice.candidates.front().prefix.root;
    } else if (choice.candidates.size() > 1) {
        choice.outcome = PrefixChoice::Several;
    } else {
        // ~/.wine as before there were prefix managers to look through.
        choice.outcome = PrefixChoice::None;
        const QString wine = QDir::homePath() + QStringLiteral("/.wine");
        if (prefixes::isPrefix(wine))
            choice.root = wine;
        choice.placesLooked = prefixes::searchPlaces();
    }
    return choice;
}

bool choose(const QString &folder, QString *why)
{
    const QString root = QFileInfo(folder.isEmpty() ? WinePrefix::defaultRoot() : folder).absoluteFilePath();
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

QString stateFolder()
{
    // A relative XDG folder is to be ignored, as the base directory rules say.
    QString base = qEnvironmentVariable("XDG_STATE_HOME");
    if (!base.startsWith(QLatin1Char('/')))
        base = qEnvironmentVariable("HOME") + QStringLiteral("/.local/state");
    if (!base.startsWith(QLatin1Char('/')))
        return QString(); // no home either: no log
    return base + QStringLiteral("/quorvane");
}

QString here()
{
    return QStringLiteral("in this prefix");
}

QString where()
{
    return QStringLiteral("in a Wine prefix");
}

QString theMachine()
{
    return QStringLiteral("the prefix");
}

QString layoutFace()
{
    return QString(); // the desktop's font substitutes do
}

QString currentDirectory()
{
    return WinePrefix::current().currentDirectory();
}

bool setCurrentDirectory(const QString &windowsPath)
{
    return WinePrefix::current().setCurrentDirectory(windowsPath);
}

struct ProgramStart::Watch
{
    explicit Watch(const QString &program) : start(program) {}
    WineStart start;
};

ProgramStart::ProgramStart(const QString &windowsProgram) : d(std::make_unique<Watch>(windowsProgram)) {}

ProgramStart::~ProgramStart() = default;

namespace {

ProgramStart::State stateOf(WineStart::State s)
{
    switch (s) {
    case WineStart::Running: return ProgramStart::Running;
    case WineStart::Failed: return ProgramStart::Failed;
    case WineStart::Ended: break;
    }
    return ProgramStart::Ended;
}

} // namespace

ProgramStart::State ProgramStart::poll()
{
    return stateOf(d->start.poll());
}

ProgramStart::State ProgramStart::wait(int ms)
{
    return stateOf(d->start.wait(ms));
}

QString ProgramStart::failure() const
{
    return d->start.failure();
}

int ProgramStart::watchMs()
{
    return WineStart::watchMs();
}

} // namespace qv::machine
