#pragma once

#include <QString>

// The machine Quorvane works on: a Wine prefix on Linux, the computer itself
// on Windows. What differs between the two, and what the floors above need
// of it, is here; everything else speaks of Windows paths and registry keys.
namespace qv::machine {

// Chooses the machine. where: a Wine prefix's folder, or empty for the
// default ($WINEPREFIX, else ~/.wine). On Windows the machine is the
// computer, and only an empty where is accepted. False, with a sentence
// for the user in why, when there is no such machine.
bool choose(const QString &where, QString *why);
// Whether the chosen machine is there to work on, and when not, one
// sentence for the user: where we looked and how to pick another.
bool exists();
QString missingMessage();

// What the machine is, for a status line: "Prefix" and its folder, or
// "Computer" and the computer's name.
QString kind();
QString name();
// Where a Reader is, in a message: "in this prefix", "on this computer".
QString here();

// The process's current folder as a Windows path, and changing it (false
// when the folder does not exist).
QString currentDirectory();
bool setCurrentDirectory(const QString &windowsPath);

// Starts a Windows program detached (Windows: the shell's "open"; Wine:
// wine in the same prefix). Nothing waits for it. False, with a sentence
// for the user in why, when it could not be started.
bool startProgram(const QString &windowsProgram, QString *why = nullptr);

} // namespace qv::machine
