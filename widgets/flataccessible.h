// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvane developers
#pragma once
// What screen readers learn about the flat widgets through Qt's
// accessibility interfaces: a flat check box is a check box and a flat button
// a push button, named by their captions, with their states and actions.
// The way in is shared: other floors register their own controls' interfaces
// through registerAccessible, and build them on ActionAccessible.
#include <QAccessibleWidget>
#include <QString>

#include <functional>

class QObject;
class QWidget;

namespace flat {

// Makes the flat widgets' interfaces known to Qt. The widgets' constructors
// call it; calling it again does nothing.
void installAccessibility();

// Makes `make` answer for the objects of the class named `className` (and
// of its subclasses that have no interface of their own). One factory,
// installed with Qt on the first call, serves every class registered; a
// class registered again keeps its first interface.
using AccessibleMaker = QAccessibleInterface *(*)(QObject *object);
void registerAccessible(const char *className, AccessibleMaker make);

template <class Control, class Interface>
void registerAccessible()
{
    registerAccessible(Control::staticMetaObject.className(),
                       [](QObject *object) -> QAccessibleInterface * {
                           return new Interface(static_cast<Control *>(object));
                       });
}

// Tell a listening screen reader that a caption or a tick changed. Nothing
// is done while no screen reader listens.
void notifyNameChanged(QWidget *w);
void notifyCheckedChanged(QWidget *w);

// A control with one action of its own (press, toggle), offered while
// offersAction() holds, and a name shown on it (a caption, a hint) for when
// none was given on purpose.
class ActionAccessible : public QAccessibleWidget
{
public:
    ActionAccessible(QWidget *control, QAccessible::Role role, const QString &action);

    QString text(QAccessible::Text t) const override;
    QStringList actionNames() const override;
    void doAction(const QString &action) override;

protected:
    // By default while the control is enabled.
    virtual bool offersAction() const;
    virtual void act() = 0;
    // The name the control shows (its caption, a hint), for when none was
    // given on purpose; by default what Qt finds.
    virtual QString shownName() const;

    // Runs `work` from the event loop, if the control is still there and
    // enabled then, as the platform's controls do for a screen reader: its
    // request must not wait for the dialogs a click handler may show.
    void later(std::function<void()> work) const;

private:
    QString m_action;
};

} // namespace flat
