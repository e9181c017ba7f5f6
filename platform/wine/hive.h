// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvane developers
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/error.h"
#include "platform/wine/hivetext.h"

namespace qv {

class AtomicFile;
class HiveKeyIndex;

// A hive file that cannot be understood: names the file and the line.
class HiveError : public Error
{
public:
    HiveError(const QString &file, int line, const QString &reason);
    int line() const { return m_line; }

private:
    int m_line;
};

// One registry hive file (system.reg, user.reg, userdef.reg) in memory.
//
// Loading only indexes the key sections, so that a 20 MB hive opens about as
// fast as it can be read; a section is parsed when it is first used. Saving
// writes untouched sections back byte for byte and regenerates only changed
// ones, with fresh time stamps, the way Wine would. hive.cpp holds the model,
// hiveindex.h the key index, hivefile.cpp reading and saving the file and
// hivetext.h the text format.
class Hive
{
public:
    ~Hive();

    // Reads a hive file. A missing file gives an empty hive that is created
    // on the first save. Throws HiveError when the file is not a hive and
    // Error when it cannot be read.
    static std::unique_ptr<Hive> load(const QString &file);
    // A hive from bytes (fileName is used in messages and by save()).
    static std::unique_ptr<Hive> fromBytes(const QByteArray &bytes, const QString &fileName);

    const QString &fileName() const { return m_file; }
    bool existsOnDisk() const { return m_existed; }
    // No bytes at all (a missing or empty file).
    bool isEmpty() const { return m_data.isEmpty() && m_sections.empty(); }
    // "#arch=win64" in the file's opening lines.
    bool isWin64() const { return m_win64; }

    // Key paths are components below the hive's root, matched without regard to case.
    bool keyExists(const QStringList &path) const;
    // The subkeys' names in the order the hive stores them.
    QStringList subkeys(const QStringList &path) const;
    std::optional<HiveValue> value(const QStringList &path, const QString &name) const;

    // Follows Wine's symbolic link keys ("#link" with a REG_LINK value
    // "SymbolicLinkValue" naming the target, "\Registry\Machine\System\ControlSet001")
    // along a path, as opening a key does. Links out of this hive stay unfollowed.
    QStringList resolveLinks(const QStringList &path) const;
    // The hive's root in link notation ("\Registry\Machine"), from its opening lines.
    QString rootName() const { return m_rootName; }

    // Creates the key (and its parents); true when it did not exist before.
    bool createKey(const QStringList &path);
    // Creates or replaces a value, creating the key when needed.
    void setValue(const QStringList &path, const HiveValue &value);
    // Removes the key and everything below it; true when it existed.
    bool deleteKey(const QStringList &path);
    // Removes one value of a key; true when it was there.
    bool deleteValue(const QStringList &path, const QString &name);

    bool isModified() const { return m_modified; }
    // Parses every section; throws HiveError at the first fault.
    void validate() const;
    // The whole file as it would be saved.
    QByteArray serialize() const;
    // Atomic save to fileName(): temporary file beside it, fsync, rename,
    // mode and owner kept. Validates first; throws Error when it cannot.
    void save();
    // The two halves of save(), for several hives replaced together: the
    // whole file written to a temporary file beside it and checked (not yet
    // flushed, not yet in place); then, once the caller has committed that
    // file (commitTogether), saved() records that the hive is on disk.
    // Throws Error when it cannot be written.
    std::unique_ptr<AtomicFile> writeTemporary();
    void saved();
    // The error of a failed save, naming the file, the step and the cause.
    Error saveError(const AtomicFile &file) const;

    // Test hook: called with a stage name ("written", "synced") during save;
    // it may throw to stand in for a crash at that point.
    static void setSaveHook(void (*hook)(const char *stage));
    // Calls that hook, for the stages of a save that others carry out
    // ("replaced", once a hive of several saved together has its new content).
    static void saveStage(const char *stage);

    // The time stamps Wine writes; tests can fix the clock (seconds since 1970, 0 = real clock).
    static void setClockForTests(int64_t unixSeconds);

private:
    struct Section;
    Hive();
    void index();
    hivetext::Section &parsed(size_t i) const;
    const char *sectionData(size_t i) const;
    size_t sectionSize(size_t i) const;
    size_t sectionCount() const;
    QStringList sectionPath(size_t i) const;
    int lineOf(const char *p) const;
    size_t addSection(const QStringList &path, size_t at);
    size_t addNewKey(const QStringList &path);
    QStringList storedCase(const QStringList &path) const;
    void touch(size_t i);
    void regenerate(size_t i) const;

    QString m_file;
    QByteArray m_data; // the bytes read; untouched sections stay views into it
    qsizetype m_prologueEnd = 0;
    bool m_existed = false;
    bool m_win64 = false;
    bool m_modified = false;
    mutable bool m_validated = false;
    QString m_rootName;
    struct Link
    {
        QStringList from;
        QStringList to;
        std::string key; // from, folded as the key index folds it
    };
    mutable std::vector<Link> m_links; // in file order
    mutable std::vector<size_t> m_linksByKey; // m_links' positions ordered by key
    mutable bool m_linksKnown = false;
    mutable std::vector<Section> m_sections;
    // Every section by its path, built at load: lookups are binary searches.
    std::unique_ptr<HiveKeyIndex> m_index;
};

} // namespace qv
