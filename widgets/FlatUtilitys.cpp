// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvane developers
#include "FlatUtilitys.h"

#include <QPainter>
#include <QPixmap>
#include <QWidget>

#include <algorithm>
#include <cmath>

namespace flat {

namespace {

// Rounds to the nearest whole number, halves to the even neighbour.
int roundEven(double v)
{
    double r = std::round(v);
    if (std::fabs(v - std::trunc(v)) == 0.5)
        r = 2.0 * std::round(v / 2.0);
    return static_cast<int>(r);
}

double hueToChannel(double m1, double m2, double h)
{
    if (h < 0)
        h += 1;
    if (h > 1)
        h -= 1;
    if (6 * h < 1)
        return m1 + (m2 - m1) * h * 6;
    if (2 * h < 1)
        return m2;
    if (3 * h < 2)
        return m1 + (m2 - m1) * (2.0 / 3.0 - h) * 6;
    return m1;
}

int channel(double v)
{
    return std::clamp(roundEven(255.0 * v), 0, 255);
}

} // namespace

Hsl rgbToHsl(QColor c)
{
    const double r = c.red() / 255.0, g = c.green() / 255.0, b = c.blue() / 255.0;
    const double mx = std::max({r, g, b}), mn = std::min({r, g, b});
    const double l = (mx + mn) / 2;
    double h = 0, s = 0;
    if (mx != mn) {
        const double d = mx - mn;
        s = l < 0.5 ? d / (mx + mn) : d / (2 - mx - mn);
        if (r == mx)
            h = (g - b) / d;
        else if (g == mx)
            h = 2 + (b - r) / d;
        else
            h = 4 + (r - g) / d;
        h /= 6;
        if (h < 0)
            h += 1;
    }
    return {roundEven(239 * h), roundEven(HLSMAX * s), roundEven(HLSMAX * l)};
}

QColor hslToRgb(int hv, int sv, int lv)
{
    const double h = hv / 239.0, s = sv / double(HLSMAX), l = lv / double(HLSMAX);
    if (sv == 0) {
        const int grey = channel(l);
        return QColor(grey, grey, grey);
    }
    const double m2 = l <= 0.5 ? l * (1 + s) : l + s - l * s;
    const double m1 = 2 * l - m2;
    return QColor(channel(hueToChannel(m1, m2, h + 1.0 / 3.0)), channel(hueToChannel(m1, m2, h)),
                  channel(hueToChannel(m1, m2, h - 1.0 / 3.0)));
}

QColor advancedColor(QColor base, QColor current, TAdvColors percent, Direction direction)
{
    if (percent == 0)
        return current;
    Hsl v = rgbToHsl(base);
    v.l += 10;
    if (direction == Direction::Lighten)
        v.l = v.l + percent > 100 ? 100 : v.l + percent;
    else
        v.l = v.l - percent < 0 ? 0 : v.l - percent;
    // A light base darkened by less than 10 would otherwise run past the top
    // of the scale and wrap the channels.
    v.l = std::min(v.l, HLSMAX);
    return hslToRgb(v);
}

QColor btnHighlight(const QWidget *w)
{
    return w->palette().color(QPalette::Active, QPalette::Light);
}

QColor btnShadow(const QWidget *w)
{
    return w->palette().color(QPalette::Active, QPalette::Dark);
}

QColor btnFace(const QWidget *w)
{
    return w->palette().color(QPalette::Active, QPalette::Button);
}

QColor parentColor(const QWidget *w)
{
    if (const QWidget *p = w->parentWidget())
        return p->palette().color(QPalette::Active, p->backgroundRole());
    return w->palette().color(QPalette::Active, QPalette::Window);
}

void paintParentBackground(QWidget *w, QPainter &p)
{
    QWidget *parent = w->parentWidget();
    if (!parent || w->width() <= 0 || w->height() <= 0)
        return;
    // The parent and the siblings below are rendered into a picture of our
    // size first: rendering straight into a painter that is busy with
    // another widget's paint is not something Qt supports.
    const QRect place = w->geometry();
    const qreal dpr = w->devicePixelRatioF();
    QPixmap under(w->size() * dpr);
    under.setDevicePixelRatio(dpr);
    under.fill(Qt::transparent);
    parent->render(&under, QPoint(), QRegion(place) & QRegion(parent->rect()),
                   QWidget::DrawWindowBackground);
    for (QObject *o : parent->children()) {
        if (o == w)
            break; // children are listed bottom to top; the rest lie above us
        auto *sibling = qobject_cast<QWidget *>(o);
        if (!sibling || sibling->isWindow() || !sibling->isVisible())
            continue;
        const QRect overlap = sibling->geometry() & place;
        if (overlap.isEmpty())
            continue;
        sibling->render(&under, overlap.topLeft() - place.topLeft(),
                        QRegion(overlap.translated(-sibling->pos())),
                        QWidget::DrawWindowBackground | QWidget::DrawChildren);
    }
    p.save();
    p.drawPixmap(0, 0, under);
    p.restore();
}

void drawFrame3D(QPainter &p, const QRect &r, QColor topLeft, QColor bottomRight, int width)
{
    int left = r.left(), top = r.top();
    int right = r.x() + r.width() - 1, bottom = r.y() + r.height() - 1;
    for (int i = 0; i < width; ++i) {
        // (left, bottom) -> (left, top) -> (right, top), last point left out
        p.fillRect(QRect(QPoint(left, top), QPoint(left, bottom)), topLeft);
        if (right > left)
            p.fillRect(QRect(QPoint(left, top), QPoint(right - 1, top)), topLeft);
        // (right, top) -> (right, bottom) -> (left - 1, bottom), last point left out
        p.fillRect(QRect(QPoint(right, top), QPoint(right, bottom)), bottomRight);
        p.fillRect(QRect(QPoint(left, bottom), QPoint(right, bottom)), bottomRight);
        ++left;
        ++top;
        --right;
        --bottom;
        if (right < left || bottom < top)
            break;
    }
}

void frameRect(QPainter &p, const QRect &r, QColor c)
{
    if (r.isEmpty())
        return;
    const int l = r.left(), t = r.top(), rr = r.right(), b = r.bottom();
    p.fillRect(QRect(QPoint(l, t), QPoint(rr, t)), c);
    p.fillRect(QRect(QPoint(l, b), QPoint(rr, b)), c);
    p.fillRect(QRect(QPoint(l, t), QPoint(l, b)), c);
    p.fillRect(QRect(QPoint(rr, t), QPoint(rr, b)), c);
}

void drawLineExclusive(QPainter &p, QPoint from, QPoint to)
{
    // Bresenham; the pen's colour is used for every pixel.
    const QColor c = p.pen().color();
    int x = from.x(), y = from.y();
    const int dx = std::abs(to.x() - x), dy = -std::abs(to.y() - y);
    const int sx = x < to.x() ? 1 : -1, sy = y < to.y() ? 1 : -1;
    int err = dx + dy;
    while (x != to.x() || y != to.y()) {
        p.fillRect(x, y, 1, 1, c);
        const int e2 = 2 * err;
        if (e2 >= dy) {
            err += dy;
            x += sx;
        }
        if (e2 <= dx) {
            err += dx;
            y += sy;
        }
    }
}

bool isAccel(QChar c, const QString &caption)
{
    for (qsizetype i = 0; i + 1 < caption.size(); ++i) {
        if (caption.at(i) != u'&')
            continue;
        if (caption.at(i + 1) == u'&') {
            ++i; // a double ampersand shows one and marks nothing
            continue;
        }
        return caption.at(i + 1).toUpper() == c.toUpper();
    }
    return false;
}

QString plainCaption(const QString &caption)
{
    QString out;
    out.reserve(caption.size());
    for (qsizetype i = 0; i < caption.size(); ++i) {
        if (caption.at(i) == u'&' && i + 1 < caption.size())
            ++i; // the character after it stands; "&&" leaves one ampersand
        out += caption.at(i);
    }
    return out.simplified();
}

QPalette systemPalette()
{
    // Windows' default system colours, the ones the layout was drawn with.
    const QColor window(255, 255, 255), text(0, 0, 0), face(240, 240, 240);
    const QColor highlight(51, 153, 255), grayText(109, 109, 109);
    struct Role
    {
        QPalette::ColorRole role;
        QColor colour;
    };
    const Role roles[] = {
        {QPalette::Window, window},
        {QPalette::WindowText, text},
        {QPalette::Base, window},
        {QPalette::AlternateBase, QColor(246, 246, 246)},
        {QPalette::Text, text},
        {QPalette::PlaceholderText, grayText},
        {QPalette::Button, face},
        {QPalette::ButtonText, text},
        {QPalette::BrightText, window},
        {QPalette::Light, QColor(255, 255, 255)},   // button highlight
        {QPalette::Midlight, QColor(227, 227, 227)}, // 3-D light
        {QPalette::Mid, QColor(200, 200, 200)},
        {QPalette::Dark, QColor(160, 160, 160)},     // button shadow
        {QPalette::Shadow, QColor(105, 105, 105)},   // 3-D dark shadow
        {QPalette::Highlight, highlight},
        {QPalette::HighlightedText, window},
        {QPalette::Link, QColor(0, 0, 255)},
        {QPalette::LinkVisited, QColor(128, 0, 128)},
        {QPalette::ToolTipBase, QColor(255, 255, 225)},
        {QPalette::ToolTipText, text},
    };
    QPalette pal;
    for (const Role &r : roles)
        pal.setColor(r.role, r.colour);
    // Greyed texts, as the platform draws disabled controls.
    for (QPalette::ColorRole role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        pal.setColor(QPalette::Disabled, role, grayText);
    pal.setColor(QPalette::Disabled, QPalette::Base, face);
    return pal;
}

void drawFocusRect(QPainter &p, const QRect &r, QColor c)
{
    if (r.isEmpty())
        return;
    // Dots on the pixels whose coordinates add up to an even number, so that
    // the pattern lines up from ring to ring and side to side.
    auto dot = [&](int x, int y) {
        if (((x + y) & 1) == 0)
            p.fillRect(x, y, 1, 1, c);
    };
    for (int x = r.left(); x <= r.right(); ++x) {
        dot(x, r.top());
        dot(x, r.bottom());
    }
    for (int y = r.top() + 1; y < r.bottom(); ++y) {
        dot(r.left(), y);
        dot(r.right(), y);
    }
}

} // namespace flat
