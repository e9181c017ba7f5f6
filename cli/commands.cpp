// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvane developers
#include "cli/commands.h"
#include "quorvaneversion.h"

#include <QCommandLineParser>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <optional>
#include <vector>

#include "core/discovery.h"
#include "core/operations.h"
#include "core/pluginlist.h"
#include "core/preferences.h"
#include "core/readerprefixes.h"
#include "core/status.h"
#include "platform/error.h"
#include "platform/filesystem.h"
#include "platform/machine.h"

namespace qv::cli {

namespace {

const QString kProgram = QStringLiteral("quorvane-cli");

// One option of optimize that leaves what a box of the window governs alone,
// as that box unticked does.
struct BoxOption
{
    QCommandLineOption option;
    bool OptimizeOptions::*member;
};

struct Options
{
    QCommandLineOption prefix{QStringLiteral("prefix"),
                              QStringLiteral("The Wine prefix to work on. Default: $WINEPREFIX, else the one "
                                             "prefix that holds Adobe Reader (see the prefixes command), else "
                                             "~/.wine."),
                              QStringLiteral("DIR")};
    QCommandLineOption readerVersion{
        QStringLiteral("reader-version"),
        QStringLiteral("The Reader version to work on, when none or several are recorded in the registry."),
        QStringLiteral("V")};
    QCommandLineOption readerFolder{
        QStringLiteral("reader-folder"),
        QStringLiteral("Reader's folder (the one holding AcroRd32.exe, as a Windows path), when the registry "
                       "does not name it."),
        QStringLiteral("PATH")};
    QCommandLineOption endReader{QStringLiteral("end-reader"),
                                 QStringLiteral("End a Reader running in %1. Without it, optimize and "
                                                "restore refuse while Reader runs.").arg(machine::theMachine())};
    QCommandLineOption help{{QStringLiteral("h"), QStringLiteral("help")}, QStringLiteral("Show this help.")};
    QCommandLineOption version{{QStringLiteral("v"), QStringLiteral("version")},
                               QStringLiteral("Show the program's version.")};
    QCommandLineOption json{QStringLiteral("json"), QStringLiteral("Print one JSON object instead of text.")};
    QCommandLineOption dryRun{QStringLiteral("dry-run"),
                              QStringLiteral("Print what would change (files, registry values, shortcuts) and "
                                             "change nothing.")};
    QCommandLineOption keep{QStringLiteral("keep"),
                            QStringLiteral("Keep this plug-in loaded besides EWH32 and search: a file name "
                                           "(\"Annots.api\" or \"Annots\") or a path below plug_ins. Repeatable."),
                            QStringLiteral("NAME")};
    std::vector<BoxOption> boxes = {
        {{QStringLiteral("keep-splash"), QStringLiteral("Keep the splash screen (writes bDisplayAboutDialog = 1).")},
         &OptimizeOptions::noSplash},
        {{QStringLiteral("keep-ads"),
          QStringLiteral("Keep the advertisements (writes bShowAds = 1; FeatureLockdown bUpdater is not written).")},
         &OptimizeOptions::noAds},
        {{QStringLiteral("keep-updates"),
          QStringLiteral("Keep the updates (writes the Updater values = 1; FeatureLockdown bShowAdsAllow is not "
                         "written).")},
         &OptimizeOptions::noUpdates},
        {{QStringLiteral("keep-ebooks"),
          QStringLiteral("Keep the eBook plug-in files and the \"My eBook\" folder.")},
         &OptimizeOptions::noEBooks},
        {{QStringLiteral("keep-printme"), QStringLiteral("Keep the \"PrintMe Internet Printing\" program group.")},
         &OptimizeOptions::noPrintMe},
        {{QStringLiteral("keep-reader-icon"),
          QStringLiteral("Keep the \"Adobe Reader <version>\" shortcuts of the all-users Start menu and desktop.")},
         &OptimizeOptions::noReaderIcon},
        {{QStringLiteral("keep-connection-speed"),
          QStringLiteral("Write the ordinary connection speed (iConnectionSpeed = 100000, not 10000000).")},
         &OptimizeOptions::fastConnection},
        {{QStringLiteral("keep-browser-integration"),
          QStringLiteral("Keep browser integration (writes bBrowserCheck and bBrowserIntegration = 1).")},
         &OptimizeOptions::noBrowser},
        {{QStringLiteral("keep-exit-confirmation"),
          QStringLiteral("Keep the question on closing Reader (writes iexitWithExternalDocsOpen = 0).")},
         &OptimizeOptions::noExitQuestion},
        {{QStringLiteral("keep-recent-files"), QStringLiteral("Keep Reader's list of recent files.")},
         &OptimizeOptions::noRecentFiles},
        {{QStringLiteral("keep-plugins"),
          QStringLiteral("Keep every plug-in loaded; the safety copy is still taken.")},
         &OptimizeOptions::unloadPlugIns},
        // Reader X and later in a Wine prefix only; the window has no box for these.
        {{QStringLiteral("keep-protected-mode"),
          QStringLiteral("Reader X and later under Wine: leave Protected Mode (bProtectedMode) as it is. Reader's "
                         "sandbox does not work under Wine, so Optimize turns it off otherwise.")},
         &OptimizeOptions::noProtectedMode},
        {{QStringLiteral("keep-updater-startup"),
          QStringLiteral("Reader X and later under Wine: leave the updater's \"Adobe ARM\" Run entry and its "
                         "AdobeARMservice service as they are.")},
         &OptimizeOptions::noUpdaterStartup},
        {{QStringLiteral("keep-helpers"),
          QStringLiteral("Reader X and later under Wine: leave AdobeARM.exe, armsvc.exe and RdrCEF.exe in place "
                         "instead of setting them aside.")},
         &OptimizeOptions::setHelpersAside},
    };
    QCommandLineOption unload{QStringLiteral("unload"),
                              QStringLiteral("Reader X and later: unload this plug-in (a file name or a path below "
                                             "plug_ins). Which plug-ins those Readers start without is not "
                                             "published, so none is unloaded unless named. Repeatable."),
                              QStringLiteral("NAME")};

    QList<QCommandLineOption> globals() const { return {prefix, readerVersion, readerFolder, endReader}; }
    // --prefix is still parsed where there are no prefixes (Windows), to
    // refuse it with a reason, but not offered.
    QList<QCommandLineOption> shownGlobals() const
    {
        if (machine::hasPrefixes())
            return globals();
        return {readerVersion, readerFolder, endReader};
    }
};

struct Command
{
    QString name;
    QString synopsis;
    QString description;
    QList<QCommandLineOption> options;
};

std::vector<Command> commands(const Options &o)
{
    QList<QCommandLineOption> optimize = {o.json, o.dryRun, o.keep, o.unload};
    for (const BoxOption &b : o.boxes)
        optimize << b.option;
    std::vector<Command> all;
    // Wine prefixes exist only beside Wine; on Windows there is one machine.
    if (machine::hasPrefixes())
        all.push_back({QStringLiteral("prefixes"), QStringLiteral("prefixes [--json]"),
                       QStringLiteral("List the Wine prefixes found where Wine and the prefix managers keep them "
                                      "(~/.wine, Bottles, PlayOnLinux, Lutris, CrossOver, winetricks): the manager, "
                                      "the name, the folder, the Adobe Reader versions each holds and the Wine "
                                      "build that goes with it."),
                       {o.json}});
    all.insert(all.end(), {
        {QStringLiteral("status"), QStringLiteral("status [--json]"),
         QStringLiteral("Show %1, Reader's version and folder, whether it is optimized (the marker "
                        "Wexmor.DAT), the plug-ins loaded and not loaded, and each preference value.")
             .arg(machine::theMachine()),
         {o.json}},
        {QStringLiteral("optimize"), QStringLiteral("optimize [--json] [--dry-run] [--keep NAME | --unload NAME]... [--keep-...]"),
         QStringLiteral("What the window's Optimize does with every box ticked: take the safety copy of plug_ins "
                        "into Optional once, leave only EWH32 and search (and --keep) loaded, write Reader's "
                        "preferences, remove the eBooks, the PrintMe group, the Reader shortcuts and the recent "
                        "files. Each --keep-... option leaves one of those as its unticked box does. What is so "
                        "already is left alone: a second run changes nothing and says so."),
         optimize},
        {QStringLiteral("restore"), QStringLiteral("restore [--json] [--dry-run]"),
         QStringLiteral("What the window's Restore does: bring every plug-in of the safety copy back, write "
                        "Reader's preferences as it has them out of the box, put a Reader shortcut on the user's "
                        "desktop and remove the marker."),
         {o.json, o.dryRun}},
    });
    return all;
}

// "prefixes, status, optimize or restore": the commands there are, for messages.
QString commandNames(const std::vector<Command> &all)
{
    QStringList names;
    for (const Command &c : all)
        names << c.name;
    const QString last = names.takeLast();
    return names.join(QStringLiteral(", ")) + QStringLiteral(" or ") + last;
}

// Wraps text to the width, every line after the first indented.
QString wrapped(const QString &text, int indent, int width = 79)
{
    QString out, line;
    for (const QString &word : text.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        if (!line.isEmpty() && indent + line.size() + 1 + word.size() > width) {
            out += line + QLatin1Char('\n') + QString(indent, QLatin1Char(' '));
            line.clear();
        }
        line += (line.isEmpty() ? QString() : QStringLiteral(" ")) + word;
    }
    return out + line + QLatin1Char('\n');
}

QString optionLines(const QList<QCommandLineOption> &options, int indent = 2)
{
    constexpr int column = 32;
    QString out;
    for (const QCommandLineOption &opt : options) {
        QStringList names;
        for (const QString &n : opt.names())
            names << (n.size() == 1 ? QStringLiteral("-") : QStringLiteral("--")) + n;
        QString head = QString(indent, QLatin1Char(' ')) + names.join(QStringLiteral(", "));
        if (!opt.valueName().isEmpty())
            head += QStringLiteral(" ") + opt.valueName();
        head = head.size() + 2 > column ? head + QLatin1Char('\n') + QString(column, QLatin1Char(' '))
                                        : head.leftJustified(column);
        out += head + wrapped(opt.description(), column);
    }
    return out;
}

QString helpText(const Options &o, const QString &only = QString())
{
    QString text;
    if (only.isEmpty()) {
        text += QStringLiteral("Usage: %1 [options] <command> [command options]\n\n").arg(kProgram);
        text += wrapped(QStringLiteral("Makes Adobe Reader %1 start faster and show fewer "
                                       "distractions, as Quorvane's window does, without a window.")
                            .arg(machine::where()),
                        0);
        text += QStringLiteral("\nOptions (also accepted after the command):\n");
        text += optionLines(o.shownGlobals() + QList<QCommandLineOption>{o.help, o.version});
        text += QStringLiteral("\nCommands:\n");
    }
    for (const Command &c : commands(o)) {
        if (!only.isEmpty() && c.name != only)
            continue;
        text += QStringLiteral("\n  %1 %2\n    ").arg(kProgram, c.synopsis) + wrapped(c.description, 4);
        text += optionLines(c.options, 4);
    }
    text += QLatin1Char('\n') + wrapped(QStringLiteral("Exit status: 0 done, 1 refused or failed (the reason and "
                                                      "what to do on stderr), 2 a usage error. With --json the "
                                                      "result is one JSON object (schema version %1).")
                                           .arg(kJsonSchemaVersion),
                                       0);
    return text;
}

int usageError(QTextStream &err, const QString &message)
{
    err << kProgram << ": " << message << Qt::endl
        << "Run '" << kProgram << " --help' for the commands and options." << Qt::endl;
    return ExitUsage;
}

int failure(QTextStream &err, const QString &message)
{
    err << kProgram << ": " << errorBoxText(message) << Qt::endl;
    return ExitFailed;
}

// The installation the command works on, or an error saying which option answers it.
QString findReader(const std::optional<QString> &version, const std::optional<QString> &folder, QTextStream &err,
                   Discovery &found)
{
    found = discoverReader({version, folder});
    if (!found.error.isEmpty())
        return found.error;
    const QStringList &installed = found.reader.versionsFound;
    if (found.question && found.question->kind == DiscoveryQuestion::Version)
        return installed.isEmpty()
            ? QStringLiteral("No Adobe Reader is recorded in the registry %1. If it is installed all "
                             "the same, give its version with --reader-version V and its folder with "
                             "--reader-folder PATH")
                  .arg(machine::here())
            : QStringLiteral("Several versions of Adobe Reader are installed %1: %2. Choose one with "
                             "--reader-version V")
                  .arg(machine::here(), installed.join(QStringLiteral(", ")));
    if (found.question)
        return QStringLiteral("The registry does not say where Adobe Reader %1 is installed. Give its folder, the "
                              "one that holds AcroRd32.exe, with --reader-folder PATH")
            .arg(found.reader.version);
    // The window takes the last version for a name that is not installed; a
    // script gets told instead.
    if (version && !installed.isEmpty() && !installed.contains(*version, Qt::CaseInsensitive))
        return QStringLiteral("Adobe Reader %1 is not installed %2 (installed: %3). Choose one of "
                              "those with --reader-version V")
            .arg(*version, machine::here(), installed.join(QStringLiteral(", ")));
    QString given = folder.value_or(QString());
    while (given.size() > 1 && given.endsWith(QLatin1Char('\\')))
        given.chop(1);
    if (folder && found.reader.folder.compare(given, Qt::CaseInsensitive) != 0)
        err << kProgram << ": note: the registry names Reader's folder \"" << found.reader.folder
            << "\"; --reader-folder is used only where it does not" << Qt::endl;
    return QString();
}

QJsonArray jsonList(const QStringList &list)
{
    return QJsonArray::fromStringList(list);
}

// What every command's JSON begins with: the schema's version, the command
// and the machine worked on ("prefix": its folder, or "computer": its name).
QJsonObject jsonHead(const QString &command)
{
    return {{QStringLiteral("schema_version"), kJsonSchemaVersion},
            {QStringLiteral("command"), command},
            {machine::kind().toLower(), machine::name()}};
}

int status(const ReaderInstallation &reader, bool json, QTextStream &out)
{
    ReaderStatus s = readerStatus(reader);
    // Sorted, so that two runs on the same folders print the same.
    s.loaded.sort(Qt::CaseInsensitive);
    s.notLoaded.sort(Qt::CaseInsensitive);
    if (json) {
        QJsonObject prefs;
        for (const auto &[p, value] : s.preferences)
            prefs.insert(p.subkey + QLatin1Char('\\') + p.name, value ? QJsonValue(*value) : QJsonValue());
        QJsonObject r{
            {QStringLiteral("version"), reader.version},
            {QStringLiteral("generation"), s.generation},
            {QStringLiteral("versions_found"), jsonList(reader.versionsFound)},
            {QStringLiteral("folder"), reader.folder},
            {QStringLiteral("folder_exists"), s.folderExists},
            {QStringLiteral("optimized"), s.optimized},
            {QStringLiteral("running"), s.runningReader == -1 ? QJsonValue() : QJsonValue(qint64(s.runningReader))},
            {QStringLiteral("loaded"), jsonList(s.loaded)},
            {QStringLiteral("not_loaded"), jsonList(s.notLoaded)},
            {QStringLiteral("preferences"), prefs},
        };
        QJsonObject all = jsonHead(QStringLiteral("status"));
        all.insert(QStringLiteral("reader"), r);
        out << QJsonDocument(all).toJson(QJsonDocument::Indented);
        return ExitDone;
    }
    auto yesNo = [](bool b) { return b ? QStringLiteral("yes") : QStringLiteral("no"); };
    out << (machine::kind() + QLatin1Char(':')).leftJustified(15) << machine::name() << "\n"
        << "Adobe Reader:  " << reader.version;
    if (!reader.versionsFound.isEmpty())
        out << " (installed: " << reader.versionsFound.join(QStringLiteral(", ")) << ")";
    out << "\nGeneration:    " << s.generation;
    out << "\nFolder:        " << reader.folder << (s.folderExists ? "" : " (missing)") << "\n"
        << "Optimized:     " << yesNo(s.optimized) << "\n"
        << "Running:       " << (s.runningReader == -1 ? QStringLiteral("no") : QStringLiteral("yes, process %1").arg(s.runningReader))
        << "\n\nPlug-ins loaded (" << s.loaded.size() << "):\n";
    for (const QString &p : s.loaded)
        out << "  " << p << "\n";
    out << "Plug-ins not loaded (" << s.notLoaded.size() << "):\n";
    for (const QString &p : s.notLoaded)
        out << "  " << p << "\n";
    out << "Preferences:\n";
    for (const auto &[p, value] : s.preferences)
        out << "  " << p.subkey << "\\" << p.name << " = "
            << (value ? QString::number(*value) : QStringLiteral("(not set)")) << "\n";
    return ExitDone;
}

// Prints each memo line as it appears, so a long copy shows what it is doing.
OperationHooks printingHooks(QTextStream &out, QStringList &shown)
{
    OperationHooks hooks;
    hooks.memo = [&out, &shown](const QStringList &lines) {
        for (const QString &line : lines)
            if (!shown.contains(line))
                out << line << Qt::endl;
        shown = lines;
    };
    return hooks;
}

QJsonValue orNull(const QString &text)
{
    return text.isEmpty() ? QJsonValue() : QJsonValue(text);
}

// A change as the JSON report has it: its kind and the lines the text
// report shows, then what it acts on: the registry key (and a value's name,
// old and new data), or the Windows paths (host paths for launchers) and
// the target, or the process.
QJsonObject changeJson(const Change &c)
{
    QJsonObject o{{QStringLiteral("kind"), QLatin1String(changeKindName(c.kind))},
                  {QStringLiteral("text"), jsonList(c.describe())}};
    switch (c.kind) {
    case Change::WriteValue:
    case Change::DeleteValue:
    case Change::PutBackValue:
        o.insert(QStringLiteral("name"), c.name);
        o.insert(QStringLiteral("old"), c.previous ? QJsonValue(qint64(*c.previous)) : QJsonValue());
        if (c.kind == Change::WriteValue)
            o.insert(QStringLiteral("new"), qint64(c.number));
        else if (c.kind == Change::PutBackValue)
            o.insert(QStringLiteral("new"), c.putBack ? QJsonValue(qint64(*c.putBack)) : QJsonValue());
        [[fallthrough]];
    case Change::DeleteKey:
    case Change::CreateKey:
        o.insert(QStringLiteral("key"), preferences::keyText(c.root, c.target));
        break;
    case Change::EndProcess:
        o.insert(QStringLiteral("name"), c.paths.value(0));
        o.insert(QStringLiteral("pid"), qint64(c.number));
        break;
    default:
        o.insert(QStringLiteral("paths"), jsonList(c.paths));
        if (!c.target.isEmpty())
            o.insert(QStringLiteral("target"), c.target);
    }
    return o;
}

// The one JSON object of optimize and restore, made from the report alone.
QJsonObject reportJson(const QString &command, const ReaderInstallation &reader, const QJsonObject &options,
                       const OperationReport &r, bool dryRun, int exitCode)
{
    QJsonArray changes, notDone;
    for (const Change &c : r.changes)
        changes.append(changeJson(c));
    for (const NotDone &n : r.notDone)
        notDone.append(QJsonObject{{QStringLiteral("what"), n.what},
                                   {QStringLiteral("why"), n.why},
                                   {QStringLiteral("failed"), n.failed}});
    QJsonObject o = jsonHead(command);
    o.insert(QStringLiteral("reader"), QJsonObject{{QStringLiteral("version"), reader.version},
                                                   {QStringLiteral("folder"), reader.folder}});
    o.insert(QStringLiteral("options"), options);
    o.insert(QStringLiteral("dry_run"), dryRun);
    o.insert(QStringLiteral("changed"), !r.changes.empty());
    o.insert(QStringLiteral("outcome"), QLatin1String(outcomeName(r.outcome)));
    o.insert(QStringLiteral("exit"),
             QJsonObject{{QStringLiteral("status"), exitCode},
                         {QStringLiteral("meaning"), exitCode == ExitDone ? QStringLiteral("done")
                                                                          : QStringLiteral("refused or failed")}});
    o.insert(QStringLiteral("error"), orNull(r.error));
    o.insert(QStringLiteral("running_reader"), r.runningReader == -1 ? QJsonValue() : QJsonValue(qint64(r.runningReader)));
    o.insert(QStringLiteral("changes"), changes);
    o.insert(QStringLiteral("not_done"), notDone);
    o.insert(QStringLiteral("memo"), jsonList(r.memo));
    return o;
}

// The text report, or with options given the JSON report with them in it.
int report(const QString &command, const ReaderInstallation &reader, const OperationReport &r, bool dryRun,
           const std::optional<QJsonObject> &json, QTextStream &out, QTextStream &err)
{
    const int exitCode = r.succeeded() ? ExitDone : ExitFailed;
    if (json) {
        out << QJsonDocument(reportJson(command, reader, *json, r, dryRun, exitCode)).toJson(QJsonDocument::Indented);
    } else {
        if (r.outcome == OperationReport::NothingToRestore && dryRun)
            out << "Nothing to restore!\n";
        if (!r.changes.empty()) {
            out << (dryRun ? "Dry run, nothing was changed. It would:\n" : "Changed:\n");
            for (const Change &c : r.changes)
                for (const QString &line : c.describe())
                    out << "  " << line << "\n";
        } else if (r.outcome == OperationReport::Completed) {
            out << (dryRun ? "Dry run: there is nothing to change, everything is so already.\n"
                           : "Nothing to do: everything was so already, and nothing was changed.\n");
        }
        if (!r.notDone.empty()) {
            out << (dryRun ? "It would leave:\n" : "Left as it was:\n");
            for (const NotDone &n : r.notDone)
                out << "  " << n.what << ": " << n.why << "\n";
        }
    }
    out.flush();
    if (exitCode == ExitDone)
        return ExitDone;
    failure(err, r.error);
    if (r.runningReader != -1)
        err << kProgram << ": to end it, run the command again with --end-reader" << Qt::endl;
    return ExitFailed;
}

QJsonObject prefixJson(const ReaderPrefix &p)
{
    return {
        {QStringLiteral("manager"), p.prefix.manager},
        {QStringLiteral("name"), p.prefix.name},
        {QStringLiteral("folder"), p.prefix.root},
        {QStringLiteral("reader_versions"), jsonList(p.readerVersions)},
        {QStringLiteral("wine"), QJsonObject{{QStringLiteral("description"), p.wine.description},
                                             {QStringLiteral("program"), p.wine.program},
                                             {QStringLiteral("arguments"), jsonList(p.wine.arguments)},
                                             {QStringLiteral("problem"), p.wine.problem.isEmpty()
                                                                             ? QJsonValue()
                                                                             : QJsonValue(p.wine.problem)}}},
        {QStringLiteral("problem"), p.problem.isEmpty() ? QJsonValue() : QJsonValue(p.problem)},
    };
}

// One line for a prefix among others: "Bottles "Reader": /home/...".
QString prefixLine(const ReaderPrefix &p)
{
    const QString manager = p.prefix.manager.isEmpty() ? QStringLiteral("Wine prefix") : p.prefix.manager;
    return QStringLiteral("%1 \"%2\": %3").arg(manager, p.prefix.name, p.prefix.root);
}

int listPrefixes(bool json, QTextStream &out)
{
    const std::vector<ReaderPrefix> all = surveyPrefixes();
    if (json) {
        QJsonArray list;
        for (const ReaderPrefix &p : all)
            list.append(prefixJson(p));
        QJsonObject all{{QStringLiteral("schema_version"), kJsonSchemaVersion},
                        {QStringLiteral("command"), QStringLiteral("prefixes")},
                        {QStringLiteral("prefixes"), list},
                        {QStringLiteral("searched"), jsonList(machine::searchPlaces())}};
        out << QJsonDocument(all).toJson(QJsonDocument::Indented);
        return ExitDone;
    }
    if (all.empty()) {
        out << "No Wine prefix was found. Looked in:\n";
        for (const QString &place : machine::searchPlaces())
            out << "  " << place << "\n";
        return ExitDone;
    }
    for (const ReaderPrefix &p : all) {
        out << prefixLine(p) << "\n"
            << "  Adobe Reader: "
            << (p.holdsReader() ? p.readerVersions.join(QStringLiteral(", ")) : QStringLiteral("none")) << "\n"
            << "  Wine:         " << p.wine.description
            << (p.wine.program == QLatin1String("wine") ? QString() : QStringLiteral(" (%1)").arg(p.wine.program)) << "\n";
        if (!p.wine.problem.isEmpty())
            out << "  Not run:      " << p.wine.problem << "\n";
        if (!p.problem.isEmpty())
            out << "  Problem:      " << p.problem << "\n";
    }
    return ExitDone;
}

// The machine to work on, chosen by the window's rule (named: --prefix);
// where that leaves the choice to the user, a script is told how to make it.
// Empty with why set when it is not clear.
QString chosenPrefix(const QString &named, QString &why)
{
    const machine::PrefixChoice choice = choosePrefixFor(named);
    if (choice.outcome == machine::PrefixChoice::Several) {
        QStringList lines;
        for (const ReaderPrefix &p : choice.candidates)
            lines << QStringLiteral("  ") + prefixLine(p) + QStringLiteral(" (Adobe Reader ")
                    + p.readerVersions.join(QStringLiteral(", ")) + QLatin1Char(')');
        why = QStringLiteral("Adobe Reader is installed in several Wine prefixes:\n%1\nChoose one with --prefix DIR")
                  .arg(lines.join(QLatin1Char('\n')));
    } else if (choice.outcome == machine::PrefixChoice::None && choice.root.isEmpty()) {
        why = QStringLiteral("No Wine prefix with Adobe Reader was found. Looked in:\n  %1\nGive the prefix with "
                             "--prefix DIR or set WINEPREFIX")
                  .arg(choice.placesLooked.join(QStringLiteral("\n  ")));
    }
    return choice.root;
}

} // namespace

int run(const QStringList &arguments, QTextStream &out, QTextStream &err)
{
    const Options o;
    const std::vector<Command> all = commands(o);
    const QString names = commandNames(all);
    QCommandLineParser global;
    global.setOptionsAfterPositionalArgumentsMode(QCommandLineParser::ParseAsPositionalArguments);
    global.addOptions(o.globals());
    global.addOption(o.help);
    global.addOption(o.version);
    global.addPositionalArgument(QStringLiteral("command"), names);
    if (!global.parse(arguments))
        return usageError(err, global.errorText());
    if (global.isSet(o.help)) {
        out << helpText(o);
        return ExitDone;
    }
    if (global.isSet(o.version)) {
        out << kProgram << " " QUORVANE_VERSION "\n";
        return ExitDone;
    }
    QStringList rest = global.positionalArguments();
    if (rest.isEmpty())
        return usageError(err, QStringLiteral("no command given (%1)").arg(names));
    const QString name = rest.takeFirst();
    const auto command = std::find_if(all.begin(), all.end(), [&](const Command &c) { return c.name == name; });
    if (command == all.end())
        return usageError(err, QStringLiteral("unknown command \"%1\" (%2)").arg(name, names));

    QCommandLineParser local;
    local.addOptions(o.globals());
    local.addOption(o.help);
    local.addOptions(command->options);
    if (!local.parse(QStringList{arguments.value(0)} + rest))
        return usageError(err, local.errorText());
    if (local.isSet(o.help)) {
        out << helpText(o, name);
        return ExitDone;
    }
    if (!local.positionalArguments().isEmpty())
        return usageError(err, QStringLiteral("unexpected argument \"%1\"").arg(local.positionalArguments().first()));
    auto isSet = [&](const QCommandLineOption &opt) { return local.isSet(opt) || global.isSet(opt); };
    auto value = [&](const QCommandLineOption &opt) -> std::optional<QString> {
        if (local.isSet(opt))
            return local.value(opt);
        if (global.isSet(opt))
            return global.value(opt);
        return std::nullopt;
    };

    if (name == QLatin1String("prefixes"))
        return listPrefixes(local.isSet(o.json), out);

    QString why;
    const QString root = chosenPrefix(value(o.prefix).value_or(QString()), why);
    if (!why.isEmpty() || !machine::choose(root, &why))
        return failure(err, why);
    // No window is registered: the batch file operation's errors go to
    // stderr, and a question it would ask is refused, never answered yes.

    Discovery found;
    const QString problem = findReader(value(o.readerVersion), value(o.readerFolder), err, found);
    if (!problem.isEmpty())
        return failure(err, problem);
    const ReaderInstallation &reader = found.reader;

    if (name == QLatin1String("status"))
        return status(reader, local.isSet(o.json), out);

    if (!directoryExists(reader.folder))
        return failure(err, QStringLiteral("The Adobe Reader folder \"%1\" does not exist %2. Give the "
                                           "folder that holds AcroRd32.exe with --reader-folder PATH")
                                .arg(reader.folder, machine::here()));
    const bool dryRun = local.isSet(o.dryRun);
    // The options as given, each under its name (dashes as underscores),
    // for the JSON report: the option table is its one source.
    std::optional<QJsonObject> json;
    if (local.isSet(o.json)) {
        json.emplace();
        auto key = [](const QCommandLineOption &opt) {
            return QString(opt.names().constLast()).replace(QLatin1Char('-'), QLatin1Char('_'));
        };
        // Global options may stand before the command too.
        for (const QCommandLineOption &opt : o.globals())
            json->insert(key(opt), opt.valueName().isEmpty() ? QJsonValue(isSet(opt))
                                   : value(opt)             ? QJsonValue(*value(opt))
                                                            : QJsonValue());
        for (const QCommandLineOption &opt : command->options) {
            if (!opt.valueName().isEmpty()) // --keep and --unload, each given many times over
                json->insert(key(opt), jsonList(local.values(opt)));
            else if (opt.names() != o.json.names())
                json->insert(key(opt), local.isSet(opt));
        }
    }
    QStringList shown;
    // The JSON is one object: no progress lines before it.
    const OperationHooks hooks = json ? OperationHooks() : printingHooks(out, shown);

    if (name == QLatin1String("restore")) {
        RestoreOptions options;
        options.endRunningReader = isSet(o.endReader);
        options.dryRun = dryRun;
        return report(name, reader, restore(reader, options, hooks), dryRun, json, out, err);
    }

    OptimizeOptions options;
    for (const BoxOption &b : o.boxes)
        if (local.isSet(b.option))
            options.*b.member = false;
    // --keep fits Reader 5 to 9, whose needed plug-ins are known; --unload
    // the later ones, whose are not.
    const bool known = preferences::plugInsKnown(reader.version);
    if (local.isSet(known ? o.unload : o.keep))
        return usageError(err, known ? QStringLiteral("--unload is for Reader X and later; Adobe Reader %1 unloads "
                                                      "every plug-in but EWH32 and search: keep one with --keep NAME")
                                           .arg(reader.version)
                                     : QStringLiteral("--keep is for Reader 5 to 9; Adobe Reader %1 unloads no "
                                                      "plug-in unless named: unload one with --unload NAME")
                                           .arg(reader.version));
    const QStringList unloadNames = local.values(o.unload);
    if (!unloadNames.isEmpty()) {
        QStringList loaded = plugInsLoaded(reader.folder);
        for (const QString &name : unloadNames) {
            const QStringList meant = plugInsNamed(loaded, name);
            if (meant.isEmpty())
                return failure(err, QStringLiteral("No plug-in \"%1\" is loaded; the loaded ones are: %2")
                                        .arg(name, loaded.join(QStringLiteral(", "))));
            options.unloadNamed += meant;
        }
    }
    // Searched only when a name is to be kept: the operation searches plug_ins itself.
    const QStringList keepNames = local.values(o.keep);
    QStringList loaded = keepNames.isEmpty() ? QStringList() : plugInsLoaded(reader.folder);
    loaded.sort(Qt::CaseInsensitive);
    for (const QString &keep : keepNames) {
        const QStringList meant = plugInsNamed(loaded, keep);
        if (meant.isEmpty()) {
            const bool copyOnly = !plugInsNamed(readerStatus(reader).notLoaded, keep).isEmpty();
            return failure(err, copyOnly ? QStringLiteral("\"%1\" is not loaded now: it is only in the safety copy. "
                                                          "Run restore first, then optimize with --keep %1")
                                               .arg(keep)
                                         : QStringLiteral("No plug-in \"%1\" is loaded; the loaded ones are: %2")
                                               .arg(keep, loaded.join(QStringLiteral(", "))));
        }
        options.keepLoaded += meant;
    }
    options.endRunningReader = isSet(o.endReader);
    options.dryRun = dryRun;
    return report(name, reader, optimize(reader, options, hooks), dryRun, json, out, err);
}

std::vector<OptionInfo> optionTable()
{
    const Options o;
    std::vector<OptionInfo> table;
    auto add = [&](const QCommandLineOption &opt, const QString &command) {
        const QString name = opt.names().constLast();
        auto it = std::find_if(table.begin(), table.end(), [&](const OptionInfo &i) { return i.name == name; });
        if (it == table.end()) {
            // Only --keep and --unload are given many times over.
            table.push_back({name, opt.valueName(), opt.description(),
                             opt.names() == o.keep.names() || opt.names() == o.unload.names(), {}});
            it = std::prev(table.end());
        }
        if (!command.isEmpty())
            it->commands << command;
    };
    for (const QCommandLineOption &opt : o.globals())
        add(opt, QString());
    for (const Command &c : commands(o))
        for (const QCommandLineOption &opt : c.options)
            add(opt, c.name);
    return table;
}

} // namespace qv::cli
