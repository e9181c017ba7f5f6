// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvane developers
#include "keltfileoperator.h"

#include "platform/error.h"
#include "platform/machine.h"

namespace {

constexpr uint16_t kShellBits[10] = {
    qv::FOF_ALLOWUNDO,         // opAllowUndo
    qv::FOF_CONFIRMMOUSE,      // opConfirmMouse
    qv::FOF_FILESONLY,         // opFilesOnly
    qv::FOF_MULTIDESTFILES,    // opMultiDestFiles
    qv::FOF_NOCONFIRMATION,    // opNoConfirmation
    qv::FOF_NOCONFIRMMKDIR,    // opNoConfirmMkDir
    qv::FOF_RENAMEONCOLLISION, // opRenameOnCollision
    qv::FOF_SILENT,            // opSilent
    qv::FOF_SIMPLEPROGRESS,    // opSimpleProgress
    qv::FOF_WANTMAPPINGHANDLE, // opWantMappingHandle
};

// Texts of the program's string table.
const char kMoving[] = "Moving...";
const char kCopying[] = "Copying...";
const char kDeleting[] = "Deleteing...";
const char kRenaming[] = "Renaming...";

} // namespace

TKELFileOperator::TKELFileOperator(QObject *owner) : TKELExecuteComponent(owner)
{
    m_request.fFlags = 0x0240; // [opAllowUndo, opNoConfirmMkDir]
}

TKELFileOperator::~TKELFileOperator() = default;

uint16_t TKELFileOperator::shellBit(TKELFileFlag flag)
{
    return flag <= opWantMappingHandle ? kShellBits[flag] : 0;
}

TKELFileFlags TKELFileOperator::Flags() const
{
    TKELFileFlags flags;
    for (int i = 0; i < 10; ++i)
        if (m_request.fFlags & kShellBits[i])
            flags.setFlag(TKELFileFlag(i));
    return flags;
}

void TKELFileOperator::setFlags(TKELFileFlags flags)
{
    uint16_t word = m_request.fFlags;
    for (int i = 0; i < 10; ++i) {
        if (flags.testFlag(TKELFileFlag(i)))
            word |= kShellBits[i];
        else
            word &= uint16_t(~kShellBits[i]);
    }
    m_request.fFlags = word;
}

int TKELFileOperator::callShell(qv::ShFileOpStruct &request)
{
    return qv::shFileOperation(request);
}

bool TKELFileOperator::Execute()
{
    switch (m_operation) {
    case opDeleteFile: m_request.wFunc = qv::FO_DELETE; break;
    case opMoveFile: m_request.wFunc = qv::FO_MOVE; break;
    case opRenameFile: m_request.wFunc = qv::FO_RENAME; break;
    default: m_request.wFunc = qv::FO_COPY; break;
    }

    switch (m_request.wFunc) {
    case qv::FO_MOVE: m_request.lpszProgressTitle = kMoving; break;
    case qv::FO_DELETE: m_request.lpszProgressTitle = kDeleting; break;
    case qv::FO_RENAME: m_request.lpszProgressTitle = kRenaming; break;
    default: m_request.lpszProgressTitle = kCopying; break;
    }

    // The appended backslash stays: callers may read DirFrom back.
    if (!m_dirFrom.isEmpty() && !m_dirFrom.endsWith(QLatin1Char('\\')))
        m_dirFrom += QLatin1Char('\\');

    if (m_operation != opDeleteFile && m_dirTo.isEmpty())
        throw qv::Error(QStringLiteral("Directory Information is invalid"));

    if (!m_dirFrom.isEmpty() && !qv::machine::setCurrentDirectory(m_dirFrom))
        throw qv::Error(QStringLiteral("Can not locate current Directory"));

    bool result = false;
    if (!m_filesFrom.isEmpty()) {
        const QByteArray from = qv::fileOperationList(m_filesFrom, m_dirFrom);
        const QByteArray to = qv::fileOperationList({m_dirTo});
        m_request.pFrom = from.constData();
        m_request.pTo = to.constData();
        result = callShell(m_request) == 0;
        m_request.pFrom = nullptr;
        m_request.pTo = nullptr;

        if (result) {
            switch (m_request.wFunc) {
            case qv::FO_MOVE: emit OnSuccessMove(this); break;
            case qv::FO_DELETE: emit OnSuccessDelete(this); break;
            case qv::FO_RENAME: emit OnSuccessRename(this); break;
            default: emit OnSuccessCopy(this); break;
            }
        }
    }
    if (!result) {
        switch (m_request.wFunc) {
        case qv::FO_MOVE: emit OnFailMove(this); break;
        case qv::FO_DELETE: emit OnFailDelete(this); break;
        case qv::FO_RENAME: emit OnFailRename(this); break;
        default: emit OnFailCopy(this); break;
        }
    }
    emit OnDone(this);
    return result;
}
