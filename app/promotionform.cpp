// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvane developers
#include "app/promotionform.h"

#include <QKeyEvent>
#include <QWindow>

#include "FlatUtilitys.h"
#include "app/languages.h"
#include "app/webaddresses.h"
#include "platform/application.h"
#include "platform/dialogs.h"

static void initPromotionResources()
{
    // The product picture lives in the app library's resources.
    Q_INIT_RESOURCE(resources);
}

namespace {

constexpr int kClientWidth = 296;
constexpr int kClientHeight = 302;
constexpr int kWideLeft = 200;
constexpr int kWideWidth = 96;

} // namespace

TForm2::TForm2(QWidget *owner, const QString &language) : QDialog(owner), m_language(language)
{
    initPromotionResources();
    // Button-face background and black text whatever the desktop theme; the
    // message keeps its own green.
    QPalette pal = flat::systemPalette();
    pal.setColor(QPalette::Window, pal.color(QPalette::Button));
    setPalette(pal);
    setupUi(this);
    // Title bar with a close box only, and a size the user cannot change.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint
                   | Qt::MSWindowsFixedSizeDialogHint);
    setFixedSize(kClientWidth, kClientHeight);

    // The layout's fonts are given by character height in pixels, which a
    // .ui file cannot say.
    QFont formFont(QStringLiteral("MS Sans Serif"));
    formFont.setPixelSize(11);
    setFont(formFont);
    QFont labelFont(QStringLiteral("Arial"));
    labelFont.setPixelSize(16);
    labelFont.setBold(true);
    Label1->setFont(labelFont);

    setMessage(Label1->text());
    Button1->setFocus();

    FormCreate();
}

void TForm2::FormCreate()
{
    // The picture does what "Visit Website" does, and is called so.
    Image1->setAccessibleName(Button2->text());
    const qv::PromotionTexts texts = qv::promotionTexts(m_language);
    if (texts.layoutTexts)
        return;
    setWindowTitle(texts.caption);
    Button1->setText(texts.download);
    Button2->setText(texts.visitWebsite);
    Button3->setText(texts.noThanks);
    setMessage(texts.message);
    Image1->setAccessibleName(Button2->text());
    if (texts.wideButtons) {
        for (QPushButton *button : {Button1, Button2, Button3})
            button->setGeometry(kWideLeft, button->y(), kWideWidth, button->height());
    }
}

void TForm2::Button1Click()
{
    qv::Shell::instance().open(this, QString::fromLatin1(qv::kProductDownloadAddress));
    qv::terminateApplication();
}

void TForm2::Button2Click()
{
    qv::Shell::instance().open(this, QString::fromLatin1(qv::kMakerWebSiteAddress));
    qv::terminateApplication();
}

void TForm2::Button3Click()
{
    qv::terminateApplication();
}

void TForm2::Image1Click()
{
    Button2->click();
}

void TForm2::setMessage(const QString &text)
{
    // The texts separate their lines by CR LF or by a lone CR; the label
    // breaks lines at LF only. Blanks around the lines stay as they are.
    QString shown = text;
    shown.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    shown.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    Label1->setText(shown);
    Label1->adjustSize();
}

void TForm2::keyPressEvent(QKeyEvent *event)
{
    // Esc is none of the dialog's ways out; the platform's dialogs would
    // take it for the close box and end the program.
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void TForm2::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (!event->spontaneous())
        centreOverOwner();
}

void TForm2::centreOverOwner()
{
    // Qt guesses the frames of windows it has not yet seen framed, and
    // without a window manager guesses frames that are not there: the dialog
    // then sits off the owner's middle. Put its middle on the owner's,
    // taking its frame to be as wide as the owner's (none without a window
    // manager).
    const QWidget *owner = parentWidget() ? parentWidget()->window() : nullptr;
    if (!owner || !owner->isVisible())
        return;
    QMargins frame;
    if (const QWindow *w = owner->windowHandle())
        frame = w->frameMargins();
    const QRect ownerFrame = owner->frameGeometry();
    QRect mine(QPoint(), size().grownBy(frame));
    mine.moveCenter(ownerFrame.center());
    move(mine.topLeft()); // a window moves by its frame's corner
}
