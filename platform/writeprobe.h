// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvane developers
#pragma once

#include <QString>

// Whether a place can be changed, found out before an operation changes
// anything, so that it refuses at the start instead of stopping half-way.
// Nothing is written to find out. Each answer is empty when the place can be
// changed, and otherwise the reason in words for the user ("it is on a
// read-only file system").
namespace qv {

// Whether entries in a folder (a Windows path) can be made, replaced and
// removed: a read-only mount, the immutable and append-only attributes and
// the permissions are looked at. On Windows: a read-only volume and the
// folder's access rights for this account (FILE_ADD_FILE, FILE_DELETE_CHILD);
// the read-only attribute means nothing on a folder there.
QString folderWriteProblem(const QString &windowsFolder);

// The same for a host folder.
QString hostFolderWriteProblem(const QString &hostFolder);

// Whether a host file can be replaced by a new file written beside it and
// renamed over it (atomicfile.h), a link being followed to the file it names:
// its folder must take changes, and the file itself must not be a link to a
// missing file, something other than a file, or immutable or append-only.
// A missing file is fine: it is created.
QString hostFileReplaceProblem(const QString &hostFile);

} // namespace qv
