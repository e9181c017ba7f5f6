// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvane developers
// Renders every flat widget in every state into one picture under the build
// folder, for a person to look at; each state must look different from
// every other one, or a state is drawn as another.
#include "TFlatButtonUnit.h"
#include "TFlatCheckBoxUnit.h"
#include "TFlatMemoUnit.h"
#include "flatsupport.h"

#include <QDir>
#include <QLabel>
#include <QPainter>

using namespace flattest;

namespace {

struct Shot
{
    QString label;
    QImage image;
};

QPixmap galleryGlyph()
{
    QImage img(15, 15, QImage::Format_RGB32);
    img.fill(Qt::white);
    QPainter p(&img);
    p.fillRect(3, 3, 9, 9, QColor(200, 40, 40));
    p.setPen(Qt::black);
    p.drawRect(2, 2, 10, 10);
    p.drawLine(5, 7, 9, 7);
    p.end();
    return QPixmap::fromImage(img);
}

QString outputPath()
{
    // The build folder: the test program lives in its tests/ folder.
    return QDir(QCoreApplication::applicationDirPath() + "/..").absoluteFilePath("widget-gallery.png");
}

} // namespace

class Gallery : public FormTest
{
};

TEST_F(Gallery, EveryWidgetInEveryState)
{
    QFont bold("Liberation Sans");
    bold.setPixelSize(11);
    bold.setBold(true);
    form->resize(520, 420);
    QPixmap header(520, 60);
    header.fill(QColor(60, 90, 140));
    auto *banner = new QLabel(form.get());
    banner->setPixmap(header);
    banner->setGeometry(0, 0, 520, 60);

    auto *cb = new TFlatCheckBox(form.get());
    cb->setGeometry(10, 80, 200, 17);
    cb->setFont(bold);
    cb->setCaption("&Disable the splash screen");
    cb->setColor(QColor(192, 220, 192)); // unlike the face of the hot and focused box
    auto *seeThrough = new TFlatCheckBox(form.get());
    seeThrough->setGeometry(10, 20, 200, 17);
    seeThrough->setFont(bold);
    seeThrough->setTransparent(true);
    seeThrough->setChecked(true);
    seeThrough->setCaption("See-through on the header");
    auto *button = new TFlatButton(form.get());
    button->setGeometry(10, 120, 120, 30);
    button->setFont(bold);
    button->setCaption("&Optimize");
    button->setGlyph(galleryGlyph());
    button->setLayout(TFlatButton::blGlyphLeft);
    button->setColor(QColor(192, 220, 192));
    button->setColorDown(QColor(0, 255, 0));
    button->setColorHighLight(kPale);
    auto *memo = new TFlatMemo(form.get());
    memo->setGeometry(10, 200, 337, 40);
    memo->setColorFlat(kPale);
    memo->setColorFocused(kWhite);
    memo->setScrollBars(TFlatMemo::ssVertical);
    memo->setLines({"Ready.", "Adobe Reader 7.0 found."});
    auto *focusHolder = new TFlatButton(form.get());
    focusHolder->setGeometry(400, 380, 20, 20);
    showForm();
    focusHolder->setFocus();

    QVector<Shot> shots;
    auto take = [&](const QString &label, QWidget *w) { shots.append({label, shot(w)}); };

    // Check box
    take("check box: unticked", cb);
    cb->setChecked(true);
    take("ticked", cb);
    hover(cb, QPoint(5, 8));
    take("hot", cb);
    QTest::mousePress(cb, Qt::LeftButton, {}, QPoint(5, 8));
    take("pressed", cb);
    QTest::mouseRelease(cb, Qt::LeftButton, {}, QPoint(300, 300));
    cb->setChecked(true);
    hover(focusHolder, QPoint(3, 3));
    form->setAttribute(Qt::WA_KeyboardFocusChange); // as reached with Tab: the focus rectangle shows
    cb->setFocus();
    take("focused", cb);
    focusHolder->setFocus();
    cb->setEnabled(false);
    take("disabled ticked", cb);
    cb->setChecked(false);
    take("disabled unticked", cb);
    cb->setEnabled(true);
    cb->setChecked(true);
    cb->setLayout(TFlatCheckBox::checkboxRight);
    take("box on the right", cb);
    cb->setLayout(TFlatCheckBox::checkboxLeft);
    cb->setGeometry(10, 80, 120, 17);
    take("wrapped and cut", cb);
    cb->setGeometry(10, 80, 120, 30);
    take("wrapped, taller", cb);
    take("see-through", seeThrough);

    // Button
    take("button: up", button);
    hover(button, QPoint(5, 5));
    take("hot", button);
    QTest::mousePress(button, Qt::LeftButton, {}, QPoint(5, 5));
    take("pressed", button);
    QTest::mouseRelease(button, Qt::LeftButton, {}, QPoint(300, 300));
    hover(focusHolder, QPoint(3, 3));
    focusHolder->setFocus();
    button->setEnabled(false);
    take("disabled", button);
    button->setEnabled(true);
    button->setDefault(true);
    take("default", button);
    button->setDefault(false);
    button->setGroupIndex(1);
    button->setDown(true);
    take("latched down", button);
    button->setGroupIndex(0);
    button->setLayout(TFlatButton::blGlyphTop);
    button->resize(120, 40);
    take("glyph on top", button);
    button->setLayout(TFlatButton::blGlyphRight);
    take("glyph right", button);
    button->setLayout(TFlatButton::blGlyphBottom);
    take("glyph bottom", button);
    button->setLayout(TFlatButton::blGlyphLeft);
    button->resize(120, 30);
    button->move(300, 15);
    button->setTransparentMode(TFlatButton::tmAlways);
    take("see-through", button);

    // Memo
    take("memo: flat", memo);
    memo->setFocus();
    take("focused", memo);
    focusHolder->setFocus();
    memo->setScrollBars(TFlatMemo::ssBoth);
    memo->resize(200, 80);
    take("both scroll bars", memo);
    memo->setEnabled(false);
    take("disabled", memo);

    // Shots of the same widget are compared; a state drawn as another shows here.
    QStringList alike;
    for (qsizetype i = 0; i < shots.size(); ++i)
        for (qsizetype j = i + 1; j < shots.size(); ++j)
            if (shots[i].image == shots[j].image)
                alike << shots[i].label + " = " + shots[j].label;
    EXPECT_EQ(alike, QStringList{"pressed = latched down"}); // a latched button is drawn pressed

    // One column of labelled pictures.
    const int labelWidth = 150;
    int width = 0, height = 0;
    for (const Shot &s : shots) {
        width = std::max(width, labelWidth + s.image.width() + 20);
        height += s.image.height() + 8;
    }
    QImage gallery(width, height + 8, QImage::Format_RGB32);
    gallery.fill(QColor(255, 255, 255));
    QPainter p(&gallery);
    int y = 8;
    for (const Shot &s : shots) {
        p.setPen(Qt::black);
        p.drawText(QRect(8, y, labelWidth - 16, s.image.height()), Qt::AlignVCenter | Qt::AlignLeft, s.label);
        p.fillRect(labelWidth - 1, y - 1, s.image.width() + 2, s.image.height() + 2, QColor(255, 0, 255));
        p.drawImage(labelWidth, y, s.image);
        y += s.image.height() + 8;
    }
    p.end();
    const QString path = outputPath();
    ASSERT_TRUE(gallery.save(path)) << path.toStdString();
    EXPECT_EQ(shots.size(), 25);
    std::cout << "gallery: " << path.toStdString() << "\n";
}
