// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvane developers
#include "mainform.h"

#include <QCloseEvent>
#include <memory>

#include "app/languages.h"
#include "app/promotionform.h"
#include "platform/application.h"

namespace {

// Sets Language, the captions in the table's order, then the window caption
// and the application title as the language wants them. Ticks, the list and
// the memo stay as they are.
void switchLanguage(TForm1 &form, const char *language)
{
    const auto texts = qv::mainWindowTexts(QString::fromUtf8(language));
    if (!texts)
        return;
    form.Language = texts->language;
    for (std::size_t i = 0; i < qv::kSwitchedControls.size(); ++i) {
        // The flat check boxes and buttons repaint when their caption changes.
        if (QWidget *control = form.findChild<QWidget *>(QLatin1String(qv::kSwitchedControls[i])))
            control->setProperty("Caption", texts->captions[int(i)]);
    }
    if (texts->title) {
        // Otherwise the caption and title of the previous language stay.
        if (texts->titleFirst) {
            qv::setApplicationTitle(*texts->title);
            form.setWindowTitle(*texts->title);
        } else {
            form.setWindowTitle(*texts->title);
            qv::setApplicationTitle(*texts->title);
        }
    }
    form.nameControls();
}

// Set while the closing dialog is up, so that a second close request (a
// session ending meanwhile) does not stack another dialog on it.
bool g_promotionShown = false;

} // namespace

void TForm1::Image16Click()
{
    switchLanguage(*this, "English");
}

void TForm1::Image14Click()
{
    switchLanguage(*this, "French");
}

void TForm1::Image2Click()
{
    switchLanguage(*this, "German");
}

void TForm1::Image13Click()
{
    switchLanguage(*this, "Spanish");
}

void TForm1::Image4Click()
{
    switchLanguage(*this, "Portuguese");
}

void TForm1::Image3Click()
{
    switchLanguage(*this, "Italian");
}

void TForm1::Image5Click()
{
    switchLanguage(*this, "Japanese");
}

void TForm1::closeForSessionEnd()
{
    m_sessionEnding = true;
    close();
    // Also when the window was closing already, the dialog up: the program
    // ends, and with it the dialog's loop.
    qv::terminateApplication();
}

void TForm1::FormCloseQuery(bool &CanClose)
{
    // The close always goes ahead, whatever happens with the dialog.
    CanClose = true;
    // No advert while the desktop session ends: a modal dialog then holds
    // the logout up until someone answers it.
    if (m_sessionEnding)
        return;
    if (g_promotionShown)
        return;
    g_promotionShown = true;
    struct Reset
    {
        ~Reset() { g_promotionShown = false; }
    } reset;

    // Owned by this window for the one close request, and gone when the modal
    // display ends, also when it ends by an error.
    qv::guarded([&] {
        std::unique_ptr<TForm2> dialog(new TForm2(this, Language));
        dialog->exec();
    });
    // Every way out of the dialog ends the program, the close box included:
    // do not rely on this being the last window open.
    qv::terminateApplication();
}
