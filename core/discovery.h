// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvane developers
#pragma once

#include <QString>
#include <QStringList>
#include <optional>

namespace qv {

// The Reader installation Quorvane works on, as start-up finds it. Folders
// are Windows paths without a closing backslash.
struct ReaderInstallation
{
    QString language = QStringLiteral("English"); // the interface language of the system
    QStringList versionsFound; // subkeys of the versions key, in the registry's order
    QString version;           // the version worked on
    QString folder;            // its installation folder, as stored or given
    QString commonProgramsFolder;
    QString commonDesktopFolder;
    QString personalFolder; // machine-wide only; usually empty
    bool printMeFolderFound = false;
    bool readerDesktopIconFound = false;
};

// A question only the user can answer, with the texts the input box shows.
struct DiscoveryQuestion
{
    enum Kind { Version, Folder };
    Kind kind = Version;
    QString caption;
    QString prompt;
    QString proposal; // the box's default, what Cancel gives
};

// The answers to the questions, as far as the caller has them.
struct DiscoveryAnswers
{
    std::optional<QString> version;
    std::optional<QString> folder;
};

struct Discovery
{
    ReaderInstallation reader; // as far as discovery got
    // The status memo's lines once discovery has reached them.
    std::optional<QStringList> memo;
    // Set when discovery needs an answer it was not given: ask, add the
    // answer, and discover again.
    std::optional<DiscoveryQuestion> question;
    // Set when a step failed (a value of the wrong type); the later steps
    // did not run.
    QString error;

    bool complete() const { return !question && error.isEmpty(); }
};

// Finds the installation from the registry and the file system, reading
// only. A single installed version is taken without a question; none or
// several ask for the version, and a version without "InstallPath" asks
// for the folder. An answer counts only for a question that arises.
Discovery discoverReader(const DiscoveryAnswers &answers = {});

// The interface language for the system's "InstallLanguage" code, or for
// its "Locale" when that is empty: the code's third and fourth characters,
// compared exactly.
QString languageFromCodes(const QString &installLanguage, const QString &locale);

} // namespace qv
