// SPDX-License-Identifier: GPL-3.0-or-later
// Runs the main dialog modally, as the program does, and the test's steps inside its loop.
#pragma once

#include <functional>
#include <string>

#include <QWidget>

#include "app/MainDlg.h"

class CTestMainDlg : public CMainDlg {
  public:
    using Steps = std::function<void(CTestMainDlg&)>;

    // Builds the window, runs `steps` once the modal loop is running, then ends the dialog the
    // way the user's Exit does. Returns DoModal's result.
    static INT_PTR Run(const Steps& steps);

    BOOL OnInitDialog() override;

    std::u16string Text(int id);
    bool Visible(int id);
    bool Enabled(int id);
    LRESULT Send(int id, UINT message, WPARAM wParam = 0, LPARAM lParam = 0);
    // What a user's click or selection sends to the dialog.
    void Click(int id);
    void UserSelects(int id, int index);
    // Runs the event loop until `done` holds or a second has passed.
    bool PumpUntil(const std::function<bool()>& done, int timeoutMs = 1000);
    // Runs the event loop for a while, so that whatever was posted gets handled.
    void Settle() {
        PumpUntil([] { return false; }, 100);
    }

    // The result EndDialog was given, -1 while the modal run goes on.
    int ModalResult() const { return m_nModalResult; }
    // The dialog's top-level window as the toolkit sees it, for driving it like a user.
    QWidget* Window();

    BOOL m_initResult = FALSE;

  private:
    Steps m_steps;
};
