// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvane developers
#pragma once

#include <QByteArray>
#include <QString>
#include <exception>

namespace qv {

// The one exception type of the program: it carries the message the user sees.
class Error : public std::exception
{
public:
    explicit Error(QString message);
    const QString &message() const noexcept { return m_message; }
    const char *what() const noexcept override { return m_utf8.constData(); }

private:
    QString m_message;
    QByteArray m_utf8;
};

// The text shown in the error box: a full stop is appended when the last
// character sorts after '.', so "Disk full" reads "Disk full." but "Done!" stays.
QString errorBoxText(const QString &message);

} // namespace qv
