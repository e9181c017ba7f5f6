// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvane developers
#include "app/prefixwindows.h"

#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QHeaderView>
#include <QLabel>
#include <QPalette>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "FlatUtilitys.h"
#include "platform/dialogs.h"
#include "platform/machine.h"

namespace qv {

namespace {

// The forms' system colours in every role and colour group, so that these
// windows look the same on any desktop theme (a dark theme's white text on
// our light face would vanish), on the button face as dialogs have it.
QPalette windowPalette()
{
    QPalette p = flat::systemPalette();
    p.setColor(QPalette::Window, p.color(QPalette::Button));
    return p;
}

void dress(QDialog *dialog, const QString &caption)
{
    dialog->setWindowTitle(caption);
    dialog->setAccessibleName(caption);
    dialog->setPalette(windowPalette());
    dialog->setAutoFillBackground(true);
    // A window of its own, before the main window exists: no context help button.
    dialog->setWindowFlag(Qt::WindowContextHelpButtonHint, false);
}

QString pickFolderWithDialog(QWidget *parent, const QString &caption)
{
    QFileDialog dialog(parent, caption, QDir::homePath());
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly);
    // Prefixes live in folders whose names start with a dot.
    dialog.setFilter(QDir::AllDirs | QDir::Hidden | QDir::NoDotAndDotDot);
    return dialog.exec() == QDialog::Accepted ? dialog.selectedFiles().value(0) : QString();
}

} // namespace

PrefixChooser::PrefixChooser(const std::vector<ReaderPrefix> &prefixes, const QString &language, QWidget *parent)
    : QDialog(parent), m_list(new QTreeWidget(this))
{
    const PrefixWindowTexts texts = prefixWindowTexts(language);
    dress(this, texts.chooserCaption);

    auto *prompt = new QLabel(texts.chooserPrompt, this);
    prompt->setWordWrap(true);
    prompt->setBuddy(m_list);

    m_list->setObjectName(QStringLiteral("PrefixList"));
    m_list->setAccessibleName(texts.chooserPrompt);
    m_list->setHeaderLabels({texts.columnManager, texts.columnName, texts.columnReader, texts.columnFolder});
    m_list->setRootIsDecorated(false);
    m_list->setUniformRowHeights(true);
    m_list->setAllColumnsShowFocus(true);
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    m_list->setAlternatingRowColors(true);
    for (const ReaderPrefix &p : prefixes) {
        auto *item = new QTreeWidgetItem(m_list, {p.prefix.manager, p.prefix.name, p.readerVersions.join(QStringLiteral(", ")),
                                                  QDir::toNativeSeparators(p.prefix.root)});
        item->setData(0, Qt::UserRole, p.prefix.root);
        item->setToolTip(3, QDir::toNativeSeparators(p.prefix.root));
    }
    for (int c = 0; c < 3; ++c)
        m_list->resizeColumnToContents(c);
    m_list->header()->setStretchLastSection(true);
    m_list->setCurrentItem(m_list->topLevelItem(0));
    // Enter on a row or a double click opens it.
    connect(m_list, &QTreeWidget::itemActivated, this, &QDialog::accept);

    auto *buttons = new QDialogButtonBox(this);
    QPushButton *open = buttons->addButton(texts.open, QDialogButtonBox::AcceptRole);
    buttons->addButton(texts.cancel, QDialogButtonBox::RejectRole);
    open->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(prompt);
    layout->addWidget(m_list);
    layout->addWidget(buttons);
    // As tall as its rows (a few empty lines below them), no taller.
    const int rows = std::min<int>(int(prefixes.size()), 10) + 2;
    m_list->setFixedHeight(m_list->sizeHintForRow(0) * rows + m_list->header()->sizeHint().height()
                           + 2 * m_list->frameWidth());
    resize(std::max(640, sizeHint().width()), sizeHint().height());
    m_list->setFocus();
}

QString PrefixChooser::chosenRoot() const
{
    const QTreeWidgetItem *item = m_list->currentItem();
    return result() == QDialog::Accepted && item ? item->data(0, Qt::UserRole).toString() : QString();
}

NoPrefixWindow::NoPrefixWindow(const QStringList &placesLooked, const QString &defaultPrefix,
                               const QString &language, QWidget *parent)
    : QDialog(parent), pickFolder(pickFolderWithDialog), m_texts(prefixWindowTexts(language))
{
    dress(this, m_texts.noneCaption);

    auto *message = new QLabel(m_texts.noneMessage, this);
    QFont bold = message->font();
    bold.setBold(true);
    message->setFont(bold);
    message->setWordWrap(true);
    auto *placesLabel = new QLabel(m_texts.placesLooked, this);
    QStringList shown;
    for (const QString &place : placesLooked)
        shown << QDir::toNativeSeparators(place);
    auto *places = new QLabel(shown.join(QLatin1Char('\n')), this);
    places->setObjectName(QStringLiteral("PlacesLooked"));
    places->setAccessibleName(m_texts.placesLooked);
    places->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    places->setTextFormat(Qt::PlainText);
    placesLabel->setBuddy(places);

    auto *buttons = new QDialogButtonBox(this);
    m_choose = buttons->addButton(m_texts.chooseFolder, QDialogButtonBox::ActionRole);
    m_choose->setDefault(true);
    connect(m_choose, &QPushButton::clicked, this, &NoPrefixWindow::chooseFolder);
    if (!defaultPrefix.isEmpty()) {
        m_continue = buttons->addButton(m_texts.continueWithWine, QDialogButtonBox::ActionRole);
        connect(m_continue, &QPushButton::clicked, this, [this, defaultPrefix] {
            m_chosen = defaultPrefix;
            accept();
        });
    }
    m_quit = buttons->addButton(m_texts.quit, QDialogButtonBox::RejectRole);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(message);
    layout->addSpacing(6);
    layout->addWidget(placesLabel);
    layout->addWidget(places);
    layout->addSpacing(6);
    layout->addWidget(buttons);
    m_choose->setFocus();
}

void NoPrefixWindow::chooseFolder()
{
    const QString folder = pickFolder ? pickFolder(this, m_texts.folderDialogCaption) : QString();
    if (folder.isEmpty())
        return; // the folder dialog was cancelled: the choice stays open
    if (!machine::isPrefix(folder)) {
        Dialogs::instance().messageBox(this, m_texts.notAPrefix.arg(QDir::toNativeSeparators(folder)),
                                       m_texts.noneCaption, Dialogs::Ok, Dialogs::WarningIcon);
        return;
    }
    m_chosen = QDir::cleanPath(folder);
    accept();
}

std::optional<QString> choosePrefix(const QString &language)
{
    const machine::PrefixChoice choice = choosePrefixFor(QString());
    switch (choice.outcome) {
    case machine::PrefixChoice::Named:
    case machine::PrefixChoice::Found:
        return choice.root;
    case machine::PrefixChoice::Several: {
        PrefixChooser chooser(choice.candidates, language);
        if (chooser.exec() != QDialog::Accepted)
            return std::nullopt;
        return chooser.chosenRoot();
    }
    case machine::PrefixChoice::None:
        break;
    }
    NoPrefixWindow none(choice.placesLooked, choice.root, language);
    if (none.exec() != QDialog::Accepted)
        return std::nullopt;
    return none.chosenRoot();
}

} // namespace qv
