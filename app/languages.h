// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvane developers
#pragma once

#include <QString>
#include <QStringList>

#include <array>
#include <optional>

namespace qv {

// The interface languages by their names as `Language` holds them.
inline constexpr std::array<const char *, 7> kLanguageNames = {
    "English", "French", "German", "Spanish", "Portuguese", "Italian", "Japanese",
};

// The main window's controls whose captions follow the language, in the
// order a switch sets them.
inline constexpr std::array<const char *, 13> kSwitchedControls = {
    "FlatCheckBox3", "FlatCheckBox1", "FlatCheckBox4", "FlatCheckBox2", "FlatCheckBox5",
    "FlatCheckBox6", "FlatCheckBox8", "FlatCheckBox9", "FlatCheckBox7", "FlatCheckBox10",
    "FlatCheckBox11", "FlatButton1", "FlatButton2",
};

// What a language switch of the main window sets.
struct MainWindowTexts
{
    QString language;
    // Parallel to kSwitchedControls.
    QStringList captions;
    // The window caption and the application title; none leaves both as they are.
    std::optional<QString> title;
    // The application title is set before the window caption.
    bool titleFirst = false;
};

// The texts of one language, or nothing for a name that is not one of the
// seven (compared exactly, letter case included).
std::optional<MainWindowTexts> mainWindowTexts(const QString &language);

// The promotion dialog's texts in one language.
struct PromotionTexts
{
    QString caption;
    QString download;
    QString visitWebsite;
    QString noThanks;
    // Five lines; the layout's English text separates them by CR LF, the
    // translations by a single CR.
    QString message;
    // The buttons are moved left and widened so the longer captions fit.
    bool wideButtons = false;
    // These are the English texts the layout already carries.
    bool layoutTexts = false;
};

// The dialog's texts for `Language`; any name that is not one of the seven
// gets the English texts of the layout.
PromotionTexts promotionTexts(const QString &language);

} // namespace qv
