// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvane developers
#pragma once
// Shared scaffolding for the flat widget tests: a shown, active form with
// a white background and distinct system colours, and pixel helpers.
#include <QApplication>
#include <QImage>
#include <QPalette>
#include <QWidget>
#include <QtTest>
#include <gtest/gtest.h>
#include <memory>

namespace flattest {

inline const QColor kWhite(255, 255, 255);
inline const QColor kBorder(160, 150, 131);
inline const QColor kDown(217, 214, 197);
inline const QColor kPale(235, 234, 225);
// System colours made distinct so embossed drawing can be told apart.
inline const QColor kLight(250, 240, 200);
inline const QColor kDark(90, 90, 120);
inline const QColor kFace(200, 200, 210);

inline QImage shot(QWidget *w)
{
    return w->grab().toImage().convertToFormat(QImage::Format_RGB32);
}

inline QColor at(const QImage &img, int x, int y)
{
    return QColor(img.pixel(x, y));
}

inline int countColor(const QImage &img, const QRect &r, const QColor &c)
{
    int n = 0;
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x)
            if (QColor(img.pixel(x, y)) == c)
                ++n;
    return n;
}

// Pixels of `r` that differ from `background`.
inline int countInk(const QImage &img, const QRect &r, const QColor &background)
{
    return r.width() * r.height() - countColor(img, r, background);
}

class FormTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        form = std::make_unique<QWidget>();
        QPalette pal = form->palette();
        pal.setColor(QPalette::Window, kWhite);
        pal.setColor(QPalette::WindowText, Qt::black);
        pal.setColor(QPalette::Light, kLight);
        pal.setColor(QPalette::Dark, kDark);
        pal.setColor(QPalette::Button, kFace);
        form->setPalette(pal);
        form->setGeometry(100, 100, 420, 300);
        // Start with the pointer off the form, whatever the last test did.
        QCursor::setPos(QPoint(5, 5));
    }

    void TearDown() override { form.reset(); }

    void showForm()
    {
        form->show();
        form->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
    }

    // Moves the pointer (no button held) to `pos` in `w`.
    static void hover(QWidget *w, QPoint pos) { QTest::mouseMove(w, pos); }

    std::unique_ptr<QWidget> form;
};

} // namespace flattest
