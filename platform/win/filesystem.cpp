// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvane developers
#include "platform/filesystem.h"

#include <windows.h>

#include <QFile>
#include <cerrno>
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>

#include "platform/textfileio.h"
#include "platform/win/walk.h"
#include "platform/win/wintext.h"
#include "platform/winerror.h"
#include "platform/winpath.h"

namespace qv {

namespace {

DWORD attributesOf(const QString &windowsPath)
{
    return windowsPath.isEmpty() ? INVALID_FILE_ATTRIBUTES : GetFileAttributesW(win::wide(windowsPath).c_str());
}

// The code of the last failed C runtime call as Windows numbers it.
int lastCode()
{
    return _doserrno ? int(_doserrno) : winerror::fromErrno(errno);
}

int textFileCode(int code)
{
    return code == ERROR_DISK_FULL || code == ERROR_HANDLE_DISK_FULL ? 101 : code;
}

// Every file below a folder; a link out of the tree is not followed.
void collectFiles(const QString &folder, QStringList &out)
{
    win::walk(folder, [&out](const QString &, const QString &rel, DWORD attributes) {
        if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
            out << rel;
            return false;
        }
        return !(attributes & FILE_ATTRIBUTE_REPARSE_POINT);
    });
}

} // namespace

bool fileExists(const QString &windowsPath)
{
    const DWORD a = attributesOf(windowsPath);
    return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

bool directoryExists(const QString &windowsPath)
{
    const DWORD a = attributesOf(windowsPath);
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

bool deleteFile(const QString &windowsPath)
{
    return DeleteFileW(win::wide(windowsPath).c_str());
}

bool makeFolder(const QString &windowsPath)
{
    // Each missing parent in turn, from the top.
    const QStringList parts = winpath::split(windowsPath);
    QString path = windowsPath.startsWith(QLatin1String("\\\\")) ? QStringLiteral("\\\\") : QString();
    for (const QString &part : parts) {
        path = path.isEmpty() || path.endsWith(QLatin1Char('\\')) ? path + part : path + QLatin1Char('\\') + part;
        if (!winpath::drive(path).isNull() && path.size() == 2)
            continue; // "C:" itself
        if (!directoryExists(path))
            CreateDirectoryW(win::wide(path).c_str(), nullptr);
    }
    return directoryExists(windowsPath);
}

bool removeEmptyFolder(const QString &windowsPath)
{
    return RemoveDirectoryW(win::wide(windowsPath).c_str());
}

QStringList filesBelow(const QString &windowsFolder)
{
    QStringList out;
    if (directoryExists(windowsFolder))
        collectFiles(windowsFolder, out);
    out.sort(Qt::CaseInsensitive);
    return out;
}

bool sameFileContent(const QString &windowsPathA, const QString &windowsPathB)
{
    QFile a(windowsPathA);
    QFile b(windowsPathB);
    if (!fileExists(windowsPathA) || !fileExists(windowsPathB))
        return false;
    if (!a.open(QIODevice::ReadOnly) || !b.open(QIODevice::ReadOnly) || a.size() != b.size())
        return false;
    constexpr qint64 chunk = 1 << 16;
    while (!a.atEnd()) {
        const QByteArray x = a.read(chunk);
        if (x.isEmpty() || x != b.read(chunk))
            return false;
    }
    return b.atEnd();
}

QString folderIdentity(const QString &windowsFolder)
{
    // The folder's final path, links and letter case resolved by the system.
    HANDLE h = CreateFileW(win::wide(windowsFolder).c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                           nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    QString identity;
    if (h != INVALID_HANDLE_VALUE) {
        wchar_t buffer[MAX_PATH * 4];
        const DWORD n = GetFinalPathNameByHandleW(h, buffer, DWORD(std::size(buffer)), FILE_NAME_NORMALIZED);
        if (n > 0 && n < std::size(buffer))
            identity = win::fromWide(buffer, n).toLower();
        CloseHandle(h);
    }
    return identity.isEmpty() ? windowsFolder.toLower() : identity;
}

uint32_t hostAttributes(const QString &hostPath, const QString &)
{
    const DWORD a = attributesOf(hostPath);
    return a == INVALID_FILE_ATTRIBUTES ? 0 : uint32_t(a) & faAnyFile;
}

std::vector<FoundEntry> findFiles(const QString &windowsFolderAndPattern, uint32_t mask)
{
    std::vector<FoundEntry> found;
    if (winpath::name(windowsFolderAndPattern).isEmpty())
        return found;
    // The system matches the pattern; the mask decides as it does for the
    // Wine prefix: an entry with an attribute outside it (read-only and
    // archive aside) is left out, and a volume label never counts.
    const uint32_t excluded = ~mask & (faHidden | faSysFile | faVolumeId | faDirectory);
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileW(win::wide(windowsFolderAndPattern).c_str(), &data);
    if (find == INVALID_HANDLE_VALUE)
        return found;
    do {
        const uint32_t attr = uint32_t(data.dwFileAttributes) & faAnyFile;
        if (!(attr & excluded))
            found.push_back(FoundEntry{win::fromWide(data.cFileName), attr, {}});
    } while (FindNextFileW(find, &data));
    FindClose(find);
    return found;
}

// ---------------------------------------------------------------------------

// The text file's machine part (textfileio.h), through the C runtime, whose
// _doserrno keeps the system's own code.

int textfileio::create(const QString &windowsPath)
{
    _doserrno = 0;
    const int fd = _wopen(win::wide(windowsPath).c_str(), _O_WRONLY | _O_CREAT | _O_TRUNC | _O_BINARY,
                          _S_IREAD | _S_IWRITE);
    if (fd < 0)
        throw InOutError(textFileCode(lastCode()));
    return fd;
}

qsizetype textfileio::write(int fd, const char *data, qsizetype size, int *code)
{
    _doserrno = 0;
    const int n = _write(fd, data, unsigned(size));
    if (n < 0)
        *code = textFileCode(lastCode());
    return n;
}

int textfileio::close(int fd)
{
    _doserrno = 0;
    return _close(fd) == 0 ? 0 : textFileCode(lastCode());
}

} // namespace qv
