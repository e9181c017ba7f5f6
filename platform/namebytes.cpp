// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvane developers
#include "platform/namebytes.h"

namespace qv {

namespace {

constexpr char16_t kKeptFirst = 0xDC80;
constexpr char16_t kKeptLast = 0xDCFF;

// The length of the valid UTF-8 sequence at p (with its code point), or 0.
int validSequence(const unsigned char *p, qsizetype left, char32_t &cp)
{
    const unsigned char c = p[0];
    int n = 0;
    if (c < 0x80) {
        cp = c;
        return 1;
    }
    if (c >= 0xC2 && c <= 0xDF) {
        n = 2;
        cp = c & 0x1F;
    } else if (c >= 0xE0 && c <= 0xEF) {
        n = 3;
        cp = c & 0x0F;
    } else if (c >= 0xF0 && c <= 0xF4) {
        n = 4;
        cp = c & 0x07;
    } else {
        return 0;
    }
    if (left < n)
        return 0;
    for (int i = 1; i < n; ++i) {
        if ((p[i] & 0xC0) != 0x80)
            return 0;
        cp = (cp << 6) | (p[i] & 0x3F);
    }
    // Overlong forms, encoded surrogates and code points past Unicode are no valid UTF-8.
    if ((n == 3 && cp < 0x800) || (n == 4 && (cp < 0x10000 || cp > 0x10FFFF)) || (cp >= 0xD800 && cp <= 0xDFFF))
        return 0;
    return n;
}

void appendUtf8(QByteArray &out, char32_t cp)
{
    if (cp < 0x80) {
        out += char(cp);
    } else if (cp < 0x800) {
        out += char(0xC0 | (cp >> 6));
        out += char(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += char(0xE0 | (cp >> 12));
        out += char(0x80 | ((cp >> 6) & 0x3F));
        out += char(0x80 | (cp & 0x3F));
    } else {
        out += char(0xF0 | (cp >> 18));
        out += char(0x80 | ((cp >> 12) & 0x3F));
        out += char(0x80 | ((cp >> 6) & 0x3F));
        out += char(0x80 | (cp & 0x3F));
    }
}

bool isKept(char16_t u)
{
    return u >= kKeptFirst && u <= kKeptLast;
}

} // namespace

namespace namebytes {

QString decode(const QByteArray &bytes)
{
    QString out;
    out.reserve(bytes.size());
    const auto *p = reinterpret_cast<const unsigned char *>(bytes.constData());
    const qsizetype size = bytes.size();
    for (qsizetype i = 0; i < size;) {
        char32_t cp = 0;
        const int n = validSequence(p + i, size - i, cp);
        if (n == 0) {
            out += QChar(char16_t(0xDC00 + p[i]));
            ++i;
            continue;
        }
        if (cp >= 0x10000) {
            out += QChar(QChar::highSurrogate(cp));
            out += QChar(QChar::lowSurrogate(cp));
        } else {
            out += QChar(char16_t(cp));
        }
        i += n;
    }
    return out;
}

QByteArray encode(const QString &text)
{
    QByteArray out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t u = text.at(i).unicode();
        if (QChar::isHighSurrogate(u) && i + 1 < text.size() && QChar::isLowSurrogate(text.at(i + 1).unicode())) {
            appendUtf8(out, QChar::surrogateToUcs4(u, text.at(i + 1).unicode()));
            ++i;
        } else if (isKept(u)) {
            out += char(u - 0xDC00);
        } else if (QChar::isSurrogate(u)) {
            appendUtf8(out, 0xFFFD); // no name decodes to it
        } else {
            appendUtf8(out, u);
        }
    }
    return out;
}

bool holdsKeptBytes(const QString &text)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t u = text.at(i).unicode();
        if (QChar::isHighSurrogate(u) && i + 1 < text.size() && QChar::isLowSurrogate(text.at(i + 1).unicode()))
            ++i;
        else if (isKept(u))
            return true;
    }
    return false;
}

} // namespace namebytes

QString visibleText(const QString &text, bool keepLineBreaks)
{
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t u = text.at(i).unicode();
        if (QChar::isHighSurrogate(u) && i + 1 < text.size() && QChar::isLowSurrogate(text.at(i + 1).unicode())) {
            out += text.at(i);
            out += text.at(++i);
        } else if (QChar::isSurrogate(u)) {
            out += QChar(QChar::ReplacementCharacter);
        } else if (keepLineBreaks && (u == '\n' || u == '\t')) {
            out += text.at(i);
        } else if (u < 0x20 || u == 0x7F) {
            out += QStringLiteral("\\x") + QString::number(u, 16).toUpper().rightJustified(2, QLatin1Char('0'));
        } else if ((u >= 0x80 && u <= 0x9F) || u == 0x2028 || u == 0x2029) {
            out += QStringLiteral("\\u") + QString::number(u, 16).toUpper().rightJustified(4, QLatin1Char('0'));
        } else {
            out += text.at(i);
        }
    }
    return out;
}

} // namespace qv
