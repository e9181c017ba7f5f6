// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvane developers
#include "app/formaccessibility.h"

#include "app/formcontrols.h"
#include "flataccessible.h"

namespace {

// A control whose action is its click: OnClick, run as a button runs its
// click for a screen reader.
class ClickAccessible : public flat::ActionAccessible
{
public:
    ClickAccessible(ClickableLabel *control, QAccessible::Role role)
        : ActionAccessible(control, role, pressAction())
    {
    }

protected:
    void act() override
    {
        ClickableLabel *control = static_cast<ClickableLabel *>(object());
        later([control] { emit control->OnClick(); });
    }
};

class ImageAccessible : public ClickAccessible
{
public:
    explicit ImageAccessible(TImage *image) : ClickAccessible(image, QAccessible::Graphic) {}

    // Asked each time: the layout connects the flags after making them.
    QAccessible::Role role() const override
    {
        return image()->clickable() ? QAccessible::Button : QAccessible::Graphic;
    }

protected:
    // A flag is named by its hint, the language's own name for itself.
    QString shownName() const override { return widget()->toolTip(); }
    bool offersAction() const override { return image()->clickable() && ClickAccessible::offersAction(); }

private:
    TImage *image() const { return static_cast<TImage *>(object()); }
};

// The notice opens the maker's web site when clicked: a link.
class LabelAccessible : public ClickAccessible
{
public:
    explicit LabelAccessible(TLabel *label) : ClickAccessible(label, QAccessible::Link) {}

protected:
    QString shownName() const override { return static_cast<TLabel *>(object())->text().simplified(); }
};

} // namespace

namespace qv {

void installFormAccessibility()
{
    flat::registerAccessible<TImage, ImageAccessible>();
    flat::registerAccessible<TLabel, LabelAccessible>();
}

} // namespace qv
