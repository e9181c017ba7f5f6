// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvane developers
#include "platform/wildcard.h"

#include <QString>

namespace qv {

namespace {

bool sameChar(QChar a, QChar b)
{
    return a == b || a.toCaseFolded() == b.toCaseFolded();
}

// '*' and '?' alone; linear backtracking to the last star.
bool plainMatch(QStringView p, QStringView n)
{
    qsizetype pi = 0, ni = 0, star = -1, mark = 0;
    while (ni < n.size()) {
        if (pi < p.size() && (p.at(pi) == QLatin1Char('?') || sameChar(p.at(pi), n.at(ni)))) {
            ++pi;
            ++ni;
        } else if (pi < p.size() && p.at(pi) == QLatin1Char('*')) {
            star = pi++;
            mark = ni;
        } else if (star >= 0) {
            pi = star + 1;
            ni = ++mark;
        } else {
            return false;
        }
    }
    while (pi < p.size() && p.at(pi) == QLatin1Char('*'))
        ++pi;
    return pi == p.size();
}

// The extension is what follows the last dot; ".." and "a." have an empty one.
bool hasExtension(QStringView name)
{
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    return dot >= 0 && dot < name.size() - 1;
}

} // namespace

bool wildcardMatch(QStringView pattern, QStringView name)
{
    if (pattern == QLatin1String("*") || pattern == QLatin1String("*.*"))
        return true;
    if (pattern.endsWith(QLatin1String(".*")))
        return plainMatch(pattern, name) || plainMatch(pattern.chopped(2), name);
    if (pattern.endsWith(QLatin1Char('.'))) {
        if (hasExtension(name))
            return false;
        return plainMatch(pattern, name) || plainMatch(pattern.chopped(1), name);
    }
    return plainMatch(pattern, name);
}

bool hasWildcard(QStringView name)
{
    return name.contains(QLatin1Char('*')) || name.contains(QLatin1Char('?'));
}

} // namespace qv
