#pragma once
// A flat, owner-drawn check box: an 11 x 11 square with a drawn check mark
// beside a word-wrapped caption, optionally see-through.
#include "dialogchars.h"
#include "FlatUtilitys.h"

#include <QColor>
#include <QWidget>

class QTimer;

class TFlatCheckBox : public QWidget, public DialogCharTarget
{
    Q_OBJECT
    Q_PROPERTY(bool Transparent READ Transparent WRITE setTransparent)
    Q_PROPERTY(QString Caption READ Caption WRITE setCaption)
    Q_PROPERTY(bool Checked READ Checked WRITE setChecked)
    Q_PROPERTY(QColor Color READ Color WRITE setColor)
    Q_PROPERTY(QColor ColorFocused READ ColorFocused WRITE setColorFocused)
    Q_PROPERTY(QColor ColorDown READ ColorDown WRITE setColorDown)
    Q_PROPERTY(QColor ColorCheck READ ColorCheck WRITE setColorCheck)
    Q_PROPERTY(QColor ColorBorder READ ColorBorder WRITE setColorBorder)
    Q_PROPERTY(int AdvColorFocused READ AdvColorFocused WRITE setAdvColorFocused)
    Q_PROPERTY(int AdvColorDown READ AdvColorDown WRITE setAdvColorDown)
    Q_PROPERTY(int AdvColorBorder READ AdvColorBorder WRITE setAdvColorBorder)
    Q_PROPERTY(bool UseAdvColors READ UseAdvColors WRITE setUseAdvColors)
    Q_PROPERTY(bool Enabled READ isEnabled WRITE setEnabled)
    Q_PROPERTY(FlatTypes::TCheckBoxLayout Layout READ Layout WRITE setLayout)
    Q_PROPERTY(bool ParentColor READ ParentColor WRITE setParentColor)
    Q_PROPERTY(bool ParentFont READ ParentFont WRITE setParentFont)
    Q_PROPERTY(bool TabStop READ TabStop WRITE setTabStop)
    Q_PROPERTY(Qt::LayoutDirection BiDiMode READ layoutDirection WRITE setBiDiMode)

public:
    using enum FlatTypes::TCheckBoxLayout;

    explicit TFlatCheckBox(QWidget *parent = nullptr);
    ~TFlatCheckBox() override;

    bool Transparent() const { return m_transparent; }
    void setTransparent(bool on);
    QString Caption() const { return m_caption; }
    void setCaption(const QString &caption);
    bool Checked() const { return m_checked; }
    void setChecked(bool checked);
    QColor Color() const { return m_color; }
    void setColor(const QColor &c);
    QColor ColorFocused() const { return m_colorFocused; }
    void setColorFocused(const QColor &c);
    QColor ColorDown() const { return m_colorDown; }
    void setColorDown(const QColor &c);
    QColor ColorCheck() const { return m_colorCheck; }
    void setColorCheck(const QColor &c);
    QColor ColorBorder() const { return m_colorBorder; }
    void setColorBorder(const QColor &c);
    TAdvColors AdvColorFocused() const { return m_advFocused; }
    void setAdvColorFocused(TAdvColors v);
    TAdvColors AdvColorDown() const { return m_advDown; }
    void setAdvColorDown(TAdvColors v);
    TAdvColors AdvColorBorder() const { return m_advBorder; }
    void setAdvColorBorder(TAdvColors v);
    bool UseAdvColors() const { return m_useAdvColors; }
    void setUseAdvColors(bool on);
    TCheckBoxLayout Layout() const { return m_layout; }
    void setLayout(TCheckBoxLayout layout);
    bool ParentColor() const { return m_parentColor; }
    void setParentColor(bool on);
    bool ParentFont() const { return !testAttribute(Qt::WA_SetFont); }
    void setParentFont(bool on);
    bool TabStop() const { return focusPolicy() & Qt::TabFocus; }
    void setTabStop(bool on);
    // Right to left puts the box at the right.
    void setBiDiMode(Qt::LayoutDirection direction);

    // The 11 x 11 box and the caption rectangle in client coordinates.
    QRect boxRect() const;
    QRect captionRect() const;

    bool isHot() const { return m_hot; }
    bool isPressed() const { return m_pressed; }
    bool isFocused() const { return m_focused; }

    // The dotted rectangle around the caption that shows the keyboard focus.
    // Like the platform's own check boxes, a box shows it only once the
    // keyboard has moved the focus in its window (Tab or an accelerator), so
    // a mouse user sees the box exactly as designed.
    bool showsFocusRect() const;
    QRect focusRect() const;

    bool dialogChar(QChar c) override;

    // The hover timer shared by all live instances; null when there are none.
    static const QTimer *hoverTimer() { return s_timer; }

    QSize sizeHint() const override { return {121, 17}; }

signals:
    void OnClick();
    void OnEnter();
    void OnExit();
    void OnKeyDown(int key, Qt::KeyboardModifiers shift);
    void OnKeyPress(QChar key);
    void OnKeyUp(int key, Qt::KeyboardModifiers shift);
    void OnMouseDown(Qt::MouseButton button, Qt::KeyboardModifiers shift, int x, int y);
    void OnMouseMove(Qt::KeyboardModifiers shift, int x, int y);
    void OnMouseUp(Qt::MouseButton button, Qt::KeyboardModifiers shift, int x, int y);

protected:
    void paintEvent(QPaintEvent *e) override;
    void mousePressEvent(QMouseEvent *e) override;
    void mouseReleaseEvent(QMouseEvent *e) override;
    void mouseMoveEvent(QMouseEvent *e) override;
    void keyPressEvent(QKeyEvent *e) override;
    void keyReleaseEvent(QKeyEvent *e) override;
    void focusInEvent(QFocusEvent *e) override;
    void focusOutEvent(QFocusEvent *e) override;
    void changeEvent(QEvent *e) override;
    void moveEvent(QMoveEvent *e) override;
    void resizeEvent(QResizeEvent *e) override;
    bool event(QEvent *e) override;

private:
    void drawBox(QPainter &p);
    void redrawBox();
    void redrawFocus();
    int captionFlags() const;
    void deriveColors();
    void followParentColor();
    void trackHover(const QPoint &globalPos, bool pressing);
    void enter();
    void leave();
    static void tick();

    bool m_transparent = false;
    QString m_caption;
    bool m_checked = false;
    QColor m_color;
    QColor m_colorFocused = Qt::white;
    QColor m_colorDown = QColor(217, 214, 197);
    QColor m_colorCheck = Qt::black;
    QColor m_colorBorder = QColor(160, 150, 131);
    TAdvColors m_advFocused = 10;
    TAdvColors m_advDown = 10;
    TAdvColors m_advBorder = 50;
    bool m_useAdvColors = false;
    TCheckBoxLayout m_layout = checkboxLeft;
    bool m_parentColor = true;
    bool m_hot = false;
    bool m_pressed = false;
    bool m_focused = false;

    // Shared by every check box: one hover timer and the box it watches.
    static QTimer *s_timer;
    static int s_count;
    static TFlatCheckBox *s_tracked;

    friend class FlatCheckBoxProbe;
};
