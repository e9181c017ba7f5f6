// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvane developers

// The key index of a hive (hiveindex.h): the order of key names and the
// binary searches over the sections. Loading a large hive is mostly this
// file's work, so keys are compared as bytes, where they stand in the file.
#include "platform/wine/hiveindex.h"

#include <QChar>
#include <QString>
#include <algorithm>
#include <cstring>

namespace qv {

namespace hivekeys {

namespace {

// The form a character of a name is compared in; the key index folds with it too.
inline char16_t foldUnit(char16_t u)
{
    return QChar(u).toLower().unicode();
}

} // namespace

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

// Keys of the index. Paths compare name by name, each character folded, a
// name before the longer names it begins, a key before its subkeys. A key is
// kept as bytes for which that order is plain byte order: the folded
// characters in UTF-8's layout (which keeps the order of the values), 00 01
// for a NUL character, and 00 00 between names, below any character. The
// header of a plain section ("Software\\\\Wine") nearly is such a key:
// each byte folds by a table and each backslash of a separator counts as 00.
// Those are read where they stand in the file; only the others are copied.

// A name's characters folded and laid out as UTF-8, a NUL as 00 01.
void appendFolded(std::string &out, const QString &name)
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

// The names' keys joined by 00 00.
std::string folded(const QStringList &path)
{
    std::string out;
    for (qsizetype i = 0; i < path.size(); ++i) {
        if (i)
            out.append(2, '\0');
        appendFolded(out, path[i]);
    }
    return out;
}

namespace {

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

// A folded key as a view.
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

} // namespace

} // namespace hivekeys

using hivekeys::KeyView;

using hivekeys::compareKeys;
using hivekeys::viewOf;

// The bytes an entry's key is read from.
KeyView HiveKeyIndex::key(const Entry &e) const
{
    const char *base = e.plain ? m_data.constData() : m_folded.data();
    return {reinterpret_cast<const unsigned char *>(base + e.keyAt), e.keyLen, e.plain};
}

// Whether a sorts before b.
bool HiveKeyIndex::less(const Entry &a, const Entry &b) const
{
    return compareKeys(key(a), key(b)) < 0;
}

// An entry whose key is copied into m_folded.
HiveKeyIndex::Entry HiveKeyIndex::foldedEntry(const std::string &k, size_t section)
{
    const Entry e{qsizetype(m_folded.size()), uint32_t(k.size()), uint32_t(section), false};
    m_folded += k;
    return e;
}

// A plain header's path is its own key.
void HiveKeyIndex::addPlain(qsizetype keyAt, uint32_t keyLen, size_t section)
{
    m_entries.push_back({keyAt, keyLen, uint32_t(section), true});
}

// Any other header's path is folded and copied.
void HiveKeyIndex::addFolded(const QStringList &path, size_t section)
{
    m_entries.push_back(foldedEntry(hivekeys::folded(path), section));
}

// The entries come in file order. A file Wine wrote is in order already;
// anything else is sorted eight folded bytes at a time, most significant
// first, equal keys in file order. Compared whole, keys that share a long
// beginning (every CLSID) would be read again at each step of a merge.
void HiveKeyIndex::sort()
{
    m_inFileOrder = true;
    for (size_t i = 1; i < m_entries.size() && m_inFileOrder; ++i)
        m_inFileOrder = !less(m_entries[i], m_entries[i - 1]);
    if (m_inFileOrder)
        return;

    // Small, as the sort moves them: the entry is found by its place in the
    // range, which is file order (the range's entries come in file order).
    struct Item
    {
        uint64_t chunk; // the folded bytes from the depth on, zeros past the end
        uint32_t rest;  // bytes left from the depth on, 9 standing for more than 8
        uint32_t at;    // in the range
    };
    struct Range
    {
        size_t first, last, depth;
    };
    const unsigned char *const map = hivekeys::kPlainKeyBytes.map;
    std::vector<Item> items;
    std::vector<Entry> range;
    // A list, not recursion: a crafted file may hold keys megabytes long.
    std::vector<Range> todo{{0, m_entries.size(), 0}};
    while (!todo.empty()) {
        Range r = todo.back();
        todo.pop_back();
        // The beginning every key of the range shares ("Software\\Classes")
        // is stepped over in one go.
        const KeyView firstKey = key(m_entries[r.first]);
        size_t shared = firstKey.n;
        for (size_t i = r.first + 1; i < r.last && shared > r.depth; ++i) {
            size_t common = 0;
            compareKeys(firstKey, key(m_entries[i]), &common);
            shared = std::min(shared, common);
        }
        r.depth = std::max(r.depth, shared);
        items.clear();
        range.assign(m_entries.begin() + qsizetype(r.first), m_entries.begin() + qsizetype(r.last));
        for (size_t i = r.first; i < r.last; ++i) {
            const KeyView k = key(m_entries[i]);
            uint64_t chunk = 0;
            for (size_t at = r.depth; at < r.depth + 8; ++at)
                chunk = chunk << 8 | (at < k.n ? (k.plain ? map[k.p[at]] : k.p[at]) : 0u);
            const size_t rest = k.n > r.depth ? k.n - r.depth : 0;
            items.push_back({chunk, uint32_t(std::min<size_t>(rest, 9)), uint32_t(i - r.first)});
        }
        // Where every key of the range agrees on these bytes, on to the next eight.
        const bool alike = std::all_of(items.begin(), items.end(), [&](const Item &it) {
            return it.chunk == items.front().chunk && it.rest == items.front().rest;
        });
        if (alike && items.front().rest == 9) {
            todo.push_back({r.first, r.last, r.depth + 8});
            continue;
        }
        std::sort(items.begin(), items.end(), [](const Item &a, const Item &b) {
            if (a.chunk != b.chunk)
                return a.chunk < b.chunk;
            if (a.rest != b.rest)
                return a.rest < b.rest; // the shorter of keys that agree so far comes first
            return a.at < b.at;
        });
        for (size_t i = 0, j; i < items.size(); i = j) {
            m_entries[r.first + i] = range[items[i].at];
            for (j = i + 1; j < items.size() && items[j].chunk == items[i].chunk && items[j].rest == items[i].rest; ++j)
                m_entries[r.first + j] = range[items[j].at];
            // Keys that agree here and go on are ordered by what follows.
            if (items[i].rest == 9 && j - i > 1)
                todo.push_back({r.first + i, r.first + j, r.depth + 8});
        }
    }
}

// The first entry not before the key.
size_t HiveKeyIndex::lowerBound(const KeyView &k) const
{
    return size_t(std::partition_point(m_entries.begin(), m_entries.end(),
                                       [&](const Entry &e) { return compareKeys(key(e), k) < 0; })
                  - m_entries.begin());
}

// The first entry after the key.
size_t HiveKeyIndex::upperBound(const KeyView &k) const
{
    return size_t(std::partition_point(m_entries.begin(), m_entries.end(),
                                       [&](const Entry &e) { return compareKeys(key(e), k) <= 0; })
                  - m_entries.begin());
}

// The first entry after the key and everything below it; below is the key
// followed by a separator.
size_t HiveKeyIndex::endBelow(const KeyView &below) const
{
    return size_t(std::partition_point(m_entries.begin(), m_entries.end(),
                                       [&](const Entry &e) {
                                           size_t common = 0;
                                           return compareKeys(key(e), below, &common) < 0 || common == below.n;
                                       })
                  - m_entries.begin());
}

// The first of equal entries has the lowest position.
std::optional<size_t> HiveKeyIndex::find(const QStringList &path) const
{
    const std::string k = hivekeys::folded(path);
    const size_t i = lowerBound(viewOf(k));
    if (i < m_entries.size() && compareKeys(key(m_entries[i]), viewOf(k)) == 0)
        return m_entries[i].section;
    return std::nullopt;
}

// The key's own entries, then those of its subkeys, which follow it.
std::pair<size_t, size_t> HiveKeyIndex::range(const QStringList &path, bool withKey) const
{
    if (path.isEmpty())
        return {0, m_entries.size()};
    std::string k = hivekeys::folded(path);
    const size_t first = withKey ? lowerBound(viewOf(k)) : 0;
    k.append(2, '\0');
    const KeyView below = viewOf(k);
    return {withKey ? first : lowerBound(below), endBelow(below)};
}

// In file order the first entry holds it; otherwise each is looked at.
size_t HiveKeyIndex::lowestSection(size_t first, size_t last) const
{
    if (m_inFileOrder)
        return m_entries[first].section;
    uint32_t lowest = m_entries[first].section;
    for (size_t i = first + 1; i < last; ++i)
        lowest = std::min(lowest, m_entries[i].section);
    return lowest;
}

// Sorted by position only when the entries are not in file order already.
std::vector<uint32_t> HiveKeyIndex::sectionsOf(size_t first, size_t last) const
{
    std::vector<uint32_t> out;
    out.reserve(last - first);
    for (size_t i = first; i < last; ++i)
        out.push_back(m_entries[i].section);
    if (!m_inFileOrder)
        std::sort(out.begin(), out.end());
    return out;
}

// The lowest section of those that sort after the key.
size_t HiveKeyIndex::insertionPoint(const QStringList &path, size_t sectionCount) const
{
    const std::string k = hivekeys::folded(path);
    const size_t after = upperBound(viewOf(k));
    if (after == m_entries.size())
        return sectionCount;
    return lowestSection(after, m_entries.size());
}

// The positions at and after it move up by one; the new entry goes after its equals.
void HiveKeyIndex::inserted(size_t at, const QStringList &path)
{
    for (Entry &e : m_entries)
        if (e.section >= at)
            ++e.section;
    const Entry added = foldedEntry(hivekeys::folded(path), at);
    const auto place = std::partition_point(m_entries.begin(), m_entries.end(), [&](const Entry &e) {
        const int c = compareKeys(key(e), key(added));
        return c < 0 || (c == 0 && e.section < at);
    });
    const auto it = m_entries.insert(place, added);
    if (m_inFileOrder
        && ((it != m_entries.begin() && (it - 1)->section > at) || (it + 1 != m_entries.end() && (it + 1)->section < at)))
        m_inFileOrder = false;
}

// The range's entries go; the rest are renumbered.
void HiveKeyIndex::removed(size_t first, size_t last, const std::vector<uint32_t> &newPosition)
{
    m_entries.erase(m_entries.begin() + qsizetype(first), m_entries.begin() + qsizetype(last));
    for (Entry &e : m_entries)
        e.section = newPosition[e.section];
}

} // namespace qv
