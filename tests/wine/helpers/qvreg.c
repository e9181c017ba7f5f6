// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvane developers
/* Reads and writes the registry through advapi32, one request a line:
 *   get     ROOT VIEW KEY NAME            -> ok TYPE DATA | err CODE
 *   set     ROOT VIEW KEY NAME TYPE DATA  -> ok | err CODE
 *   open    ROOT VIEW KEY                 -> rc CODE      (RegOpenKeyExW)
 *   create  ROOT VIEW KEY                 -> rc CODE      (RegCreateKeyExW)
 *   keys    ROOT VIEW KEY                 -> ok NAME,NAME,... | err CODE
 * ROOT is HKLM, HKCU or HKU; VIEW is 32, 64 or "-" (the program's own);
 * KEY and NAME are hex-coded texts, TYPE a decimal number, DATA raw hex. */
#include "common.h"

static HKEY root_of(const char *s)
{
    if (!strcmp(s, "HKLM")) return HKEY_LOCAL_MACHINE;
    if (!strcmp(s, "HKU")) return HKEY_USERS;
    return HKEY_CURRENT_USER;
}

static REGSAM view_of(const char *s)
{
    if (!strcmp(s, "32")) return KEY_WOW64_32KEY;
    if (!strcmp(s, "64")) return KEY_WOW64_64KEY;
    return 0;
}

int main(void)
{
    helper_init();
    char *line;
    while ((line = read_line())) {
        char *rest = line;
        const char *cmd = field(&rest), *root = field(&rest), *view = field(&rest), *key = field(&rest);
        if (!cmd || !root || !view || !key) {
            puts("err 87");
            continue;
        }
        WCHAR *path = wide_from_hex(key);
        const REGSAM sam = view_of(view);
        HKEY h = NULL;
        LONG rc;
        if (!strcmp(cmd, "open") || !strcmp(cmd, "create")) {
            rc = !strcmp(cmd, "open")
                ? RegOpenKeyExW(root_of(root), path, 0, KEY_READ | sam, &h)
                : RegCreateKeyExW(root_of(root), path, 0, NULL, 0, KEY_ALL_ACCESS | sam, NULL, &h, NULL);
            printf("rc %ld\n", rc);
        } else if (!strcmp(cmd, "get")) {
            WCHAR *name = wide_from_hex(field(&rest));
            static BYTE data[1 << 16];
            DWORD type = 0, size = sizeof data;
            rc = RegOpenKeyExW(root_of(root), path, 0, KEY_READ | sam, &h);
            if (!rc)
                rc = RegQueryValueExW(h, name, NULL, &type, data, &size);
            if (rc) {
                printf("err %ld\n", rc);
            } else {
                printf("ok %lu ", type);
                put_hex(data, size);
                puts("");
            }
            free(name);
        } else if (!strcmp(cmd, "set")) {
            WCHAR *name = wide_from_hex(field(&rest));
            const char *type = field(&rest);
            static unsigned char data[1 << 16];
            size_t size = unhex(field(&rest), data, sizeof data);
            rc = RegCreateKeyExW(root_of(root), path, 0, NULL, 0, KEY_ALL_ACCESS | sam, NULL, &h, NULL);
            if (!rc)
                rc = RegSetValueExW(h, name, 0, (DWORD)atol(type ? type : "0"), data, (DWORD)size);
            if (rc)
                printf("err %ld\n", rc);
            else
                puts("ok");
            free(name);
        } else if (!strcmp(cmd, "keys")) {
            rc = RegOpenKeyExW(root_of(root), path, 0, KEY_READ | sam, &h);
            if (rc) {
                printf("err %ld\n", rc);
            } else {
                fputs("ok ", stdout);
                WCHAR name[256];
                for (DWORD i = 0;; ++i) {
                    DWORD len = 256;
                    if (RegEnumKeyExW(h, i, name, &len, NULL, NULL, NULL, NULL))
                        break;
                    if (i)
                        fputs(",", stdout);
                    put_wide(name, (int)len);
                }
                puts("");
            }
        } else {
            puts("err 87");
        }
        if (h)
            RegCloseKey(h);
        free(path);
        fflush(stdout);
    }
    return 0;
}
