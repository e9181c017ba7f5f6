// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvane developers
#pragma once

#include <QString>
#include <QWidget>
#include <functional>
#include <future>
#include <optional>
#include <vector>

#include "ui_mainform.h"
#include "core/discovery.h"
#include "core/pluginlist.h"

class QCloseEvent;
class TKELFileOperator;
class TFlatButton;

namespace qv {
struct ReaderInstallation;
struct OperationHooks;
struct OperationReport;
}

// Maps the layout's Windows font names to metric-compatible free fonts
// ("MS Sans Serif", "Arial" -> Liberation Sans, Japanese -> IPAGothic).
// Safe to call more than once.
void installFontSubstitutions();
// The substitutions, and the layout's font ("MS Sans Serif", 11 pixels) as
// the application's, so message and input boxes match the window and one
// font family is resolved at start instead of two.
void installApplicationFonts();

// The main window: the options, the two actions, the status memo, the
// plug-in list, the language flags and the notice. Its controls are the
// members of the stored layout (resources/mainform.ui), named as there.
class TForm1 : public QWidget, public Ui::TForm1
{
    Q_OBJECT

public:
    // The client area that a 641 x 469 outer window with an 8-pixel frame
    // and a 22-pixel caption leaves; every control of the layout fits in it.
    static constexpr int ClientWidth = 625;
    static constexpr int ClientHeight = 431;

    // Builds the window from its layout; with runFormCreate the start-up
    // discovery runs before the constructor returns, as the program does.
    // Tests pass false, replace what they need (qv::Dialogs, qv::Shell, the
    // prefix, yearSource) and call FormCreate() themselves.
    explicit TForm1(QWidget *parent = nullptr, bool runFormCreate = true);
    ~TForm1() override;

    // The file operation components: FO1 copies, FO2 deletes.
    TKELFileOperator *FO1 = nullptr;
    TKELFileOperator *FO2 = nullptr;

    // Set once by FormCreate (Language also by the flags).
    QString ReaderFolder;
    QString CommonProgramsFolder;
    QString CommonDesktopFolder;
    QString PersonalFolder;
    bool PrintMeFolderFound = false;
    bool ReaderDesktopIconFound = false;
    QString ReaderVersion;
    QString Language;

    // The current calendar year; empty means the local date. Tests set another clock.
    std::function<int()> yearSource;

    // The web address that the notice shows and Label1 opens.
    static QString webAddress();

    // Adds the plug-ins of folder matching pattern to ListView1 (recurse:
    // also those in its sub-folders).
    void FindPlugIns(const QString &folder, const QString &pattern, bool recurse);

    // The plug-ins of plug_ins (paths below it, "X.api" or "Sub\X.api") that
    // are not on the list, and so stay loaded when Optimize runs.
    QStringList pluginsKeptLoaded() const;

    // Runs on every close request; the window closes when CanClose stays true.
    void FormCloseQuery(bool &CanClose);
    // Closes the window because the desktop session ends: the program ends
    // without the promotion dialog, which as a modal window would hold the
    // logout up.
    void closeForSessionEnd();

    // Gives the controls that have no caption of their own their names for
    // screen readers (the list after the option that points at it, the
    // banner after the window), in the interface language; run again by
    // every language switch.
    void nameControls();
    // Runs on every attempt to resize; keeps the present size.
    void FormCanResize(int &NewWidth, int &NewHeight, bool &Resize);

public slots:
    void FormCreate();
    void Label1Click();
    void Label1MouseEnter();
    void Label1MouseLeave();
    void Load1Click();
    void RemoveAll1Click();
    void FlatButton1Click();
    void FlatButton2Click();
    void Image16Click();
    void Image14Click();
    void Image2Click();
    void Image13Click();
    void Image4Click();
    void Image3Click();
    void Image5Click();

protected:
    void closeEvent(QCloseEvent *event) override;
    void changeEvent(QEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void discover();
    // The first discovery and the plug-in list it leads to, worked out
    // while the layout is built: reading the prefix overlaps building the
    // window. No list when discovery stopped short or listing failed (the
    // window lists again, and so meets the failure itself).
    struct FirstLook
    {
        qv::Discovery found;
        std::optional<std::vector<qv::PlugInItem>> plugIns;
    };
    std::future<FirstLook> m_firstLook;
    void createFileOperators();
    // Step 8 of the start-up: fills ListView1 from ReaderFolder.
    void FillPlugInList();
    void FillPlugInList(const std::vector<qv::PlugInItem> &plugIns);
    // Fills the list again after Optimize or Restore changed the folders.
    void refreshPlugInListAfterChange();
    // The installation as start-up found it (or a test set it).
    qv::ReaderInstallation installation() const;
    // The hooks through which an operation started by button shows itself:
    // the button greyed once it starts, the memo, FO1 and FO2 for the files.
    qv::OperationHooks operationHooks(TFlatButton *button);
    // The list read again, an error shown (the button usable again for
    // another try), or the closing question asked.
    void finishOperation(const qv::OperationReport &report, TFlatButton *button);
    void showListMenu(const QPoint &pos);
    bool m_placed = false;
    bool m_sessionEnding = false;
};
