// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvane developers
#pragma once

#include <QLocale>
#include <QString>

namespace qv {

// The interface language for the desktop's locale: one of the seven names
// `Language` holds, English for any other. Before a prefix is chosen there
// is no Windows installation language to go by.
QString languageOfLocale(const QLocale &locale);

// The texts of the two windows that come before the main window when no
// prefix is named: the prefix chooser and the window that says none holds
// a Reader.
struct PrefixWindowTexts
{
    QString chooserCaption;
    QString chooserPrompt;
    QString columnManager;
    QString columnName;
    QString columnReader;
    QString columnFolder;
    QString open;
    QString cancel;

    QString noneCaption;
    QString noneMessage;
    QString placesLooked;
    QString chooseFolder;
    QString continueWithWine; // going on with ~/.wine
    QString quit;
    QString folderDialogCaption;
    QString notAPrefix; // %1: the folder chosen
};

// The texts in one of the seven languages; English for any other name.
PrefixWindowTexts prefixWindowTexts(const QString &language);

} // namespace qv
