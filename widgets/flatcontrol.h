// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvane developers
#pragma once
// What the flat widgets have in common. FlatColors is the colour set each of
// them carries. FlatControl is the base of the owner-drawn ones (the check
// box and the button), as QAbstractButton is of Qt's buttons: it keeps the
// colours, the hot look that a hover timer ends, the mouse events it reports
// and the accelerators, and leaves the painting to the subclass.
#include "FlatUtilitys.h"
#include "dialogchars.h"

#include <QColor>
#include <QWidget>

class QFocusEvent;
class QTimer;

// The face colour, the colours of the hot (hovered or focused) and pressed
// looks and of the border, and the percentages that derive those three from
// the face while UseAdvColors is on. While ParentColor is on, the face is
// the parent's background.
class FlatColors
{
public:
    virtual ~FlatColors() = default;

    QColor Color() const { return m_color; }
    // Turns ParentColor off.
    void setColor(const QColor &c);
    QColor ColorFocused() const { return m_colorFocused; }
    void setColorFocused(const QColor &c);
    QColor ColorDown() const { return m_colorDown; }
    void setColorDown(const QColor &c);
    QColor ColorBorder() const { return m_colorBorder; }
    void setColorBorder(const QColor &c);
    TAdvColors AdvColorFocused() const { return m_advFocused; }
    void setAdvColorFocused(TAdvColors v);
    TAdvColors AdvColorDown() const { return m_advDown; }
    void setAdvColorDown(TAdvColors v);
    TAdvColors AdvColorBorder() const { return m_advBorder; }
    void setAdvColorBorder(TAdvColors v);
    // Turns ParentColor on or off with it.
    bool UseAdvColors() const { return m_useAdvColors; }
    void setUseAdvColors(bool on);
    bool ParentColor() const { return m_parentColor; }
    void setParentColor(bool on);

protected:
    FlatColors(QWidget *owner, QColor face, QColor focused);

    // Repaints what shows the colours.
    virtual void colorsChanged() = 0;
    // Whether the owner has a parent colour to take. Without a parent it is
    // the owner's own window colour, unless a subclass says there is none.
    virtual bool hasParentColor() const { return true; }

    // Takes the parent's colour when ParentColor is on.
    void takeParentColor();
    // After the parent or its colour changed: takes it again (always with
    // UseAdvColors, which turns ParentColor back on) and derives from it.
    void followParentColor();

private:
    void deriveColors();

    QWidget *m_owner;
    QColor m_color;
    QColor m_colorFocused;
    QColor m_colorDown = QColor(217, 214, 197);
    QColor m_colorBorder = QColor(160, 150, 131);
    TAdvColors m_advFocused = 10;
    TAdvColors m_advDown = 10;
    TAdvColors m_advBorder = 50;
    bool m_useAdvColors = false;
    bool m_parentColor = true;
};

class FlatControl : public QWidget, public FlatColors, public DialogCharTarget
{
    Q_OBJECT
    Q_PROPERTY(QColor Color READ Color WRITE setColor)
    Q_PROPERTY(QColor ColorFocused READ ColorFocused WRITE setColorFocused)
    Q_PROPERTY(QColor ColorDown READ ColorDown WRITE setColorDown)
    Q_PROPERTY(QColor ColorBorder READ ColorBorder WRITE setColorBorder)
    Q_PROPERTY(int AdvColorFocused READ AdvColorFocused WRITE setAdvColorFocused)
    Q_PROPERTY(int AdvColorDown READ AdvColorDown WRITE setAdvColorDown)
    Q_PROPERTY(int AdvColorBorder READ AdvColorBorder WRITE setAdvColorBorder)
    Q_PROPERTY(bool UseAdvColors READ UseAdvColors WRITE setUseAdvColors)
    Q_PROPERTY(bool Enabled READ isEnabled WRITE setEnabled)
    Q_PROPERTY(bool ParentColor READ ParentColor WRITE setParentColor)
    Q_PROPERTY(bool ParentFont READ ParentFont WRITE setParentFont)
    Q_PROPERTY(bool TabStop READ TabStop WRITE setTabStop)

public:
    // One hover timer for all the controls of a kind, alive from the first
    // of them to the last, and the control whose hot look it watches.
    class HoverWatch
    {
    public:
        const QTimer *timer() const { return m_timer; }

    private:
        friend class FlatControl;
        QTimer *m_timer = nullptr;
        int m_count = 0;
        FlatControl *m_tracked = nullptr;
    };

    ~FlatControl() override;

    bool ParentFont() const { return !testAttribute(Qt::WA_SetFont); }
    void setParentFont(bool on);
    bool TabStop() const { return focusPolicy() & Qt::TabFocus; }
    void setTabStop(bool on);

    bool isHot() const { return m_hot; }

signals:
    void OnClick();
    void OnMouseDown(Qt::MouseButton button, Qt::KeyboardModifiers shift, int x, int y);
    void OnMouseMove(Qt::KeyboardModifiers shift, int x, int y);
    void OnMouseUp(Qt::MouseButton button, Qt::KeyboardModifiers shift, int x, int y);

protected:
    FlatControl(QWidget *parent, HoverWatch &watch, QColor focused);

    void setHot(bool on) { m_hot = on; }
    // The pointer is over the control at `globalPos`, or it was pressed on
    // it (`pressing`: then neither the pointer's place nor an active window
    // is asked for). The control takes the hot look and the timer watches
    // it; the control watched before loses it.
    void trackHover(const QPoint &globalPos, bool pressing = false);
    void enter();
    void leave();
    // The timer stops watching this control.
    void stopTracking();

    // Repaints what the hot look changes.
    virtual void hotChanged() { update(); }
    // True while a press keeps the hot look, wherever the pointer is.
    virtual bool holdsHot() const { return false; }
    // True when the control shows what lies below it, which its moving or
    // resizing changes.
    virtual bool seesThrough() const { return false; }
    // After the control was enabled or disabled; disabling has ended the hot
    // look already.
    virtual void enabledChanged() { update(); }

    void colorsChanged() override { update(); }

    void mouseMoveEvent(QMouseEvent *e) override;
    void changeEvent(QEvent *e) override;
    void moveEvent(QMoveEvent *e) override;
    void resizeEvent(QResizeEvent *e) override;
    bool event(QEvent *e) override;

private:
    static void tick(HoverWatch &watch);

    HoverWatch &m_watch;
    bool m_hot = false;
};

namespace flat {

// True when the focus moved between controls, not only with the window's
// activation or a popup: the OnEnter and OnExit events report only that.
bool focusMovedBetweenControls(const QFocusEvent *e);

} // namespace flat
