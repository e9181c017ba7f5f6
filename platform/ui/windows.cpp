#include "platform/ui/windows.h"

#include <QDesktopServices>
#include <QDialog>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QUrl>
#include <QVBoxLayout>

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
    if (target.contains(QLatin1String("://")))
        QDesktopServices::openUrl(QUrl(target));
    else
        startWithWine(target);
}

} // namespace qv::ui
