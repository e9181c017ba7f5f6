// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvane developers
#include "formcontrols.h"

#include <QContextMenuEvent>
#include <QMetaMethod>
#include <QMouseEvent>

#include "app/formaccessibility.h"
#include "app/pictures.h"

ClickableLabel::ClickableLabel(QWidget *parent) : QLabel(parent)
{
    qv::installFormAccessibility();
}

void ClickableLabel::mousePressEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton)
        m_pressed = true;
    QLabel::mousePressEvent(event);
}

void ClickableLabel::mouseReleaseEvent(QMouseEvent *event)
{
    // A click is a press and a release over the control, as the window system counts it.
    const bool click = m_pressed && event->button() == Qt::LeftButton && rect().contains(event->position().toPoint());
    m_pressed = false;
    QLabel::mouseReleaseEvent(event);
    if (click)
        emit OnClick();
}

TImage::TImage(QWidget *parent) : ClickableLabel(parent)
{
    setAlignment(Qt::AlignLeft | Qt::AlignTop);
}

bool TImage::clickable() const
{
    static const QMetaMethod clicked = QMetaMethod::fromSignal(&TImage::OnClick);
    return isSignalConnected(clicked);
}

void TImage::setPicture(const QString &path)
{
    setPicture(path, qv::loadPicture(path));
}

void TImage::setPicture(const QString &path, const QImage &decoded)
{
    m_picture = path;
    setPixmap(QPixmap::fromImage(decoded));
}

TLabel::TLabel(QWidget *parent) : ClickableLabel(parent) {}

void TLabel::enterEvent(QEnterEvent *event)
{
    QLabel::enterEvent(event);
    emit OnMouseEnter();
}

void TLabel::leaveEvent(QEvent *event)
{
    QLabel::leaveEvent(event);
    emit OnMouseLeave();
}

TListView::TListView(QWidget *parent) : QListWidget(parent)
{
    setViewMode(QListView::ListMode);
    setFlow(QListView::TopToBottom);
    setWrapping(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
}

bool TListView::event(QEvent *event)
{
    // A menu asked for from the keyboard comes to the list itself, one
    // asked for with the mouse to its viewport.
    if (event->type() != QEvent::ContextMenu
        || static_cast<QContextMenuEvent *>(event)->reason() != QContextMenuEvent::Keyboard)
        return QListWidget::event(event);
    m_menuFromKeyboard = true;
    const bool handled = QListWidget::event(event);
    m_menuFromKeyboard = false;
    return handled;
}

void TListView::rowsAboutToBeRemoved(const QModelIndex &parent, int start, int end)
{
    // Qt makes a neighbour current and selects it when the current item
    // goes; a list view selects nothing then. The neighbour stays current,
    // so the arrow keys go on from where the user was.
    const QModelIndex current = currentIndex();
    const bool currentGoes = current.isValid() && current.parent() == parent && current.row() >= start
                             && current.row() <= end;
    QListWidget::rowsAboutToBeRemoved(parent, start, end);
    if (currentGoes)
        clearSelection();
}
