// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvane developers
#include "platform/ui/windowed.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QElapsedTimer>
#include <QTimer>
#include <QDialog>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QUrl>
#include <QVBoxLayout>
#include <memory>

#include "platform/application.h"
#include "platform/machine.h"

namespace qv::ui {

void registerWindows()
{
    static WindowDialogs dialogs;
    static WindowShell shell;
    static FileOperationWindows fileOperation;
    Dialogs::registerWindows(&dialogs);
    Shell::registerWindows(&shell);
    FileOperationUi::registerWindows(&fileOperation);
}

QString WindowDialogs::inputBox(const QString &caption, const QString &prompt, const QString &def)
{
    QDialog dialog;
    dialog.setWindowTitle(caption);
    auto *layout = new QVBoxLayout(&dialog);
    auto *label = new QLabel(prompt, &dialog);
    label->setWordWrap(true);
    auto *edit = new QLineEdit(def, &dialog);
    edit->setMaxLength(255);
    edit->selectAll();
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    layout->addWidget(label);
    layout->addWidget(edit);
    layout->addWidget(buttons);
    // Sized from the font's average character width, as the classic input box is.
    dialog.setFixedWidth(dialog.fontMetrics().averageCharWidth() * 45);
    return dialog.exec() == QDialog::Accepted ? edit->text() : def;
}

Dialogs::Result WindowDialogs::messageBox(QWidget *owner, const QString &text, const QString &caption,
                                          Buttons buttons, Icon icon)
{
    QMessageBox box(owner);
    box.setWindowTitle(caption);
    box.setText(text);
    switch (icon) {
    case ErrorIcon: box.setIcon(QMessageBox::Critical); break;
    case InformationIcon: box.setIcon(QMessageBox::Information); break;
    case QuestionIcon: box.setIcon(QMessageBox::Question); break;
    case WarningIcon: box.setIcon(QMessageBox::Warning); break;
    case NoIcon: break;
    }
    if (buttons == YesNo) {
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        return box.exec() == QMessageBox::Yes ? ResultYes : ResultNo;
    }
    box.setStandardButtons(QMessageBox::Ok);
    box.exec();
    return ResultOk;
}

void WindowShell::open(QWidget *, const QString &target)
{
    if (target.contains(QLatin1String("://"))) {
        QDesktopServices::openUrl(QUrl(target));
        return;
    }
    // Wine that cannot run the program ends within moments; watch for that
    // from the event loop, so the window goes on answering meanwhile.
    auto start = std::make_shared<machine::ProgramStart>(target);
    const machine::ProgramStart::State now = start->poll();
    if (now != machine::ProgramStart::Running) {
        if (now == machine::ProgramStart::Failed)
            showError(start->failure());
        return;
    }
    auto *timer = new QTimer(QCoreApplication::instance());
    QElapsedTimer clock;
    clock.start();
    QObject::connect(timer, &QTimer::timeout, timer, [timer, start, clock] {
        const machine::ProgramStart::State state = start->poll();
        if (state == machine::ProgramStart::Running && clock.elapsed() < machine::ProgramStart::watchMs())
            return;
        timer->stop();
        timer->deleteLater();
        if (state == machine::ProgramStart::Failed)
            showError(start->failure());
    });
    timer->start(100);
}

} // namespace qv::ui
