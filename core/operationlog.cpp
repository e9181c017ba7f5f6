// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvane developers

// The names a report's parts go by outside the program, and the lines an
// operation leaves in the log.

#include <QCoreApplication>
#include <QDateTime>

#include "core/operationrun.h"
#include "platform/machine.h"
#include "platform/operationlog.h"

namespace qv {

const char *changeKindName(Change::Kind kind)
{
    switch (kind) {
    case Change::EndProcess: return "end_process";
    case Change::CopyFiles: return "copy_files";
    case Change::DeleteFiles: return "delete_files";
    case Change::TrashFolder: return "trash_folder";
    case Change::WriteValue: return "write_value";
    case Change::DeleteKey: return "delete_key";
    case Change::CreateKey: return "create_key";
    case Change::WriteMarker: return "write_marker";
    case Change::DeleteMarker: return "delete_marker";
    case Change::WriteShortcut: return "write_shortcut";
    case Change::DeleteLaunchers: return "delete_launchers";
    case Change::WriteLauncher: return "write_launcher";
    case Change::DeleteValue: return "delete_value";
    case Change::PutBackValue: return "put_back_value";
    case Change::SetAside: return "set_aside";
    case Change::BringBack: return "bring_back";
    }
    return "other";
}

const char *outcomeName(OperationReport::Outcome outcome)
{
    switch (outcome) {
    case OperationReport::Completed: return "completed";
    case OperationReport::NothingToRestore: return "nothing_to_restore";
    case OperationReport::Refused: return "refused";
    case OperationReport::Failed: return "failed";
    case OperationReport::Incomplete: return "incomplete";
    }
    return "failed";
}

// Each line: the time (UTC), the program and its process, the command, the
// machine, then what it says. Everything that comes from the machine is a
// quoted field, so a line is split safely at its spaces up to the quotes.
void logReport(const QString &title, const OperationReport &report)
{
    using operationlog::field;
    const QString command = title == QLatin1String("Optimization") ? QStringLiteral("optimize")
                                                                    : QStringLiteral("restore");
    const QString head = QStringLiteral("%1 %2[%3] %4 %5=%6 ")
                             .arg(QDateTime::currentDateTimeUtc().toString(Qt::ISODate),
                                  QCoreApplication::applicationName())
                             .arg(QCoreApplication::applicationPid())
                             .arg(command, machine::kind().toLower(), field(machine::name()));
    QStringList lines;
    for (const Change &c : report.changes)
        for (const QString &line : c.describe())
            lines << head + QStringLiteral("change ") + QLatin1String(changeKindName(c.kind)) + QLatin1Char(' ')
                    + field(line);
    for (const NotDone &n : report.notDone)
        if (n.failed)
            lines << head + QStringLiteral("not-done ") + field(n.what + QStringLiteral(": ") + n.why);
    QString outcome = head + QStringLiteral("outcome ") + QLatin1String(outcomeName(report.outcome))
        + QStringLiteral(" changed=") + (report.changes.empty() ? QStringLiteral("no") : QStringLiteral("yes"));
    if (!report.error.isEmpty())
        outcome += QStringLiteral(" error=") + field(report.error);
    lines << outcome;
    operationlog::append(lines);
}

} // namespace qv
