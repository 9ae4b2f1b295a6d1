// SPDX-License-Identifier: GPL-3.0-or-later
// A whole program on the platform's entry point: its own resources, an application object and a
// dialog that closes itself. CTest runs it to prove that main starts the application object.
#include <cstdio>

#include "platform/afxwin.h"
#include "tests/platform/TestResources.h"

const ResourceTable g_resources = testres::g_testResources;

namespace {

class ClosingDialog : public CDialog {
  public:
    ClosingDialog() : CDialog(testres::kPhoneDialog) {}

    BOOL OnInitDialog() override {
        CDialog::OnInitDialog();
        PostMessage(WM_CLOSE);
        return TRUE;
    }
};

class EntryPointApp : public CWinApp {
  public:
    BOOL InitInstance() override {
        ClosingDialog dialog;
        m_pMainWnd = &dialog;
        const INT_PTR result = dialog.DoModal();
        m_pMainWnd = nullptr;
        std::printf("dialog ended with %d\n", static_cast<int>(result));
        return FALSE;
    }
};

EntryPointApp theApp;

}  // namespace
