// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvane developers
#include <QPushButton>
#include <gtest/gtest.h>

#include "app/languages.h"
#include "app/promotionform.h"

namespace {

struct Line
{
    int lead;
    const char *text;
    int trail;
};

struct ExpectedDialog
{
    const char *language;
    const char *caption, *download, *visit, *noThanks;
    Line lines[5];
};

// The dialog as the user must see it in each language, blanks counted.
const ExpectedDialog kDialogs[] = {
    {"English", "Morvelle introduction", "Download", "Visit Website", "No, Thanks",
     {{0, "Do you need software to convert", 0}, {7, "your documents to PDF format?", 0}, {0, "", 0},
      {0, "Try Morvelle", 0}, {7, "to create quality PDF files now!", 0}}},
    {"Japanese", "Morvelleを推奨します", "ダウンロードに", "より多くの情報", "いいえ結構です",
     {{0, "ドキュメントをPDFフォーマットに", 0}, {0, "変換するためにソフトウェアを必要", 0}, {0, "としますか", 0},
      {0, "", 0}, {19, "試みMorvelle!", 0}}},
    {"Spanish", "Recomiende Morvelle", "Descargar", "Más Info", "O, gracias!",
     {{0, "¿Usted necesita software convertir", 0}, {5, "sus documentos al formato PDF?", 1}, {14, "", 0},
      {0, "", 0}, {12, "ntento Morvelle ahora!", 0}}},
    {"Portuguese", "Recomende Morvelle", "Download", "Mais info", "No!",
     {{0, "Voc necessita o software converter", 0}, {5, "seus originais ao formato PDF?", 1}, {14, "", 0},
      {0, "", 0}, {9, "Tentativa Morvelle agora!", 0}}},
    {"German", "Empfehlen Sie Morvelle", "Download", "Mehr Info", "Nr., Dank!",
     {{0, "Benötigen Sie Software, Ihre", 1}, {11, "Dokumente in PDF-Format", 1}, {22, "umzuwandeln?", 0},
      {0, "", 0}, {10, "Versuch Morvelle jetzt!", 0}}},
    {"Italian", "Suggerisca Morvelle", "Download", "Home Page", "No, grazie!",
     {{0, "Avete bisogno del software di", 1}, {3, "convertire i vostri documenti", 0},
      {8, "in disposizione del Adobe PDF?", 3}, {0, "", 0}, {14, "Prova Morvelle ora!", 0}}},
    {"French", "Morvelle Recommendation", "Télécharger", "En savoir plus", "Non, merci !",
     {{0, "Vous avez bosoin d'un logiciel", 0}, {8, "pour convertir de document", 1},
      {23, "au format Adobe PDF ?", 0}, {0, "", 0}, {13, "Essayez Morvelle !", 0}}},
};

QStringList expectedLines(const ExpectedDialog &e)
{
    QStringList lines;
    for (const Line &l : e.lines)
        lines << QString(l.lead, u' ') + QString::fromUtf8(l.text) + QString(l.trail, u' ');
    return lines;
}

void expectDialogTexts(const TForm2 &dialog, const ExpectedDialog &e)
{
    SCOPED_TRACE(e.language);
    EXPECT_EQ(dialog.windowTitle(), QString::fromUtf8(e.caption));
    EXPECT_EQ(dialog.Button1->text(), QString::fromUtf8(e.download));
    EXPECT_EQ(dialog.Button2->text(), QString::fromUtf8(e.visit));
    EXPECT_EQ(dialog.Button3->text(), QString::fromUtf8(e.noThanks));
    EXPECT_EQ(dialog.Label1->text().split(u'\n'), expectedLines(e));
}

void expectButtons(const TForm2 &dialog, int left, int width)
{
    const int tops[] = {32, 88, 144};
    const QPushButton *buttons[] = {dialog.Button1, dialog.Button2, dialog.Button3};
    for (int i = 0; i < 3; ++i) {
        SCOPED_TRACE(buttons[i]->objectName().toStdString());
        EXPECT_EQ(buttons[i]->geometry(), QRect(left, tops[i], width, 25));
    }
}

} // namespace

TEST(PromotionDialog, ShowsOneLanguageThroughoutWithItsButtonGeometry)
{
    for (const ExpectedDialog &e : kDialogs) {
        TForm2 dialog(nullptr, QString::fromUtf8(e.language));
        expectDialogTexts(dialog, e);
        // Only the Japanese captions need the wider buttons; right edges stay at 296.
        if (QByteArray(e.language) == "Japanese")
            expectButtons(dialog, 200, 96);
        else
            expectButtons(dialog, 208, 80);
    }
}

TEST(PromotionDialog, UnknownLanguageNamesKeepTheEnglishLayout)
{
    for (const char *name : {"", "english", "FRENCH", "Klingon", "Japanese "}) {
        SCOPED_TRACE(name);
        TForm2 dialog(nullptr, QString::fromUtf8(name));
        expectDialogTexts(dialog, kDialogs[0]);
        expectButtons(dialog, 208, 80);
    }
}

TEST(PromotionDialog, TextTablesSeparateLinesAsTheLayoutDoes)
{
    // The layout's English text uses CR LF, the translations a lone CR, and
    // no separator follows the last line.
    EXPECT_EQ(qv::promotionTexts(QStringLiteral("English")).message.count(QStringLiteral("\r\n")), 4);
    for (const char *name : {"Japanese", "Spanish", "Portuguese", "German", "Italian", "French"}) {
        SCOPED_TRACE(name);
        const QString message = qv::promotionTexts(QString::fromUtf8(name)).message;
        EXPECT_EQ(message.count(u'\r'), 4);
        EXPECT_FALSE(message.contains(u'\n'));
        EXPECT_FALSE(message.endsWith(u'\r'));
    }
}

TEST(PromotionDialog, LayoutSizeFontsCursorsAndTabOrder)
{
    QWidget owner;
    TForm2 dialog(&owner, QStringLiteral("English"));
    EXPECT_EQ(dialog.size(), QSize(296, 302));
    EXPECT_EQ(dialog.minimumSize(), dialog.maximumSize());
    EXPECT_EQ(dialog.parentWidget(), &owner);

    EXPECT_EQ(dialog.Label1->pos(), QPoint(16, 200));
    EXPECT_EQ(dialog.Label1->font().pixelSize(), 16);
    EXPECT_TRUE(dialog.Label1->font().bold());
    EXPECT_EQ(dialog.Label1->palette().color(QPalette::WindowText), QColor(0, 128, 0));
    // Sized to its five lines, and not wrapped.
    EXPECT_FALSE(dialog.Label1->wordWrap());
    EXPECT_GE(dialog.Label1->height(), 5 * dialog.Label1->fontMetrics().height() - 5);

    for (QPushButton *button : {dialog.Button1, dialog.Button2, dialog.Button3})
        EXPECT_EQ(button->cursor().shape(), Qt::PointingHandCursor);
    EXPECT_EQ(dialog.Button1->nextInFocusChain(), dialog.Button2);
    EXPECT_EQ(dialog.Button2->nextInFocusChain(), dialog.Button3);

    EXPECT_EQ(dialog.Image1->geometry(), QRect(0, 0, 201, 201));
    EXPECT_EQ(dialog.Image1->pixmap().size(), QSize(200, 200));
}
