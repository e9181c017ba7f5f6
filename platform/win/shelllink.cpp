// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvane developers
#include "platform/shelllink.h"

#include <windows.h>

#include <objbase.h>
#include <objidl.h>
#include <shlobj.h>
#include <shobjidl.h>

#include "platform/error.h"
#include "platform/win/wintext.h"

namespace qv {

namespace {

// COM for the calling thread while it lives; the window's thread has it
// already (as an apartment), a command line's gets it here.
class ComScope
{
public:
    ComScope() : m_result(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)) {}
    ~ComScope()
    {
        if (SUCCEEDED(m_result))
            CoUninitialize();
    }

private:
    HRESULT m_result;
};

template <typename T>
struct Released
{
    T *p = nullptr;
    ~Released()
    {
        if (p)
            p->Release();
    }
};

} // namespace

bool ShellLink::save(const QString &windowsLinkPath) const
{
    ComScope com;
    Released<IShellLinkW> link;
    const HRESULT made = CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                          reinterpret_cast<void **>(&link.p));
    if (made == E_NOINTERFACE)
        throw Error(QStringLiteral("Interface not supported"));
    if (FAILED(made))
        throw Error(win::systemText(DWORD(made)));
    Released<IPersistFile> file;
    if (FAILED(link.p->QueryInterface(IID_IPersistFile, reinterpret_cast<void **>(&file.p))))
        throw Error(QStringLiteral("Interface not supported"));

    link.p->SetPath(win::wide(m_path).c_str());
    link.p->SetArguments(win::wide(m_arguments).c_str());
    link.p->SetDescription(win::wide(m_description).c_str());
    link.p->SetWorkingDirectory(win::wide(m_workingDirectory).c_str());
    return SUCCEEDED(file.p->Save(win::wide(windowsLinkPath).c_str(), FALSE));
}

} // namespace qv
