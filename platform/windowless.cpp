// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvane developers
#include "platform/windowless.h"

#include <QStringList>
#include <cstdio>

#include "platform/machine.h"

namespace qv {

QString WindowlessNote::line() const
{
    QStringList parts;
    for (const QString &p : {caption, subject, text})
        if (!p.isEmpty())
            parts << p;
    // One line per note: a message's own line breaks would split it for a script.
    return parts.join(QStringLiteral(": ")).replace(QLatin1Char('\n'), QLatin1Char(' '));
}

void WindowlessNotes::keep(WindowlessNote note)
{
    if (m_echo == Echo::ToStderr) {
        std::fprintf(stderr, "%s\n", qUtf8Printable(note.line()));
        std::fflush(stderr);
    }
    m_notes.push_back(std::move(note));
}

QString WindowlessDialogs::inputBox(const QString &caption, const QString &prompt, const QString &def)
{
    keep({caption, prompt, QStringLiteral("There is no window to answer in; \"%1\" stands.").arg(def)});
    return def;
}

Dialogs::Result WindowlessDialogs::messageBox(QWidget *, const QString &text, const QString &caption,
                                              Buttons buttons, Icon)
{
    if (buttons == YesNo) {
        keep({caption, text, QStringLiteral("There is no window to answer in; taken as No.")});
        return ResultNo;
    }
    keep({caption, QString(), text});
    return ResultOk;
}

void WindowlessShell::open(QWidget *, const QString &target)
{
    if (target.contains(QLatin1String("://")))
        keep({QString(), target, QStringLiteral("Open this address in a web browser.")});
    else if (QString why; !machine::startProgram(target, &why))
        keep({QString(), target, why});
}

void WindowlessFileOperationUi::error(const QString &caption, const QString &file, const QString &reason)
{
    keep({caption, file, reason});
}

FileOperationUi::Answer WindowlessFileOperationUi::confirmReplace(const QString &target, const QString &)
{
    keep({QStringLiteral("Confirm File Replace"), target,
          QStringLiteral("The file exists and there is no window to ask whether to replace it, so the operation "
                         "stopped here. Run it with confirmations turned off to replace files.")});
    return Cancel;
}

FileOperationUi::Answer WindowlessFileOperationUi::confirmMakeFolder(const QString &folder)
{
    keep({QStringLiteral("Confirm Folder Create"), folder,
          QStringLiteral("The folder does not exist and there is no window to ask whether to create it, so the "
                         "operation stopped here. Create the folder first, or run the operation with confirmations "
                         "turned off.")});
    return Cancel;
}

} // namespace qv
