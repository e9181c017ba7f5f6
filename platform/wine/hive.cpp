// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvane developers
// The hive in memory: its sections (views into the bytes read until they
// change), the keys and values they hold, and changes stamped with the time
// as Wine stamps them. hivetext.h describes the format, hiveindex.h finds the
// keys, hivefile.cpp reads and saves the file.
#include "platform/wine/hive.h"

#include <QSet>
#include <algorithm>
#include <cstring>
#include <ctime>

#include "platform/wine/hiveindex.h"

namespace qv {

using hivekeys::compareNames;
using hivetext::kMagic;
using hivetext::Line;

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

int64_t g_fixedClock = 0;

// When a change happens, in both of the forms Wine writes.
struct Stamp
{
    int64_t seconds;   // since 1970
    uint64_t fileTime; // 100 ns ticks since 1601
};

// Now, or the clock a test fixed.
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

} // namespace

// One key's section of the file: a view into the bytes read until it changes.
struct Hive::Section
{
    qsizetype begin = 0, end = 0;       // in m_data while not owned
    int32_t pathBegin = 0, pathEnd = 0; // relative to the section's first byte
    bool plain = true;                  // path is printable ASCII with no escapes but the separators
    bool owned = false;
    QByteArray text;                    // the bytes once owned (null while a view: costs nothing)
    std::unique_ptr<hivetext::Section> parsed;
};

Hive::Hive() : m_index(std::make_unique<HiveKeyIndex>(m_data)) {}
Hive::~Hive() = default;

void Hive::setClockForTests(int64_t s) { g_fixedClock = s; }

// Indexed like a file read (hivefile.cpp), but saved nowhere but fileName.
std::unique_ptr<Hive> Hive::fromBytes(const QByteArray &bytes, const QString &fileName)
{
    std::unique_ptr<Hive> hive(new Hive);
    hive->m_file = fileName;
    hive->m_data = bytes;
    hive->index();
    return hive;
}

// The line number of a position in the bytes read, for messages; 0 outside them.
int Hive::lineOf(const char *p) const
{
    const char *base = m_data.constData();
    if (p < base || p > base + m_data.size())
        return 0;
    return int(std::count(base, p, '\n')) + 1;
}

// Finds the sections (a '[' at a line's start), indexes their paths and reads
// the opening lines; a section's own lines wait until it is used.
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
        const char *c = hivetext::closingBracket(q + 1, eol);
        if (!c)
            throw HiveError(m_file, lineOf(q), QStringLiteral("the key name has no closing ']'"));
        const bool plain = hivetext::plainPath(q + 1, c);
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

    m_index->reserve(m_sections.size());
    for (size_t i = 0; i < m_sections.size(); ++i) {
        const Section &s = m_sections[i];
        if (s.plain)
            m_index->addPlain(s.begin + s.pathBegin, uint32_t(s.pathEnd - s.pathBegin), i);
        else
            m_index->addFolded(sectionPath(i), i);
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

// A section's bytes: its own once changed, else where they stand in the file.
const char *Hive::sectionData(size_t i) const
{
    const Section &s = m_sections[i];
    return s.owned ? s.text.constData() : m_data.constData() + s.begin;
}

// How many bytes sectionData() gives.
size_t Hive::sectionSize(size_t i) const
{
    const Section &s = m_sections[i];
    return s.owned ? size_t(s.text.size()) : size_t(s.end - s.begin);
}

// How many sections the hive has.
size_t Hive::sectionCount() const
{
    return m_sections.size();
}

// A section's key path, unescaped.
QStringList Hive::sectionPath(size_t i) const
{
    const Section &s = m_sections[i];
    const char *d = sectionData(i);
    return hivetext::splitPathText(d + s.pathBegin, d + s.pathEnd);
}

// A section's lines, parsed on first use; a fault names its line.
hivetext::Section &Hive::parsed(size_t i) const
{
    Section &s = m_sections[i];
    if (!s.parsed) {
        auto p = std::make_unique<hivetext::Section>();
        qsizetype at = 0;
        QString why;
        if (!hivetext::parseSection(sectionData(i), qsizetype(sectionSize(i)), p.get(), &at, &why))
            throw HiveError(m_file, s.owned ? 0 : lineOf(m_data.constData() + s.begin + at), why);
        s.parsed = std::move(p);
    }
    return *s.parsed;
}

// A key exists when a section names it or lies below it.
bool Hive::keyExists(const QStringList &path) const
{
    if (path.isEmpty())
        return true;
    const auto [first, last] = m_index->range(path, true);
    return first < last;
}

// The first names below the key, once each, in file order.
QStringList Hive::subkeys(const QStringList &path) const
{
    QStringList names;
    QSet<QString> seen;
    QString last;
    const auto range = m_index->range(path, false);
    // where the child's name starts in a plain header: the key's own bytes are as many
    const qsizetype from = path.isEmpty() ? 0 : qsizetype(hivekeys::folded(path).size()) + 2;
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

// A value of the key's section, its name compared as Wine compares it.
std::optional<HiveValue> Hive::value(const QStringList &path, const QString &name) const
{
    const auto i = m_index->find(path);
    if (!i)
        return std::nullopt;
    for (const Line &line : parsed(*i).lines)
        if (line.kind == Line::Value && compareNames(line.value.name, name) == 0)
            return line.value;
    return std::nullopt;
}

// The link keys are gathered once, then each beginning of the path is looked up.
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
            for (const Line &line : parsed(i).lines)
                if (line.kind == Line::Value && !compareNames(line.value.name, QStringLiteral("SymbolicLinkValue"))
                    && line.value.type == RegLink) {
                    const QString target = hivetext::textOf(line.value.data);
                    if (!m_rootName.isEmpty() && target.startsWith(m_rootName + QLatin1Char('\\'), Qt::CaseInsensitive))
                        link.to = target.mid(m_rootName.size() + 1).split(QLatin1Char('\\'), Qt::SkipEmptyParts);
                }
            if (!link.to.isEmpty()) {
                link.key = hivekeys::folded(link.from);
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
            hivekeys::appendFolded(prefix, p[n]);
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

// The path with the spelling the hive has for the parts that exist.
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

// A new, empty section for a key at position at, stamped now.
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
    auto p = std::make_unique<hivetext::Section>();
    if (!before.endsWith("\n\n"))
        p->lead = before.endsWith('\n') || before.isEmpty() ? QByteArray("\n") : QByteArray("\n\n");
    if (before.isEmpty())
        p->lead.clear();
    p->header = '[' + hivetext::keyPath(path) + ']';
    p->headerRest = "\n";
    Line time;
    time.kind = Line::Time;
    p->lines.push_back(time);
    if (at < m_sections.size()) {
        Line blank;
        blank.raw = "\n";
        p->lines.push_back(blank);
    }
    Section s;
    s.owned = true;
    s.plain = hivetext::plainPath(p->header.constData() + 1, p->header.constData() + p->header.size() - 1);
    s.parsed = std::move(p);
    m_sections.insert(m_sections.begin() + qsizetype(at), std::move(s));
    m_index->inserted(at, path);
    // a new section holds no "#link": the links known stay as they are
    touch(at);
    return at;
}

// Stamps a section with the time now (its header and its "#time=" line).
void Hive::touch(size_t i)
{
    hivetext::Section &p = parsed(i);
    const Stamp stamp = now();
    p.headerRest = ' ' + QByteArray::number(qint64(stamp.seconds)) + '\n';
    bool hasTime = false;
    for (Line &line : p.lines)
        if (line.kind == Line::Time) {
            line.raw = hivetext::timeLine(stamp.fileTime);
            hasTime = true;
        }
    if (!hasTime) {
        Line t;
        t.kind = Line::Time;
        t.raw = hivetext::timeLine(stamp.fileTime);
        p.lines.insert(p.lines.begin(), t);
    }
    regenerate(i);
    m_modified = true;
}

// A section's bytes again from its lines, once it has changed.
void Hive::regenerate(size_t i) const
{
    Section &s = m_sections[i];
    const hivetext::Section &p = *s.parsed;
    QByteArray text = p.lead + p.header + p.headerRest;
    for (const Line &line : p.lines)
        text += line.raw;
    s.text = text;
    s.owned = true;
    s.pathBegin = int32_t(p.lead.size() + 1);
    s.pathEnd = int32_t(p.lead.size() + p.header.size() - 1);
}

// A new key's section, unless the key exists.
bool Hive::createKey(const QStringList &path)
{
    if (path.isEmpty() || keyExists(path))
        return false;
    addNewKey(path);
    return true;
}

// A new key's section where its name sorts; its parent is stamped too.
size_t Hive::addNewKey(const QStringList &path)
{
    const size_t at = addSection(path, m_index->insertionPoint(path, m_sections.size()));
    // a new subkey is a change of its parent too, as Wine stamps it
    if (path.size() > 1)
        if (const auto parent = m_index->find(path.mid(0, path.size() - 1)))
            touch(*parent);
    return at;
}

// The value replaces its namesake or goes where its name sorts, after the key's last content.
void Hive::setValue(const QStringList &path, const HiveValue &v)
{
    auto found = m_index->find(path);
    size_t i = found ? *found : addNewKey(path);
    hivetext::Section &p = parsed(i);
    Line line;
    line.kind = Line::Value;
    line.value = v;
    line.raw = hivetext::formatValue(v);
    size_t pos = p.lines.size();
    size_t afterLastContent = 0;
    bool placed = false;
    for (size_t k = 0; k < p.lines.size(); ++k) {
        Line &cur = p.lines[k];
        if (cur.kind == Line::Value) {
            const int c = compareNames(cur.value.name, v.name);
            if (c == 0) {
                cur = line;
                placed = true;
                break;
            }
            if (c > 0) {
                pos = k;
                break;
            }
        }
        if (cur.kind != Line::Other || !cur.raw.trimmed().isEmpty())
            afterLastContent = k + 1;
        if (k + 1 == p.lines.size())
            pos = afterLastContent;
    }
    if (p.lines.empty())
        pos = 0;
    if (!placed)
        p.lines.insert(p.lines.begin() + qsizetype(pos), line);
    if (!compareNames(v.name, QStringLiteral("SymbolicLinkValue")))
        m_linksKnown = false; // a link may point elsewhere now
    touch(i);
}

bool Hive::deleteValue(const QStringList &path, const QString &name)
{
    const auto found = m_index->find(path);
    if (!found)
        return false;
    hivetext::Section &p = parsed(*found);
    for (size_t k = 0; k < p.lines.size(); ++k)
        if (p.lines[k].kind == Line::Value && compareNames(p.lines[k].value.name, name) == 0) {
            p.lines.erase(p.lines.begin() + qsizetype(k));
            touch(*found);
            return true;
        }
    return false;
}

// The key's sections and those below it go; the parent is stamped, or made a leaf.
bool Hive::deleteKey(const QStringList &path)
{
    if (path.isEmpty() || !keyExists(path))
        return false;
    const auto [first, last] = m_index->range(path, true);
    std::vector<bool> gone(m_sections.size());
    for (size_t k = first; k < last; ++k)
        gone[m_index->sectionAt(k)] = true;
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
        if (const auto p = m_index->find(parent))
            touch(*p);
        else if (!keyExists(parent))
            addSection(parent, std::min(firstGone, m_sections.size())); // it is a leaf now: Wine keeps it so
    }
    return true;
}

// Every section not parsed yet gets a syntax check.
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
        if (!hivetext::parseSection(sectionData(i), qsizetype(sectionSize(i)), nullptr, &at, &why))
            throw HiveError(m_file, lineOf(sectionData(i) + at), why);
    }
    m_validated = true;
}

// The opening lines, then each section's bytes.
QByteArray Hive::serialize() const
{
    QByteArray out;
    out.reserve(m_data.size() + 4096);
    out.append(m_data.constData(), m_prologueEnd);
    for (size_t i = 0; i < m_sections.size(); ++i)
        out.append(sectionData(i), qsizetype(sectionSize(i)));
    return out;
}

} // namespace qv
