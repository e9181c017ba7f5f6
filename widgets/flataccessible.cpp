// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvane developers
#include "flataccessible.h"

#include "FlatUtilitys.h"
#include "TFlatButtonUnit.h"
#include "TFlatCheckBoxUnit.h"

#include <QAccessible>
#include <QHash>
#include <QPointer>

namespace {

class FlatCheckBoxAccessible : public flat::ActionAccessible
{
public:
    explicit FlatCheckBoxAccessible(TFlatCheckBox *box)
        : ActionAccessible(box, QAccessible::CheckBox, toggleAction())
    {
    }

    QAccessible::State state() const override
    {
        QAccessible::State s = QAccessibleWidget::state();
        s.checkable = true;
        s.checked = box()->Checked();
        s.pressed = box()->isPressed();
        return s;
    }

protected:
    QString shownName() const override { return flat::plainCaption(box()->Caption()); }

    // The same way as a click or Space: through the setter, OnClick included.
    void act() override { box()->setChecked(!box()->Checked()); }

private:
    TFlatCheckBox *box() const { return static_cast<TFlatCheckBox *>(object()); }
};

class FlatButtonAccessible : public flat::ActionAccessible
{
public:
    explicit FlatButtonAccessible(TFlatButton *button)
        : ActionAccessible(button, QAccessible::Button, pressAction())
    {
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

protected:
    QString shownName() const override { return flat::plainCaption(button()->Caption()); }

    void act() override
    {
        TFlatButton *b = button();
        later([b] {
            if (b->GroupIndex() != 0)
                b->setDown(!b->Down()); // as a mouse click on a latching button
            b->Click();
        });
    }

private:
    TFlatButton *button() const { return static_cast<TFlatButton *>(object()); }
};

QHash<QString, flat::AccessibleMaker> &makers()
{
    static QHash<QString, flat::AccessibleMaker> registered;
    return registered;
}

QAccessibleInterface *factory(const QString &className, QObject *object)
{
    const flat::AccessibleMaker make = makers().value(className);
    return make ? make(object) : nullptr;
}

} // namespace

namespace flat {

void installAccessibility()
{
    registerAccessible<TFlatCheckBox, FlatCheckBoxAccessible>();
    registerAccessible<TFlatButton, FlatButtonAccessible>();
}

void registerAccessible(const char *className, AccessibleMaker make)
{
    if (makers().isEmpty())
        QAccessible::installFactory(factory);
    const QString name = QLatin1String(className);
    if (!makers().contains(name))
        makers().insert(name, make);
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

ActionAccessible::ActionAccessible(QWidget *control, QAccessible::Role role, const QString &action)
    : QAccessibleWidget(control, role), m_action(action)
{
}

QString ActionAccessible::text(QAccessible::Text t) const
{
    if (t == QAccessible::Name && widget()->accessibleName().isEmpty())
        return shownName();
    return QAccessibleWidget::text(t);
}

QString ActionAccessible::shownName() const
{
    return QAccessibleWidget::text(QAccessible::Name);
}

QStringList ActionAccessible::actionNames() const
{
    QStringList names;
    if (offersAction())
        names << m_action;
    return names + QAccessibleWidget::actionNames();
}

void ActionAccessible::doAction(const QString &action)
{
    if (action != m_action)
        return QAccessibleWidget::doAction(action);
    if (offersAction())
        act();
}

bool ActionAccessible::offersAction() const
{
    return widget()->isEnabled();
}

void ActionAccessible::later(std::function<void()> work) const
{
    QPointer<QWidget> control = widget();
    QMetaObject::invokeMethod(
        control,
        [control, work = std::move(work)] {
            if (control && control->isEnabled())
                work();
        },
        Qt::QueuedConnection);
}

} // namespace flat
