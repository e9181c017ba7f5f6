// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvane developers
#pragma once
// Keyboard accelerators of the flat widgets. A form hands every typed
// character that its focused control leaves alone (and every character typed
// with Alt, Space excepted) to each of its controls in turn, until one of
// them takes it.
#include <QObject>
#include <QPointer>
#include <QVector>

class QKeyEvent;
class QWidget;

// Implemented by controls that react to dialog characters.
class DialogCharTarget
{
public:
    virtual ~DialogCharTarget() = default;
    // True when the character was taken and should go no further.
    virtual bool dialogChar(QChar c) = 0;
};

// Hands `c` to every control of `form` (depth first, in creation order)
// until one takes it. Returns whether one did.
bool dispatchDialogChar(QWidget *form, QChar c);

// The printable character a key event types, or a null QChar.
QChar typedChar(const QKeyEvent *e);

// Installs the dispatch for `form` (and its dialogs' key routing) for as long
// as the form lives. Installing twice is harmless.
void installDialogCharDispatch(QWidget *form);

class DialogCharDispatcher : public QObject
{
    Q_OBJECT
public:
    static DialogCharDispatcher *instance();
    void addForm(QWidget *form);
    bool handles(const QWidget *form) const;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    DialogCharDispatcher();
    QVector<QPointer<QWidget>> m_forms;
};
