// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvane developers

// Writing Wine's text registry format (hivetext.h describes it): escapes,
// key paths, value lines and the data of the common value types.
#include "platform/wine/hivetext.h"

#include <cctype>
#include <cstdio>
#include <cstring>

namespace qv::hivetext {

namespace {

// Appends UTF-16 units escaped as Wine's dump_strW escapes them.
void escapeUnits(QByteArray &out, const char16_t *s, qsizetype len, const char quotes[2])
{
    static const char escapes[33] = ".......abtnvfr.............e....";
    char buf[16];
    for (; len; ++s, --len) {
        const char16_t c = *s;
        if (c > 127) {
            if (len > 1 && s[1] < 128 && std::isxdigit(int(s[1])))
                snprintf(buf, sizeof buf, "\\x%04x", unsigned(c));
            else
                snprintf(buf, sizeof buf, "\\x%x", unsigned(c));
            out.append(buf);
            continue;
        }
        if (c < 32) {
            if (!c && len == 1)
                continue; // the terminating NUL is implied
            if (escapes[c] != '.') {
                out.append('\\');
                out.append(escapes[c]);
            } else if (len > 1 && s[1] >= '0' && s[1] <= '7') {
                snprintf(buf, sizeof buf, "\\%03o", unsigned(c));
                out.append(buf);
            } else {
                snprintf(buf, sizeof buf, "\\%o", unsigned(c));
                out.append(buf);
            }
            continue;
        }
        if (c == '\\' || c == quotes[0] || c == quotes[1])
            out.append('\\');
        out.append(static_cast<char>(c));
    }
}

} // namespace

// A name or text with Wine's escapes.
QByteArray escape(const QString &text, const char quotes[2])
{
    QByteArray out;
    out.reserve(text.size() + 8);
    escapeUnits(out, reinterpret_cast<const char16_t *>(text.utf16()), text.size(), quotes);
    return out;
}

// The names of a key joined by the escaped separator.
QByteArray keyPath(const QStringList &components)
{
    QByteArray out;
    for (qsizetype i = 0; i < components.size(); ++i) {
        if (i)
            out.append("\\\\");
        out.append(escape(components[i], "[]"));
    }
    return out;
}

// Text as the registry holds it: UTF-16LE and a closing NUL.
QByteArray utf16Data(const QString &text)
{
    QByteArray data(reinterpret_cast<const char *>(text.utf16()), text.size() * 2);
    data.append(2, '\0');
    return data;
}

// A REG_DWORD's four bytes, least significant first.
QByteArray dwordData(uint32_t v)
{
    const char b[4] = {char(v & 0xff), char((v >> 8) & 0xff), char((v >> 16) & 0xff), char(v >> 24)};
    return QByteArray(b, 4);
}

// The text of UTF-16LE data, up to its first NUL.
QString textOf(const QByteArray &data)
{
    const qsizetype units = data.size() / 2;
    QString s;
    s.reserve(units);
    for (qsizetype i = 0; i < units; ++i) {
        const char16_t u = char16_t(uchar(data[2 * i])) | char16_t(uchar(data[2 * i + 1]) << 8);
        if (!u)
            break;
        s.append(QChar(u));
    }
    return s;
}

// One value line: text as a string where Wine writes one, a DWORD as dword:, the rest as hex.
QByteArray formatValue(const HiveValue &v)
{
    QByteArray out;
    int count;
    if (!v.name.isEmpty()) {
        out.append('"');
        out.append(escape(v.name, "\"\""));
        out.append("\"=");
        count = int(out.size());
    } else {
        out.append("@=");
        count = 2;
    }
    const auto *units = reinterpret_cast<const char16_t *>(v.data.constData());
    const qsizetype len = v.data.size();
    if (v.type == RegSz || v.type == RegExpandSz || v.type == RegMultiSz) {
        if (len >= 2 && len % 2 == 0 && units[len / 2 - 1] == 0) {
            if (v.type != RegSz) {
                char buf[32];
                snprintf(buf, sizeof buf, "str(%x):", v.type);
                out.append(buf);
            }
            out.append('"');
            // alignment: copy, the data of a QByteArray need not be aligned for char16_t
            std::vector<char16_t> copy(len / 2);
            memcpy(copy.data(), v.data.constData(), len);
            escapeUnits(out, copy.data(), len / 2, "\"\"");
            out.append("\"\n");
            return out;
        }
    } else if (v.type == RegDword && len == 4) {
        char buf[32];
        uint32_t dw;
        memcpy(&dw, v.data.constData(), 4);
        snprintf(buf, sizeof buf, "dword:%08x\n", dw);
        out.append(buf);
        return out;
    }
    char buf[32];
    if (v.type == RegBinary)
        snprintf(buf, sizeof buf, "hex:");
    else
        snprintf(buf, sizeof buf, "hex(%x):", v.type);
    out.append(buf);
    count += int(strlen(buf));
    static const char digits[] = "0123456789abcdef";
    for (qsizetype i = 0; i < len; ++i) {
        const uchar b = uchar(v.data[i]);
        out.append(digits[b >> 4]);
        out.append(digits[b & 15]);
        count += 2;
        if (i < len - 1) {
            out.append(',');
            if (++count > 76) {
                out.append("\\\n  ");
                count = 2;
            }
        }
    }
    out.append('\n');
    return out;
}

// "#time=" and the ticks in hex, as Wine's save_all_subkeys writes them.
QByteArray timeLine(uint64_t fileTime)
{
    char buf[64];
    snprintf(buf, sizeof buf, "#time=%x%08x\n", unsigned(fileTime >> 32), unsigned(fileTime & 0xffffffffu));
    return QByteArray(buf);
}

} // namespace qv::hivetext
