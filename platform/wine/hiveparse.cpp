// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvane developers

// Reading Wine's text registry format (hivetext.h describes it): the key
// names of section headers, value lines and whole sections. Every hive byte
// the program reads passes through here, so the common cases take fast paths.
#include "platform/wine/hivetext.h"

#include <cstring>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace qv::hivetext {

namespace {

// Which bytes are hexadecimal digits.
struct HexTable
{
    bool digit[256] = {};
    constexpr HexTable()
    {
        for (int c = '0'; c <= '9'; ++c)
            digit[c] = true;
        for (int c = 'a'; c <= 'f'; ++c)
            digit[c] = digit[c - 32] = true;
    }
};
constexpr HexTable kHex;

// Whether c is a hexadecimal digit, by a table: hex data is most of some hives.
inline bool isHex(char c)
{
    return kHex.digit[static_cast<unsigned char>(c)];
}

// The value of a hexadecimal digit.
inline int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    return (c | 0x20) - 'a' + 10;
}

// Blanks, as Wine skips them between the parts of a line.
inline bool isBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r';
}

// Decodes the escape after a backslash (p at its first character) and moves past it.
char16_t escapedUnit(const char *&p, const char *end)
{
    switch (*p) {
    case 'a': ++p; return 7;
    case 'b': ++p; return 8;
    case 'e': ++p; return 27;
    case 'f': ++p; return 12;
    case 'n': ++p; return 10;
    case 'r': ++p; return 13;
    case 't': ++p; return 9;
    case 'v': ++p; return 11;
    case 'x': {
        ++p;
        if (p >= end || !isHex(*p))
            return 'x';
        unsigned v = 0;
        for (int n = 0; n < 4 && p < end && isHex(*p); ++n, ++p)
            v = v * 16 + unsigned(hexValue(*p));
        return char16_t(v);
    }
    default:
        if (*p >= '0' && *p <= '7') {
            unsigned v = 0;
            for (int n = 0; n < 3 && p < end && *p >= '0' && *p <= '7'; ++n, ++p)
                v = v * 8 + unsigned(*p - '0');
            return char16_t(v);
        }
        return char16_t(static_cast<unsigned char>(*p++));
    }
}

} // namespace

// The ']' that closes a key name starting at p, before eol; null when none.
// A bracket after an odd run of backslashes is escaped.
const char *closingBracket(const char *p, const char *eol)
{
    const char *c = p;
    while (c < eol) {
        const char *b = static_cast<const char *>(memchr(c, ']', size_t(eol - c)));
        if (!b)
            return nullptr;
        const char *r = b;
        while (r > p && r[-1] == '\\')
            --r;
        if (((b - r) & 1) == 0)
            return b;
        c = b + 1;
    }
    return nullptr;
}

// Whether a key name needs no unescaping to be compared (hivetext.h).
bool plainPath(const char *p, const char *e)
{
    unsigned bad = 0;
    const char *c = p;
#if defined(__SSE2__)
    // sixteen at a time: this check runs over every key name of the file at load
    const __m128i low = _mm_set1_epi8(0x20), del = _mm_set1_epi8(0x7f), open = _mm_set1_epi8('[');
    for (; e - c >= 16; c += 16) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i *>(c));
        // signed compare: below 0x20 and above 0x7f both come out "less than 0x20"
        const __m128i hit = _mm_or_si128(_mm_cmplt_epi8(v, low),
                                         _mm_or_si128(_mm_cmpeq_epi8(v, del), _mm_cmpeq_epi8(v, open)));
        bad |= unsigned(_mm_movemask_epi8(hit));
    }
#endif
    for (; c < e; ++c) {
        const auto u = static_cast<unsigned char>(*c);
        bad |= unsigned(u < 0x20) | unsigned(u >= 0x7f) | unsigned(u == '[');
    }
    if (bad)
        return false;
    for (const char *c = p; (c = static_cast<const char *>(memchr(c, '\\', size_t(e - c))));) {
        if (c + 1 < e && c[1] == '\\')
            c += 2;
        else
            return false;
    }
    return true;
}

namespace {

// Unescapes Wine's string text from p up to the unescaped terminator, which
// is consumed. out may be null to only check the syntax. False when the
// terminator never comes.
bool unescape(const char *&p, const char *end, char terminator, QString *out)
{
    if (!out) {
        // syntax only: the fast path every save runs over the whole file
        while (p < end) {
            const char c = *p++;
            if (c == terminator)
                return true;
            if (c == '\n')
                return false;
            if (c == '\\') {
                if (p >= end || *p == '\n')
                    return false;
                escapedUnit(p, end);
            }
        }
        return false;
    }
    QByteArray pendingUtf8; // raw bytes above 127 are UTF-8
    auto flush = [&] {
        if (out && !pendingUtf8.isEmpty()) {
            out->append(QString::fromUtf8(pendingUtf8));
            pendingUtf8.clear();
        }
    };
    while (p < end) {
        const char c = *p;
        if (c == terminator) {
            ++p;
            flush();
            return true;
        }
        if (c == '\n')
            return false;
        if (static_cast<unsigned char>(c) >= 0x80) {
            if (out)
                pendingUtf8.append(c);
            ++p;
            continue;
        }
        flush();
        if (c != '\\') {
            if (out)
                out->append(QLatin1Char(c));
            ++p;
            continue;
        }
        ++p;
        if (p >= end || *p == '\n')
            return false;
        const char16_t unit = escapedUnit(p, end);
        if (out)
            out->append(QChar(unit));
    }
    return false;
}

} // namespace

// The names of a section header's path text, unescaped.
QStringList splitPathText(const char *p, const char *end)
{
    QStringList parts;
    QString current;
    while (p < end) {
        if (*p == '\\') {
            if (p + 1 < end && p[1] == '\\') {
                parts << current;
                current.clear();
                p += 2;
                continue;
            }
            ++p;
            if (p < end)
                current += QChar(escapedUnit(p, end));
            continue;
        }
        if (static_cast<unsigned char>(*p) >= 0x80) {
            const char *r = p;
            while (r < end && static_cast<unsigned char>(*r) >= 0x80)
                ++r;
            current += QString::fromUtf8(p, r - p);
            p = r;
            continue;
        }
        current += QLatin1Char(*p++);
    }
    parts << current;
    return parts;
}

namespace {

// The first position from p that is no blank.
const char *skipBlanks(const char *p, const char *end)
{
    while (p < end && isBlank(*p))
        ++p;
    return p;
}

// Hex bytes up to the end of the value: a newline not preceded by the
// continuation backslash. Returns the position after it, null on a fault.
const char *parseHexBytes(const char *p, const char *end, QByteArray *out, QString *why)
{
    for (;;) {
        // the common "hh," run, without the general checks below
        while (end - p >= 3 && isHex(p[0]) && isHex(p[1]) && p[2] == ',') {
            if (out)
                out->append(static_cast<char>(hexValue(p[0]) * 16 + hexValue(p[1])));
            p += 3;
        }
        p = skipBlanks(p, end);
        if (p >= end)
            return end;
        if (*p == '\n')
            return p + 1;
        if (*p == '\\') {
            // continuation: backslash, end of line, indentation
            p = skipBlanks(p + 1, end);
            if (p >= end)
                return end;
            if (*p != '\n') {
                *why = QStringLiteral("stray backslash in hex data");
                return nullptr;
            }
            ++p;
            continue;
        }
        if (!isHex(*p)) {
            *why = QStringLiteral("bad hex data");
            return nullptr;
        }
        int v = hexValue(*p++);
        if (p < end && isHex(*p))
            v = v * 16 + hexValue(*p++);
        if (p < end && isHex(*p)) {
            *why = QStringLiteral("hex byte out of range");
            return nullptr;
        }
        if (out)
            out->append(static_cast<char>(v));
        p = skipBlanks(p, end);
        if (p < end && *p == ',')
            ++p;
        else if (p < end && *p != '\\' && *p != '\n') {
            *why = QStringLiteral("bad hex data");
            return nullptr;
        }
    }
}

// After a value's data: blanks, then the end of the line.
const char *endOfLine(const char *p, const char *end)
{
    p = skipBlanks(p, end);
    if (p >= end)
        return end;
    return *p == '\n' ? p + 1 : nullptr;
}

// Whether the text at p begins with a literal.
template <size_t N>
inline bool startsWith(const char *p, const char *end, const char (&lit)[N])
{
    return size_t(end - p) >= N - 1 && memcmp(p, lit, N - 1) == 0;
}

} // namespace

// One value line (and its continuation lines) into its name, type and data.
const char *parseValue(const char *p, const char *end, HiveValue *out, QString *why)
{
    QString name;
    if (p < end && *p == '@') {
        ++p;
    } else if (p < end && *p == '"') {
        ++p;
        if (!unescape(p, end, '"', out ? &name : nullptr)) {
            *why = QStringLiteral("unterminated value name");
            return nullptr;
        }
    } else {
        *why = QStringLiteral("a value must start with '\"' or '@'");
        return nullptr;
    }
    p = skipBlanks(p, end);
    if (p >= end || *p != '=') {
        *why = QStringLiteral("'=' missing after the value name");
        return nullptr;
    }
    p = skipBlanks(p + 1, end);

    uint32_t type = RegNone;
    bool isString = false;
    if (p >= end) {
        *why = QStringLiteral("unknown value type");
        return nullptr;
    }
    const char kind = *p; // one test picks the family; the common plain string needs no more
    if (kind == '"') {
        type = RegSz, isString = true, p += 1;
    } else if (kind == 's' && startsWith(p, end, "str:\"")) {
        type = RegSz, isString = true, p += 5;
    } else if (kind == 's' && startsWith(p, end, "str(2):\"")) {
        type = RegExpandSz, isString = true, p += 8;
    } else if (kind == 's' && startsWith(p, end, "str(7):\"")) {
        type = RegMultiSz, isString = true, p += 8;
    } else if (kind == 'd' && startsWith(p, end, "dword:")) {
        p += 6;
        uint32_t v = 0;
        int n = 0;
        for (; p < end && isHex(*p); ++p, ++n)
            v = v * 16 + uint32_t(hexValue(*p));
        const char *after = endOfLine(p, end);
        if (n == 0 || n > 8 || !after) {
            *why = QStringLiteral("bad dword data");
            return nullptr;
        }
        if (out) {
            out->name = name;
            out->type = RegDword;
            out->data = dwordData(v);
        }
        return after;
    } else if (kind == 'h' && startsWith(p, end, "hex:")) {
        type = RegBinary, p += 4;
    } else if (kind == 'h' && startsWith(p, end, "hex(")) {
        p += 4;
        uint64_t t = 0;
        int n = 0;
        for (; p < end && isHex(*p); ++p, ++n)
            t = t * 16 + uint64_t(hexValue(*p));
        if (n == 0 || n > 8 || !startsWith(p, end, "):")) {
            *why = QStringLiteral("bad hex(type) prefix");
            return nullptr;
        }
        p += 2;
        type = uint32_t(t);
    } else {
        *why = QStringLiteral("unknown value type");
        return nullptr;
    }

    if (isString) {
        QString text;
        if (!unescape(p, end, '"', out ? &text : nullptr)) {
            *why = QStringLiteral("unterminated string");
            return nullptr;
        }
        const char *after = endOfLine(p, end);
        if (!after) {
            *why = QStringLiteral("text after the closing quote");
            return nullptr;
        }
        if (out) {
            out->name = name;
            out->type = type;
            out->data = utf16Data(text);
        }
        return after;
    }
    QByteArray bytes;
    const char *after = parseHexBytes(p, end, out ? &bytes : nullptr, why);
    if (!after)
        return nullptr;
    if (out) {
        out->name = name;
        out->type = type;
        out->data = bytes;
    }
    return after;
}

// A section's lines, from its header (or the blank lines before it) to its end.
bool parseSection(const char *data, qsizetype size, Section *out, qsizetype *faultAt, QString *why)
{
    const char *p = data;
    const char *end = data + size;
    auto lineEnd = [&](const char *from) {
        const char *e = static_cast<const char *>(memchr(from, '\n', size_t(end - from)));
        return e ? e + 1 : end;
    };
    // leading blank lines (only in sections this program added)
    while (p < end && *p != '[') {
        const char *e = lineEnd(p);
        if (out)
            out->lead.append(p, e - p);
        p = e;
    }
    if (p >= end) {
        *faultAt = 0;
        *why = QStringLiteral("a key name was expected");
        return false;
    }
    {
        const char *c = closingBracket(p + 1, end);
        if (c && memchr(p, '\n', size_t(c - p)))
            c = nullptr; // the name must close on its own line
        const char *e = c ? lineEnd(c) : lineEnd(p);
        if (!c) {
            *faultAt = p - data;
            *why = QStringLiteral("the key name has no closing ']'");
            return false;
        }
        if (out) {
            out->header = QByteArray(p, c + 1 - p);
            out->headerRest = QByteArray(c + 1, e - c - 1);
        }
        p = e;
    }
    while (p < end) {
        Line line;
        const char *e;
        if (*p == '"' || *p == '@') {
            line.kind = Line::Value;
            e = parseValue(p, end, out ? &line.value : nullptr, why);
            if (!e) {
                *faultAt = p - data;
                return false;
            }
        } else if (*p == '\n') {
            e = p + 1; // the blank line between sections
            line.kind = Line::Other;
        } else {
            if (*p == '#') { // "#time=..." and the like: short lines
                e = p;
                while (e < end && *e != '\n')
                    ++e;
                e = e < end ? e + 1 : end;
            } else {
                e = lineEnd(p);
            }
            const char *content = skipBlanks(p, e);
            if (content >= e || *content == '\n') {
                line.kind = Line::Other;
            } else if (startsWith(p, e, "#time=")) {
                line.kind = Line::Time;
            } else if (*p == '#' || *p == ';') {
                line.kind = Line::Other;
            } else {
                *faultAt = p - data;
                *why = QStringLiteral("a line must be a value, a comment or a key name");
                return false;
            }
        }
        if (out) {
            line.raw = QByteArray(p, e - p);
            out->lines.push_back(std::move(line));
        }
        p = e;
    }
    return true;
}

} // namespace qv::hivetext
