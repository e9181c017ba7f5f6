// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvane developers
#include "TFlatButtonUnit.h"
#include "TFlatCheckBoxUnit.h"
#include "TFlatMemoUnit.h"
#include "flatsupport.h"

#include <functional>

using namespace flattest;

namespace {

// A kind of flat widget, seen through its published properties as the
// layouts see it; the memo calls its face colour ColorFlat.
struct Kind
{
    const char *name;
    const char *face;
    std::function<QWidget *(QWidget *)> make;
};

const Kind kKinds[] = {
    {"check box", "Color", [](QWidget *parent) -> QWidget * { return new TFlatCheckBox(parent); }},
    {"button", "Color", [](QWidget *parent) -> QWidget * { return new TFlatButton(parent); }},
    {"memo", "ColorFlat", [](QWidget *parent) -> QWidget * { return new TFlatMemo(parent); }},
};

QColor colour(const QWidget *w, const char *property)
{
    return w->property(property).value<QColor>();
}

} // namespace

class FlatColorsTest : public FormTest
{
protected:
    void setFormColour(const QColor &c)
    {
        QPalette pal = form->palette();
        pal.setColor(QPalette::Window, c);
        form->setPalette(pal);
    }
};

TEST_F(FlatColorsTest, EveryKindFollowsClampsAndDerivesItsColoursAlike)
{
    const QColor parent(90, 100, 110), own(1, 2, 3), later(200, 100, 50);
    for (const Kind &kind : kKinds) {
        SCOPED_TRACE(kind.name);
        setFormColour(kWhite);
        QWidget *w = kind.make(form.get());

        setFormColour(parent);
        EXPECT_EQ(colour(w, kind.face), parent); // ParentColor is on at first

        for (const auto &[given, kept] : {std::pair{150, 100}, {-5, 0}, {30, 30}}) {
            ASSERT_TRUE(w->setProperty("AdvColorFocused", given));
            EXPECT_EQ(w->property("AdvColorFocused").toInt(), kept) << given;
        }

        ASSERT_TRUE(w->setProperty(kind.face, own));
        EXPECT_FALSE(w->property("ParentColor").toBool());
        setFormColour(later);
        EXPECT_EQ(colour(w, kind.face), own);

        // Advanced colours take the parent's again and derive from it, and
        // keep doing so when it changes.
        ASSERT_TRUE(w->setProperty("UseAdvColors", true));
        EXPECT_TRUE(w->property("ParentColor").toBool());
        EXPECT_EQ(colour(w, kind.face), later);
        setFormColour(parent);
        EXPECT_EQ(colour(w, kind.face), parent);
        using flat::Direction;
        EXPECT_EQ(colour(w, "ColorFocused"), flat::advancedColor(parent, {}, 30, Direction::Lighten));
        EXPECT_EQ(colour(w, "ColorBorder"), flat::advancedColor(parent, {}, 50, Direction::Darken));
        delete w;
    }
}
