// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvane developers
#include "platform/machine.h"

#include <windows.h>

#include <shellapi.h>

#include <vector>

#include "platform/win/wintext.h"
#include "platform/winerror.h"

namespace qv::win {

QString systemText(unsigned long code)
{
    wchar_t *buffer = nullptr;
    const DWORD n = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM
                                       | FORMAT_MESSAGE_IGNORE_INSERTS,
                                   nullptr, code, 0, reinterpret_cast<wchar_t *>(&buffer), 0, nullptr);
    QString text = n ? fromWide(buffer, n).trimmed() : winerror::systemText(int(code));
    LocalFree(buffer);
    return text;
}

} // namespace qv::win

// The machine is the computer Quorvane runs on: there are no prefixes to
// find or choose.
namespace qv::machine {

bool hasPrefixes()
{
    return false;
}

bool isPrefix(const QString &)
{
    return false;
}

QStringList searchPlaces()
{
    return {};
}

std::vector<ReaderPrefix> surveyPrefixes(const QString &)
{
    return {};
}

PrefixChoice choosePrefix(const QString &named, const QString &)
{
    PrefixChoice choice;
    choice.root = named; // choose() refuses anything but the computer
    return choice;
}

bool choose(const QString &folder, QString *why)
{
    if (folder.isEmpty())
        return true;
    if (why)
        *why = QStringLiteral("On Windows Quorvane works on this computer's own Adobe Reader; a Wine prefix "
                              "(\"%1\") can only be chosen on Linux. Leave out --prefix")
                   .arg(folder);
    return false;
}

bool exists()
{
    return true;
}

QString missingMessage()
{
    return QString();
}

QString kind()
{
    return QStringLiteral("Computer");
}

QString name()
{
    wchar_t buffer[MAX_COMPUTERNAME_LENGTH + 1];
    DWORD size = MAX_COMPUTERNAME_LENGTH + 1;
    return GetComputerNameW(buffer, &size) ? win::fromWide(buffer, size) : QStringLiteral("this computer");
}

QString stateFolder()
{
    const QString base = qEnvironmentVariable("LOCALAPPDATA");
    return base.isEmpty() ? QString() : base + QStringLiteral("\\Quorvane"); // none: no log
}

QString here()
{
    return QStringLiteral("on this computer");
}

QString where()
{
    return QStringLiteral("on this computer");
}

QString theMachine()
{
    return QStringLiteral("the computer");
}

// The computer and its folders are the user's own.
QString destinationProblem(const QString &, Destination)
{
    return QString();
}

QString layoutFace()
{
    // A Wine without the face falls through to the free substitutes behind it.
    return QStringLiteral("Microsoft Sans Serif");
}

QString currentDirectory()
{
    const DWORD size = GetCurrentDirectoryW(0, nullptr);
    std::vector<wchar_t> buffer(size + 1);
    const DWORD n = GetCurrentDirectoryW(DWORD(buffer.size()), buffer.data());
    return win::fromWide(buffer.data(), n);
}

bool setCurrentDirectory(const QString &windowsPath)
{
    return SetCurrentDirectoryW(win::wide(windowsPath).c_str());
}

// The shell takes the program or refuses it at once: nothing is left to watch.
struct ProgramStart::Watch
{
    QString failure;
};

ProgramStart::ProgramStart(const QString &windowsProgram) : d(std::make_unique<Watch>())
{
    // ShellExecute answers a number above 32 on success, else an error code.
    const auto result = reinterpret_cast<INT_PTR>(
        ShellExecuteW(nullptr, L"open", win::wide(windowsProgram).c_str(), nullptr, nullptr, SW_SHOW));
    if (result <= 32)
        d->failure = QStringLiteral("%1 Start the program yourself.").arg(win::systemText(DWORD(result)));
}

ProgramStart::~ProgramStart() = default;

ProgramStart::State ProgramStart::poll()
{
    return d->failure.isEmpty() ? Ended : Failed;
}

ProgramStart::State ProgramStart::wait(int)
{
    return poll();
}

QString ProgramStart::failure() const
{
    return d->failure;
}

int ProgramStart::watchMs()
{
    return 0;
}

} // namespace qv::machine
