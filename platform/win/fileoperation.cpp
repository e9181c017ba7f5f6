// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvane developers
#include "platform/fileoperation.h"

#include <windows.h>

#include <shellapi.h>

#include <string>

#include "platform/win/wintext.h"

namespace qv {

namespace {

FileOperationFailure g_lastFailure;

// A UTF-8 list of zero-separated entries (two zeros after the last) as the
// wide list the shell reads.
std::wstring wideList(const char *list)
{
    std::wstring out;
    if (!list)
        return std::wstring(2, L'\0');
    for (const char *p = list; *p; p += strlen(p) + 1) {
        out += win::wide(QString::fromUtf8(p));
        out += L'\0';
    }
    if (out.empty())
        out += L'\0';
    out += L'\0';
    return out;
}

QString captionOf(uint32_t func)
{
    switch (func) {
    case FO_MOVE: return QStringLiteral("Error Moving File or Folder");
    case FO_COPY: return QStringLiteral("Error Copying File or Folder");
    case FO_DELETE: return QStringLiteral("Error Deleting File or Folder");
    default: return QStringLiteral("Error Renaming File or Folder");
    }
}

} // namespace

int shFileOperation(ShFileOpStruct &op)
{
    const std::wstring from = wideList(op.pFrom);
    const std::wstring to = wideList(op.pTo);
    const std::wstring title = op.lpszProgressTitle ? win::wide(QString::fromUtf8(op.lpszProgressTitle)) : std::wstring();

    SHFILEOPSTRUCTW request = {};
    request.hwnd = static_cast<HWND>(op.hwnd);
    request.wFunc = op.wFunc;
    request.pFrom = from.c_str();
    request.pTo = to.c_str();
    request.fFlags = op.fFlags;
    request.lpszProgressTitle = op.lpszProgressTitle ? title.c_str() : nullptr;

    // A program that registered its windows lets the shell show its own
    // progress, questions and errors. Without them (a command line, a test)
    // the shell stays silent and its error goes to whoever answers for the
    // windows, as the batch operation of a Wine prefix does.
    const bool shellWindows = FileOperationUi::programWindowsAnswer();
    if (!shellWindows)
        request.fFlags |= FOF_SILENT | FOF_NOERRORUI;

    const int result = SHFileOperationW(&request);
    op.fAnyOperationsAborted = request.fAnyOperationsAborted;
    op.hNameMappings = request.hNameMappings;
    // The shell's own codes (DE_...) have no system text: the code says it then.
    const QString text = win::systemText(DWORD(result));
    const QString reason = text.isEmpty() ? QStringLiteral("The file operation failed (code %1).").arg(result)
                                          : QStringLiteral("%1 (code %2)").arg(text).arg(result);
    g_lastFailure = result == 0 ? FileOperationFailure{} : FileOperationFailure{result, QString(), reason};
    if (result != 0 && !shellWindows && !request.fAnyOperationsAborted) {
        const QString first = QString::fromUtf8(op.pFrom ? op.pFrom : "");
        FileOperationUi::instance().error(captionOf(op.wFunc), first, reason);
    }
    return result;
}

FileOperationFailure lastFileOperationFailure()
{
    return g_lastFailure;
}

} // namespace qv
