// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvane developers
#include "dialogchars.h"

#include <QApplication>
#include <QAbstractSpinBox>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTextEdit>
#include <QWidget>

namespace {

// Text boxes take every typed character, read-only ones included: typing
// into the status memo must not set off a button whose letter it is.
bool wantsCharacters(const QWidget *w)
{
    if (!w)
        return false;
    if (qobject_cast<const QPlainTextEdit *>(w) || qobject_cast<const QTextEdit *>(w)
        || qobject_cast<const QLineEdit *>(w) || qobject_cast<const QAbstractSpinBox *>(w))
        return true;
    if (auto *combo = qobject_cast<const QComboBox *>(w))
        return combo->isEditable();
    return false;
}

} // namespace

bool dispatchDialogChar(QWidget *form, QChar c)
{
    if (!form || c.isNull())
        return false;
    // Guarded pointers: a control's reaction (a click handler) may delete
    // others.
    QVector<QPointer<QWidget>> controls;
    for (QWidget *w : form->findChildren<QWidget *>())
        controls.append(w);
    for (const QPointer<QWidget> &w : controls) {
        if (!w || w->window() != form)
            continue;
        if (auto *target = dynamic_cast<DialogCharTarget *>(w.data()); target && target->dialogChar(c))
            return true;
    }
    return false;
}

QChar typedChar(const QKeyEvent *e)
{
    const QString text = e->text();
    if (text.size() == 1 && text.at(0).isPrint())
        return text.at(0);
    // With Alt held some platforms report no text; letters and digits still
    // count.
    const int key = e->key();
    if ((key >= Qt::Key_A && key <= Qt::Key_Z) || (key >= Qt::Key_0 && key <= Qt::Key_9))
        return QChar(key).toLower();
    if (key == Qt::Key_Space)
        return QChar(u' ');
    return {};
}

void installDialogCharDispatch(QWidget *form)
{
    DialogCharDispatcher::instance()->addForm(form);
}

DialogCharDispatcher::DialogCharDispatcher()
    : QObject(qApp)
{
    qApp->installEventFilter(this);
}

DialogCharDispatcher *DialogCharDispatcher::instance()
{
    static QPointer<DialogCharDispatcher> self;
    if (!self)
        self = new DialogCharDispatcher;
    return self;
}

void DialogCharDispatcher::addForm(QWidget *form)
{
    m_forms.removeAll(nullptr);
    if (form && !handles(form))
        m_forms.append(form);
}

bool DialogCharDispatcher::handles(const QWidget *form) const
{
    for (const QPointer<QWidget> &f : m_forms)
        if (f == form)
            return true;
    return false;
}

bool DialogCharDispatcher::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() != QEvent::KeyPress || !watched->isWidgetType())
        return false;
    auto *w = static_cast<QWidget *>(watched);
    QWidget *form = w->window();
    if (!handles(form))
        return false;
    auto *key = static_cast<QKeyEvent *>(event);
    const QChar c = typedChar(key);
    if (c.isNull())
        return false;
    const bool alt = key->modifiers() & Qt::AltModifier;
    QWidget *first = QApplication::focusWidget();
    if (!first || first->window() != form)
        first = form;
    if (alt && c != u' ') {
        // Offered before the focused control sees it, and only once: the
        // filter sees the event again at every parent it travels through.
        if (w != first)
            return false;
    } else if (w != form || wantsCharacters(QApplication::focusWidget())) {
        // Wait until the focused control has declined it and it has
        // travelled up to the form.
        return false;
    }
    if (dispatchDialogChar(form, c)) {
        key->accept();
        return true;
    }
    return false;
}
