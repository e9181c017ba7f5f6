#include "formcontrols.h"

#include <QMouseEvent>

#include "app/pictures.h"

TImage::TImage(QWidget *parent) : QLabel(parent)
{
    setAlignment(Qt::AlignLeft | Qt::AlignTop);
}

void TImage::setPicture(const QString &path)
{
    m_picture = path;
    setPixmap(QPixmap::fromImage(qv::loadPicture(path)));
}

void TImage::mousePressEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton)
        m_pressed = true;
    QLabel::mousePressEvent(event);
}

void TImage::mouseReleaseEvent(QMouseEvent *event)
{
    // A click is a press and a release over the control, as the window system counts it.
    const bool click = m_pressed && event->button() == Qt::LeftButton && rect().contains(event->position().toPoint());
    m_pressed = false;
    QLabel::mouseReleaseEvent(event);
    if (click)
        emit OnClick();
}

TLabel::TLabel(QWidget *parent) : QLabel(parent) {}

void TLabel::mousePressEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton)
        m_pressed = true;
    QLabel::mousePressEvent(event);
}

void TLabel::mouseReleaseEvent(QMouseEvent *event)
{
    const bool click = m_pressed && event->button() == Qt::LeftButton && rect().contains(event->position().toPoint());
    m_pressed = false;
    QLabel::mouseReleaseEvent(event);
    if (click)
        emit OnClick();
}

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
