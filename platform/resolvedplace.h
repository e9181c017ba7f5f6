// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvane developers

// What a resolved folder (resolvedfolder.h) asks of the machine: each
// backend finds the folder, tells whether it is still the one found, and
// spells names below it; platform/resolvedfolder.cpp keeps the rest once.
#pragma once

#include <QByteArray>
#include <QString>
#include <memory>

#include "platform/resolvedfolder.h"

namespace qv::resolvedplace {

// The folder a Windows path leads to now; nullptr when none is there.
std::shared_ptr<ResolvedFolder::Place> find(const QString &windowsPath);
// Whether the path it was found at still leads to it, and not through a
// link that was not there when it was found.
bool unchanged(const ResolvedFolder::Place &place);
// Whether the path ended in a symbolic link (on Windows a reparse point) when it was found.
bool isLink(const ResolvedFolder::Place &place);
// "sub\a.api" as the machine's bytes ("sub/a.api"), and back.
QByteArray nameOf(const QString &windowsRelative);
QString windowsNameOf(const QByteArray &name);

} // namespace qv::resolvedplace
