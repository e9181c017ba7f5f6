// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvane developers
/* Runs batches through Wine's SHFileOperationW, one batch a line:
 *   FUNC FLAGS FROM TO -> rc CODE ABORTED
 * FUNC and FLAGS are hex numbers; FROM and TO hex-coded texts whose
 * entries are separated by newlines (the list's zero separators). */
#include "common.h"
#include <shellapi.h>

/* "a\nb" -> "a\0b\0\0" in place; w was allocated with room for the last NUL. */
static void to_list(WCHAR *w)
{
    for (WCHAR *p = w; *p; ++p)
        if (*p == L'\n')
            *p = 0;
}

int main(void)
{
    helper_init();
    char *line;
    while ((line = read_line())) {
        char *rest = line;
        const char *func = field(&rest), *flags = field(&rest);
        WCHAR *from = wide_from_hex(field(&rest));
        WCHAR *to = wide_from_hex(field(&rest));
        to_list(from);
        to_list(to);
        SHFILEOPSTRUCTW op;
        memset(&op, 0, sizeof op);
        op.wFunc = (UINT)strtoul(func ? func : "0", NULL, 16);
        op.fFlags = (FILEOP_FLAGS)strtoul(flags ? flags : "0", NULL, 16);
        op.pFrom = from;
        op.pTo = to;
        const int rc = SHFileOperationW(&op);
        printf("rc %x %d\n", rc, op.fAnyOperationsAborted ? 1 : 0);
        free(from);
        free(to);
        fflush(stdout);
    }
    return 0;
}
