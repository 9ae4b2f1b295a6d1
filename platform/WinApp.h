// SPDX-License-Identifier: GPL-3.0-or-later
// The application object: the one program-wide object whose InitInstance runs the program.
#pragma once

#include <string>

#include "platform/Wnd.h"

class CWinApp : public CCmdTarget {
  public:
    // The program constructs exactly one application object, before main runs. Without a name
    // of its own the application is named after its executable.
    explicit CWinApp(LPCWSTR lpszAppName = nullptr);
    ~CWinApp() override;

    // Runs the program. The platform's main returns as soon as this returns, whatever the result.
    virtual BOOL InitInstance();

    // Names the organisation under which per-user settings would be kept; nothing is stored.
    void SetRegistryKey(LPCWSTR lpszRegistryKey);

    LPCWSTR m_pszAppName = nullptr;
    LPCWSTR m_pszRegistryKey = nullptr;
    HINSTANCE m_hInstance = nullptr;
    CWnd* m_pMainWnd = nullptr;

    DECLARE_MESSAGE_MAP()

  private:
    std::u16string appName_;
    std::u16string registryKey_;
};

CWinApp* AfxGetApp();
HINSTANCE AfxGetInstanceHandle();
