#include "TFlatCheckBoxUnit.h"

#include "flataccessible.h"

#include <QApplication>
#include <QCursor>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QPointer>
#include <QTimer>

QTimer *TFlatCheckBox::s_timer = nullptr;
int TFlatCheckBox::s_count = 0;
TFlatCheckBox *TFlatCheckBox::s_tracked = nullptr;

TFlatCheckBox::TFlatCheckBox(QWidget *parent)
    : QWidget(parent)
{
    // Every pixel is painted here in our colour; a transparent box is not
    // opaque (see setTransparent).
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
    resize(121, 17);
    m_color = flat::parentColor(this);
    flat::installAccessibility();
    if (s_count++ == 0) {
        s_timer = new QTimer;
        s_timer->setInterval(100);
        QObject::connect(s_timer, &QTimer::timeout, &TFlatCheckBox::tick);
    }
}

TFlatCheckBox::~TFlatCheckBox()
{
    if (s_tracked == this) {
        s_timer->stop();
        s_tracked = nullptr;
    }
    if (--s_count == 0) {
        delete s_timer;
        s_timer = nullptr;
    }
}

void TFlatCheckBox::setTransparent(bool on)
{
    m_transparent = on;
    // A transparent box shows what lies below it, so it must not cut itself
    // out of the widgets beneath: a picture under several boxes would then
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

void TFlatCheckBox::setColor(const QColor &c)
{
    m_color = c;
    m_parentColor = false;
    update();
}

void TFlatCheckBox::setColorFocused(const QColor &c)
{
    m_colorFocused = c;
    update();
}

void TFlatCheckBox::setColorDown(const QColor &c)
{
    m_colorDown = c;
    update();
}

void TFlatCheckBox::setColorCheck(const QColor &c)
{
    m_colorCheck = c;
    update();
}

void TFlatCheckBox::setColorBorder(const QColor &c)
{
    m_colorBorder = c;
    update();
}

void TFlatCheckBox::setAdvColorFocused(TAdvColors v)
{
    m_advFocused = std::clamp(v, 0, 100);
    deriveColors();
    update();
}

void TFlatCheckBox::setAdvColorDown(TAdvColors v)
{
    m_advDown = std::clamp(v, 0, 100);
    deriveColors();
    update();
}

void TFlatCheckBox::setAdvColorBorder(TAdvColors v)
{
    m_advBorder = std::clamp(v, 0, 100);
    deriveColors();
    update();
}

void TFlatCheckBox::setUseAdvColors(bool on)
{
    if (on == m_useAdvColors)
        return;
    m_useAdvColors = on;
    setParentColor(on);
    deriveColors();
    update();
}

void TFlatCheckBox::setLayout(TCheckBoxLayout layout)
{
    m_layout = layout;
    update();
}

void TFlatCheckBox::setParentColor(bool on)
{
    m_parentColor = on;
    if (on)
        m_color = flat::parentColor(this);
    update();
}

void TFlatCheckBox::setParentFont(bool on)
{
    if (on)
        setFont(QFont());
}

void TFlatCheckBox::setTabStop(bool on)
{
    setFocusPolicy(on ? Qt::StrongFocus : Qt::ClickFocus);
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

void TFlatCheckBox::deriveColors()
{
    if (!m_useAdvColors)
        return;
    using flat::Direction;
    m_colorFocused = flat::advancedColor(m_color, m_colorFocused, m_advFocused, Direction::Lighten);
    m_colorDown = flat::advancedColor(m_color, m_colorDown, m_advDown, Direction::Darken);
    m_colorBorder = flat::advancedColor(m_color, m_colorBorder, m_advBorder, Direction::Darken);
}

void TFlatCheckBox::followParentColor()
{
    if (m_parentColor)
        m_color = flat::parentColor(this);
    if (m_useAdvColors) {
        m_parentColor = true;
        m_color = flat::parentColor(this);
        deriveColors();
    }
    update();
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
    const QColor fill = (!m_focused && !m_hot) ? m_color : (m_pressed ? m_colorDown : m_colorFocused);
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
    flat::frameRect(p, box, m_colorBorder);
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
        p.fillRect(rect(), m_color);
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
    if (m_hot)
        setChecked(!m_checked);
    if (!self)
        return;
    redrawBox();
    const QPoint pos = e->position().toPoint();
    emit OnMouseUp(e->button(), e->modifiers(), pos.x(), pos.y());
}

void TFlatCheckBox::mouseMoveEvent(QMouseEvent *e)
{
    const QPoint pos = e->position().toPoint();
    emit OnMouseMove(e->modifiers(), pos.x(), pos.y());
    trackHover(e->globalPosition().toPoint(), false);
}

void TFlatCheckBox::trackHover(const QPoint &globalPos, bool pressing)
{
    if (s_tracked == this)
        return;
    if (!pressing && QApplication::widgetAt(globalPos) != this)
        return;
    if (s_tracked)
        s_tracked->leave();
    if (!pressing && !QApplication::activeWindow())
        return;
    s_timer->stop();
    s_tracked = this;
    s_timer->start();
    enter();
}

void TFlatCheckBox::enter()
{
    if (!isEnabled() || m_hot)
        return;
    m_hot = true;
    redrawBox();
}

void TFlatCheckBox::leave()
{
    if (!isEnabled() || !m_hot || m_pressed)
        return;
    m_hot = false;
    if (s_tracked == this) {
        s_timer->stop();
        s_tracked = nullptr;
    }
    redrawBox();
}

void TFlatCheckBox::tick()
{
    if (!s_tracked) {
        s_timer->stop();
        return;
    }
    if (QApplication::widgetAt(QCursor::pos()) != s_tracked)
        s_tracked->leave();
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
    if (e->reason() != Qt::ActiveWindowFocusReason && e->reason() != Qt::PopupFocusReason)
        emit OnEnter();
}

void TFlatCheckBox::focusOutEvent(QFocusEvent *e)
{
    m_focused = false;
    if (isEnabled())
        m_hot = false;
    redrawBox();
    redrawFocus();
    if (e->reason() != Qt::ActiveWindowFocusReason && e->reason() != Qt::PopupFocusReason)
        emit OnExit();
}

void TFlatCheckBox::changeEvent(QEvent *e)
{
    switch (e->type()) {
    case QEvent::EnabledChange:
        if (!isEnabled()) {
            m_hot = false;
            m_pressed = false;
            if (s_tracked == this) {
                s_timer->stop();
                s_tracked = nullptr;
            }
        }
        update();
        break;
    case QEvent::PaletteChange:
        followParentColor();
        break;
    case QEvent::FontChange:
        update();
        break;
    case QEvent::LayoutDirectionChange:
        setLayout(layoutDirection() == Qt::RightToLeft ? checkboxRight : checkboxLeft);
        break;
    default:
        break;
    }
    QWidget::changeEvent(e);
}

bool TFlatCheckBox::event(QEvent *e)
{
    if (e->type() == QEvent::ParentChange)
        followParentColor();
    else if (e->type() == QEvent::Show)
        installDialogCharDispatch(window());
    return QWidget::event(e);
}

void TFlatCheckBox::moveEvent(QMoveEvent *e)
{
    if (m_transparent)
        update();
    QWidget::moveEvent(e);
}

void TFlatCheckBox::resizeEvent(QResizeEvent *e)
{
    if (m_transparent)
        update();
    QWidget::resizeEvent(e);
}
