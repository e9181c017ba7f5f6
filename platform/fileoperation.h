// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvane developers
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <cstdint>

#include "platform/winerror.h"

namespace qv {

// The shell's batch file operation: one call copies, moves, deletes or
// renames a list of files and folders of the current Wine prefix, showing
// the shell's own progress, question and error windows, and returns 0 on
// success. Paths are Windows paths (wildcards allowed in the last
// component); the lists are UTF-8 byte strings (a name's bytes that are no
// UTF-8 kept as they are, namebytes.h), entries separated by one zero byte
// and ended by two.

// Operation codes (wFunc).
enum : uint32_t {
    FO_MOVE = 1,
    FO_COPY = 2,
    FO_DELETE = 3,
    FO_RENAME = 4,
};

// Flag bits (fFlags).
enum : uint16_t {
    FOF_MULTIDESTFILES = 0x0001,
    FOF_CONFIRMMOUSE = 0x0002,
    FOF_SILENT = 0x0004,
    FOF_RENAMEONCOLLISION = 0x0008,
    FOF_NOCONFIRMATION = 0x0010,
    FOF_WANTMAPPINGHANDLE = 0x0020,
    FOF_ALLOWUNDO = 0x0040,
    FOF_FILESONLY = 0x0080,
    FOF_SIMPLEPROGRESS = 0x0100,
    FOF_NOCONFIRMMKDIR = 0x0200,
};

// Results other than 0: Windows' error codes, and two of the shell's own.
// A failure of the system gives the code of its class (winerror.h).
enum : int {
    FileOpFileNotFound = winerror::FileNotFound,
    FileOpPathNotFound = winerror::PathNotFound,
    FileOpAccessDenied = winerror::AccessDenied,
    FileOpInvalidParameter = winerror::InvalidParameter,
    FileOpDiskFull = winerror::DiskFull,
    FileOpAlreadyExists = winerror::AlreadyExists,
    FileOpFileTooLarge = winerror::FileTooLarge,
    FileOpCancelled = winerror::Cancelled,
    FileOpIoError = winerror::IoDevice,
    FileOpSameFile = 0x71,
    FileOpDestinationInsideSource = 0x76,
};

// The request record, laid out field by field as the shell's.
struct ShFileOpStruct
{
    void *hwnd = nullptr;               // owner window; the windows are top-level
    uint32_t wFunc = 0;
    const char *pFrom = nullptr;
    const char *pTo = nullptr;
    uint16_t fFlags = 0;
    bool fAnyOperationsAborted = false; // set when the user skipped or cancelled
    void *hNameMappings = nullptr;      // never filled on this platform
    const char *lpszProgressTitle = nullptr;
};

// A list in the form pFrom and pTo take: each entry after folder, in UTF-8
// (names as their bytes, namebytes.h) and ended by a zero byte, and one more zero byte
// after the last. The one way both the core and TKELFileOperator build it.
QByteArray fileOperationList(const QStringList &entries, const QString &folder = QString());

// Runs the batch to completion. 0 on success; a cancel by the user gives
// FileOpCancelled and sets fAnyOperationsAborted. Temporary files that an
// interrupted copy left (atomicfile.h) are never copied or moved.
int shFileOperation(ShFileOpStruct &op);

// Why the last batch of this program failed, as its error window said it:
// the result code, the file and the reason (code 0: the last batch went
// through). Callers that only see that a file did not arrive tell the user
// the real cause from here. On Windows: the code SHFileOperation returned,
// worded by winerror.h, with no file.
struct FileOperationFailure
{
    int code = 0;
    QString file;   // Windows path; may be empty
    QString reason; // one or two sentences
};
FileOperationFailure lastFileOperationFailure();

// The windows of the batch operation, behind an interface so tests can
// record and answer them and a program without a window still hears of its errors.
class FileOperationUi
{
public:
    enum Answer { Yes, YesToAll, No, Cancel };

    struct Progress
    {
        QString title;        // the progress title, or the operation's own
        QString currentFile;  // Windows path; empty under simple progress
        qint64 bytesDone = 0;
        qint64 bytesTotal = 0;
        int itemsDone = 0;
        int itemsTotal = 0;
    };

    virtual ~FileOperationUi() = default;

    // A batch starts; not called under the silent flag.
    virtual void progressBegin(const QString &title) = 0;
    // Called at every file and every few megabytes; false when the user
    // pressed Cancel. The window itself appears only once the batch has run
    // for about half a second.
    virtual bool progressUpdate(const Progress &progress) = 0;
    virtual void progressEnd() = 0;

    // The error window: which file, and why.
    virtual void error(const QString &caption, const QString &file, const QString &reason) = 0;
    // "Replace the existing file?" (target, source: Windows paths).
    virtual Answer confirmReplace(const QString &target, const QString &source) = 0;
    // "The folder does not exist. Create it?"
    virtual Answer confirmMakeFolder(const QString &folder) = 0;

    // The windows in use: a test's own, else the windows main() registered
    // (platform/ui), else the window-free ones (platform/windowless.h), which
    // keep the errors and refuse the questions.
    static FileOperationUi &instance();
    // For tests; takes no ownership; nullptr brings back what main() registered.
    static void setInstance(FileOperationUi *ui);
    // For main(): the program's windows. Takes no ownership.
    static void registerWindows(FileOperationUi *ui);
    // Whether the program's windows answer: registered, and no test's own.
    static bool programWindowsAnswer();
};

} // namespace qv
