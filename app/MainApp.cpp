// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/MainApp.h"

#include "app/MainDlg.h"
#include "platform/winbase.h"

BEGIN_MESSAGE_MAP(CMainApp, CWinApp)
END_MESSAGE_MAP()

CMainApp::CMainApp() = default;

CMainApp::~CMainApp() = default;

BOOL CMainApp::InitInstance() {
    // The shell library's one-time initialisation, which it exports only by number.
    if (HMODULE shell = LoadLibraryW(u"aygshell.dll")) {
        if (FARPROC initialise = GetProcAddressW(shell, MAKEINTRESOURCEW(9))) {
            reinterpret_cast<BOOL (*)()>(initialise)();
        }
    }
    // The framework would keep per-user settings under this key; the program stores none.
    SetRegistryKey(u"Tessivo For Windows Mobile");
    {
        CMainDlg dlg;
        m_pMainWnd = &dlg;
        dlg.DoModal();
        m_pMainWnd = nullptr;
    }
    return FALSE;
}
