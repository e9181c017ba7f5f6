// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvane developers
#pragma once

#include <QByteArray>
#include <QString>
#include <sys/types.h>

namespace qv {

// A host file replaced in one step. The bytes go to a temporary file beside
// the target that has no name at all where the file system allows it
// (O_TMPFILE): a writer that dies, however, leaves nothing behind. Elsewhere
// the temporary file is hidden (".<name>.qvpart-XXXXXX"); isTemporaryName()
// knows such names, so that copies skip them and the next operation removes
// them. Either way the target keeps its old content until commit(), and a
// writer that is destroyed or fails before commit() leaves nothing behind.
// An existing target's mode and owner carry over to the new file.
//
// On Windows the temporary file is a hidden one beside the target, replaced
// by MoveFileEx with MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH.
//
//     AtomicFile f(path);
//     if (!f.open() || !f.write(bytes) || !f.commit())
//         report(f.failedStep(), f.error());
class AtomicFile
{
public:
    // A target that is a symbolic link: Replace puts a file in the link's
    // place; Follow writes where it points and keeps the link.
    enum class Link { Replace, Follow };
    // Whether commit() waits for the bytes to reach the disk first.
    enum class Sync { ToDisk, No };

    explicit AtomicFile(const QString &hostPath, Link link = Link::Replace);
    ~AtomicFile();
    AtomicFile(const AtomicFile &) = delete;
    AtomicFile &operator=(const AtomicFile &) = delete;

    // What the caller knows of the target: Unknown, or New when it has just
    // found no file there (so no old mode and owner are looked for);
    // NewModeByCaller as New, and the caller sets the mode itself through
    // handle() before commit() (a copy gives its source's).
    enum class Target { Unknown, New, NewModeByCaller };

    // Creates the temporary file; a new target gets newFileMode.
    bool open(mode_t newFileMode = 0644, Target target = Target::Unknown);
    // The temporary file's descriptor, for callers that write by other means
    // (copy_file_range, writev); -1 before open().
    int handle() const { return m_fd; }
    // Writes all of the bytes (short writes and interruptions retried).
    bool write(const char *data, qsizetype size);
    bool write(const QByteArray &bytes) { return write(bytes.constData(), bytes.size()); }
    // Waits for the bytes written so far to reach the disk.
    bool flush();
    // Closes the temporary file and gives it the target's name.
    bool commit(Sync sync = Sync::ToDisk);
    // Drops the temporary file; the target stays as it was.
    void discard();

    // The file that commit() replaces (a followed link resolved).
    const QString &target() const { return m_target; }
    // After a failure: the errno value and the step that failed ("creating a
    // temporary file", "writing", "flushing to disk", "closing", "replacing the file").
    int error() const { return m_error; }
    QString failedStep() const { return m_step; }
    // Records a failure of the caller's own writes through handle(), so that
    // error() and failedStep() tell it like the others; returns false.
    bool fail(const char *step, int err);

    // Whether the open temporary file has no name (O_TMPFILE).
    bool isUnnamed() const { return m_fd >= 0 && m_tempName.isEmpty(); }
    // Tests: named temporary files only, as on a file system without O_TMPFILE.
    static void setUnnamedAllowed(bool allowed);

private:
    bool link(const QByteArray &name);

    QString m_target;
    QByteArray m_tempName; // empty while the temporary file has no name
    int m_fd = -1;
    bool m_synced = false;
    int m_error = 0;
    QString m_step;
};

// Where a save to hostPath goes when a symbolic link standing in the
// file's place may be followed only inside root: hostPath itself when it is
// no link, the link's target when that lies inside root (both resolved);
// empty when the link leads out of root or to nothing. A prefix's hive may
// be a link to a file kept elsewhere in the prefix; one leading out of it
// would have the save replace a file of the user's.
QString linkTargetWithin(const QString &hostPath, const QString &root);

// Whether a file name is that of a temporary file an interrupted writer left
// (".<name>.qvpart-XXXXXX", or ".<name>.quorvane-XXXXXX" of older versions).
bool isTemporaryName(const QString &fileName);
// Removes such leftovers from a host folder, and from its sub-folders with
// recursive (links are not followed). Gives back how many went.
int removeTemporaries(const QString &hostFolder, bool recursive);
// The same below an open folder (left open), sub-folders included.
int removeTemporariesBelow(int folderFd);

} // namespace qv
