// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvane developers
#include "platform/winpath.h"

namespace qv::winpath {

namespace {
bool hasDrive(QStringView path)
{
    return path.size() >= 2 && path.at(1) == QLatin1Char(':') && path.at(0).isLetter();
}
} // namespace

bool isSeparator(QChar c)
{
    return c == QLatin1Char('\\') || c == QLatin1Char('/');
}

qsizetype lastSeparator(QStringView path)
{
    for (qsizetype i = path.size() - 1; i >= 0; --i)
        if (isSeparator(path.at(i)))
            return i;
    return -1;
}

bool endsWithSeparator(QStringView path)
{
    return !path.isEmpty() && isSeparator(path.back());
}

QChar drive(QStringView path)
{
    return hasDrive(path) ? path.at(0).toUpper() : QChar();
}

bool isUnc(QStringView path)
{
    return path.size() >= 2 && isSeparator(path.at(0)) && isSeparator(path.at(1));
}

bool looksLikeWindowsPath(QStringView text)
{
    if (text.contains(QLatin1Char('\\')))
        return true;
    return hasDrive(text) && text.size() >= 3 && isSeparator(text.at(2));
}

QString folder(const QString &path)
{
    const qsizetype cut = lastSeparator(path);
    if (cut >= 0)
        return path.left(cut + 1);
    return hasDrive(path) ? path.left(2) : QString();
}

QString name(const QString &path)
{
    const qsizetype cut = lastSeparator(path);
    if (cut >= 0)
        return path.mid(cut + 1);
    return hasDrive(path) ? path.mid(2) : path;
}

QString leaf(const QString &path)
{
    QStringView trimmed(path);
    // "C:\" keeps its separator: it is the root, not a name followed by one.
    while (trimmed.size() > 3 && endsWithSeparator(trimmed))
        trimmed.chop(1);
    return name(trimmed.toString());
}

QString join(const QString &folder, const QString &name)
{
    if (folder.isEmpty() || endsWithSeparator(folder))
        return folder + name;
    return folder + QLatin1Char('\\') + name;
}

QStringList split(QStringView path)
{
    QStringList parts;
    qsizetype start = 0;
    for (qsizetype i = 0; i <= path.size(); ++i) {
        if (i < path.size() && !isSeparator(path.at(i)))
            continue;
        if (i > start)
            parts << path.mid(start, i - start).toString();
        start = i + 1;
    }
    return parts;
}

bool sameName(QStringView a, QStringView b)
{
    if (a.size() != b.size())
        return false;
    for (qsizetype i = 0; i < a.size(); ++i) {
        const QChar x = a.at(i), y = b.at(i);
        if (isSeparator(x) && isSeparator(y))
            continue;
        if (x != y && x.toCaseFolded() != y.toCaseFolded())
            return false;
    }
    return true;
}

} // namespace qv::winpath
