// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvane developers
#pragma once

#include <QByteArray>
#include <QString>

namespace qv {

// File names as the bytes they are. A Linux file name is any bytes but '/'
// and NUL; one that is not valid UTF-8 still names a file that has to be
// copied, moved and restored under that very name. In text each byte that
// is no part of valid UTF-8 stands as a lone low surrogate (U+DC80 + the
// byte), which no valid name decodes to, so the round trip keeps every byte.
namespace namebytes {

QString decode(const QByteArray &bytes);
QByteArray encode(const QString &text);
// Whether the text holds a byte kept so.
bool holdsKeptBytes(const QString &text);

} // namespace namebytes

// Text as it may be shown to a person or printed to a terminal: a kept byte
// (above) as U+FFFD, and the control characters, which a terminal would obey
// (ESC sequences, C1 codes), as visible escapes ("\x1B", "\u009B"). Line
// breaks and tabs stay with keepLineBreaks. Backslashes are left alone, so
// Windows paths read as they are and the function can be applied twice.
QString visibleText(const QString &text, bool keepLineBreaks = true);

} // namespace qv
