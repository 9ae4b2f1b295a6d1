// SPDX-License-Identifier: GPL-3.0-or-later
// A dialog window built from the test template without running it modally, so that tests can
// work its controls directly.
#pragma once

#include <vector>

#include "platform/Dialog.h"
#include "platform/detail/DialogFrame.h"
#include "platform/detail/WindowTable.h"
#include "tests/platform/TestResources.h"
#include "tests/support/MessageSink.h"

// Records every WM_COMMAND that reaches the dialog, then handles it as any dialog would.
class RecordingDialog : public CDialog {
  public:
    RecordingDialog() : CDialog(testres::kPhoneDialog) {}

    std::vector<MessageSink::Message> commands;

    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
        if (message == WM_COMMAND) {
            commands.push_back({message, wParam, lParam});
        }
        return CDialog::WindowProc(message, wParam, lParam);
    }
};

class OpenDialog {
  public:
    OpenDialog() {
        testres::useTestResources();
        handle_ = platform::createDialogWindow(dialog, *platform::findDialog(testres::kPhoneDialog),
                                               nullptr);
    }
    ~OpenDialog() { dialog.DestroyWindow(); }
    OpenDialog(const OpenDialog&) = delete;
    OpenDialog& operator=(const OpenDialog&) = delete;

    RecordingDialog dialog;

    HWND handle() const { return handle_; }
    HWND item(int id) const { return GetDlgItem(handle_, id); }
    template <typename Widget>
    Widget* widget(int id) const {
        return static_cast<Widget*>(platform::findWindow(item(id))->widget);
    }

  private:
    HWND handle_ = nullptr;
};
