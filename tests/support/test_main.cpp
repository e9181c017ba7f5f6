// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvane developers
#include <QApplication>
#include <gtest/gtest.h>

#include "support/tempdir.h"
#include "support/testhome.h"

// Every test program gets a real QApplication on the offscreen platform,
// so widget tests can paint and receive synthetic input without a display.
int main(int argc, char **argv)
{
    // A home of the program's own, gone when it ends: the real one stays untouched.
    const TempDir home;
    testhome::point(home.path());
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
