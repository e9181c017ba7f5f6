// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvane developers
#include "mainform.h"

#include <QScopeGuard>

#include "keltfileoperator.h"
#include "core/operations.h"
#include "platform/application.h"
#include "platform/dialogs.h"
#include "platform/error.h"

qv::ReaderInstallation TForm1::installation() const
{
    qv::ReaderInstallation r;
    r.language = Language;
    r.version = ReaderVersion;
    r.folder = ReaderFolder;
    r.commonProgramsFolder = CommonProgramsFolder;
    r.commonDesktopFolder = CommonDesktopFolder;
    r.personalFolder = PersonalFolder;
    r.printMeFolderFound = PrintMeFolderFound;
    r.readerDesktopIconFound = ReaderDesktopIconFound;
    return r;
}

qv::OperationHooks TForm1::operationHooks(TFlatButton *button)
{
    qv::OperationHooks hooks;
    // Once the checks have passed the button is greyed: an operation that
    // completes runs once per run. A refusal, a failure or work left undone
    // leaves it for another try.
    hooks.started = [this, button] {
        button->setEnabled(false);
        Memo->clear();
    };
    hooks.memo = [this](const QStringList &lines) {
        Memo->clear();
        for (const QString &line : lines)
            Memo->addLine(line);
    };
    // The window's own components carry the batches: FO1 copies, FO2 deletes.
    hooks.runBatch = [this](const qv::FileBatch &batch) {
        TKELFileOperator *fo = batch.kind == qv::FileBatch::Copy ? FO1 : FO2;
        const TKELFileFlags flags = fo->Flags();
        auto restoreFlags = qScopeGuard([&] { fo->setFlags(flags); });
        if (batch.kind == qv::FileBatch::Trash)
            fo->setFlags(TKELFileFlags(flags).setFlag(opAllowUndo));
        fo->FilesFrom().clear();
        fo->FilesFrom() << batch.from;
        if (batch.kind == qv::FileBatch::Copy)
            fo->setDirTo(batch.to);
        fo->Execute();
    };
    return hooks;
}

void TForm1::refreshPlugInListAfterChange()
{
    // The list shows what Reader does not load: after the folders changed,
    // and also after an error part-way, it is read again. A failure here must
    // not hide the operation's own result or error.
    try {
        FillPlugInList();
    } catch (...) {
    }
}

void TForm1::finishOperation(const qv::OperationReport &report, TFlatButton *button)
{
    // Read again once the folders may have changed, before the question so
    // the list is right while it shows; "Nothing to restore!" changed nothing.
    if (report.started && report.outcome != qv::OperationReport::NothingToRestore)
        refreshPlugInListAfterChange();
    if (!report.succeeded()) {
        // What was not done can be tried again once its cause is dealt with.
        button->setEnabled(true);
        throw qv::Error(report.error);
    }
    if (report.closingQuestion.isEmpty())
        return;
    if (qv::Dialogs::instance().messageBox(this, report.closingQuestion, QStringLiteral("Information"),
                                           qv::Dialogs::YesNo, qv::Dialogs::NoIcon)
        == qv::Dialogs::ResultYes)
        qv::Shell::instance().open(this, report.readerProgram);
}

void TForm1::FlatButton1Click()
{
    qv::guarded([&] {
        qv::OptimizeOptions options;
        options.noSplash = FlatCheckBox1->Checked();
        options.noAds = FlatCheckBox2->Checked();
        options.noUpdates = FlatCheckBox3->Checked();
        options.noEBooks = FlatCheckBox4->Checked();
        options.noPrintMe = FlatCheckBox5->Checked();
        options.noReaderIcon = FlatCheckBox6->Checked();
        options.fastConnection = FlatCheckBox7->Checked();
        options.noBrowser = FlatCheckBox8->Checked();
        options.noExitQuestion = FlatCheckBox9->Checked();
        options.noRecentFiles = FlatCheckBox10->Checked();
        options.unloadPlugIns = FlatCheckBox11->Checked();
        if (options.unloadPlugIns)
            options.keepLoaded = pluginsKeptLoaded();
        options.endRunningReader = true; // the window ends Reader without asking
        finishOperation(qv::optimize(installation(), options, operationHooks(FlatButton1)), FlatButton1);
    });
}

void TForm1::FlatButton2Click()
{
    qv::guarded([&] {
        qv::RestoreOptions options;
        options.endRunningReader = true;
        finishOperation(qv::restore(installation(), options, operationHooks(FlatButton2)), FlatButton2);
    });
}
