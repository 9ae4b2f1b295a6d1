#include "app/MainApp.h"

#include "app/MainDlg.h"

BEGIN_MESSAGE_MAP(CMainApp, CWinApp)
END_MESSAGE_MAP()

CMainApp::CMainApp() = default;

CMainApp::~CMainApp() = default;

BOOL CMainApp::InitInstance() {
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
