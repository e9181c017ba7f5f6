// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvane developers
#include "core/readerprefixes.h"

#include "core/reader.h"

namespace qv {

std::vector<ReaderPrefix> surveyPrefixes()
{
    return machine::surveyPrefixes(reader::versionsKey());
}

machine::PrefixChoice choosePrefixFor(const QString &named)
{
    return machine::choosePrefix(named, reader::versionsKey());
}

} // namespace qv
