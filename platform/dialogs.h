#pragma once

#include <QString>

class QWidget;

namespace qv {

// The standard dialogs, behind an interface so tests can answer them.
class Dialogs
{
public:
    enum Buttons { Ok, YesNo };
    enum Icon { NoIcon, ErrorIcon, InformationIcon, QuestionIcon, WarningIcon };
    enum Result { ResultOk = 1, ResultCancel = 2, ResultYes = 6, ResultNo = 7 };

    virtual ~Dialogs() = default;
    // OK returns the edited text, Cancel or closing returns def unchanged.
    virtual QString inputBox(const QString &caption, const QString &prompt, const QString &def) = 0;
    virtual Result messageBox(QWidget *owner, const QString &text, const QString &caption, Buttons buttons,
                              Icon icon) = 0;

    // The dialogs in use; the real ones unless a test has set its own.
    static Dialogs &instance();
    // Takes no ownership; nullptr brings the real dialogs back.
    static void setInstance(Dialogs *dialogs);
};

// Opening documents, programs and web addresses, behind an interface so
// tests can record what would be opened.
class Shell
{
public:
    virtual ~Shell() = default;
    // A web address goes to the desktop's browser; a Windows program path is
    // started with wine in the same prefix, detached. Nothing waits for it.
    virtual void open(QWidget *owner, const QString &target) = 0;

    static Shell &instance();
    static void setInstance(Shell *shell);
};

} // namespace qv
