// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvane developers
#pragma once
// A flat, owner-drawn push button with an optional glyph beside its caption;
// buttons sharing a GroupIndex latch like radio buttons.
#include "flatcontrol.h"

#include <QColor>
#include <QPixmap>

class TFlatButton : public FlatControl
{
    Q_OBJECT
    Q_PROPERTY(FlatTypes::TTransparentMode TransparentMode READ TransparentMode WRITE setTransparentMode)
    Q_PROPERTY(bool Default READ Default WRITE setDefault)
    Q_PROPERTY(bool AllowAllUp READ AllowAllUp WRITE setAllowAllUp)
    Q_PROPERTY(QColor ColorHighLight READ ColorHighLight WRITE setColorHighLight)
    Q_PROPERTY(QColor ColorShadow READ ColorShadow WRITE setColorShadow)
    Q_PROPERTY(int GroupIndex READ GroupIndex WRITE setGroupIndex)
    Q_PROPERTY(bool Down READ Down WRITE setDown)
    Q_PROPERTY(QString Caption READ Caption WRITE setCaption)
    Q_PROPERTY(QPixmap Glyph READ Glyph WRITE setGlyph)
    Q_PROPERTY(FlatTypes::TButtonLayout Layout READ Layout WRITE setLayout)
    Q_PROPERTY(int Margin READ Margin WRITE setMargin)
    Q_PROPERTY(int NumGlyphs READ NumGlyphs WRITE setNumGlyphs)
    Q_PROPERTY(int Spacing READ Spacing WRITE setSpacing)
    Q_PROPERTY(int ModalResult READ ModalResult WRITE setModalResult)

public:
    using enum FlatTypes::TTransparentMode;
    using enum FlatTypes::TButtonLayout;

    enum class Face { Up, Disabled, Down, Exclusive };

    explicit TFlatButton(QWidget *parent = nullptr);

    TTransparentMode TransparentMode() const { return m_transparentMode; }
    void setTransparentMode(TTransparentMode mode);
    bool Default() const { return m_default; }
    void setDefault(bool on);
    bool AllowAllUp() const { return m_allowAllUp; }
    void setAllowAllUp(bool on);
    QColor ColorHighLight() const { return m_colorHighLight; }
    void setColorHighLight(const QColor &c);
    QColor ColorShadow() const { return m_colorShadow; }
    void setColorShadow(const QColor &c);
    int GroupIndex() const { return m_groupIndex; }
    void setGroupIndex(int index);
    bool Down() const { return m_down; }
    void setDown(bool down);
    QString Caption() const { return m_caption; }
    void setCaption(const QString &caption);
    QPixmap Glyph() const { return m_glyph; }
    void setGlyph(const QPixmap &glyph);
    void setGlyph(const QImage &glyph) { setGlyph(QPixmap::fromImage(glyph)); }
    TButtonLayout Layout() const { return m_layout; }
    void setLayout(TButtonLayout layout);
    int Margin() const { return m_margin; }
    void setMargin(int margin);
    TNumGlyphs NumGlyphs() const { return m_numGlyphs; }
    void setNumGlyphs(TNumGlyphs n);
    int Spacing() const { return m_spacing; }
    void setSpacing(int spacing);
    int ModalResult() const { return m_modalResult; }
    void setModalResult(int result) { m_modalResult = result; }

    // Sets the form's modal result and fires OnClick, as a click does.
    void Click();

    Face face() const { return m_face; }
    bool isDragging() const { return m_dragging; }
    // Results of the last layout: where the glyph and the caption went.
    QPoint glyphPos() const { return m_glyphPos; }
    QRect textBounds() const { return m_textBounds; }

    bool dialogChar(QChar c) override;

    // The hover timer shared by all live buttons; null when there are none.
    static const QTimer *hoverTimer() { return s_hover.timer(); }

    QSize sizeHint() const override { return {25, 25}; }

signals:
    void OnDblClick();
    void OnMouseEnter();
    void OnMouseLeave();

protected:
    void paintEvent(QPaintEvent *e) override;
    void mousePressEvent(QMouseEvent *e) override;
    void mouseDoubleClickEvent(QMouseEvent *e) override;
    void mouseReleaseEvent(QMouseEvent *e) override;
    void mouseMoveEvent(QMouseEvent *e) override;
    void keyPressEvent(QKeyEvent *e) override;
    void keyReleaseEvent(QKeyEvent *e) override;
    void focusInEvent(QFocusEvent *e) override;
    void focusOutEvent(QFocusEvent *e) override;
    void enterEvent(QEnterEvent *e) override;
    void leaveEvent(QEvent *e) override;

    bool holdsHot() const override { return m_dragging; }
    bool seesThrough() const override { return m_transparentMode != tmNone; }
    void enabledChanged() override;

private:
    void press(QMouseEvent *e);
    void layoutContent();
    void drawGlyph(QPainter &p, QColor transparent);
    void notifyGroup();
    void groupNotified(TFlatButton *sender);
    void updateTracking(const QPoint &globalPos);
    bool inside(const QPoint &pos) const;

    TTransparentMode m_transparentMode = tmNone;
    bool m_default = false;
    bool m_allowAllUp = false;
    QColor m_colorHighLight = Qt::white;
    QColor m_colorShadow = Qt::black;
    int m_groupIndex = 0;
    bool m_down = false;
    QString m_caption;
    QPixmap m_glyph;
    TButtonLayout m_layout = blGlyphTop;
    int m_margin = -1;
    TNumGlyphs m_numGlyphs = 1;
    int m_spacing = 4;
    int m_modalResult = 0;

    Face m_face = Face::Up;
    bool m_dragging = false;
    bool m_spaceHeld = false;
    QPoint m_glyphPos;
    QRect m_textBounds;

    static HoverWatch s_hover;
};
