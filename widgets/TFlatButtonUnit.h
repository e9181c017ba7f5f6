#pragma once
// A flat, owner-drawn push button with an optional glyph beside its caption;
// buttons sharing a GroupIndex latch like radio buttons.
#include "dialogchars.h"
#include "FlatUtilitys.h"

#include <QColor>
#include <QPixmap>
#include <QWidget>

class QTimer;

class TFlatButton : public QWidget, public DialogCharTarget
{
    Q_OBJECT
    Q_PROPERTY(FlatTypes::TTransparentMode TransparentMode READ TransparentMode WRITE setTransparentMode)
    Q_PROPERTY(bool Default READ Default WRITE setDefault)
    Q_PROPERTY(bool AllowAllUp READ AllowAllUp WRITE setAllowAllUp)
    Q_PROPERTY(QColor Color READ Color WRITE setColor)
    Q_PROPERTY(QColor ColorFocused READ ColorFocused WRITE setColorFocused)
    Q_PROPERTY(QColor ColorDown READ ColorDown WRITE setColorDown)
    Q_PROPERTY(QColor ColorBorder READ ColorBorder WRITE setColorBorder)
    Q_PROPERTY(QColor ColorHighLight READ ColorHighLight WRITE setColorHighLight)
    Q_PROPERTY(QColor ColorShadow READ ColorShadow WRITE setColorShadow)
    Q_PROPERTY(int AdvColorFocused READ AdvColorFocused WRITE setAdvColorFocused)
    Q_PROPERTY(int AdvColorDown READ AdvColorDown WRITE setAdvColorDown)
    Q_PROPERTY(int AdvColorBorder READ AdvColorBorder WRITE setAdvColorBorder)
    Q_PROPERTY(bool UseAdvColors READ UseAdvColors WRITE setUseAdvColors)
    Q_PROPERTY(int GroupIndex READ GroupIndex WRITE setGroupIndex)
    Q_PROPERTY(bool Down READ Down WRITE setDown)
    Q_PROPERTY(QString Caption READ Caption WRITE setCaption)
    Q_PROPERTY(bool Enabled READ isEnabled WRITE setEnabled)
    Q_PROPERTY(QPixmap Glyph READ Glyph WRITE setGlyph)
    Q_PROPERTY(FlatTypes::TButtonLayout Layout READ Layout WRITE setLayout)
    Q_PROPERTY(int Margin READ Margin WRITE setMargin)
    Q_PROPERTY(int NumGlyphs READ NumGlyphs WRITE setNumGlyphs)
    Q_PROPERTY(bool ParentFont READ ParentFont WRITE setParentFont)
    Q_PROPERTY(bool ParentColor READ ParentColor WRITE setParentColor)
    Q_PROPERTY(bool TabStop READ TabStop WRITE setTabStop)
    Q_PROPERTY(int Spacing READ Spacing WRITE setSpacing)
    Q_PROPERTY(int ModalResult READ ModalResult WRITE setModalResult)

public:
    using enum FlatTypes::TTransparentMode;
    using enum FlatTypes::TButtonLayout;

    enum class Face { Up, Disabled, Down, Exclusive };

    explicit TFlatButton(QWidget *parent = nullptr);
    ~TFlatButton() override;

    TTransparentMode TransparentMode() const { return m_transparentMode; }
    void setTransparentMode(TTransparentMode mode);
    bool Default() const { return m_default; }
    void setDefault(bool on);
    bool AllowAllUp() const { return m_allowAllUp; }
    void setAllowAllUp(bool on);
    QColor Color() const { return m_color; }
    void setColor(const QColor &c);
    QColor ColorFocused() const { return m_colorFocused; }
    void setColorFocused(const QColor &c);
    QColor ColorDown() const { return m_colorDown; }
    void setColorDown(const QColor &c);
    QColor ColorBorder() const { return m_colorBorder; }
    void setColorBorder(const QColor &c);
    QColor ColorHighLight() const { return m_colorHighLight; }
    void setColorHighLight(const QColor &c);
    QColor ColorShadow() const { return m_colorShadow; }
    void setColorShadow(const QColor &c);
    TAdvColors AdvColorFocused() const { return m_advFocused; }
    void setAdvColorFocused(TAdvColors v);
    TAdvColors AdvColorDown() const { return m_advDown; }
    void setAdvColorDown(TAdvColors v);
    TAdvColors AdvColorBorder() const { return m_advBorder; }
    void setAdvColorBorder(TAdvColors v);
    bool UseAdvColors() const { return m_useAdvColors; }
    void setUseAdvColors(bool on);
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
    bool ParentFont() const { return !testAttribute(Qt::WA_SetFont); }
    void setParentFont(bool on);
    bool ParentColor() const { return m_parentColor; }
    void setParentColor(bool on);
    bool TabStop() const { return focusPolicy() & Qt::TabFocus; }
    void setTabStop(bool on);
    int Spacing() const { return m_spacing; }
    void setSpacing(int spacing);
    int ModalResult() const { return m_modalResult; }
    void setModalResult(int result) { m_modalResult = result; }

    // Sets the form's modal result and fires OnClick, as a click does.
    void Click();

    Face face() const { return m_face; }
    bool isHot() const { return m_hot; }
    bool isDragging() const { return m_dragging; }
    // Results of the last layout: where the glyph and the caption went.
    QPoint glyphPos() const { return m_glyphPos; }
    QRect textBounds() const { return m_textBounds; }

    bool dialogChar(QChar c) override;

    // The hover timer shared by all live instances; null when there are none.
    static const QTimer *hoverTimer() { return s_timer; }

    QSize sizeHint() const override { return {25, 25}; }

signals:
    void OnClick();
    void OnDblClick();
    void OnMouseDown(Qt::MouseButton button, Qt::KeyboardModifiers shift, int x, int y);
    void OnMouseMove(Qt::KeyboardModifiers shift, int x, int y);
    void OnMouseUp(Qt::MouseButton button, Qt::KeyboardModifiers shift, int x, int y);
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
    void changeEvent(QEvent *e) override;
    void moveEvent(QMoveEvent *e) override;
    void resizeEvent(QResizeEvent *e) override;
    bool event(QEvent *e) override;

private:
    void press(QMouseEvent *e);
    void layoutContent();
    void drawGlyph(QPainter &p, QColor transparent);
    void deriveColors();
    void followParentColor();
    void notifyGroup();
    void groupNotified(TFlatButton *sender);
    void trackHover(const QPoint &globalPos);
    void enter();
    void leave();
    void updateTracking(const QPoint &globalPos);
    bool inside(const QPoint &pos) const;
    static void tick();

    TTransparentMode m_transparentMode = tmNone;
    bool m_default = false;
    bool m_allowAllUp = false;
    QColor m_color;
    QColor m_colorFocused = QColor(235, 234, 225);
    QColor m_colorDown = QColor(217, 214, 197);
    QColor m_colorBorder = QColor(160, 150, 131);
    QColor m_colorHighLight = Qt::white;
    QColor m_colorShadow = Qt::black;
    TAdvColors m_advFocused = 10;
    TAdvColors m_advDown = 10;
    TAdvColors m_advBorder = 50;
    bool m_useAdvColors = false;
    int m_groupIndex = 0;
    bool m_down = false;
    QString m_caption;
    QPixmap m_glyph;
    TButtonLayout m_layout = blGlyphTop;
    int m_margin = -1;
    TNumGlyphs m_numGlyphs = 1;
    bool m_parentColor = true;
    int m_spacing = 4;
    int m_modalResult = 0;

    Face m_face = Face::Up;
    bool m_hot = false;
    bool m_dragging = false;
    bool m_spaceHeld = false;
    QPoint m_glyphPos;
    QRect m_textBounds;

    // Shared by every button: one hover timer and the button it watches.
    static QTimer *s_timer;
    static int s_count;
    static TFlatButton *s_tracked;
};
