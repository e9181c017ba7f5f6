#include "platform/wine/hive.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QSet>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <unistd.h>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "platform/wine/atomicfile.h"

namespace qv {

HiveError::HiveError(const QString &file, int line, const QString &reason)
    : Error(QStringLiteral("The registry file \"%1\" is damaged at line %2: %3. Quorvane leaves it "
                           "unchanged; repair or restore the file, then try again")
                .arg(file)
                .arg(line)
                .arg(reason)),
      m_line(line)
{
}

namespace {

void (*g_saveHook)(const char *) = nullptr;
int64_t g_fixedClock = 0;

const char kMagic[] = "WINE REGISTRY Version 2";

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

inline bool isHex(char c)
{
    return kHex.digit[static_cast<unsigned char>(c)];
}

inline int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    return (c | 0x20) - 'a' + 10;
}

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

// Whether a key name text is printable ASCII whose only escapes are the "\\"
// separators: such names compare byte for byte, without unescaping.
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

// Wine's dump_strW over UTF-16 units.
void escapeUnits(QByteArray &out, const char16_t *s, qsizetype len, const char quotes[2])
{
    static const char escapes[33] = ".......abtnvfr.............e....";
    char buf[16];
    for (; len; ++s, --len) {
        const char16_t c = *s;
        if (c > 127) {
            if (len > 1 && s[1] < 128 && isHex(static_cast<char>(s[1])))
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

struct Stamp
{
    int64_t seconds;   // since 1970
    uint64_t fileTime; // 100 ns ticks since 1601
};

Stamp now()
{
    Stamp s;
    if (g_fixedClock) {
        s.seconds = g_fixedClock;
        s.fileTime = uint64_t(g_fixedClock) * 10000000ull + 116444736000000000ull;
        return s;
    }
    struct timespec ts;
    clock_gettime(CLOCK_REALTIME, &ts);
    s.seconds = ts.tv_sec;
    s.fileTime = uint64_t(ts.tv_sec) * 10000000ull + uint64_t(ts.tv_nsec) / 100 + 116444736000000000ull;
    return s;
}

QByteArray timeLine(const Stamp &s)
{
    char buf[64];
    snprintf(buf, sizeof buf, "#time=%x%08x\n", unsigned(s.fileTime >> 32), unsigned(s.fileTime & 0xffffffffu));
    return QByteArray(buf);
}

// Splits the escaped path text of a section header into names.
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

// The form a character of a name is compared in; the key index folds with it too.
inline char16_t foldUnit(char16_t u)
{
    return QChar(u).toLower().unicode();
}

// Wine orders names by their lower-case forms, so '_' and the other
// characters between 'Z' and 'a' sort before the letters ("A_b" < "Ab").
int compareNames(const QString &a, const QString &b)
{
    const qsizetype n = std::min(a.size(), b.size());
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t x = foldUnit(a[i].unicode()), y = foldUnit(b[i].unicode());
        if (x != y)
            return x < y ? -1 : 1;
    }
    return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

// ---------------------------------------------------------------------------
// Keys of the index. Paths compare name by name, each character folded, a
// name before the longer names it begins, a key before its subkeys. A key is
// kept as bytes for which that order is plain byte order: the folded
// characters in UTF-8's layout (which keeps the order of the values), 00 01
// for a NUL character, and 00 00 between names, below any character. The
// header of a plain section ("Software\\\\Wine") nearly is such a key:
// each byte folds by a table and each backslash of a separator counts as 00.
// Those are read where they stand in the file; only the others are copied.

void appendFoldedName(std::string &out, const QString &name)
{
    for (const QChar c : name) {
        const char16_t f = foldUnit(c.unicode());
        if (f == 0) {
            out += '\0';
            out += '\1';
        } else if (f < 0x80) {
            out += char(f);
        } else if (f < 0x800) {
            out += char(0xc0 | (f >> 6));
            out += char(0x80 | (f & 0x3f));
        } else {
            out += char(0xe0 | (f >> 12));
            out += char(0x80 | ((f >> 6) & 0x3f));
            out += char(0x80 | (f & 0x3f));
        }
    }
}

void appendFoldedKey(std::string &out, const QStringList &path)
{
    for (qsizetype i = 0; i < path.size(); ++i) {
        if (i)
            out.append(2, '\0');
        appendFoldedName(out, path[i]);
    }
}

std::string foldedKey(const QStringList &path)
{
    std::string out;
    appendFoldedKey(out, path);
    return out;
}

// The folded byte of each byte of a plain header.
struct PlainKeyBytes
{
    unsigned char map[256];
    PlainKeyBytes()
    {
        for (int c = 0; c < 256; ++c)
            map[c] = c < 0x80 ? static_cast<unsigned char>(foldUnit(char16_t(c))) : static_cast<unsigned char>(c);
        map[static_cast<unsigned char>('\\')] = 0;
    }
};
const PlainKeyBytes kPlainKeyBytes;

struct KeyView
{
    const unsigned char *p;
    size_t n;
    bool plain; // a header's own bytes, folded as they are read
};

KeyView viewOf(const std::string &key)
{
    return {reinterpret_cast<const unsigned char *>(key.data()), key.size(), false};
}

// Below, equal to or above zero as a sorts before, with or after b; *common
// receives how many leading bytes agree.
int compareKeys(const KeyView &a, const KeyView &b, size_t *common = nullptr)
{
    const size_t n = std::min(a.n, b.n);
    size_t i = 0;
    if (a.plain == b.plain) {
        // the same bytes fold alike: skip a shared beginning eight at a time
        for (; i + 8 <= n; i += 8) {
            uint64_t x, y;
            memcpy(&x, a.p + i, 8);
            memcpy(&y, b.p + i, 8);
            if (x != y)
                break;
        }
    }
    const unsigned char *const map = kPlainKeyBytes.map;
    for (; i < n; ++i) {
        const unsigned x = a.plain ? map[a.p[i]] : a.p[i];
        const unsigned y = b.plain ? map[b.p[i]] : b.p[i];
        if (x != y) {
            if (common)
                *common = i;
            return x < y ? -1 : 1;
        }
    }
    if (common)
        *common = n;
    return a.n == b.n ? 0 : (a.n < b.n ? -1 : 1);
}

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

template <size_t N>
inline bool startsWith(const char *p, const char *end, const char (&lit)[N])
{
    return size_t(end - p) >= N - 1 && memcmp(p, lit, N - 1) == 0;
}

} // namespace

namespace hivetext {

QByteArray escape(const QString &text, const char quotes[2])
{
    QByteArray out;
    out.reserve(text.size() + 8);
    escapeUnits(out, reinterpret_cast<const char16_t *>(text.utf16()), text.size(), quotes);
    return out;
}

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

QByteArray utf16Data(const QString &text)
{
    QByteArray data(reinterpret_cast<const char *>(text.utf16()), text.size() * 2);
    data.append(2, '\0');
    return data;
}

QByteArray dwordData(uint32_t v)
{
    const char b[4] = {char(v & 0xff), char((v >> 8) & 0xff), char((v >> 16) & 0xff), char(v >> 24)};
    return QByteArray(b, 4);
}

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

} // namespace hivetext

// ---------------------------------------------------------------------------

struct Item
{
    enum Kind { Other, Time, Value } kind = Other;
    QByteArray raw; // with its line ends
    HiveValue value;
};

struct Hive::Parsed
{
    QByteArray lead;   // blank lines before the header (new sections only)
    QByteArray header; // "[path]"
    QByteArray headerRest; // rest of the header line with its newline
    std::vector<Item> items;
};

struct Hive::Section
{
    qsizetype begin = 0, end = 0;       // in m_data while not owned
    int32_t pathBegin = 0, pathEnd = 0; // relative to the section's first byte
    bool plain = true;                  // path is printable ASCII with no escapes but the separators
    bool owned = false;
    QByteArray text;                    // the bytes once owned (null while a view: costs nothing)
    std::unique_ptr<Parsed> parsed;
};

namespace {
// Parses a section's text. out null: syntax check only. On a fault returns
// the offset of the faulty line and the reason.
bool parseSection(const char *data, qsizetype size, Hive::Parsed *out, qsizetype *faultAt, QString *why);
} // namespace

// The sections ordered by their folded paths (ties by position), so that a
// key, everything below it and the place of a new key are binary searches.
struct Hive::KeyIndex
{
    struct Entry
    {
        qsizetype keyAt; // in the hive's bytes (plain headers) or in folded
        uint32_t keyLen;
        uint32_t section; // position in m_sections
        bool plain;
    };
    explicit KeyIndex(const QByteArray &data) : data(data) {}

    const QByteArray &data; // the hive's bytes read, where plain headers stay
    std::vector<Entry> entries;
    std::string folded; // the keys of the other sections
    // Positions ascend along the entries, as in every file Wine writes: the
    // lowest position of a range of entries is then its first one.
    bool inFileOrder = true;

    KeyView key(const Entry &e) const
    {
        const char *base = e.plain ? data.constData() : folded.data();
        return {reinterpret_cast<const unsigned char *>(base + e.keyAt), e.keyLen, e.plain};
    }
    bool less(const Entry &a, const Entry &b) const { return compareKeys(key(a), key(b)) < 0; }

    Entry foldedEntry(const std::string &k, size_t section)
    {
        const Entry e{qsizetype(folded.size()), uint32_t(k.size()), uint32_t(section), false};
        folded += k;
        return e;
    }

    // Orders the entries, which come in file order. A file Wine wrote is in
    // order already; the runs of anything else are merged.
    void sort()
    {
        std::vector<size_t> runs{0};
        for (size_t i = 1; i < entries.size(); ++i)
            if (less(entries[i], entries[i - 1]))
                runs.push_back(i);
        runs.push_back(entries.size());
        inFileOrder = runs.size() <= 2;
        while (runs.size() > 2) {
            std::vector<size_t> merged{0};
            const size_t count = runs.size() - 1;
            for (size_t k = 0; k + 2 <= count; k += 2) {
                std::inplace_merge(entries.begin() + qsizetype(runs[k]), entries.begin() + qsizetype(runs[k + 1]),
                                   entries.begin() + qsizetype(runs[k + 2]),
                                   [this](const Entry &a, const Entry &b) { return less(a, b); });
                merged.push_back(runs[k + 2]);
            }
            if (count % 2)
                merged.push_back(runs[count]);
            runs = std::move(merged);
        }
    }

    // The first entry not before the key.
    size_t lowerBound(const KeyView &k) const
    {
        return size_t(std::partition_point(entries.begin(), entries.end(),
                                           [&](const Entry &e) { return compareKeys(key(e), k) < 0; })
                      - entries.begin());
    }
    // The first entry after the key.
    size_t upperBound(const KeyView &k) const
    {
        return size_t(std::partition_point(entries.begin(), entries.end(),
                                           [&](const Entry &e) { return compareKeys(key(e), k) <= 0; })
                      - entries.begin());
    }
    // The first entry after the key and everything below it; below is the
    // key followed by a separator.
    size_t endBelow(const KeyView &below) const
    {
        return size_t(std::partition_point(entries.begin(), entries.end(),
                                           [&](const Entry &e) {
                                               size_t common = 0;
                                               return compareKeys(key(e), below, &common) < 0 || common == below.n;
                                           })
                      - entries.begin());
    }
    // [first, last) of the entries at the key (withKey) and below it.
    std::pair<size_t, size_t> range(const QStringList &path, bool withKey) const
    {
        if (path.isEmpty())
            return {0, entries.size()};
        std::string k = foldedKey(path);
        const size_t first = withKey ? lowerBound(viewOf(k)) : 0;
        k.append(2, '\0');
        const KeyView below = viewOf(k);
        return {withKey ? first : lowerBound(below), endBelow(below)};
    }
    size_t lowestSection(size_t first, size_t last) const
    {
        if (inFileOrder)
            return entries[first].section;
        uint32_t lowest = entries[first].section;
        for (size_t i = first + 1; i < last; ++i)
            lowest = std::min(lowest, entries[i].section);
        return lowest;
    }
    // The sections of a range in file order.
    std::vector<uint32_t> sectionsOf(size_t first, size_t last) const
    {
        std::vector<uint32_t> out;
        out.reserve(last - first);
        for (size_t i = first; i < last; ++i)
            out.push_back(entries[i].section);
        if (!inFileOrder)
            std::sort(out.begin(), out.end());
        return out;
    }

    // A section went in at position at.
    void inserted(size_t at, const std::string &k)
    {
        for (Entry &e : entries)
            if (e.section >= at)
                ++e.section;
        const Entry added = foldedEntry(k, at);
        const auto place = std::partition_point(entries.begin(), entries.end(), [&](const Entry &e) {
            const int c = compareKeys(key(e), key(added));
            return c < 0 || (c == 0 && e.section < at);
        });
        const auto it = entries.insert(place, added);
        if (inFileOrder
            && ((it != entries.begin() && (it - 1)->section > at) || (it + 1 != entries.end() && (it + 1)->section < at)))
            inFileOrder = false;
    }
    // The sections of the entries [first, last) went; the others moved to newPosition.
    void removed(size_t first, size_t last, const std::vector<uint32_t> &newPosition)
    {
        entries.erase(entries.begin() + qsizetype(first), entries.begin() + qsizetype(last));
        for (Entry &e : entries)
            e.section = newPosition[e.section];
    }
};

Hive::Hive() : m_index(std::make_unique<KeyIndex>(m_data)) {}
Hive::~Hive() = default;

void Hive::setSaveHook(void (*hook)(const char *)) { g_saveHook = hook; }

void Hive::saveStage(const char *stage)
{
    if (g_saveHook)
        g_saveHook(stage);
}
void Hive::setClockForTests(int64_t s) { g_fixedClock = s; }

std::unique_ptr<Hive> Hive::load(const QString &file)
{
    std::unique_ptr<Hive> hive(new Hive);
    hive->m_file = file;
    const QByteArray path = QFile::encodeName(file);
    const int fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        if (errno == ENOENT)
            return hive;
        throw Error(QStringLiteral("Cannot read the registry file \"%1\": %2").arg(file, QString::fromLocal8Bit(strerror(errno))));
    }
    struct stat st;
    if (fstat(fd, &st) == 0 && st.st_size > 0)
        hive->m_data.resize(st.st_size);
    qsizetype got = 0;
    for (;;) {
        if (got == hive->m_data.size())
            hive->m_data.resize(std::max<qsizetype>(4096, got * 2));
        const ssize_t n = ::read(fd, hive->m_data.data() + got, size_t(hive->m_data.size() - got));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            const int err = errno;
            ::close(fd);
            throw Error(QStringLiteral("Cannot read the registry file \"%1\": %2").arg(file, QString::fromLocal8Bit(strerror(err))));
        }
        if (n == 0)
            break;
        got += n;
    }
    ::close(fd);
    hive->m_data.resize(got);
    hive->m_existed = true;
    hive->index();
    return hive;
}

std::unique_ptr<Hive> Hive::fromBytes(const QByteArray &bytes, const QString &fileName)
{
    std::unique_ptr<Hive> hive(new Hive);
    hive->m_file = fileName;
    hive->m_data = bytes;
    hive->index();
    return hive;
}

int Hive::lineOf(const char *p) const
{
    const char *base = m_data.constData();
    if (p < base || p > base + m_data.size())
        return 0;
    return int(std::count(base, p, '\n')) + 1;
}

void Hive::index()
{
    const char *base = m_data.constData();
    const char *end = base + m_data.size();
    if (m_data.isEmpty())
        return;
    const size_t magic = sizeof kMagic - 1;
    if (size_t(m_data.size()) < magic || memcmp(base, kMagic, magic) != 0
        || (m_data.size() > qsizetype(magic) && base[magic] != '\n' && base[magic] != '\r'))
        throw HiveError(m_file, 1, QStringLiteral("it does not start with \"%1\"").arg(QLatin1String(kMagic)));

    m_sections.reserve(size_t(m_data.size() / 96) + 16);
    const char *p = base;
    bool first = true;
    while (p < end) {
        const char *q = static_cast<const char *>(memchr(p, '[', size_t(end - p)));
        if (!q)
            break;
        p = q + 1;
        if (q != base && q[-1] != '\n')
            continue;
        if (first) {
            m_prologueEnd = q - base;
            first = false;
        } else {
            m_sections.back().end = q - base;
        }
        Section s;
        s.begin = q - base;
        const char *eol = static_cast<const char *>(memchr(q, '\n', size_t(end - q)));
        if (!eol)
            eol = end;
        const char *c = closingBracket(q + 1, eol);
        if (!c)
            throw HiveError(m_file, lineOf(q), QStringLiteral("the key name has no closing ']'"));
        const bool plain = plainPath(q + 1, c);
        s.pathBegin = 1;
        s.pathEnd = int32_t(c - q);
        s.plain = plain;
        m_sections.push_back(std::move(s));
        p = eol;
    }
    if (first)
        m_prologueEnd = m_data.size();
    else
        m_sections.back().end = m_data.size();

    std::vector<KeyIndex::Entry> &entries = m_index->entries;
    entries.reserve(m_sections.size());
    for (size_t i = 0; i < m_sections.size(); ++i) {
        const Section &s = m_sections[i];
        if (s.plain)
            entries.push_back({s.begin + s.pathBegin, uint32_t(s.pathEnd - s.pathBegin), uint32_t(i), true});
        else
            entries.push_back(m_index->foldedEntry(foldedKey(sectionPath(i)), i));
    }
    m_index->sort();

    // "#arch=win64" and the hive's root sit among the opening lines
    const QByteArray prologue = QByteArray::fromRawData(base, m_prologueEnd);
    m_win64 = prologue.contains("\n#arch=win64");
    const QByteArray rootLine = ";; All keys relative to ";
    const qsizetype at = prologue.indexOf(rootLine);
    if (at >= 0) {
        qsizetype e = prologue.indexOf('\n', at);
        if (e < 0)
            e = prologue.size();
        // "REGISTRY\\Machine" (Wine 8 on) or "\\Machine" (older): both mean \REGISTRY\Machine
        QString root = QString::fromUtf8(prologue.mid(at + rootLine.size(), e - at - rootLine.size()).trimmed())
                           .replace(QStringLiteral("\\\\"), QStringLiteral("\\"));
        if (root.startsWith(QLatin1Char('\\')))
            root.remove(0, 1);
        if (!root.startsWith(QLatin1String("REGISTRY\\"), Qt::CaseInsensitive))
            root.prepend(QLatin1String("REGISTRY\\"));
        m_rootName = QLatin1Char('\\') + root;
    }
}

const char *Hive::sectionData(size_t i) const
{
    const Section &s = m_sections[i];
    return s.owned ? s.text.constData() : m_data.constData() + s.begin;
}

size_t Hive::sectionSize(size_t i) const
{
    const Section &s = m_sections[i];
    return s.owned ? size_t(s.text.size()) : size_t(s.end - s.begin);
}

QStringList Hive::sectionPath(size_t i) const
{
    const Section &s = m_sections[i];
    const char *d = sectionData(i);
    return splitPathText(d + s.pathBegin, d + s.pathEnd);
}

Hive::Parsed &Hive::parsed(size_t i) const
{
    Section &s = m_sections[i];
    if (!s.parsed) {
        auto p = std::make_unique<Parsed>();
        qsizetype at = 0;
        QString why;
        if (!parseSection(sectionData(i), qsizetype(sectionSize(i)), p.get(), &at, &why))
            throw HiveError(m_file, s.owned ? 0 : lineOf(m_data.constData() + s.begin + at), why);
        s.parsed = std::move(p);
    }
    return *s.parsed;
}

std::optional<size_t> Hive::findSection(const QStringList &path) const
{
    const std::string k = foldedKey(path);
    const size_t i = m_index->lowerBound(viewOf(k));
    if (i < m_index->entries.size() && compareKeys(m_index->key(m_index->entries[i]), viewOf(k)) == 0)
        return m_index->entries[i].section; // the first of equals: the lowest position
    return std::nullopt;
}

bool Hive::keyExists(const QStringList &path) const
{
    if (path.isEmpty())
        return true;
    const auto [first, last] = m_index->range(path, true);
    return first < last;
}

QStringList Hive::subkeys(const QStringList &path) const
{
    QStringList names;
    QSet<QString> seen;
    QString last;
    const auto range = m_index->range(path, false);
    // where the child's name starts in a plain header: the key's own bytes are as many
    const qsizetype from = path.isEmpty() ? 0 : qsizetype(foldedKey(path).size()) + 2;
    for (const uint32_t i : m_index->sectionsOf(range.first, range.second)) {
        const Section &s = m_sections[i];
        QString child;
        if (s.plain) {
            const char *d = sectionData(i) + s.pathBegin;
            const qsizetype len = s.pathEnd - s.pathBegin;
            qsizetype to = from;
            while (to < len && !(d[to] == '\\' && to + 1 < len && d[to + 1] == '\\'))
                ++to;
            child = QString::fromLatin1(d + from, to - from);
        } else {
            child = sectionPath(i).value(path.size());
        }
        if (!last.isNull() && compareNames(child, last) == 0)
            continue; // the common case: the same child's next subkey
        if (!seen.contains(child.toUpper())) {
            seen.insert(child.toUpper());
            names << child;
        }
        last = child;
    }
    return names;
}

std::optional<HiveValue> Hive::value(const QStringList &path, const QString &name) const
{
    const auto i = findSection(path);
    if (!i)
        return std::nullopt;
    for (const Item &item : parsed(*i).items)
        if (item.kind == Item::Value && compareNames(item.value.name, name) == 0)
            return item.value;
    return std::nullopt;
}

QStringList Hive::resolveLinks(const QStringList &path) const
{
    if (!m_linksKnown) {
        // Link keys are rare: find their "#link" lines in one sweep, then read them.
        m_links.clear();
        std::vector<qsizetype> hits; // in the bytes read, ascending, as the untouched sections are
        for (qsizetype at = m_data.indexOf("\n#link"); at >= 0; at = m_data.indexOf("\n#link", at + 1))
            hits.push_back(at);
        size_t h = 0;
        for (size_t i = 0; i < m_sections.size(); ++i) {
            const Section &s = m_sections[i];
            bool isLink;
            if (s.owned) {
                isLink = s.text.contains("\n#link");
            } else {
                while (h < hits.size() && hits[h] < s.begin)
                    ++h;
                isLink = h < hits.size() && hits[h] < s.end;
            }
            if (!isLink)
                continue;
            Link link;
            link.from = sectionPath(i);
            for (const Item &item : parsed(i).items)
                if (item.kind == Item::Value && !compareNames(item.value.name, QStringLiteral("SymbolicLinkValue"))
                    && item.value.type == 6 /* REG_LINK */) {
                    const QString target = hivetext::textOf(item.value.data);
                    if (!m_rootName.isEmpty() && target.startsWith(m_rootName + QLatin1Char('\\'), Qt::CaseInsensitive))
                        link.to = target.mid(m_rootName.size() + 1).split(QLatin1Char('\\'), Qt::SkipEmptyParts);
                }
            if (!link.to.isEmpty()) {
                link.key = foldedKey(link.from);
                m_links.push_back(link);
            }
        }
        m_linksByKey.resize(m_links.size());
        for (size_t k = 0; k < m_links.size(); ++k)
            m_linksByKey[k] = k;
        std::stable_sort(m_linksByKey.begin(), m_linksByKey.end(),
                         [this](size_t a, size_t b) { return m_links[a].key < m_links[b].key; });
        m_linksKnown = true;
    }
    QStringList p = path;
    for (int hops = 0; hops < 16; ++hops) { // a loop of links ends somewhere
        // The path's own beginnings, looked up: the first link in the file
        // that any of them is wins.
        size_t found = m_links.size();
        std::string prefix;
        for (qsizetype n = 0; n < p.size() && !m_links.empty(); ++n) {
            if (n)
                prefix.append(2, '\0');
            appendFoldedName(prefix, p[n]);
            const auto first = std::lower_bound(m_linksByKey.begin(), m_linksByKey.end(), prefix,
                                                [this](size_t k, const std::string &key) { return m_links[k].key < key; });
            if (first != m_linksByKey.end() && m_links[*first].key == prefix)
                found = std::min(found, *first); // equal keys keep file order: the first is the lowest
        }
        if (found == m_links.size())
            break;
        const Link &l = m_links[found];
        p = l.to + p.mid(l.from.size());
    }
    return p;
}

size_t Hive::insertionPoint(const QStringList &path) const
{
    const std::string k = foldedKey(path);
    const size_t after = m_index->upperBound(viewOf(k));
    if (after == m_index->entries.size())
        return m_sections.size();
    return m_index->lowestSection(after, m_index->entries.size());
}

QStringList Hive::storedCase(const QStringList &path) const
{
    // Existing parents keep the spelling the hive has for them, as Wine keeps it.
    QStringList stored;
    for (qsizetype n = 1; n <= path.size(); ++n) {
        const QStringList prefix = path.mid(0, n);
        const auto [first, last] = m_index->range(prefix, true);
        if (first == last)
            break;
        stored = sectionPath(m_index->lowestSection(first, last)).mid(0, n);
    }
    return stored + path.mid(stored.size());
}

size_t Hive::addSection(const QStringList &givenPath, size_t at)
{
    const QStringList path = storedCase(givenPath);
    // The bytes before the new section must end in a blank line, as Wine
    // separates sections; the section itself ends in one when another follows.
    if (m_data.isEmpty() && m_sections.empty()) {
        // an empty file: Wine reads nothing without its opening line
        m_data = QByteArray(kMagic) + "\n";
        m_prologueEnd = m_data.size();
    }
    QByteArray before;
    if (at == 0)
        before = m_data.left(m_prologueEnd);
    else
        before = QByteArray(sectionData(at - 1), qsizetype(sectionSize(at - 1)));
    auto p = std::make_unique<Parsed>();
    if (!before.endsWith("\n\n"))
        p->lead = before.endsWith('\n') || before.isEmpty() ? QByteArray("\n") : QByteArray("\n\n");
    if (before.isEmpty())
        p->lead.clear();
    p->header = '[' + hivetext::keyPath(path) + ']';
    p->headerRest = "\n";
    Item time;
    time.kind = Item::Time;
    p->items.push_back(time);
    if (at < m_sections.size()) {
        Item blank;
        blank.raw = "\n";
        p->items.push_back(blank);
    }
    Section s;
    s.owned = true;
    s.plain = plainPath(p->header.constData() + 1, p->header.constData() + p->header.size() - 1);
    s.parsed = std::move(p);
    m_sections.insert(m_sections.begin() + qsizetype(at), std::move(s));
    m_index->inserted(at, foldedKey(path));
    // a new section holds no "#link": the links known stay as they are
    touch(at);
    return at;
}

void Hive::touch(size_t i)
{
    Parsed &p = parsed(i);
    const Stamp stamp = now();
    p.headerRest = ' ' + QByteArray::number(qint64(stamp.seconds)) + '\n';
    bool hasTime = false;
    for (Item &item : p.items)
        if (item.kind == Item::Time) {
            item.raw = timeLine(stamp);
            hasTime = true;
        }
    if (!hasTime) {
        Item t;
        t.kind = Item::Time;
        t.raw = timeLine(stamp);
        p.items.insert(p.items.begin(), t);
    }
    regenerate(i);
    m_modified = true;
}

void Hive::regenerate(size_t i) const
{
    Section &s = m_sections[i];
    const Parsed &p = *s.parsed;
    QByteArray text = p.lead + p.header + p.headerRest;
    for (const Item &item : p.items)
        text += item.raw;
    s.text = text;
    s.owned = true;
    s.pathBegin = int32_t(p.lead.size() + 1);
    s.pathEnd = int32_t(p.lead.size() + p.header.size() - 1);
}

bool Hive::createKey(const QStringList &path)
{
    if (path.isEmpty() || keyExists(path))
        return false;
    addNewKey(path);
    return true;
}

size_t Hive::addNewKey(const QStringList &path)
{
    const size_t at = addSection(path, insertionPoint(path));
    // a new subkey is a change of its parent too, as Wine stamps it
    if (path.size() > 1)
        if (const auto parent = findSection(path.mid(0, path.size() - 1)))
            touch(*parent);
    return at;
}

void Hive::setValue(const QStringList &path, const HiveValue &v)
{
    auto found = findSection(path);
    size_t i = found ? *found : addNewKey(path);
    Parsed &p = parsed(i);
    Item item;
    item.kind = Item::Value;
    item.value = v;
    item.raw = hivetext::formatValue(v);
    size_t pos = p.items.size();
    size_t afterLastContent = 0;
    bool placed = false;
    for (size_t k = 0; k < p.items.size(); ++k) {
        Item &cur = p.items[k];
        if (cur.kind == Item::Value) {
            const int c = compareNames(cur.value.name, v.name);
            if (c == 0) {
                cur = item;
                placed = true;
                break;
            }
            if (c > 0) {
                pos = k;
                break;
            }
        }
        if (cur.kind != Item::Other || !cur.raw.trimmed().isEmpty())
            afterLastContent = k + 1;
        if (k + 1 == p.items.size())
            pos = afterLastContent;
    }
    if (p.items.empty())
        pos = 0;
    if (!placed)
        p.items.insert(p.items.begin() + qsizetype(pos), item);
    if (!compareNames(v.name, QStringLiteral("SymbolicLinkValue")))
        m_linksKnown = false; // a link may point elsewhere now
    touch(i);
}

bool Hive::deleteKey(const QStringList &path)
{
    if (path.isEmpty() || !keyExists(path))
        return false;
    const auto [first, last] = m_index->range(path, true);
    std::vector<bool> gone(m_sections.size());
    for (size_t k = first; k < last; ++k)
        gone[m_index->entries[k].section] = true;
    // the removed sections' place, and the names as the hive spells them
    const size_t firstGone = m_index->lowestSection(first, last);
    const QStringList stored = sectionPath(firstGone).mid(0, path.size());
    // one pass that keeps what stays, in order
    std::vector<uint32_t> newPosition(m_sections.size());
    size_t kept = 0;
    for (size_t i = 0; i < m_sections.size(); ++i) {
        if (gone[i])
            continue;
        newPosition[i] = uint32_t(kept);
        if (kept != i)
            m_sections[kept] = std::move(m_sections[i]);
        ++kept;
    }
    m_sections.resize(kept);
    m_index->removed(first, last, newPosition);
    m_linksKnown = false;
    m_modified = true;
    if (path.size() > 1) {
        const QStringList parent = stored.mid(0, path.size() - 1);
        if (const auto p = findSection(parent))
            touch(*p);
        else if (!keyExists(parent))
            addSection(parent, std::min(firstGone, m_sections.size())); // it is a leaf now: Wine keeps it so
    }
    return true;
}

void Hive::validate() const
{
    // Sections this program wrote are well formed; the rest only need one look.
    if (m_validated)
        return;
    for (size_t i = 0; i < m_sections.size(); ++i) {
        if (m_sections[i].parsed)
            continue;
        qsizetype at = 0;
        QString why;
        if (!parseSection(sectionData(i), qsizetype(sectionSize(i)), nullptr, &at, &why))
            throw HiveError(m_file, lineOf(sectionData(i) + at), why);
    }
    m_validated = true;
}

QByteArray Hive::serialize() const
{
    QByteArray out;
    out.reserve(m_data.size() + 4096);
    out.append(m_data.constData(), m_prologueEnd);
    for (size_t i = 0; i < m_sections.size(); ++i)
        out.append(sectionData(i), qsizetype(sectionSize(i)));
    return out;
}

namespace {

QString osError(int err)
{
    return QString::fromLocal8Bit(strerror(err));
}

bool writeAll(int fd, std::vector<iovec> &iov)
{
    size_t idx = 0;
    while (idx < iov.size()) {
        const int cnt = int(std::min<size_t>(iov.size() - idx, 512));
        ssize_t n = ::writev(fd, &iov[idx], cnt);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        if (n == 0) {
            errno = ENOSPC;
            return false;
        }
        while (n > 0 && idx < iov.size()) {
            if (size_t(n) >= iov[idx].iov_len) {
                n -= ssize_t(iov[idx].iov_len);
                ++idx;
            } else {
                iov[idx].iov_base = static_cast<char *>(iov[idx].iov_base) + n;
                iov[idx].iov_len -= size_t(n);
                n = 0;
            }
        }
    }
    return true;
}

} // namespace

void Hive::save()
{
    std::unique_ptr<AtomicFile> file = writeTemporary();
    if (g_saveHook)
        g_saveHook("checked");
    if (!file->flush())
        throw saveError(*file);
    if (g_saveHook)
        g_saveHook("synced");
    if (!file->commit())
        throw saveError(*file);
    saved();
}

Error Hive::saveError(const AtomicFile &file) const
{
    return Error(QStringLiteral("Could not save the registry file \"%1\" (%2: %3). The file was left as it "
                                "was; make sure the prefix folder is writable and the disk has room, then try again")
                     .arg(m_file, file.failedStep(), osError(file.error())));
}

std::unique_ptr<AtomicFile> Hive::writeTemporary()
{
    // A hive that is a symbolic link is replaced where it points, keeping the link.
    auto file = std::make_unique<AtomicFile>(m_file, AtomicFile::Link::Follow);
    if (!file->open(0644))
        throw saveError(*file);

    // Untouched neighbours are one run of the bytes read: write them in one go.
    std::vector<iovec> iov;
    auto add = [&](const char *p, size_t n) {
        if (!n)
            return;
        if (!iov.empty() && static_cast<char *>(iov.back().iov_base) + iov.back().iov_len == p)
            iov.back().iov_len += n;
        else
            iov.push_back(iovec{const_cast<char *>(p), n});
    };
    add(m_data.constData(), size_t(m_prologueEnd));
    for (size_t i = 0; i < m_sections.size(); ++i)
        add(sectionData(i), sectionSize(i));
    if (!writeAll(file->handle(), iov)) {
        file->fail("writing", errno);
        throw saveError(*file);
    }
    if (g_saveHook)
        g_saveHook("written");
#ifdef SYNC_FILE_RANGE_WRITE
    // Let the disk start on the bytes while the check below runs on the processor.
    ::sync_file_range(file->handle(), 0, 0, SYNC_FILE_RANGE_WRITE);
#endif
    // A damaged hive is never replaced: the temporary copy goes (with the
    // writer), the file stays.
    validate();
    return file;
}

void Hive::saved()
{
    m_existed = true;
    m_modified = false;
}

namespace {

bool parseSection(const char *data, qsizetype size, Hive::Parsed *out, qsizetype *faultAt, QString *why)
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
        Item item;
        const char *e;
        if (*p == '"' || *p == '@') {
            item.kind = Item::Value;
            e = hivetext::parseValue(p, end, out ? &item.value : nullptr, why);
            if (!e) {
                *faultAt = p - data;
                return false;
            }
        } else if (*p == '\n') {
            e = p + 1; // the blank line between sections
            item.kind = Item::Other;
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
                item.kind = Item::Other;
            } else if (startsWith(p, e, "#time=")) {
                item.kind = Item::Time;
            } else if (*p == '#' || *p == ';') {
                item.kind = Item::Other;
            } else {
                *faultAt = p - data;
                *why = QStringLiteral("a line must be a value, a comment or a key name");
                return false;
            }
        }
        if (out) {
            item.raw = QByteArray(p, e - p);
            out->items.push_back(std::move(item));
        }
        p = e;
    }
    return true;
}

} // namespace

} // namespace qv
