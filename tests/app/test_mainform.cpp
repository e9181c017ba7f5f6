// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvane developers
#include <QApplication>
#include <QContextMenuEvent>
#include <QFontInfo>
#include <QFontMetrics>
#include <QGlyphRun>
#include <QRawFont>
#include <QTextLayout>
#include <QScreen>
#include <QTest>
#include <QUrl>
#include <gtest/gtest.h>

#include "keltfileoperator.h"
#include "app/pictures.h"
#include "test_startup_support.h"

namespace {

struct MainForm : ::testing::Test
{
    FakeShell shell;
    FakeDialogs dialogs;
    std::unique_ptr<TForm1> form;
    void SetUp() override
    {
        qv::Shell::setInstance(&shell);
        qv::Dialogs::setInstance(&dialogs);
        form = std::make_unique<TForm1>(nullptr, false);
    }
    void TearDown() override
    {
        form.reset();
        qv::Shell::setInstance(nullptr);
        qv::Dialogs::setInstance(nullptr);
    }
    QList<TFlatCheckBox *> boxes() const
    {
        return {form->FlatCheckBox1, form->FlatCheckBox2, form->FlatCheckBox3, form->FlatCheckBox4,
                form->FlatCheckBox5, form->FlatCheckBox6, form->FlatCheckBox7, form->FlatCheckBox8,
                form->FlatCheckBox9, form->FlatCheckBox10, form->FlatCheckBox11};
    }
};

} // namespace

TEST_F(MainForm, KeepsItsSizeWhateverAsksForAnother)
{
    form->show();
    const QSize size(TForm1::ClientWidth, TForm1::ClientHeight);
    EXPECT_EQ(form->size(), size);
    form->resize(800, 600);
    EXPECT_EQ(form->size(), size);
    form->showMaximized();
    QApplication::processEvents();
    EXPECT_EQ(form->size(), size);
    EXPECT_FALSE(form->windowState() & Qt::WindowMaximized);
    EXPECT_FALSE(form->windowFlags() & Qt::WindowMaximizeButtonHint);
    int w = 1000, h = 10;
    bool resize = false;
    form->FormCanResize(w, h, resize);
    EXPECT_EQ(QSize(w, h), size);
    EXPECT_TRUE(resize);
}

TEST_F(MainForm, OpensInTheMiddleOfTheScreen)
{
    form->show();
    const QPoint centre = form->screen()->availableGeometry().center();
    EXPECT_LE((form->frameGeometry().center() - centre).manhattanLength(), 2);
}

TEST_F(MainForm, EveryControlFitsTheClientArea)
{
    const QRect client(0, 0, TForm1::ClientWidth, TForm1::ClientHeight);
    for (QWidget *w : form->findChildren<QWidget *>(Qt::FindDirectChildrenOnly)) {
        if (w->isWindow())
            continue; // the context menu
        EXPECT_TRUE(client.contains(w->geometry())) << w->objectName().toStdString();
    }
}

TEST_F(MainForm, OptionCaptionsFitTheirBoxesWithTheSubstitutedFont)
{
    // The captions are as long as the boxes allow in the layout's font;
    // a wider stand-in font would make them wrap and be cut.
    for (TFlatCheckBox *box : boxes()) {
        QFontMetrics fm(box->font());
        EXPECT_TRUE(box->font().bold()) << box->objectName().toStdString();
        EXPECT_LE(fm.horizontalAdvance(box->Caption()) + 17, box->width()) << box->Caption().toStdString();
        EXPECT_TRUE(box->Checked());
        EXPECT_TRUE(box->isEnabled());
    }
}

// The faces actually drawn: the free stand-ins, in both weights, and the
// Japanese texts' glyphs from the Japanese stand-in, not from whatever
// fontconfig would rank first.
TEST_F(MainForm, DrawsWithTheStandInFaces)
{
    EXPECT_EQ(QFontInfo(form->Memo->font()).family(), "Liberation Sans");
    EXPECT_EQ(QFontInfo(form->FlatCheckBox1->font()).family(), "Liberation Sans");
    EXPECT_TRUE(QFontInfo(form->FlatCheckBox1->font()).bold());
    EXPECT_EQ(QFontInfo(form->FlatCheckBox1->font()).pixelSize(), 11);

    QTextLayout layout(QString::fromUtf8("\u9ad8\u901f\u5316"), form->FlatCheckBox1->font());
    layout.beginLayout();
    layout.createLine();
    layout.endLayout();
    const QList<QGlyphRun> runs = layout.glyphRuns();
    ASSERT_FALSE(runs.isEmpty());
    for (const QGlyphRun &run : runs)
        EXPECT_TRUE(run.rawFont().familyName().startsWith("IPA")) << run.rawFont().familyName().toStdString();
}

TEST_F(MainForm, StartsWithTheStoredState)
{
    EXPECT_EQ(form->Memo->Lines(), QStringList{"Ready."});
    EXPECT_TRUE(form->Memo->isReadOnly());
    EXPECT_EQ(form->ListView1->count(), 0);
    EXPECT_EQ(form->windowTitle(), "Quorvane 3.01");
    EXPECT_EQ(form->palette().color(QPalette::Window), QColor(Qt::white));
    EXPECT_TRUE(form->Label1->text().contains("2012"));
    EXPECT_TRUE(form->Label1->text().endsWith("        https://www.wexmor.example/")) << form->Label1->text().toStdString();
    EXPECT_EQ(form->Language, "");
    ASSERT_EQ(form->PopupMenu1->actions().size(), 3);
    EXPECT_TRUE(form->N1->isSeparator());
}

TEST_F(MainForm, PicturesAreDecodedAndDrawnUnscaled)
{
    const QPixmap banner = form->Image1->pixmap();
    EXPECT_EQ(banner.size(), QSize(668, 202)); // cut by the 625 x 185 control, not scaled
    EXPECT_EQ(form->Image1->size(), QSize(625, 185));
    const QList<QPair<TImage *, QString>> flags = {
        {form->Image14, "Français"}, {form->Image2, "Deutsch"}, {form->Image15, "English (US)"},
        {form->Image16, "English (UK)"}, {form->Image13, "Español"}, {form->Image3, "Italiano"},
        {form->Image4, "Portuguese"}, {form->Image5, "日本語"}};
    for (const auto &[image, hint] : flags) {
        EXPECT_EQ(image->pixmap().size(), QSize(14, 14)) << hint.toStdString();
        EXPECT_EQ(image->toolTip(), hint);
        EXPECT_EQ(image->cursor().shape(), Qt::PointingHandCursor);
    }
    for (const char *glyph : {":/pictures/optimize.bmp", ":/pictures/restore.bmp"})
        EXPECT_EQ(qv::loadPicture(glyph).size(), QSize(15, 15)) << glyph;
    EXPECT_EQ(qv::loadPicture(":/pictures/product.jpg").size(), QSize(200, 200));
}

TEST_F(MainForm, LabelHoverTurnsItPurpleAndTheWindowCursorAHand)
{
    form->show();
    const QColor blue(0, 0, 255), purple(128, 0, 128);
    EXPECT_EQ(form->Label1->palette().color(QPalette::WindowText), blue);
    QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), QPointF(5, 5));
    QApplication::sendEvent(form->Label1, &enter);
    EXPECT_EQ(form->Label1->palette().color(QPalette::WindowText), purple);
    EXPECT_EQ(form->cursor().shape(), Qt::PointingHandCursor);
    EXPECT_FALSE(form->Label1->testAttribute(Qt::WA_SetCursor)); // the label shows the window's cursor
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(form->Label1, &leave);
    EXPECT_EQ(form->Label1->palette().color(QPalette::WindowText), blue);
    EXPECT_EQ(form->cursor().shape(), Qt::ArrowCursor);
}

TEST_F(MainForm, LabelClickOpensTheWebSiteAndNothingElse)
{
    form->show();
    QTest::mouseClick(form->Label1, Qt::LeftButton, {}, QPoint(3, 3));
    EXPECT_EQ(shell.opened, QStringList{"https://www.wexmor.example/"}); // the address the notice shows
    EXPECT_EQ(form->Memo->Lines(), QStringList{"Ready."});
    // A press that is released elsewhere is no click.
    QTest::mousePress(form->Label1, Qt::LeftButton, {}, QPoint(3, 3));
    QTest::mouseRelease(form->Label1, Qt::LeftButton, {}, QPoint(-20, -20));
    EXPECT_EQ(shell.opened.size(), 1);
}

TEST_F(MainForm, FlagsAndMenuAreBoundToTheirHandlersByName)
{
    // The layout's connections name slots that must exist on the form.
    struct Binding
    {
        QObject *sender;
        const char *signal;
        const char *slot;
    };
    const Binding bindings[] = {
        {form->Image15, SIGNAL(OnClick()), "Image16Click()"}, {form->Image16, SIGNAL(OnClick()), "Image16Click()"},
        {form->Image14, SIGNAL(OnClick()), "Image14Click()"}, {form->Image5, SIGNAL(OnClick()), "Image5Click()"},
        {form->Load1, SIGNAL(triggered()), "Load1Click()"},   {form->RemoveAll1, SIGNAL(triggered()), "RemoveAll1Click()"},
        {form->FlatButton1, SIGNAL(OnClick()), "FlatButton1Click()"},
        {form->FlatButton2, SIGNAL(OnClick()), "FlatButton2Click()"},
    };
    for (const Binding &b : bindings) {
        EXPECT_GE(form->metaObject()->indexOfSlot(b.slot), 0) << b.slot;
        // Connected when the layout was set up: the names resolved.
        EXPECT_TRUE(QObject::disconnect(b.sender, b.signal, form.get(), QByteArray("1") + b.slot)) << b.slot;
    }
}

TEST_F(MainForm, OwnsACopyingAndADeletingFileOperator)
{
    ASSERT_TRUE(form->FO1 && form->FO2);
    EXPECT_EQ(form->FO1->parent(), form.get());
    EXPECT_EQ(form->FO1->Operation(), opCopyFile);
    EXPECT_EQ(form->FO2->Operation(), opDeleteFile);
    const TKELFileFlags quiet{opNoConfirmation, opNoConfirmMkDir};
    EXPECT_EQ(form->FO1->Flags(), quiet);
    EXPECT_EQ(form->FO2->Flags(), quiet);
}

TEST_F(MainForm, ButtonsCarryTheirColoursAndGlyphsLeftOfTheCaption)
{
    for (TFlatButton *b : {form->FlatButton1, form->FlatButton2}) {
        EXPECT_EQ(b->Color(), QColor(0xC0, 0xDC, 0xC0)); // money green
        EXPECT_EQ(b->ColorDown(), QColor(0, 255, 0));
        EXPECT_EQ(b->ColorHighLight(), QColor(0xEB, 0xEA, 0xE1));
        EXPECT_EQ(b->Layout(), FlatTypes::blGlyphLeft);
        EXPECT_EQ(b->Glyph().size(), QSize(15, 15));
        EXPECT_EQ(b->cursor().shape(), Qt::PointingHandCursor);
    }
    EXPECT_EQ(form->FlatButton1->Caption(), "Optimize");
    EXPECT_EQ(form->FlatButton2->Caption(), "Restore");
}

TEST_F(MainForm, DisabledButtonsStillShowTheirPictures)
{
    // A disabled flat button embosses only the black pixels of its picture;
    // a picture without black ones would vanish once the operation has run.
    form->show();
    for (TFlatButton *b : {form->FlatButton1, form->FlatButton2}) {
        b->setEnabled(false);
        const QImage shot = b->grab().toImage();
        const QRgb face = shot.pixel(b->width() / 2, 2);
        int marks = 0;
        for (int y = 3; y < b->height() - 3; ++y)
            for (int x = 3; x < b->width() / 3; ++x) // left of the caption: the picture alone
                marks += shot.pixel(x, y) != face;
        EXPECT_GE(marks, 20) << b->objectName().toStdString();
    }
}

TEST_F(MainForm, RightClickOnTheListSelectsTheItemAndOpensItsMenu)
{
    form->show();
    form->ListView1->addItem("EWH32.api");
    form->ListView1->addItem("X.api");
    const QPoint onSecond = form->ListView1->visualItemRect(form->ListView1->item(1)).center();
    QContextMenuEvent event(QContextMenuEvent::Mouse, onSecond, form->ListView1->viewport()->mapToGlobal(onSecond));
    QApplication::sendEvent(form->ListView1->viewport(), &event);
    EXPECT_EQ(form->ListView1->currentRow(), 1);
    EXPECT_TRUE(form->PopupMenu1->isVisible());
    form->PopupMenu1->close();
}
