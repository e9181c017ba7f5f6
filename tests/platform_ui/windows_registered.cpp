// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvane developers
#include <gtest/gtest.h>

#include "platform/ui/windowed.h"

namespace {

// Every test here meets the real windows, registered as main() registers them.
class RegisteredWindows : public ::testing::Environment
{
public:
    void SetUp() override { qv::ui::registerWindows(); }
};

[[maybe_unused]] const auto *const kRegistered = ::testing::AddGlobalTestEnvironment(new RegisteredWindows);

} // namespace
