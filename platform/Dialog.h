// SPDX-License-Identifier: GPL-3.0-or-later
// Dialogs built from templates and run modally.
#pragma once

#include "platform/Wnd.h"

// How a dialog learns that it is closing: WM_CLOSE (the window's close button, or the message
// sent by the program) becomes the Cancel command IDCANCEL, which the base map hands to the
// virtual OnCancel; OnCancel ends the modal run with IDCANCEL. A derived dialog can intercept
// any step: a WM_CLOSE or IDCANCEL row in its own message map, or an override of OnCancel.
// When the run has ended, DoModal destroys the window, which first sends WM_DESTROY to the
// dialog while its controls still exist, so cleanup that reads them can be a WM_DESTROY row.
class CDialog : public CWnd {
  public:
    explicit CDialog(UINT nIDTemplate, CWnd* pParentWnd = nullptr);
    ~CDialog() override;

    // Creates the window from the template, calls OnInitDialog, shows the window and runs a
    // nested event loop until EndDialog. Returns EndDialog's value, or -1 when the window
    // cannot be created (missing or unsupported template, or the dialog is already running).
    virtual INT_PTR DoModal();
    // Sizes the window like the phone's full screen, with room for the soft-key bar at the
    // bottom. Returns TRUE, so that the first control that takes the keyboard gets the focus.
    virtual BOOL OnInitDialog();
    // Ends the modal run with nResult once control returns to the loop; may also be called
    // from OnInitDialog, and then the dialog is never shown.
    void EndDialog(int nResult);

  protected:
    virtual void OnOK();
    virtual void OnCancel();

    UINT m_nIDHelp;
    CWnd* m_pParentWnd;
    int m_nModalResult = -1;

    DECLARE_MESSAGE_MAP()
};
