// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvane developers

#include "platform/calendar.h"

#include <QDate>

namespace qv {

int currentYear()
{
    return QDate::currentDate().year();
}

} // namespace qv
