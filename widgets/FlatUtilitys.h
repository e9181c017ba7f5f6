// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvane developers
#pragma once
// Shared value types and helpers of the flat-styled widgets: colour
// derivation on the 240 lightness scale, see-through backgrounds and the
// one- or two-pixel 3-D frame.
#include <QColor>
#include <QObject>
#include <QPalette>
#include <QPoint>
#include <QRect>

class QPainter;
class QWidget;

namespace FlatTypes {
Q_NAMESPACE

enum TTransparentMode { tmAlways, tmNotFocused, tmNone };
Q_ENUM_NS(TTransparentMode)

enum TCheckBoxLayout { checkboxLeft, checkboxRight };
Q_ENUM_NS(TCheckBoxLayout)

enum TButtonLayout { blGlyphLeft, blGlyphRight, blGlyphTop, blGlyphBottom };
Q_ENUM_NS(TButtonLayout)

enum TScrollStyle { ssNone, ssHorizontal, ssVertical, ssBoth };
Q_ENUM_NS(TScrollStyle)
} // namespace FlatTypes

using FlatTypes::TTransparentMode;
using FlatTypes::tmAlways;
using FlatTypes::tmNotFocused;
using FlatTypes::tmNone;
using FlatTypes::TCheckBoxLayout;
using FlatTypes::checkboxLeft;
using FlatTypes::checkboxRight;
using FlatTypes::TButtonLayout;
using FlatTypes::blGlyphLeft;
using FlatTypes::blGlyphRight;
using FlatTypes::blGlyphTop;
using FlatTypes::blGlyphBottom;
using FlatTypes::TScrollStyle;
using FlatTypes::ssNone;
using FlatTypes::ssHorizontal;
using FlatTypes::ssVertical;
using FlatTypes::ssBoth;

// A percentage of lightness change, 0 to 100; 0 means no change.
using TAdvColors = int;
// Images in a glyph strip, 1 to 4.
using TNumGlyphs = int;

namespace flat {

// The hue/saturation/lightness scale: hue runs 0..239, saturation and
// lightness 0..240.
inline constexpr int HLSMAX = 240;

struct Hsl
{
    int h = 0;
    int s = 0;
    int l = 0;
    bool operator==(const Hsl &) const = default;
};

Hsl rgbToHsl(QColor c);
QColor hslToRgb(int h, int s, int l);
inline QColor hslToRgb(Hsl v) { return hslToRgb(v.h, v.s, v.l); }

enum class Direction { Lighten, Darken };

// Derives a hover, pressed or border colour from `base`. A percentage of 0
// keeps `current` as it is.
QColor advancedColor(QColor base, QColor current, TAdvColors percent, Direction direction);

// The system colours the widgets draw with, taken from the widget's palette
// so they follow the desktop's theme.
QColor btnHighlight(const QWidget *w); // light edge of embossed text
QColor btnShadow(const QWidget *w);    // dark edge of embossed text
QColor btnFace(const QWidget *w);      // face behind a disabled glyph

// The colour a child with "parent colour" on takes from its parent: the
// parent's background; the widget's own palette when it has no parent.
QColor parentColor(const QWidget *w);

// Paints what the parent shows at the widget's place (its background and the
// siblings lying below the widget, such as pictures) onto `p`, whose origin is
// the widget's top-left corner. Nothing happens without a parent.
void paintParentBackground(QWidget *w, QPainter &p);

// A frame of `width` rings inside `r`: top and left in `topLeft`, bottom and
// right in `bottomRight`; the top-right and bottom-left corner pixels of each
// ring take `bottomRight`. `r` itself is left unchanged.
void drawFrame3D(QPainter &p, const QRect &r, QColor topLeft, QColor bottomRight, int width);

// A one-pixel border along the inside of `r` (left, top, right, bottom with
// right and bottom exclusive).
void frameRect(QPainter &p, const QRect &r, QColor c);

// A line of single pixels from `from` up to but not including `to`.
void drawLineExclusive(QPainter &p, QPoint from, QPoint to);

// True when `c` is the accelerator letter of `caption` (the character after
// a single ampersand), compared without regard to case.
bool isAccel(QChar c, const QString &caption);

// A caption as a screen reader should say it: the accelerator ampersands
// taken out (a double one leaves one) and runs of blanks made one.
QString plainCaption(const QString &caption);

// The platform's standard system colours (window white, text black, button
// face, highlight...) with every role set in every colour group. A form that
// sets it on itself draws as designed whatever the desktop's theme, since
// nothing of the theme's palette is left to show through.
QPalette systemPalette();

// A dotted one-pixel rectangle along the inside of `r`, every other pixel
// in `c`, as keyboard focus is shown around a caption.
void drawFocusRect(QPainter &p, const QRect &r, QColor c);

} // namespace flat
