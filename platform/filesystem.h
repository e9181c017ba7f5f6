// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvane developers
#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <vector>

#include "platform/error.h"
#include "platform/resolvedfolder.h"

namespace qv {

// File services on Windows paths of the current Wine prefix.

// True only for an existing file (not a folder).
bool fileExists(const QString &windowsPath);
// True only for an existing folder.
bool directoryExists(const QString &windowsPath);
// Removes one file; false when it could not.
bool deleteFile(const QString &windowsPath);

// Makes a folder and any missing parents; true when it exists afterwards.
bool makeFolder(const QString &windowsPath);
// Removes a folder only when it is empty; false otherwise.
bool removeEmptyFolder(const QString &windowsPath);
// Every file below a folder, hidden ones too, as paths relative to it with
// backslashes ("a.api", "sub\b.api"), sorted without regard to case. Links
// to folders are not followed; links to nothing and the temporary files of
// an interrupted copy (atomicfile.h) are no files. Empty when the folder is missing.
QStringList filesBelow(const QString &windowsFolder);
// The symbolic links below a folder that lead nowhere, as filesBelow gives
// paths. On Windows: reparse points whose target is missing.
QStringList linksToNothingBelow(const QString &windowsFolder);
// Removes what interrupted copies and saves left below a folder (their
// temporary files, atomicfile.h); gives back how many went. On Windows the
// shell's batch operation leaves none of ours: nothing to remove.
int removeLeftoverTemporaries(const QString &windowsFolder);
// The first maxBytes bytes of a file (all of a smaller one); empty when it
// cannot be read.
QByteArray readFileStart(const QString &windowsPath, qsizetype maxBytes);
// True when both paths are files holding the same bytes.
bool sameFileContent(const QString &windowsPathA, const QString &windowsPathB);
// What a folder is, whichever path leads to it: the same text for two paths
// that reach one folder (through a link, say). A folder that does not exist
// is known by its path.
QString folderIdentity(const QString &windowsFolder);

// Attribute bits as Windows reports them.
enum : uint32_t {
    faReadOnly = 0x01,
    faHidden = 0x02,
    faSysFile = 0x04,
    faVolumeId = 0x08,
    faDirectory = 0x10,
    faArchive = 0x20,
    faAnyFile = 0x3F,
};

struct FoundEntry
{
    QString name;
    uint32_t attributes = 0;
    // The name as the machine spells it (resolvedfolder.h); given by the
    // search below a resolved folder.
    QByteArray machineName;
};

// The entries of a folder matching a wildcard pattern (Windows' rules, see
// platform/wildcard.h: "*.api", "*.*", "*."), in the file system's enumeration order, "." and ".."
// included as Windows lists them. An entry counts when it has none of the
// attributes outside mask except read-only and archive, which always count;
// a volume label never matches. Hidden: a name starting with a dot, or
// Wine's user.DOSATTRIB attribute saying hidden or system.
std::vector<FoundEntry> findFiles(const QString &windowsFolderAndPattern, uint32_t mask);
// The attributes Windows would report for a host file (name: its last component).
uint32_t hostAttributes(const QString &hostPath, const QString &name);

// The same services below a folder an operation found once
// (resolvedfolder.h): names relative to it, matched without regard to case;
// the folder's own path is not looked up again. A folder not found holds
// nothing.
bool fileExists(const ResolvedFolder &folder, const QByteArray &name);
// An empty name asks for the folder itself.
bool directoryExists(const ResolvedFolder &folder, const QByteArray &name);
// A file or a folder (for a link: what it leads to).
bool entryExists(const ResolvedFolder &folder, const QByteArray &name);
bool deleteFile(const ResolvedFolder &folder, const QByteArray &name);
// Gives the file "from" directly in the folder the name "to" there, in one
// step that replaces a file of that name: a reader sees the old file or the
// new one, never half of either. A link in either place is taken as the
// link, never followed. False when it could not.
bool renameInFolder(const ResolvedFolder &folder, const QByteArray &from, const QByteArray &to);
// Makes the folder below, and any missing folder on the way (the resolved
// folder itself too, when it is missing).
bool makeFolder(const ResolvedFolder &folder, const QByteArray &name);
bool removeEmptyFolder(const ResolvedFolder &folder, const QByteArray &name);
// As the faces above on Windows paths, the names in the same order.
QList<QByteArray> filesBelow(const ResolvedFolder &folder);
QList<QByteArray> linksToNothingBelow(const ResolvedFolder &folder);
int removeLeftoverTemporaries(const ResolvedFolder &folder);
QByteArray readFileStart(const ResolvedFolder &folder, const QByteArray &name, qsizetype maxBytes);
bool sameFileContent(const ResolvedFolder &folderA, const QByteArray &nameA, const ResolvedFolder &folderB,
                     const QByteArray &nameB);
// The same text for two names that reach one folder; a missing folder is
// known by its Windows path.
QString folderIdentity(const ResolvedFolder &folder, const QByteArray &subFolder);
// The entries of subFolder (empty: the folder itself) that match pattern,
// as findFiles on a Windows path gives them, each with its machineName.
std::vector<FoundEntry> findFiles(const ResolvedFolder &folder, const QByteArray &subFolder, const QString &pattern,
                                  uint32_t mask);

// An input/output error of the text file, with the operating system's code.
class InOutError : public Error
{
public:
    explicit InOutError(int code);
    int code() const { return m_code; }
    static QString messageFor(int code);
    // The code for an errno value: Windows' (winerror.h; ENOENT 2, EACCES 5),
    // but a full disk, like a short write, gives 101, "Disk full".
    static int codeFromErrno(int err);

private:
    int m_code;
};

// A single-byte text file written line by line, each line ended by CR LF.
// Every failure throws InOutError.
class TextFile
{
public:
    explicit TextFile(const QString &windowsPath);
    // A file below a resolved folder.
    TextFile(const ResolvedFolder &folder, const QByteArray &name);
    ~TextFile();
    void rewrite();                       // create, replacing a file of that name
    void writeLine(const QByteArray &line);
    void close();

private:
    QString m_windowsPath;
    ResolvedFolder m_folder;
    QByteArray m_name;
    int m_fd = -1;
};

} // namespace qv
