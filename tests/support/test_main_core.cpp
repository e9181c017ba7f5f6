// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvane developers
#include <QCoreApplication>
#include <gtest/gtest.h>

#include "support/tempdir.h"
#include "support/testhome.h"

// For the floors below the window: a core application only, so that a test
// program that links no Gui library proves those floors need none.
int main(int argc, char **argv)
{
    // A home of the program's own, gone when it ends: the real one stays untouched.
    const TempDir home;
    testhome::point(home.path());
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
