#include "flataccessible.h"

#include "FlatUtilitys.h"
#include "TFlatButtonUnit.h"
#include "TFlatCheckBoxUnit.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QPointer>

namespace {

// The name a caption gives, unless the widget was named on purpose.
QString nameOf(const QWidget *w, const QString &caption)
{
    const QString given = w->accessibleName();
    return given.isEmpty() ? flat::plainCaption(caption) : given;
}

class FlatCheckBoxAccessible : public QAccessibleWidget
{
public:
    explicit FlatCheckBoxAccessible(TFlatCheckBox *box) : QAccessibleWidget(box, QAccessible::CheckBox) {}

    QString text(QAccessible::Text t) const override
    {
        if (t == QAccessible::Name)
            return nameOf(widget(), box()->Caption());
        return QAccessibleWidget::text(t);
    }

    QAccessible::State state() const override
    {
        QAccessible::State s = QAccessibleWidget::state();
        s.checkable = true;
        s.checked = box()->Checked();
        s.pressed = box()->isPressed();
        return s;
    }

    QStringList actionNames() const override
    {
        QStringList names;
        if (widget()->isEnabled())
            names << toggleAction();
        return names + QAccessibleWidget::actionNames();
    }

    void doAction(const QString &action) override
    {
        if (action != toggleAction())
            return QAccessibleWidget::doAction(action);
        // The same way as a click or Space: through the setter, OnClick included.
        if (widget()->isEnabled())
            box()->setChecked(!box()->Checked());
    }

private:
    TFlatCheckBox *box() const { return static_cast<TFlatCheckBox *>(object()); }
};

class FlatButtonAccessible : public QAccessibleWidget
{
public:
    explicit FlatButtonAccessible(TFlatButton *button) : QAccessibleWidget(button, QAccessible::Button) {}

    QString text(QAccessible::Text t) const override
    {
        if (t == QAccessible::Name)
            return nameOf(widget(), button()->Caption());
        return QAccessibleWidget::text(t);
    }

    QAccessible::State state() const override
    {
        QAccessible::State s = QAccessibleWidget::state();
        s.pressed = button()->face() == TFlatButton::Face::Down;
        if (button()->GroupIndex() != 0) {
            // A latching button is a toggle: down is checked.
            s.checkable = true;
            s.checked = button()->Down();
        }
        return s;
    }

    QStringList actionNames() const override
    {
        QStringList names;
        if (widget()->isEnabled())
            names << pressAction();
        return names + QAccessibleWidget::actionNames();
    }

    void doAction(const QString &action) override
    {
        if (action != pressAction())
            return QAccessibleWidget::doAction(action);
        if (!widget()->isEnabled())
            return;
        // Later, from the event loop, as the platform's buttons do: the
        // screen reader's request must not wait for the dialogs a click
        // handler may show.
        QPointer<TFlatButton> b = button();
        QMetaObject::invokeMethod(
            b,
            [b] {
                if (!b || !b->isEnabled())
                    return;
                if (b->GroupIndex() != 0)
                    b->setDown(!b->Down()); // as a mouse click on a latching button
                b->Click();
            },
            Qt::QueuedConnection);
    }

private:
    TFlatButton *button() const { return static_cast<TFlatButton *>(object()); }
};

QAccessibleInterface *factory(const QString &className, QObject *object)
{
    if (className == QLatin1String("TFlatCheckBox"))
        return new FlatCheckBoxAccessible(static_cast<TFlatCheckBox *>(object));
    if (className == QLatin1String("TFlatButton"))
        return new FlatButtonAccessible(static_cast<TFlatButton *>(object));
    return nullptr;
}

} // namespace

namespace flat {

void installAccessibility()
{
    static bool installed = false;
    if (installed)
        return;
    installed = true;
    QAccessible::installFactory(factory);
}

void notifyNameChanged(QWidget *w)
{
    if (!QAccessible::isActive())
        return;
    QAccessibleEvent event(w, QAccessible::NameChanged);
    QAccessible::updateAccessibility(&event);
}

void notifyCheckedChanged(QWidget *w)
{
    if (!QAccessible::isActive())
        return;
    QAccessible::State changed;
    changed.checked = true;
    QAccessibleStateChangeEvent event(w, changed);
    QAccessible::updateAccessibility(&event);
}

} // namespace flat
