// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvane developers
#include "flatcontrol.h"

#include "flataccessible.h"

#include <QApplication>
#include <QCursor>
#include <QFocusEvent>
#include <QMouseEvent>
#include <QTimer>

#include <algorithm>

FlatColors::FlatColors(QWidget *owner, QColor face, QColor focused)
    : m_owner(owner), m_color(face), m_colorFocused(focused)
{
}

void FlatColors::setColor(const QColor &c)
{
    m_color = c;
    m_parentColor = false;
    colorsChanged();
}

void FlatColors::setColorFocused(const QColor &c)
{
    m_colorFocused = c;
    colorsChanged();
}

void FlatColors::setColorDown(const QColor &c)
{
    m_colorDown = c;
    colorsChanged();
}

void FlatColors::setColorBorder(const QColor &c)
{
    m_colorBorder = c;
    colorsChanged();
}

void FlatColors::setAdvColorFocused(TAdvColors v)
{
    m_advFocused = std::clamp(v, 0, 100);
    deriveColors();
    colorsChanged();
}

void FlatColors::setAdvColorDown(TAdvColors v)
{
    m_advDown = std::clamp(v, 0, 100);
    deriveColors();
    colorsChanged();
}

void FlatColors::setAdvColorBorder(TAdvColors v)
{
    m_advBorder = std::clamp(v, 0, 100);
    deriveColors();
    colorsChanged();
}

void FlatColors::setUseAdvColors(bool on)
{
    if (on == m_useAdvColors)
        return;
    m_useAdvColors = on;
    setParentColor(on);
    deriveColors();
    colorsChanged();
}

void FlatColors::setParentColor(bool on)
{
    m_parentColor = on;
    takeParentColor();
    colorsChanged();
}

void FlatColors::takeParentColor()
{
    if (m_parentColor && hasParentColor())
        m_color = flat::parentColor(m_owner);
}

void FlatColors::followParentColor()
{
    if (m_useAdvColors)
        m_parentColor = true;
    takeParentColor();
    deriveColors();
    colorsChanged();
}

void FlatColors::deriveColors()
{
    if (!m_useAdvColors)
        return;
    using flat::Direction;
    m_colorFocused = flat::advancedColor(m_color, m_colorFocused, m_advFocused, Direction::Lighten);
    m_colorDown = flat::advancedColor(m_color, m_colorDown, m_advDown, Direction::Darken);
    m_colorBorder = flat::advancedColor(m_color, m_colorBorder, m_advBorder, Direction::Darken);
}

FlatControl::FlatControl(QWidget *parent, HoverWatch &watch, QColor focused)
    : QWidget(parent), FlatColors(this, QColor(), focused), m_watch(watch)
{
    // Every pixel is painted by the subclass; one that shows what lies
    // below it says otherwise.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true);
    takeParentColor();
    flat::installAccessibility();
    if (m_watch.m_count++ == 0) {
        m_watch.m_timer = new QTimer;
        m_watch.m_timer->setInterval(100);
        QObject::connect(m_watch.m_timer, &QTimer::timeout, [&watch = m_watch] { tick(watch); });
    }
}

FlatControl::~FlatControl()
{
    stopTracking();
    if (--m_watch.m_count == 0) {
        delete m_watch.m_timer;
        m_watch.m_timer = nullptr;
    }
}

void FlatControl::setParentFont(bool on)
{
    if (on)
        setFont(QFont());
}

void FlatControl::setTabStop(bool on)
{
    setFocusPolicy(on ? Qt::StrongFocus : Qt::ClickFocus);
}

void FlatControl::trackHover(const QPoint &globalPos, bool pressing)
{
    if (m_watch.m_tracked == this)
        return;
    if (!pressing && QApplication::widgetAt(globalPos) != this)
        return;
    if (m_watch.m_tracked)
        m_watch.m_tracked->leave();
    if (!pressing && !QApplication::activeWindow())
        return;
    m_watch.m_timer->stop();
    m_watch.m_tracked = this;
    m_watch.m_timer->start();
    enter();
}

void FlatControl::enter()
{
    if (!isEnabled() || m_hot)
        return;
    m_hot = true;
    hotChanged();
}

void FlatControl::leave()
{
    if (!isEnabled() || !m_hot || holdsHot())
        return;
    m_hot = false;
    stopTracking();
    hotChanged();
}

void FlatControl::stopTracking()
{
    if (m_watch.m_tracked != this)
        return;
    m_watch.m_timer->stop();
    m_watch.m_tracked = nullptr;
}

void FlatControl::tick(HoverWatch &watch)
{
    // No move reaches a control once the pointer has left it for a place
    // with no flat control: the timer notices.
    if (!watch.m_tracked) {
        watch.m_timer->stop();
        return;
    }
    if (QApplication::widgetAt(QCursor::pos()) != watch.m_tracked)
        watch.m_tracked->leave();
}

void FlatControl::mouseMoveEvent(QMouseEvent *e)
{
    const QPoint pos = e->position().toPoint();
    emit OnMouseMove(e->modifiers(), pos.x(), pos.y());
    trackHover(e->globalPosition().toPoint());
}

void FlatControl::changeEvent(QEvent *e)
{
    switch (e->type()) {
    case QEvent::EnabledChange:
        if (!isEnabled()) {
            m_hot = false;
            stopTracking();
        }
        enabledChanged();
        break;
    case QEvent::PaletteChange:
        followParentColor();
        break;
    case QEvent::FontChange:
        update();
        break;
    default:
        break;
    }
    QWidget::changeEvent(e);
}

bool FlatControl::event(QEvent *e)
{
    if (e->type() == QEvent::ParentChange)
        followParentColor();
    else if (e->type() == QEvent::Show)
        installDialogCharDispatch(window());
    return QWidget::event(e);
}

void FlatControl::moveEvent(QMoveEvent *e)
{
    if (seesThrough())
        update();
    QWidget::moveEvent(e);
}

void FlatControl::resizeEvent(QResizeEvent *e)
{
    if (seesThrough())
        update();
    QWidget::resizeEvent(e);
}

namespace flat {

bool focusMovedBetweenControls(const QFocusEvent *e)
{
    return e->reason() != Qt::ActiveWindowFocusReason && e->reason() != Qt::PopupFocusReason;
}

} // namespace flat
