// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvane developers
#pragma once
// A flat, owner-drawn check box: an 11 x 11 square with a drawn check mark
// beside a word-wrapped caption, optionally see-through.
#include "flatcontrol.h"

#include <QColor>

class TFlatCheckBox : public FlatControl
{
    Q_OBJECT
    Q_PROPERTY(bool Transparent READ Transparent WRITE setTransparent)
    Q_PROPERTY(QString Caption READ Caption WRITE setCaption)
    Q_PROPERTY(bool Checked READ Checked WRITE setChecked)
    Q_PROPERTY(QColor ColorCheck READ ColorCheck WRITE setColorCheck)
    Q_PROPERTY(FlatTypes::TCheckBoxLayout Layout READ Layout WRITE setLayout)
    Q_PROPERTY(Qt::LayoutDirection BiDiMode READ layoutDirection WRITE setBiDiMode)

public:
    using enum FlatTypes::TCheckBoxLayout;

    explicit TFlatCheckBox(QWidget *parent = nullptr);

    bool Transparent() const { return m_transparent; }
    void setTransparent(bool on);
    QString Caption() const { return m_caption; }
    void setCaption(const QString &caption);
    bool Checked() const { return m_checked; }
    void setChecked(bool checked);
    QColor ColorCheck() const { return m_colorCheck; }
    void setColorCheck(const QColor &c);
    TCheckBoxLayout Layout() const { return m_layout; }
    void setLayout(TCheckBoxLayout layout);
    // Right to left puts the box at the right.
    void setBiDiMode(Qt::LayoutDirection direction);

    // The 11 x 11 box and the caption rectangle in client coordinates.
    QRect boxRect() const;
    QRect captionRect() const;

    bool isPressed() const { return m_pressed; }
    bool isFocused() const { return m_focused; }

    // The dotted rectangle around the caption that shows the keyboard focus.
    // Like the platform's own check boxes, a box shows it only once the
    // keyboard has moved the focus in its window (Tab or an accelerator), so
    // a mouse user sees the box exactly as designed.
    bool showsFocusRect() const;
    QRect focusRect() const;

    bool dialogChar(QChar c) override;

    // The hover timer shared by all live check boxes; null when there are none.
    static const QTimer *hoverTimer() { return s_hover.timer(); }

    QSize sizeHint() const override { return {121, 17}; }

signals:
    void OnEnter();
    void OnExit();
    void OnKeyDown(int key, Qt::KeyboardModifiers shift);
    void OnKeyPress(QChar key);
    void OnKeyUp(int key, Qt::KeyboardModifiers shift);

protected:
    void paintEvent(QPaintEvent *e) override;
    void mousePressEvent(QMouseEvent *e) override;
    void mouseReleaseEvent(QMouseEvent *e) override;
    void keyPressEvent(QKeyEvent *e) override;
    void keyReleaseEvent(QKeyEvent *e) override;
    void focusInEvent(QFocusEvent *e) override;
    void focusOutEvent(QFocusEvent *e) override;
    void changeEvent(QEvent *e) override;

    void hotChanged() override { redrawBox(); }
    bool holdsHot() const override { return m_pressed; }
    bool seesThrough() const override { return m_transparent; }
    void enabledChanged() override;

private:
    void drawBox(QPainter &p);
    void redrawBox();
    void redrawFocus();
    int captionFlags() const;

    bool m_transparent = false;
    QString m_caption;
    bool m_checked = false;
    QColor m_colorCheck = Qt::black;
    TCheckBoxLayout m_layout = checkboxLeft;
    bool m_pressed = false;
    bool m_focused = false;

    static HoverWatch s_hover;
};
