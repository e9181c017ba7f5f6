// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvane developers
#pragma once
// A multi-line text box framed by a flat three-pixel frame: a one-pixel
// border and a two-pixel band that, with the text background, changes
// colour when the memo has the focus or the mouse is over it.
#include "flatcontrol.h"

#include <QColor>
#include <QPlainTextEdit>
#include <QStringList>

class TFlatMemo : public QPlainTextEdit, protected FlatColors
{
    Q_OBJECT
    Q_PROPERTY(QColor ColorFocused READ ColorFocused WRITE setColorFocused)
    Q_PROPERTY(QColor ColorBorder READ ColorBorder WRITE setColorBorder)
    Q_PROPERTY(QColor ColorFlat READ ColorFlat WRITE setColorFlat)
    Q_PROPERTY(bool ParentColor READ ParentColor WRITE setParentColor)
    Q_PROPERTY(int AdvColorFocused READ AdvColorFocused WRITE setAdvColorFocused)
    Q_PROPERTY(int AdvColorBorder READ AdvColorBorder WRITE setAdvColorBorder)
    Q_PROPERTY(bool UseAdvColors READ UseAdvColors WRITE setUseAdvColors)
    Q_PROPERTY(QStringList Lines READ Lines WRITE setLines)
    Q_PROPERTY(bool ReadOnly READ isReadOnly WRITE setReadOnly)
    Q_PROPERTY(bool Enabled READ isEnabled WRITE setEnabled)
    Q_PROPERTY(FlatTypes::TScrollStyle ScrollBars READ ScrollBars WRITE setScrollBars)
    Q_PROPERTY(bool WordWrap READ WordWrap WRITE setWordWrap)
    Q_PROPERTY(bool WantTabs READ WantTabs WRITE setWantTabs)

public:
    using enum FlatTypes::TScrollStyle;

    explicit TFlatMemo(QWidget *parent = nullptr);

    // The memo's face is its flat colour: the band and the text background
    // when it neither has the focus nor the pointer.
    QColor ColorFlat() const { return Color(); }
    void setColorFlat(const QColor &c) { setColor(c); }
    using FlatColors::ColorFocused;
    using FlatColors::setColorFocused;
    using FlatColors::ColorBorder;
    using FlatColors::setColorBorder;
    using FlatColors::ParentColor;
    using FlatColors::setParentColor;
    using FlatColors::AdvColorFocused;
    using FlatColors::setAdvColorFocused;
    using FlatColors::AdvColorBorder;
    using FlatColors::setAdvColorBorder;
    using FlatColors::UseAdvColors;
    using FlatColors::setUseAdvColors;

    TScrollStyle ScrollBars() const { return m_scrollBars; }
    void setScrollBars(TScrollStyle style);
    bool WordWrap() const { return lineWrapMode() != NoWrap; }
    void setWordWrap(bool on) { setLineWrapMode(on ? WidgetWidth : NoWrap); }
    bool WantTabs() const { return !tabChangesFocus(); }
    void setWantTabs(bool on) { setTabChangesFocus(!on); }

    QStringList Lines() const;
    void setLines(const QStringList &lines);
    // Adds a line at the end and scrolls so that it shows, with as many of
    // the lines before it as fit; also when it was added before the memo
    // was first shown.
    void addLine(const QString &line);

    bool isHot() const { return m_hot; }
    // True when the frame shows the focused look.
    bool focusedLook() const;
    // The colour the band and the text background have right now.
    QColor lookColor() const { return focusedLook() ? ColorFocused() : ColorFlat(); }

signals:
    void OnChange();
    void OnClick();
    void OnDblClick();
    void OnEnter();
    void OnExit();
    void OnKeyDown(int key, Qt::KeyboardModifiers shift);
    void OnKeyPress(QChar key);
    void OnKeyUp(int key, Qt::KeyboardModifiers shift);
    void OnMouseDown(Qt::MouseButton button, Qt::KeyboardModifiers shift, int x, int y);
    void OnMouseMove(Qt::KeyboardModifiers shift, int x, int y);
    void OnMouseUp(Qt::MouseButton button, Qt::KeyboardModifiers shift, int x, int y);

protected:
    bool event(QEvent *e) override;
    void changeEvent(QEvent *e) override;
    void focusInEvent(QFocusEvent *e) override;
    void focusOutEvent(QFocusEvent *e) override;
    void enterEvent(QEnterEvent *e) override;
    void leaveEvent(QEvent *e) override;
    void keyPressEvent(QKeyEvent *e) override;
    void keyReleaseEvent(QKeyEvent *e) override;
    void mousePressEvent(QMouseEvent *e) override;
    void mouseReleaseEvent(QMouseEvent *e) override;
    void mouseMoveEvent(QMouseEvent *e) override;
    void mouseDoubleClickEvent(QMouseEvent *e) override;
    void showEvent(QShowEvent *e) override;
    void resizeEvent(QResizeEvent *e) override;

    void colorsChanged() override { redrawFrame(); }
    // Without a parent the memo keeps its own flat colour.
    bool hasParentColor() const override { return parentWidget() != nullptr; }

private:
    void scrollToEnd();
    void redrawFrame();
    void paintFrame();
    TScrollStyle m_scrollBars = ssNone;
    bool m_hot = false;
    bool m_pressedInside = false;
    // The last line added is to stay in view until the user scrolls.
    bool m_followEnd = false;
};
