// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvane developers
/* A stand-in Windows program for the process tests: it runs until ended. */
#include <windows.h>

int main(void)
{
    Sleep(120000);
    return 0;
}
