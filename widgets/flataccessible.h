#pragma once
// What screen readers learn about the flat widgets through Qt's
// accessibility interfaces: a flat check box is a check box and a flat button
// a push button, named by their captions, with their states and actions.
class QWidget;

namespace flat {

// Makes the interfaces known to Qt. The widgets' constructors call it;
// calling it again does nothing.
void installAccessibility();

// Tell a listening screen reader that a caption or a tick changed. Nothing
// is done while no screen reader listens.
void notifyNameChanged(QWidget *w);
void notifyCheckedChanged(QWidget *w);

} // namespace flat
