// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvane developers
/* Reads shell links through Wine's own IShellLinkW, one link a line:
 *   LINKPATH -> ok PATH ARGUMENTS WORKINGFOLDER DESCRIPTION | err HRESULT
 * LINKPATH and the answers are hex-coded texts. */
#define COBJMACROS
#include "common.h"
#include <objbase.h>
#include <shlobj.h>

int main(void)
{
    helper_init();
    CoInitialize(NULL);
    char *line;
    while ((line = read_line())) {
        WCHAR *file = wide_from_hex(line);
        IShellLinkW *link = NULL;
        IPersistFile *persist = NULL;
        HRESULT hr = CoCreateInstance(&CLSID_ShellLink, NULL, CLSCTX_INPROC_SERVER, &IID_IShellLinkW, (void **)&link);
        if (SUCCEEDED(hr))
            hr = IShellLinkW_QueryInterface(link, &IID_IPersistFile, (void **)&persist);
        if (SUCCEEDED(hr))
            hr = IPersistFile_Load(persist, file, STGM_READ);
        if (FAILED(hr)) {
            printf("err %08lx\n", (unsigned long)hr);
        } else {
            static WCHAR text[4][INFOTIPSIZE];
            memset(text, 0, sizeof text);
            IShellLinkW_GetPath(link, text[0], INFOTIPSIZE, NULL, SLGP_RAWPATH);
            IShellLinkW_GetArguments(link, text[1], INFOTIPSIZE);
            IShellLinkW_GetWorkingDirectory(link, text[2], INFOTIPSIZE);
            IShellLinkW_GetDescription(link, text[3], INFOTIPSIZE);
            fputs("ok", stdout);
            for (int i = 0; i < 4; ++i) {
                fputs(" ", stdout);
                put_wide(text[i], -1);
            }
            puts("");
        }
        if (persist)
            IPersistFile_Release(persist);
        if (link)
            IShellLinkW_Release(link);
        free(file);
        fflush(stdout);
    }
    CoUninitialize();
    return 0;
}
