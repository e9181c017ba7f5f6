// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvane developers
#include "TFlatCheckBoxUnit.h"

#include "flataccessible.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QPointer>

FlatControl::HoverWatch TFlatCheckBox::s_hover;

TFlatCheckBox::TFlatCheckBox(QWidget *parent)
    : FlatControl(parent, s_hover, Qt::white)
{
    setFocusPolicy(Qt::StrongFocus);
    resize(121, 17);
}

void TFlatCheckBox::setTransparent(bool on)
{
    m_transparent = on;
    // Every pixel of a solid box is painted in its colour. A transparent box
    // shows what lies below it, so it must not cut itself out of the
    // widgets beneath: a picture under several boxes would then
    // be drawn through a ragged clip, span by span on helper threads, which
    // costs a first paint more than the picture itself.
    setAttribute(Qt::WA_OpaquePaintEvent, !on);
    update();
}

void TFlatCheckBox::setCaption(const QString &caption)
{
    if (caption == m_caption)
        return;
    m_caption = caption;
    update();
    flat::notifyNameChanged(this);
}

void TFlatCheckBox::setChecked(bool checked)
{
    if (checked == m_checked)
        return;
    m_checked = checked;
    flat::notifyCheckedChanged(this);
    QPointer<TFlatCheckBox> self(this);
    emit OnClick();
    if (self) // the handler may have closed the window that held us
        redrawBox();
}

void TFlatCheckBox::setColorCheck(const QColor &c)
{
    m_colorCheck = c;
    update();
}

void TFlatCheckBox::setLayout(TCheckBoxLayout layout)
{
    m_layout = layout;
    update();
}

void TFlatCheckBox::setBiDiMode(Qt::LayoutDirection direction)
{
    setLayoutDirection(direction);
    setLayout(direction == Qt::RightToLeft ? checkboxRight : checkboxLeft);
}

QRect TFlatCheckBox::boxRect() const
{
    if (m_layout == checkboxRight)
        return QRect(width() - 12, 3, 11, 11);
    return QRect(1, 3, 11, 11);
}

QRect TFlatCheckBox::captionRect() const
{
    if (m_layout == checkboxRight)
        return QRect(QPoint(1, 1), QPoint(width() - 16 - 1, height() - 1 - 1));
    return QRect(QPoint(16, 1), QPoint(width() - 1 - 1, height() - 1 - 1));
}

void TFlatCheckBox::redrawBox()
{
    // Hover, press, focus and tick changes repaint the box alone.
    update(boxRect());
}

int TFlatCheckBox::captionFlags() const
{
    return Qt::AlignTop | Qt::TextWordWrap | Qt::TextShowMnemonic
           | (m_layout == checkboxRight ? Qt::AlignRight : Qt::AlignLeft);
}

bool TFlatCheckBox::showsFocusRect() const
{
    return m_focused && window()->testAttribute(Qt::WA_KeyboardFocusChange);
}

QRect TFlatCheckBox::focusRect() const
{
    // Around the text as it is drawn, one pixel out; a box without a caption
    // gets it around the box.
    QRect text;
    if (m_caption.isEmpty()) {
        text = boxRect();
    } else {
        const QRect r = captionRect();
        text = QFontMetrics(font()).boundingRect(r, captionFlags(), m_caption) & r;
    }
    return text.adjusted(-1, -1, 1, 1) & rect();
}

void TFlatCheckBox::redrawFocus()
{
    // Only where the rectangle is or was: nothing at all for a mouse user.
    if (window()->testAttribute(Qt::WA_KeyboardFocusChange))
        update(focusRect());
}

void TFlatCheckBox::drawBox(QPainter &p)
{
    const QRect box = boxRect();
    const QColor fill = (!m_focused && !isHot()) ? Color() : (m_pressed ? ColorDown() : ColorFocused());
    p.fillRect(box, fill);
    if (m_checked) {
        p.setPen(QPen(isEnabled() ? m_colorCheck : flat::btnShadow(this), 1));
        const int L = box.left(), T = box.top();
        flat::drawLineExclusive(p, {L + 2, T + 4}, {L + 6, T + 8});
        flat::drawLineExclusive(p, {L + 2, T + 5}, {L + 5, T + 8});
        flat::drawLineExclusive(p, {L + 2, T + 6}, {L + 5, T + 9});
        flat::drawLineExclusive(p, {L + 8, T + 2}, {L + 4, T + 6});
        flat::drawLineExclusive(p, {L + 8, T + 3}, {L + 4, T + 7});
        flat::drawLineExclusive(p, {L + 8, T + 4}, {L + 5, T + 7});
    }
    flat::frameRect(p, box, ColorBorder());
}

void TFlatCheckBox::paintEvent(QPaintEvent *e)
{
    QPainter p(this);
    const QRect box = boxRect();
    if (box.contains(e->rect())) {
        drawBox(p);
        return;
    }
    if (m_transparent)
        flat::paintParentBackground(this, p);
    else
        p.fillRect(rect(), Color());
    drawBox(p);

    const QColor text = palette().color(QPalette::Active, foregroundRole());
    if (!m_caption.isEmpty()) {
        const QRect r = captionRect();
        p.setFont(font());
        auto drawCaption = [&](const QRect &at, const QColor &colour) {
            p.save();
            p.setClipRect(at);
            p.setPen(colour);
            p.drawText(at, captionFlags(), m_caption);
            p.restore();
        };
        if (isEnabled()) {
            drawCaption(r, text);
        } else {
            drawCaption(r.translated(1, 1), flat::btnHighlight(this));
            drawCaption(r, flat::btnShadow(this));
        }
    }
    if (showsFocusRect())
        flat::drawFocusRect(p, focusRect(), text);
}

void TFlatCheckBox::mousePressEvent(QMouseEvent *e)
{
    if (e->button() != Qt::LeftButton || !isEnabled())
        return;
    setFocus(Qt::MouseFocusReason);
    m_pressed = true;
    // The press itself proves the pointer is on the box, so a first click
    // into a window that was not yet active still ticks it.
    trackHover(e->globalPosition().toPoint(), true);
    redrawBox();
    const QPoint pos = e->position().toPoint();
    emit OnMouseDown(e->button(), e->modifiers(), pos.x(), pos.y());
}

void TFlatCheckBox::mouseReleaseEvent(QMouseEvent *e)
{
    if (e->button() != Qt::LeftButton || !isEnabled())
        return;
    m_pressed = false;
    QPointer<TFlatCheckBox> self(this);
    if (isHot())
        setChecked(!m_checked);
    if (!self)
        return;
    redrawBox();
    const QPoint pos = e->position().toPoint();
    emit OnMouseUp(e->button(), e->modifiers(), pos.x(), pos.y());
}

void TFlatCheckBox::keyPressEvent(QKeyEvent *e)
{
    emit OnKeyDown(e->key(), e->modifiers());
    if (const QChar c = typedChar(e); !c.isNull())
        emit OnKeyPress(c);
    // Left to travel up to the form, which offers it as a dialog character.
    e->ignore();
}

void TFlatCheckBox::keyReleaseEvent(QKeyEvent *e)
{
    emit OnKeyUp(e->key(), e->modifiers());
    e->ignore();
}

bool TFlatCheckBox::dialogChar(QChar c)
{
    if (flat::isAccel(c, m_caption) && isEnabled() && isVisible()) {
        setFocus(Qt::ShortcutFocusReason);
        setChecked(!m_checked);
        return true;
    }
    if (c == u' ' && hasFocus())
        setChecked(!m_checked); // not taken: the form's default handling still sees it
    return false;
}

void TFlatCheckBox::focusInEvent(QFocusEvent *e)
{
    m_focused = true;
    redrawBox();
    redrawFocus();
    if (flat::focusMovedBetweenControls(e))
        emit OnEnter();
}

void TFlatCheckBox::focusOutEvent(QFocusEvent *e)
{
    m_focused = false;
    if (isEnabled())
        setHot(false);
    redrawBox();
    redrawFocus();
    if (flat::focusMovedBetweenControls(e))
        emit OnExit();
}

void TFlatCheckBox::enabledChanged()
{
    if (!isEnabled())
        m_pressed = false;
    update();
}

void TFlatCheckBox::changeEvent(QEvent *e)
{
    if (e->type() == QEvent::LayoutDirectionChange)
        setLayout(layoutDirection() == Qt::RightToLeft ? checkboxRight : checkboxLeft);
    FlatControl::changeEvent(e);
}
