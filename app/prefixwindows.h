// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvane developers
#pragma once

#include <QDialog>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>
#include <vector>

#include "app/prefixtexts.h"
#include "core/readerprefixes.h"

class QLabel;
class QPushButton;
class QTreeWidget;

namespace qv {

// Several prefixes hold a Reader: the user picks one, with the arrows and
// Enter or with the mouse (a double click opens). Cancel, Esc or closing
// the window chooses none.
class PrefixChooser : public QDialog
{
    Q_OBJECT
public:
    PrefixChooser(const std::vector<ReaderPrefix> &prefixes, const QString &language, QWidget *parent = nullptr);
    // The folder of the prefix chosen; empty unless the dialog was accepted.
    QString chosenRoot() const;
    QTreeWidget *list() const { return m_list; }

private:
    QTreeWidget *m_list;
};

// No prefix holds a Reader: says so, lists the places looked in, and offers
// a folder of the user's choice or, when ~/.wine is a prefix, going on with
// it (the version and folder questions of start-up then follow).
class NoPrefixWindow : public QDialog
{
    Q_OBJECT
public:
    NoPrefixWindow(const QStringList &placesLooked, const QString &defaultPrefix, const QString &language,
                   QWidget *parent = nullptr);
    // The folder chosen; empty unless the dialog was accepted.
    QString chosenRoot() const { return m_chosen; }
    // Asks for a folder; the folder dialog unless a test puts another answer in.
    std::function<QString(QWidget *parent, const QString &caption)> pickFolder;

    QPushButton *chooseButton() const { return m_choose; }
    QPushButton *continueButton() const { return m_continue; } // null without ~/.wine
    QPushButton *quitButton() const { return m_quit; }

private:
    void chooseFolder();

    PrefixWindowTexts m_texts;
    QString m_chosen;
    QPushButton *m_choose = nullptr;
    QPushButton *m_continue = nullptr;
    QPushButton *m_quit = nullptr;
};

// The machine to work on, by the rule quorvane-cli follows too
// (machine::choosePrefix): $WINEPREFIX when set (on Windows, the computer:
// empty); when no prefix is named, as when started from the desktop's menu,
// the one prefix that holds a Reader without a question, the chooser when
// several do, the "none found" window when none does. Nothing when the user
// quits.
std::optional<QString> choosePrefix(const QString &language);

} // namespace qv
