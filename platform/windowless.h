// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvane developers
#pragma once

#include <QString>
#include <vector>

#include "platform/dialogs.h"
#include "platform/fileoperation.h"

// What the machine does when no window was registered: a command-line
// program, the core's tests. Nothing waits for a user who is not there, no
// question is ever answered yes on their behalf, and nothing said is lost:
// each message, error and refused question is kept in order for whoever
// asked and, unless told otherwise, written to stderr as one line.
namespace qv {

enum class Echo { ToStderr, No };

// What a windowless stand-in was told or refused, in order.
struct WindowlessNote
{
    QString caption;
    QString subject; // the file it concerns, or the question's prompt; may be empty
    QString text;
    // "caption: subject: text", the empty parts left out.
    QString line() const;
};

// The notes of a windowless stand-in, kept in order and echoed unless told not to.
class WindowlessNotes
{
public:
    explicit WindowlessNotes(Echo echo) : m_echo(echo) {}
    const std::vector<WindowlessNote> &notes() const { return m_notes; }
    void clear() { m_notes.clear(); }

protected:
    void keep(WindowlessNote note);

private:
    Echo m_echo;
    std::vector<WindowlessNote> m_notes;
};

// Message boxes are kept (and echoed); a Yes/No question gets No; an input
// box keeps its default, as Cancel does.
class WindowlessDialogs : public Dialogs, public WindowlessNotes
{
public:
    explicit WindowlessDialogs(Echo echo = Echo::ToStderr) : WindowlessNotes(echo) {}
    QString inputBox(const QString &caption, const QString &prompt, const QString &def) override;
    Result messageBox(QWidget *owner, const QString &text, const QString &caption, Buttons buttons,
                      Icon icon) override;
};

// A Windows program is started as in the window, waiting out the moments in
// which Wine could fail (a failure is kept); a web address cannot be shown
// without a desktop, so it is kept (and echoed) for the user to open.
class WindowlessShell : public Shell, public WindowlessNotes
{
public:
    explicit WindowlessShell(Echo echo = Echo::ToStderr) : WindowlessNotes(echo) {}
    void open(QWidget *owner, const QString &target) override;
};

// The batch runs without progress and is never cancelled; its errors are
// kept (and echoed). A question it would ask (replace a file, make a folder)
// is refused: the batch stops there with FileOpCancelled, and the refusal is
// kept as a note that says how to get past it.
class WindowlessFileOperationUi : public FileOperationUi, public WindowlessNotes
{
public:
    explicit WindowlessFileOperationUi(Echo echo = Echo::ToStderr) : WindowlessNotes(echo) {}
    void progressBegin(const QString &) override {}
    bool progressUpdate(const Progress &) override { return true; }
    void progressEnd() override {}
    void error(const QString &caption, const QString &file, const QString &reason) override;
    Answer confirmReplace(const QString &target, const QString &source) override;
    Answer confirmMakeFolder(const QString &folder) override;
};

// Who answers for one of the interfaces above: a test's stand-in, else the
// windows main() registered, else the windowless one.
template <typename T>
struct InstanceSlot
{
    T *test = nullptr;
    T *windows = nullptr;
    T &pick(T &windowless) const { return test ? *test : windows ? *windows : windowless; }
};

} // namespace qv
