// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvane developers
/* What the helpers share: they read one request a line from standard input
 * and answer each with one line on standard output. Texts travel as the hex
 * of their UTF-8 bytes ("-" when empty), so that any name survives the trip
 * through Wine's console code page unchanged. */
#ifndef QV_HELPER_COMMON_H
#define QV_HELPER_COMMON_H

#include <windows.h>
#include <fcntl.h>
#include <io.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

static inline void helper_init(void)
{
    _setmode(_fileno(stdin), _O_BINARY);
    _setmode(_fileno(stdout), _O_BINARY);
}

/* One line of standard input without its newline; NULL at the end. */
static inline char *read_line(void)
{
    static char line[1 << 16];
    if (!fgets(line, sizeof line, stdin))
        return NULL;
    line[strcspn(line, "\r\n")] = 0;
    return line;
}

static inline int hex_value(char c)
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

/* Hex to bytes; returns the byte count. */
static inline size_t unhex(const char *hex, unsigned char *out, size_t max)
{
    size_t n = 0;
    if (!hex || !strcmp(hex, "-"))
        return 0;
    while (hex[0] && hex[1] && n < max) {
        out[n++] = (unsigned char)(hex_value(hex[0]) * 16 + hex_value(hex[1]));
        hex += 2;
    }
    return n;
}

static inline void put_hex(const void *data, size_t size)
{
    const unsigned char *p = data;
    if (!size)
        fputs("-", stdout);
    for (size_t i = 0; i < size; ++i)
        printf("%02x", p[i]);
}

/* A hex-coded UTF-8 text as a wide string (caller frees); '\n' stays '\n'. */
static inline WCHAR *wide_from_hex(const char *hex)
{
    static unsigned char bytes[1 << 15];
    size_t n = unhex(hex, bytes, sizeof bytes);
    int len = MultiByteToWideChar(CP_UTF8, 0, (const char *)bytes, (int)n, NULL, 0);
    WCHAR *w = calloc((size_t)len + 2, sizeof(WCHAR));
    MultiByteToWideChar(CP_UTF8, 0, (const char *)bytes, (int)n, w, len);
    return w;
}

/* A wide text written as the hex of its UTF-8 bytes (len < 0: up to its NUL). */
static inline void put_wide(const WCHAR *w, int len)
{
    static char bytes[1 << 16];
    if (len < 0)
        len = (int)wcslen(w);
    int n = WideCharToMultiByte(CP_UTF8, 0, w, len, bytes, sizeof bytes, NULL, NULL);
    put_hex(bytes, (size_t)n);
}

/* The next tab-separated field of a line (strtok on tabs only). */
static inline char *field(char **rest)
{
    char *start = *rest;
    if (!start)
        return NULL;
    char *tab = strchr(start, '\t');
    if (tab) {
        *tab = 0;
        *rest = tab + 1;
    } else {
        *rest = NULL;
    }
    return start;
}

#endif
