#include "platform/dialogs.h"

#include <QDesktopServices>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QProcess>
#include <QUrl>
#include <QVBoxLayout>

#include "platform/wineprefix.h"

namespace qv {

namespace {

class RealDialogs : public Dialogs
{
public:
    QString inputBox(const QString &caption, const QString &prompt, const QString &def) override
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

    Result messageBox(QWidget *owner, const QString &text, const QString &caption, Buttons buttons,
                      Icon icon) override
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
};

class RealShell : public Shell
{
public:
    void open(QWidget *, const QString &target) override
    {
        if (target.contains(QLatin1String("://"))) {
            QDesktopServices::openUrl(QUrl(target));
            return;
        }
        // A Windows program: started by wine in the prefix we work on, detached.
        QProcess process;
        process.setProgram(QStringLiteral("wine"));
        process.setArguments({target});
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("WINEPREFIX"), WinePrefix::current().root());
        process.setProcessEnvironment(env);
        process.startDetached();
    }
};

Dialogs *g_dialogs = nullptr;
Shell *g_shell = nullptr;

} // namespace

Dialogs &Dialogs::instance()
{
    static RealDialogs real;
    return g_dialogs ? *g_dialogs : real;
}

void Dialogs::setInstance(Dialogs *dialogs)
{
    g_dialogs = dialogs;
}

Shell &Shell::instance()
{
    static RealShell real;
    return g_shell ? *g_shell : real;
}

void Shell::setInstance(Shell *shell)
{
    g_shell = shell;
}

} // namespace qv
