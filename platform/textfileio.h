// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvane developers

// What the text file (filesystem.h) asks of the machine: each backend's
// filesystem.cpp opens, writes and closes the file; platform/textfile.cpp
// keeps the rules of lines and failures once. Failures are InOutError codes.
#pragma once

#include <QByteArray>
#include <QString>

#include "platform/resolvedfolder.h"

namespace qv::textfileio {

// Creates the file at a Windows path, or empties it, for writing; its
// descriptor. Throws InOutError when it cannot.
int create(const QString &windowsPath);
// The same for a file below a resolved folder.
int create(const ResolvedFolder &folder, const QByteArray &name);
// Writes some of size bytes: how many, or -1 with *code set.
qsizetype write(int fd, const char *data, qsizetype size, int *code);
// Closes the descriptor: 0, or the code of the failure.
int close(int fd);

} // namespace qv::textfileio
