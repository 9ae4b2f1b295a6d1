// SPDX-License-Identifier: GPL-3.0-or-later
// A whole program on the platform's entry point: its own resources, an application object and a
// dialog that closes itself. CTest runs it to prove that main starts the application object, and
// to see which language the user's locale gives the window: the program prints the caption it
// gave its Start button and the caption the button shows.
#include <QAbstractButton>
#include <cstdio>

#include "platform/afxwin.h"
#include "platform/detail/WindowTable.h"
#include "tests/platform/TestResources.h"

const ResourceTable g_resources = testres::g_testResources;

namespace {

class ClosingDialog : public CDialog {
  public:
    ClosingDialog() : CDialog(testres::kPhoneDialog) {}

    BOOL OnInitDialog() override {
        CDialog::OnInitDialog();
        WCHAR caption[16] = {};
        GetDlgItem(testres::kStart)->GetWindowText(caption, 16);
        const auto* button = static_cast<QAbstractButton*>(
            platform::findWindow(GetDlgItem(testres::kStart)->GetSafeHwnd())->widget);
        std::printf("start button \"%s\" shows \"%s\"\n",
                    QString::fromUtf16(caption).toUtf8().constData(),
                    button->text().toUtf8().constData());
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
