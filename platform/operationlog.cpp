// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvane developers
#include "platform/operationlog.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "platform/machine.h"

namespace qv::operationlog {

namespace {

// Byte values namebytes.h keeps a byte that was no UTF-8 in.
constexpr char16_t kKeptFirst = 0xDC80;
constexpr char16_t kKeptLast = 0xDCFF;

bool escaped(char32_t c)
{
    return c < 0x20 || (c >= 0x7F && c <= 0x9F) || c == 0x2028 || c == 0x2029 || (c >= 0x202A && c <= 0x202E)
        || (c >= 0x2066 && c <= 0x2069) || c == 0x200E || c == 0x200F || c == 0x061C || c == 0xFEFF;
}

// Neither a link standing in the file's place nor anything but a file is
// written to: the folder is the user's, but a planted link would have the
// log land elsewhere.
bool plainFileOrNone(const QString &file)
{
    const QFileInfo info(file);
    return !info.isSymLink() && (!info.exists() || info.isFile());
}

} // namespace

QString path()
{
    const QString folder = machine::stateFolder();
    return folder.isEmpty() ? QString() : folder + QStringLiteral("/quorvane.log");
}

QString field(const QString &text)
{
    QString out = QStringLiteral("\"");
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t u = text.at(i).unicode();
        if (QChar::isHighSurrogate(u) && i + 1 < text.size() && text.at(i + 1).isLowSurrogate()) {
            out += text.mid(i++, 2);
        } else if (u >= kKeptFirst && u <= kKeptLast) {
            out += QStringLiteral("\\x%1").arg(u - 0xDC00, 2, 16, QLatin1Char('0'));
        } else if (QChar::isSurrogate(u)) {
            out += QStringLiteral("\\u%1").arg(u, 4, 16, QLatin1Char('0'));
        } else if (u == u'\\' || u == u'"') {
            out += QLatin1Char('\\') + QChar(u);
        } else if (u == u'\n') {
            out += QStringLiteral("\\n");
        } else if (u == u'\r') {
            out += QStringLiteral("\\r");
        } else if (u == u'\t') {
            out += QStringLiteral("\\t");
        } else if (escaped(u)) {
            out += u < 0x100 ? QStringLiteral("\\x%1").arg(u, 2, 16, QLatin1Char('0'))
                             : QStringLiteral("\\u%1").arg(u, 4, 16, QLatin1Char('0'));
        } else {
            out += QChar(u);
        }
    }
    return out + QLatin1Char('"');
}

bool append(const QStringList &lines)
{
    const QString file = path();
    if (file.isEmpty() || !QDir().mkpath(QFileInfo(file).path()) || !plainFileOrNone(file))
        return false;
    if (QFileInfo(file).size() >= kRotateAt) {
        const QString older = file + QStringLiteral(".1");
        if (!plainFileOrNone(older))
            return false;
        QFile::remove(older);
        if (!QFile::rename(file, older))
            return false;
    }
    QByteArray text;
    for (const QString &line : lines)
        text += line.toUtf8() + '\n';
    QFile log(file);
    if (!log.open(QIODevice::WriteOnly | QIODevice::Append))
        return false;
    // One write, so that two Quorvanes appending at once do not interleave within a line.
    const bool written = log.write(text) == text.size();
    return log.flush() && written;
}

} // namespace qv::operationlog
