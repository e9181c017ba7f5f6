// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvane developers
#include "TFlatMemoUnit.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QProxyStyle>
#include <QScrollBar>

#include "dialogchars.h" // typedChar

namespace {

// Scroll bars 16 pixels thick whatever the desktop style, so that the square
// where two of them meet is where the frame expects it.
class ScrollBarStyle : public QProxyStyle
{
public:
    int pixelMetric(PixelMetric metric, const QStyleOption *option, const QWidget *widget) const override
    {
        if (metric == PM_ScrollBarExtent)
            return 16;
        return QProxyStyle::pixelMetric(metric, option, widget);
    }
};

} // namespace

TFlatMemo::TFlatMemo(QWidget *parent)
    : QPlainTextEdit(parent), FlatColors(this, QColor(235, 234, 225), Qt::white)
{
    // A plain three-pixel frame reserves the margin around text and scroll
    // bars; its pixels are painted over with our own frame.
    setFrameStyle(QFrame::Box | QFrame::Plain);
    setLineWidth(3);
    auto *barStyle = new ScrollBarStyle;
    barStyle->setParent(this);
    verticalScrollBar()->setStyle(barStyle);
    horizontalScrollBar()->setStyle(barStyle);
    setScrollBars(ssNone);
    setTabChangesFocus(true);
    // The text starts close to the frame, as in the platform's memo. Qt's
    // usual 4-pixel margin above and below would leave a 40-pixel memo room
    // for one line where two fit.
    document()->setDocumentMargin(2);
    connect(verticalScrollBar(), &QScrollBar::actionTriggered, this, [this] { m_followEnd = false; });
    resize(185, 89);
    connect(this, &QPlainTextEdit::textChanged, this, &TFlatMemo::OnChange);
    takeParentColor();
    redrawFrame();
}

void TFlatMemo::setScrollBars(TScrollStyle style)
{
    m_scrollBars = style;
    // Like the platform's memo, a chosen scroll bar is always shown.
    setHorizontalScrollBarPolicy(style == ssHorizontal || style == ssBoth ? Qt::ScrollBarAlwaysOn
                                                                           : Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(style == ssVertical || style == ssBoth ? Qt::ScrollBarAlwaysOn
                                                                       : Qt::ScrollBarAlwaysOff);
    redrawFrame();
}

QStringList TFlatMemo::Lines() const
{
    if (document()->isEmpty())
        return {};
    return toPlainText().split(u'\n');
}

void TFlatMemo::setLines(const QStringList &lines)
{
    m_followEnd = false;
    setPlainText(lines.join(u'\n'));
}

void TFlatMemo::addLine(const QString &line)
{
    appendPlainText(line);
    m_followEnd = true;
    scrollToEnd();
}

void TFlatMemo::scrollToEnd()
{
    // Qt's scroll range ends where the last line sits at the bottom with as
    // many whole lines above it as fit.
    QScrollBar *bar = verticalScrollBar();
    bar->setValue(bar->maximum());
}

void TFlatMemo::showEvent(QShowEvent *e)
{
    // Lines added while hidden were laid out without knowing the height.
    QPlainTextEdit::showEvent(e);
    if (m_followEnd)
        scrollToEnd();
}

void TFlatMemo::resizeEvent(QResizeEvent *e)
{
    QPlainTextEdit::resizeEvent(e);
    if (m_followEnd)
        scrollToEnd();
}

bool TFlatMemo::focusedLook() const
{
    if (hasFocus())
        return true;
    return m_hot && !qobject_cast<TFlatMemo *>(QApplication::focusWidget());
}

void TFlatMemo::redrawFrame()
{
    // The text background follows the look; the frame itself is painted
    // with the memo's own paint.
    const QColor background = lookColor();
    QPalette pal = palette();
    if (pal.color(QPalette::Active, QPalette::Base) != background
        || pal.color(QPalette::Inactive, QPalette::Base) != background
        || pal.color(QPalette::Disabled, QPalette::Base) != background) {
        pal.setColor(QPalette::Base, background);
        setPalette(pal);
    }
    update();
}

void TFlatMemo::paintFrame()
{
    QPainter p(this);
    const QColor look = lookColor();
    const int W = width(), H = height();
    flat::frameRect(p, QRect(0, 0, W, H), ColorBorder());
    flat::frameRect(p, QRect(1, 1, W - 2, H - 2), look);
    flat::frameRect(p, QRect(2, 2, W - 4, H - 4), look);
    const QScrollBar *h = horizontalScrollBar();
    const QScrollBar *v = verticalScrollBar();
    if (h->isVisible() && v->isVisible()) {
        // The square where the two bars meet.
        p.fillRect(QRect(QPoint(W - 19, H - 19), QPoint(W - 4, H - 4)), look);
    }
}

bool TFlatMemo::event(QEvent *e)
{
    switch (e->type()) {
    case QEvent::Paint: {
        const bool result = QPlainTextEdit::event(e);
        paintFrame();
        return result;
    }
    case QEvent::ParentChange:
        if (ParentColor() && parentWidget())
            followParentColor();
        break;
    default:
        break;
    }
    return QPlainTextEdit::event(e);
}

void TFlatMemo::changeEvent(QEvent *e)
{
    QPlainTextEdit::changeEvent(e);
    switch (e->type()) {
    case QEvent::PaletteChange:
        followParentColor();
        break;
    case QEvent::EnabledChange:
        redrawFrame();
        break;
    default:
        break;
    }
}

void TFlatMemo::focusInEvent(QFocusEvent *e)
{
    QPlainTextEdit::focusInEvent(e);
    redrawFrame();
    if (flat::focusMovedBetweenControls(e))
        emit OnEnter();
}

void TFlatMemo::focusOutEvent(QFocusEvent *e)
{
    QPlainTextEdit::focusOutEvent(e);
    redrawFrame();
    if (flat::focusMovedBetweenControls(e))
        emit OnExit();
}

void TFlatMemo::enterEvent(QEnterEvent *e)
{
    QPlainTextEdit::enterEvent(e);
    if (QApplication::activeWindow()) {
        m_hot = true;
        redrawFrame();
    }
}

void TFlatMemo::leaveEvent(QEvent *e)
{
    QPlainTextEdit::leaveEvent(e);
    m_hot = false;
    redrawFrame();
}

void TFlatMemo::keyPressEvent(QKeyEvent *e)
{
    emit OnKeyDown(e->key(), e->modifiers());
    if (const QChar c = typedChar(e); !c.isNull())
        emit OnKeyPress(c);
    QPlainTextEdit::keyPressEvent(e);
}

void TFlatMemo::keyReleaseEvent(QKeyEvent *e)
{
    emit OnKeyUp(e->key(), e->modifiers());
    QPlainTextEdit::keyReleaseEvent(e);
}

void TFlatMemo::mousePressEvent(QMouseEvent *e)
{
    const QPoint pos = e->position().toPoint();
    emit OnMouseDown(e->button(), e->modifiers(), pos.x(), pos.y());
    m_pressedInside = e->button() == Qt::LeftButton;
    QPlainTextEdit::mousePressEvent(e);
}

void TFlatMemo::mouseReleaseEvent(QMouseEvent *e)
{
    QPlainTextEdit::mouseReleaseEvent(e);
    const QPoint pos = e->position().toPoint();
    emit OnMouseUp(e->button(), e->modifiers(), pos.x(), pos.y());
    if (e->button() == Qt::LeftButton && m_pressedInside && viewport()->rect().contains(pos))
        emit OnClick();
    m_pressedInside = false;
}

void TFlatMemo::mouseMoveEvent(QMouseEvent *e)
{
    const QPoint pos = e->position().toPoint();
    emit OnMouseMove(e->modifiers(), pos.x(), pos.y());
    QPlainTextEdit::mouseMoveEvent(e);
}

void TFlatMemo::mouseDoubleClickEvent(QMouseEvent *e)
{
    QPlainTextEdit::mouseDoubleClickEvent(e);
    emit OnDblClick();
}
