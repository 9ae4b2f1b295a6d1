// SPDX-License-Identifier: GPL-3.0-or-later
// The program-wide application object.
#pragma once

#include "platform/afxwin.h"

class CMainApp : public CWinApp {
  public:
    CMainApp();
    ~CMainApp() override;

    // Runs the whole program: the main dialog, modally. Always FALSE, so the framework ends the
    // application when the dialog has closed.
    BOOL InitInstance() override;

    DECLARE_MESSAGE_MAP()
};

extern CMainApp theApp;
