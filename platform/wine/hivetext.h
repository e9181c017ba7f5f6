// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvane developers

// Wine's text registry format: the values it holds, and reading and writing
// its lines. Nothing here knows about files or keeps state.
//
// A hive file looks like this:
//
//     WINE REGISTRY Version 2
//     ;; All keys relative to REGISTRY\\Machine      (the hive's root)
//     #arch=win64                                     (32-bit views exist)
//
//     [Software\\Wine] 1700000000                     (a key: its names joined by "\\",
//     #time=1da0f3c8e5e7b00                            its time in seconds and in
//     @="default"                                      100 ns ticks since 1601)
//     "Text"="a \"quoted\" word"                      (REG_SZ)
//     "Path"=str(2):"%ProgramFiles%\\Adobe"           (REG_EXPAND_SZ; str(7): REG_MULTI_SZ)
//     "Count"=dword:0000002a                          (REG_DWORD)
//     "Blob"=hex:01,02,03,\                           (REG_BINARY, wrapped after 76
//       04,05                                          characters; hex(N): type N)
//
//     [System\\CurrentControlSet] 1700000000
//     #link                                           (a link key: its target is the
//     "SymbolicLinkValue"=hex(6):5c,00,...             REG_LINK value)
//
// Text is escaped as C escapes it ("\n", "\\", octal "\ooo", "\xhhhh" for a
// UTF-16 unit); in key names "[" and "]" are escaped too, in value names and
// data the quote. Bytes above 127 are UTF-8. Sections are separated by a
// blank line; "#" and ";" start lines the registry keeps but does not read.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <vector>

namespace qv {

// Value types as the registry numbers them.
enum : uint32_t {
    RegNone = 0,
    RegSz = 1,
    RegExpandSz = 2,
    RegBinary = 3,
    RegDword = 4,
    RegLink = 6,
    RegMultiSz = 7,
};

struct HiveValue
{
    QString name;          // empty for the default value ("@")
    uint32_t type = RegNone;
    QByteArray data;       // raw bytes as the registry holds them (text: UTF-16LE with its NUL)
};

// The text forms of Wine's registry files.
namespace hivetext {

// The file's first line; a file that does not start with it is no hive.
inline constexpr char kMagic[] = "WINE REGISTRY Version 2";

// A string with Wine's escapes; the two characters in `quotes` get a backslash too.
QByteArray escape(const QString &text, const char quotes[2]);
// "[Software\\Wine]" path text of a key path (without the brackets).
QByteArray keyPath(const QStringList &components);
// One value as Wine writes it, ending with a newline (hex data wrapped as Wine wraps it).
QByteArray formatValue(const HiveValue &value);
// Parses one value entry from begin: its line and any continuation lines.
// Returns the position after its last newline, or null with *why set.
const char *parseValue(const char *begin, const char *end, HiveValue *out, QString *why);
// Text of a REG_SZ / REG_EXPAND_SZ / REG_MULTI_SZ data block.
QString textOf(const QByteArray &utf16Data);
QByteArray utf16Data(const QString &text); // with the terminating NUL
QByteArray dwordData(uint32_t value);

// The "#time=" line of a key changed at fileTime (100 ns ticks since 1601).
QByteArray timeLine(uint64_t fileTime);

// One line of a key's section, with any continuation lines.
struct Line
{
    enum Kind { Other, Time, Value } kind = Other; // Other: blank lines, comments, "#link"
    QByteArray raw;   // the text with its line ends
    HiveValue value;  // for a Value
};

// A key's section once it has been read into lines.
struct Section
{
    QByteArray lead;       // blank lines before the header (new sections only)
    QByteArray header;     // "[path]"
    QByteArray headerRest; // rest of the header line with its newline
    std::vector<Line> lines;
};

// Parses a section's text (from its header, or from blank lines before it).
// out null: the syntax is only checked. On a fault, *faultAt receives the
// offset of the faulty line and *why the reason.
bool parseSection(const char *data, qsizetype size, Section *out, qsizetype *faultAt, QString *why);
// The ']' that closes a key name starting at p, before eol; null when none.
const char *closingBracket(const char *p, const char *eol);
// Whether a key name text is printable ASCII whose only escapes are the "\\"
// separators: such names compare byte for byte, without unescaping.
bool plainPath(const char *p, const char *e);
// The names of a section header's escaped path text.
QStringList splitPathText(const char *p, const char *end);

} // namespace hivetext

} // namespace qv
