// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvane developers
#pragma once

#include <QString>
#include <QStringList>
#include <cstdint>
#include <vector>

#include "platform/error.h"

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
    ~TextFile();
    void rewrite();                       // create, replacing a file of that name
    void writeLine(const QByteArray &line);
    void close();

private:
    QString m_windowsPath;
    int m_fd = -1;
};

} // namespace qv
