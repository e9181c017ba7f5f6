// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvane developers
#pragma once

#include <memory>

#include "platform/dialogs.h"
#include "platform/fileoperation.h"
#include "platform/windowless.h"

// The windows the machine shows, for the program that has a window.
namespace qv::ui {

// Registers the windows below as the program's Dialogs, Shell and
// FileOperationUi. main() calls it once its QApplication exists.
void registerWindows();

// The input box and the message boxes.
class WindowDialogs : public Dialogs
{
public:
    QString inputBox(const QString &caption, const QString &prompt, const QString &def) override;
    Result messageBox(QWidget *owner, const QString &text, const QString &caption, Buttons buttons,
                      Icon icon) override;
};

// Web addresses through the desktop's browser; programs as the machine starts
// them, a failure to start one shown in the error box.
class WindowShell : public Shell
{
public:
    void open(QWidget *owner, const QString &target) override;
};

// The batch file operation's progress window, questions and error boxes.
// Where no QApplication runs, it does what the windowless one does.
class FileOperationWindows : public FileOperationUi
{
public:
    FileOperationWindows();
    ~FileOperationWindows() override;
    void progressBegin(const QString &title) override;
    bool progressUpdate(const Progress &progress) override;
    void progressEnd() override;
    void error(const QString &caption, const QString &file, const QString &reason) override;
    Answer confirmReplace(const QString &target, const QString &source) override;
    Answer confirmMakeFolder(const QString &folder) override;

private:
    struct State;
    std::unique_ptr<State> d;
    WindowlessFileOperationUi m_windowless;
};

} // namespace qv::ui
