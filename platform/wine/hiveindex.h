// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvane developers

// The key index of a hive: how key names compare, and every section of the
// file ordered by its path, so that finding a key, everything below it and
// the place of a new key are binary searches.
#pragma once

#include <QByteArray>
#include <QStringList>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace qv {

namespace hivekeys {

// Wine orders names by their lower-case forms, so '_' and the other
// characters between 'Z' and 'a' sort before the letters ("A_b" < "Ab").
int compareNames(const QString &a, const QString &b);
// Appends a name in the folded form the index compares (below).
void appendFolded(std::string &out, const QString &name);
// A path in the folded form: names folded, 00 00 between them.
std::string folded(const QStringList &path);

// A folded key, or the path text of a plain section header, which folds as
// it is read.
struct KeyView
{
    const unsigned char *p;
    size_t n;
    bool plain; // a header's own bytes, folded as they are read
};

} // namespace hivekeys

// The sections of one hive ordered by their folded paths (ties by position).
class HiveKeyIndex
{
public:
    // data: the hive's bytes read, where the plain headers stay.
    explicit HiveKeyIndex(const QByteArray &data) : m_data(data) {}

    // Built at load, section by section in file order, then sorted.
    void reserve(size_t sections) { m_entries.reserve(sections); }
    // A plain header's path text: keyLen bytes at keyAt in the hive's bytes.
    void addPlain(qsizetype keyAt, uint32_t keyLen, size_t section);
    // Any other section, by its names.
    void addFolded(const QStringList &path, size_t section);
    // Orders the entries once they are all added.
    void sort();

    // The section of a key; the first in the file when several name it.
    std::optional<size_t> find(const QStringList &path) const;
    // [first, last) of the entries at the key (withKey) and below it.
    std::pair<size_t, size_t> range(const QStringList &path, bool withKey) const;
    // The section of an entry.
    uint32_t sectionAt(size_t entry) const { return m_entries[entry].section; }
    // The lowest section of a range of entries.
    size_t lowestSection(size_t first, size_t last) const;
    // The sections of a range in file order.
    std::vector<uint32_t> sectionsOf(size_t first, size_t last) const;
    // The position a new key takes: before the first section that sorts
    // after it; sectionCount when none does.
    size_t insertionPoint(const QStringList &path, size_t sectionCount) const;

    // A section for path went in at position at.
    void inserted(size_t at, const QStringList &path);
    // The sections of the entries [first, last) went; the others moved to newPosition.
    void removed(size_t first, size_t last, const std::vector<uint32_t> &newPosition);

private:
    struct Entry
    {
        qsizetype keyAt; // in the hive's bytes (plain headers) or in m_folded
        uint32_t keyLen;
        uint32_t section; // position in the hive's sections
        bool plain;
    };

    hivekeys::KeyView key(const Entry &e) const;
    bool less(const Entry &a, const Entry &b) const;
    Entry foldedEntry(const std::string &key, size_t section);
    size_t lowerBound(const hivekeys::KeyView &k) const;
    size_t upperBound(const hivekeys::KeyView &k) const;
    size_t endBelow(const hivekeys::KeyView &below) const;

    const QByteArray &m_data;
    std::vector<Entry> m_entries;
    std::string m_folded; // the keys of the sections that are not plain
    // Positions ascend along the entries, as in every file Wine writes: the
    // lowest position of a range of entries is then its first one.
    bool m_inFileOrder = true;
};

} // namespace qv
