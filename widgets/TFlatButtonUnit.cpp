// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvane developers
#include "TFlatButtonUnit.h"

#include "flataccessible.h"

#include <QApplication>
#include <QCursor>
#include <QDialog>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>

FlatControl::HoverWatch TFlatButton::s_hover;

namespace {

// Embossed picture of a glyph's black pixels: a light copy one pixel right
// and down, the shadow copy on top, everything else the face colour.
QImage disabledRendering(const QImage &src, QColor face, QColor highlight, QColor shadow)
{
    const QImage in = src.convertToFormat(QImage::Format_ARGB32);
    QImage out(in.size(), QImage::Format_ARGB32);
    out.fill(face);
    auto ink = [&](int x, int y) {
        const QRgb px = in.pixel(x, y);
        return qAlpha(px) >= 128 && (px & 0xffffff) == 0;
    };
    for (int y = 0; y < in.height(); ++y)
        for (int x = 0; x < in.width(); ++x)
            if (ink(x, y) && x + 1 < out.width() && y + 1 < out.height())
                out.setPixelColor(x + 1, y + 1, highlight);
    for (int y = 0; y < in.height(); ++y)
        for (int x = 0; x < in.width(); ++x)
            if (ink(x, y))
                out.setPixelColor(x, y, shadow);
    return out;
}

} // namespace

TFlatButton::TFlatButton(QWidget *parent)
    : FlatControl(parent, s_hover, QColor(235, 234, 225))
{
    setFocusPolicy(Qt::ClickFocus);
    resize(25, 25);
}

void TFlatButton::setTransparentMode(TTransparentMode mode)
{
    m_transparentMode = mode;
    update();
}

void TFlatButton::setDefault(bool on)
{
    m_default = on;
    update();
}

void TFlatButton::setAllowAllUp(bool on)
{
    if (on == m_allowAllUp)
        return;
    m_allowAllUp = on;
    notifyGroup();
}

void TFlatButton::setColorHighLight(const QColor &c)
{
    m_colorHighLight = c;
    update();
}

void TFlatButton::setColorShadow(const QColor &c)
{
    m_colorShadow = c;
    update();
}

void TFlatButton::setGroupIndex(int index)
{
    if (index == m_groupIndex)
        return;
    m_groupIndex = index;
    if (index == 0 && m_down) {
        // Out of any group it is a plain push button, which cannot stay
        // latched with no way to release it.
        m_down = false;
        m_face = Face::Up;
        update();
    }
    notifyGroup();
}

void TFlatButton::setDown(bool down)
{
    if (m_groupIndex == 0)
        down = false;
    if (down == m_down)
        return;
    if (m_down && !m_allowAllUp)
        return;
    m_down = down;
    flat::notifyCheckedChanged(this);
    if (down) {
        if (m_face == Face::Up)
            update();
        m_face = Face::Exclusive;
        notifyGroup();
    } else {
        m_face = Face::Up;
        repaint();
    }
}

void TFlatButton::setCaption(const QString &caption)
{
    m_caption = caption;
    update();
    flat::notifyNameChanged(this);
}

void TFlatButton::setGlyph(const QPixmap &glyph)
{
    if (glyph.cacheKey() == m_glyph.cacheKey())
        return;
    m_glyph = glyph;
    if (!m_glyph.isNull() && m_glyph.width() % m_glyph.height() == 0) {
        const int n = m_glyph.width() / m_glyph.height();
        m_numGlyphs = n > 4 ? 1 : n;
    }
    update();
}

void TFlatButton::setLayout(TButtonLayout layout)
{
    if (layout == m_layout)
        return;
    m_layout = layout;
    update();
}

void TFlatButton::setMargin(int margin)
{
    if (margin < -1)
        return;
    m_margin = margin;
    update();
}

void TFlatButton::setNumGlyphs(TNumGlyphs n)
{
    n = std::clamp(n, 1, 4);
    if (n == m_numGlyphs)
        return;
    m_numGlyphs = n;
    update();
}

void TFlatButton::setSpacing(int spacing)
{
    if (spacing == m_spacing)
        return;
    m_spacing = spacing;
    update();
}

void TFlatButton::notifyGroup()
{
    if (m_groupIndex == 0 || !parentWidget())
        return;
    const QList<TFlatButton *> buttons =
        parentWidget()->findChildren<TFlatButton *>(Qt::FindDirectChildrenOnly);
    for (TFlatButton *b : buttons)
        if (b != this)
            b->groupNotified(this);
}

void TFlatButton::groupNotified(TFlatButton *sender)
{
    if (sender->m_groupIndex != m_groupIndex)
        return;
    if (sender->m_down && m_down) {
        m_down = false;
        m_face = Face::Up;
        update();
        flat::notifyCheckedChanged(this);
    }
    m_allowAllUp = sender->m_allowAllUp;
}

void TFlatButton::Click()
{
    QPointer<TFlatButton> self(this);
    if (parentWidget()) {
        QWidget *form = window();
        if (auto *dialog = qobject_cast<QDialog *>(form)) {
            // A modal dialog ends with any non-zero result, as it would
            // from its own buttons; otherwise the result is only recorded.
            if (m_modalResult != 0 && dialog->isModal() && dialog->isVisible())
                dialog->done(m_modalResult);
            else
                dialog->setResult(m_modalResult);
        } else if (form->metaObject()->indexOfProperty("ModalResult") >= 0) {
            form->setProperty("ModalResult", m_modalResult);
        }
    }
    if (self)
        emit OnClick();
}

void TFlatButton::layoutContent()
{
    const QPoint offset = (m_face == Face::Down || m_face == Face::Exclusive) ? QPoint(1, 1) : QPoint(0, 0);
    const QSize C = size();
    const QSize G = m_glyph.isNull() ? QSize(0, 0) : QSize(m_glyph.width() / m_numGlyphs, m_glyph.height());
    QSize T(0, 0);
    m_textBounds = QRect();
    if (!m_caption.isEmpty()) {
        T = QFontMetrics(font()).size(Qt::TextSingleLine | Qt::TextShowMnemonic, m_caption);
        m_textBounds = QRect(0, 0, T.width(), T.height());
    }
    QPoint glyphPos, textPos;
    const bool horizontal = m_layout == blGlyphLeft || m_layout == blGlyphRight;
    if (horizontal) {
        glyphPos.setY((C.height() - G.height() + 1) / 2);
        textPos.setY((C.height() - T.height() + 1) / 2);
    } else {
        glyphPos.setX((C.width() - G.width() + 1) / 2);
        textPos.setX((C.width() - T.width() + 1) / 2);
    }
    int spacing = (T.width() == 0 || G.width() == 0) ? 0 : m_spacing;
    int margin = m_margin;
    const int c = horizontal ? C.width() : C.height();
    const int g = horizontal ? G.width() : G.height();
    const int t = horizontal ? T.width() : T.height();
    if (margin == -1 && spacing == -1) {
        margin = (c - (g + t)) / 3;
        spacing = margin;
    } else if (margin == -1) {
        margin = (c - (g + spacing + t) + 1) / 2;
    } else if (spacing == -1) {
        spacing = ((c - (margin + g)) - t) / 2;
    }
    switch (m_layout) {
    case blGlyphLeft:
        glyphPos.setX(margin);
        textPos.setX(margin + G.width() + spacing);
        break;
    case blGlyphRight:
        glyphPos.setX(C.width() - margin - G.width());
        textPos.setX(glyphPos.x() - spacing - T.width());
        break;
    case blGlyphTop:
        glyphPos.setY(margin);
        textPos.setY(margin + G.height() + spacing);
        break;
    case blGlyphBottom:
        glyphPos.setY(C.height() - margin - G.height());
        textPos.setY(glyphPos.y() - spacing - T.height());
        break;
    }
    m_glyphPos = glyphPos + offset;
    m_textBounds.translate(textPos + offset);
}

void TFlatButton::drawGlyph(QPainter &p, QColor transparent)
{
    const int n = m_numGlyphs;
    const int w = m_glyph.width() / n;
    const int h = m_glyph.height();
    if (w <= 0 || h <= 0)
        return;
    // Image number (from 0) and whether it runs on to the strip's right edge.
    int index = 0;
    bool toEnd = n == 1;
    switch (m_face) {
    case Face::Up:
        break;
    case Face::Disabled:
        index = n >= 2 ? 1 : 0;
        toEnd = n <= 2;
        break;
    case Face::Down:
        index = n >= 3 ? 2 : 0;
        toEnd = n == 1 || n == 3;
        break;
    case Face::Exclusive:
        index = n >= 3 ? n - 1 : 0;
        toEnd = n != 2;
        break;
    }
    const QRect source(index * w, 0, toEnd ? m_glyph.width() - index * w : w, h);
    QImage image(w, h, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    {
        QPainter ip(&image);
        ip.setCompositionMode(QPainter::CompositionMode_Source);
        ip.drawPixmap(QRect(0, 0, w, h), m_glyph, source);
    }
    if (n == 1 && m_face == Face::Disabled) {
        image = disabledRendering(image, flat::btnFace(this), flat::btnHighlight(this), flat::btnShadow(this));
        transparent = image.pixelColor(0, h - 1);
    }
    const QRgb key = transparent.rgba();
    for (int y = 0; y < h; ++y) {
        auto *line = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < w; ++x)
            if (line[x] == key)
                line[x] = 0;
    }
    p.drawImage(m_glyphPos, image);
}

void TFlatButton::paintEvent(QPaintEvent *)
{
    QColor transparent;
    if (!m_glyph.isNull())
        transparent = m_glyph.toImage().convertToFormat(QImage::Format_ARGB32).pixelColor(0, m_glyph.height() - 1);

    const qreal dpr = devicePixelRatioF();
    QPixmap buffer(size() * dpr);
    buffer.setDevicePixelRatio(dpr);
    buffer.fill(Qt::transparent);
    QPainter p(&buffer);
    p.setFont(font());
    layoutContent();

    if (!isEnabled()) {
        m_face = Face::Disabled;
        m_dragging = false;
    } else if (m_face == Face::Disabled) {
        m_face = (m_down && m_groupIndex != 0) ? Face::Exclusive : Face::Up;
    }

    const QRect all = rect();
    auto faceFill = [&]() -> QColor {
        switch (m_face) {
        case Face::Up:
            return isHot() ? ColorFocused() : Color();
        case Face::Disabled:
            return Color();
        case Face::Down:
            return ColorDown();
        case Face::Exclusive:
            return isHot() ? ColorFocused() : ColorDown();
        }
        return Color();
    };
    switch (m_transparentMode) {
    case tmAlways:
        flat::paintParentBackground(this, p);
        break;
    case tmNotFocused:
        if (isHot())
            p.fillRect(all, m_face == Face::Exclusive ? ColorFocused() : faceFill());
        else
            flat::paintParentBackground(this, p);
        break;
    case tmNone:
        p.fillRect(all, faceFill());
        break;
    }

    switch (m_face) {
    case Face::Up:
        if (isHot())
            flat::drawFrame3D(p, all, m_colorHighLight, m_colorShadow, 1);
        else
            flat::drawFrame3D(p, all, ColorBorder(), ColorBorder(), m_default ? 2 : 1);
        break;
    case Face::Disabled:
        flat::drawFrame3D(p, all, ColorBorder(), ColorBorder(), 1);
        break;
    case Face::Down:
    case Face::Exclusive:
        flat::drawFrame3D(p, all, m_colorShadow, m_colorHighLight, 1);
        break;
    }

    if (!m_glyph.isNull())
        drawGlyph(p, transparent);

    if (!m_caption.isEmpty()) {
        const int flags = Qt::AlignCenter | Qt::TextSingleLine | Qt::TextShowMnemonic;
        if (m_face == Face::Disabled) {
            p.setPen(flat::btnHighlight(this));
            p.drawText(m_textBounds.translated(1, 1), flags, m_caption);
            p.setPen(flat::btnShadow(this));
            p.drawText(m_textBounds, flags, m_caption);
        } else {
            p.setPen(palette().color(QPalette::Active, foregroundRole()));
            p.drawText(m_textBounds, flags, m_caption);
        }
    }
    p.end();

    QPainter screen(this);
    screen.drawPixmap(0, 0, buffer);
}

bool TFlatButton::inside(const QPoint &pos) const
{
    // The row just below the last one counts as inside.
    return pos.x() >= 0 && pos.x() < width() && pos.y() >= 0 && pos.y() <= height();
}

void TFlatButton::press(QMouseEvent *e)
{
    const QPoint pos = e->position().toPoint();
    emit OnMouseDown(e->button(), e->modifiers(), pos.x(), pos.y());
    if (e->button() != Qt::LeftButton || !isEnabled())
        return;
    if (!m_down) {
        m_face = Face::Down;
        update();
    }
    m_dragging = true;
    setFocus(Qt::MouseFocusReason);
}

void TFlatButton::mousePressEvent(QMouseEvent *e)
{
    press(e);
}

void TFlatButton::mouseDoubleClickEvent(QMouseEvent *e)
{
    press(e);
    if (m_down)
        emit OnDblClick();
}

void TFlatButton::mouseMoveEvent(QMouseEvent *e)
{
    FlatControl::mouseMoveEvent(e);
    if (!m_dragging)
        return;
    const QPoint pos = e->position().toPoint();
    Face face = m_down ? Face::Exclusive : Face::Up;
    if (inside(pos))
        face = m_down ? Face::Exclusive : Face::Down;
    if (face != m_face) {
        m_face = face;
        update();
    }
}

void TFlatButton::mouseReleaseEvent(QMouseEvent *e)
{
    const QPoint pos = e->position().toPoint();
    emit OnMouseUp(e->button(), e->modifiers(), pos.x(), pos.y());
    // Only the button that started the drag ends it: letting go of another
    // one while the left is still held is no click.
    if (!m_dragging || e->button() != Qt::LeftButton)
        return;
    m_dragging = false;
    const bool click = inside(pos);
    if (m_groupIndex == 0) {
        m_face = Face::Up;
        setHot(false);
        if (click)
            update();
    } else if (click) {
        setDown(!m_down);
        if (m_down)
            repaint();
    } else {
        if (m_down)
            m_face = Face::Exclusive;
        repaint();
    }
    QPointer<TFlatButton> self(this);
    if (click)
        Click();
    else
        leave();
    if (self)
        updateTracking(e->globalPosition().toPoint());
}

void TFlatButton::updateTracking(const QPoint &globalPos)
{
    if (!isEnabled())
        return;
    const bool over = QApplication::widgetAt(globalPos) == this;
    // Set to the opposite first, so that entering or leaving takes effect.
    setHot(!over);
    if (over)
        enter();
    else
        leave();
    update();
}

void TFlatButton::keyPressEvent(QKeyEvent *e)
{
    if (e->key() != Qt::Key_Space) {
        e->ignore();
        return;
    }
    if (e->isAutoRepeat())
        return; // a held key repeats presses; the button is already down
    m_spaceHeld = true;
    if (m_groupIndex != 0)
        setDown(true);
    else
        m_face = Face::Down;
    update();
}

void TFlatButton::keyReleaseEvent(QKeyEvent *e)
{
    if (e->key() != Qt::Key_Space) {
        e->ignore();
        return;
    }
    // Auto-repeat sends releases too, and a release whose press went to
    // another window (a dialog closed by Space) is no click here.
    if (e->isAutoRepeat() || !m_spaceHeld)
        return;
    m_spaceHeld = false;
    if (m_groupIndex != 0)
        setDown(false);
    else
        m_face = Face::Up;
    QPointer<TFlatButton> self(this);
    Click();
    if (self)
        update();
}

bool TFlatButton::dialogChar(QChar c)
{
    if (!flat::isAccel(c, m_caption) || !isEnabled())
        return false;
    if (m_groupIndex != 0)
        setDown(true);
    Click();
    return true;
}

void TFlatButton::focusInEvent(QFocusEvent *)
{
    if (!isEnabled())
        return;
    setHot(true);
    update();
}

void TFlatButton::focusOutEvent(QFocusEvent *)
{
    leave();
}

void TFlatButton::enterEvent(QEnterEvent *)
{
    emit OnMouseEnter();
}

void TFlatButton::leaveEvent(QEvent *)
{
    emit OnMouseLeave();
}

void TFlatButton::enabledChanged()
{
    if (!isEnabled()) {
        m_face = Face::Disabled;
        m_spaceHeld = false;
    }
    updateTracking(QCursor::pos());
    update();
}
