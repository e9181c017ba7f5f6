// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvane developers
#pragma once

#include <QDialog>
#include <QString>

#include "ui_promotionform.h"

// The dialog shown when the main window closes: it promotes the maker's
// product in the main window's current language, and every way out of it
// ends the program.
class TForm2 : public QDialog, public Ui::Form2
{
    Q_OBJECT

public:
    // language: the main window's `Language` at the moment it closes.
    TForm2(QWidget *owner, const QString &language);

public slots:
    void FormCreate();
    void Button1Click();
    void Button2Click();
    void Button3Click();
    void Image1Click();

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    void setMessage(const QString &text);
    void centreOverOwner();

    QString m_language;
};
