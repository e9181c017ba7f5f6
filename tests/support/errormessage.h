// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvane developers
#pragma once

#include <QString>
#include <functional>

#include "platform/error.h"

// The message of the error f throws; empty when it throws none.
inline QString messageOf(const std::function<void()> &f)
{
    try {
        f();
    } catch (const qv::Error &e) {
        return e.message();
    }
    return QString();
}
