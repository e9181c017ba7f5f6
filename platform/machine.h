// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvane developers
#pragma once

#include <QString>
#include <QStringList>
#include <memory>
#include <vector>

// The machine Quorvane works on: a Wine prefix on Linux, the computer itself
// on Windows. What differs between the two, and what the floors above need
// of it, is here, as functions each machine answers; everything else speaks
// of Windows paths and registry keys. Nothing above asks which system it is
// built for.
namespace qv {

// A Wine prefix found on the machine.
struct FoundPrefix
{
    // Who keeps it: "Wine" (~/.wine), "Bottles", "PlayOnLinux", "Lutris",
    // "CrossOver", "winetricks"; empty for a folder no manager claims.
    QString manager;
    QString name; // the manager's name for it (the bottle, the game); the folder's name otherwise
    QString root; // the host folder
};

// The Wine build of a prefix: the program to run, the arguments that come
// before the Windows program, and what to call it for people.
struct WineBuild
{
    QString program;        // an absolute path, or "wine", looked up on PATH
    QStringList arguments;  // before the Windows program (CrossOver: --bottle NAME)
    QString description;    // "Bottles runner soda-7.0-9", "wine on PATH"
    // Why the build is not one to run, as the end of a sentence naming it:
    // a pinned runner that leads out of its manager's runners folder, or
    // is no executable file. Nothing is started with such a build, nor
    // with another Wine in its place. Empty for a build to run.
    QString problem;
};

// A prefix found on the machine, with what a user needs to choose it.
struct ReaderPrefix
{
    FoundPrefix prefix;
    // The Adobe Reader versions its machine registry lists, in either view
    // (a 64-bit prefix keeps a 32-bit Reader's keys below Wow6432Node).
    QStringList readerVersions;
    WineBuild wine;
    QString problem; // its registry could not be read; empty when it could

    bool holdsReader() const { return !readerVersions.isEmpty(); }
};

// Those that hold a Reader.
inline std::vector<ReaderPrefix> withReader(const std::vector<ReaderPrefix> &prefixes)
{
    std::vector<ReaderPrefix> out;
    for (const ReaderPrefix &p : prefixes)
        if (p.holdsReader())
            out.push_back(p);
    return out;
}

namespace machine {

// Whether the machine is one of the Wine prefixes its user keeps, to be
// found and chosen (Linux), rather than the computer itself (Windows).
bool hasPrefixes();

// A folder Wine would take for a prefix: it holds system.reg and drive_c.
// Never on Windows.
bool isPrefix(const QString &folder);
// The places the survey looks in, as host paths with "*" for "every folder
// in"; none on Windows.
QStringList searchPlaces();

// Every prefix the machine's prefix managers keep, each with the versions
// its machine registry lists below versionsKey (HKEY_LOCAL_MACHINE, either
// view) and its Wine build. Empty on Windows. Only read: no prefix but the
// chosen one is ever opened through the registry accessor.
std::vector<ReaderPrefix> surveyPrefixes(const QString &versionsKey);

// Which machine to work on, by the one rule the window and quorvane-cli
// share: a prefix named (--prefix, else $WINEPREFIX) is taken as it is;
// else the one prefix that holds a Reader; several are for the user to
// choose among; with none, ~/.wine when it is a prefix. On Windows the
// machine is the computer: whatever was named is handed on, for choose()
// to refuse.
struct PrefixChoice
{
    enum Outcome {
        Named,   // root: what was named (empty on Windows: the computer)
        Found,   // root: the one prefix that holds a Reader
        Several, // candidates: the prefixes that hold one
        None,    // none holds one: root is ~/.wine when it is a prefix, else empty
    };
    Outcome outcome = Named;
    QString root;
    std::vector<ReaderPrefix> candidates;
    QStringList placesLooked; // for None
};
PrefixChoice choosePrefix(const QString &named, const QString &versionsKey);

// Chooses the machine. folder: a Wine prefix's folder, or empty for the
// default ($WINEPREFIX, else ~/.wine). On Windows the machine is the
// computer, and only an empty folder is accepted. False, with a sentence
// for the user of quorvane-cli in why, when there is no such machine.
bool choose(const QString &folder, QString *why = nullptr);
// Whether the chosen machine is there to work on, and when not, one
// sentence for the user of the window: where we looked and how to pick another.
bool exists();
QString missingMessage();

// What the machine is, for a status line: "Prefix" and its folder, or
// "Computer" and the computer's name.
QString kind();
QString name();
// Where a Reader is, in a message: "in this prefix", "on this computer".
QString here();
// Where Quorvane works, said of any machine of the kind: "in a Wine
// prefix", "on this computer"; and the machine itself: "the prefix", "the
// computer".
QString where();
QString theMachine();

// Quorvane's own state folder on the host, where its log goes (a host path,
// made by whoever writes there): $XDG_STATE_HOME/quorvane, else
// ~/.local/state/quorvane; on Windows %LOCALAPPDATA%\Quorvane.
QString stateFolder();

// Where a change aimed by a value read from the machine may land. Shell
// folders, Reader's folder and file names come from the registry and disks
// of the machine, which on a Wine prefix is data from elsewhere (an imported
// bottle, a copied prefix): through drive Z: a value may name any folder of
// the host. Prefix: inside the prefix's own folder (Reader's folder and
// what is kept beside it). UserFolders: inside the prefix's drive C:, or in
// the user's own desktop, documents and menu folders (where Wine links the
// prefix's desktop and documents, and where launchers go). On Windows the
// computer is the user's own: no place is refused.
enum class Destination { Prefix, UserFolders };
// Empty when a change may land at windowsPath (resolved through every link
// as far as it exists); otherwise why not, as the end of a sentence naming
// it: "leads to "/home/ann/.config/autostart", outside ...".
QString destinationProblem(const QString &windowsPath, Destination kind);

// The face the layouts' "MS Sans Serif" is drawn with before the free
// substitutes: Windows' own TrueType one ("MS Sans Serif" proper is a bitmap
// font, which Qt passes over); empty where the machine has none.
QString layoutFace();

// The process's current folder as a Windows path, and changing it (false
// when the folder does not exist).
QString currentDirectory();
bool setCurrentDirectory(const QString &windowsPath);

// A Windows program started detached (Wine: with the prefix's own Wine
// build, as WineStart does; Windows: the shell's "open"), and watched for
// the moments in which it could still fail to start. Nothing waits for it.
class ProgramStart
{
public:
    enum State {
        Running, // still running, or not yet known to have failed
        Failed,  // could not be started, or ended at once with an error
        Ended,   // ended on its own, or handed to the shell, without an error
    };

    explicit ProgramStart(const QString &windowsProgram);
    ~ProgramStart();
    ProgramStart(const ProgramStart &) = delete;
    ProgramStart &operator=(const ProgramStart &) = delete;

    // How the program stands now; never waits.
    State poll();
    // Polls until it is no longer running or ms have passed.
    State wait(int ms);
    // For Failed: a sentence for the user saying what went wrong.
    QString failure() const;

    // How long a start is worth watching for an early failure.
    static int watchMs();

private:
    struct Watch;
    std::unique_ptr<Watch> d;
};

// Starts a Windows program and waits out the moments in which it could fail
// to start. False, with a sentence for the user in why, when it failed.
inline bool startProgram(const QString &windowsProgram, QString *why = nullptr)
{
    ProgramStart start(windowsProgram);
    if (start.wait(ProgramStart::watchMs()) != ProgramStart::Failed)
        return true;
    if (why)
        *why = start.failure();
    return false;
}

} // namespace machine
} // namespace qv
