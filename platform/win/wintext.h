// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvane developers
#pragma once

#include <QString>
#include <string>

// Text as the wide-character Win32 calls take and give it.
namespace qv::win {

inline std::wstring wide(const QString &text)
{
    return text.toStdWString();
}

inline QString fromWide(const wchar_t *text, qsizetype size = -1)
{
    return size < 0 ? QString::fromWCharArray(text) : QString::fromWCharArray(text, size);
}

// The system's own text for an error code (FormatMessage), without the
// closing line break; empty when the system has none.
QString systemText(unsigned long code);

} // namespace qv::win
