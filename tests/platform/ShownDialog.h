// SPDX-License-Identifier: GPL-3.0-or-later
// A dialog window as a program shows it: built from the test template, sized like the phone's
// screen with its soft-key strip, on screen and active, recording the messages the shell sends
// it.
#pragma once

#include <QAbstractButton>
#include <QApplication>
#include <QTest>
#include <ostream>
#include <vector>

#include "platform/Dialog.h"
#include "platform/WinApp.h"
#include "platform/aygshell.h"
#include "platform/detail/DialogFrame.h"
#include "platform/detail/WindowTable.h"
#include "tests/platform/TestResources.h"
#include "tests/support/MessageSink.h"

class ShellDialog : public CDialog {
  public:
    ShellDialog() : CDialog(testres::kPhoneDialog) {}

    // Every WM_COMMAND and WM_HOTKEY, in arrival order.
    std::vector<MessageSink::Message> received;
    // Hands every WM_HOTKEY on to the focused control, as a program that takes over Back does.
    bool handBackKey = false;

    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
        if (message == WM_COMMAND || message == WM_HOTKEY) {
            received.push_back({message, wParam, lParam});
        }
        if (message == WM_HOTKEY && handBackKey) {
            SHSendBackToFocusWindow(message, wParam, lParam);
        }
        return CDialog::WindowProc(message, wParam, lParam);
    }
};

class ShownDialog {
  public:
    explicit ShownDialog(const ResourceTable& resources = testres::g_testResources) {
        platform::setResourceTable(resources);
        handle_ = platform::createDialogWindow(dialog, *platform::findDialog(testres::kPhoneDialog),
                                               nullptr);
        platform::fillScreen(handle_);
        frame()->show();
        frame()->activateWindow();
        static_cast<void>(QTest::qWaitForWindowActive(frame()));
    }
    ~ShownDialog() {
        dialog.DestroyWindow();
        testres::useTestResources();
    }
    ShownDialog(const ShownDialog&) = delete;
    ShownDialog& operator=(const ShownDialog&) = delete;

    ShellDialog dialog;

    HWND handle() const { return handle_; }
    QWidget* frame() const { return platform::findWindow(handle_)->widget; }
    template <typename Widget>
    Widget* widget(int id) const {
        return static_cast<Widget*>(platform::findWindow(GetDlgItem(handle_, id))->widget);
    }

    // A bar built by the shell from menu or template id; null when the shell refuses.
    HWND createBar(UINT id = testres::kMenu, DWORD flags = SHCMBF_HMENU) const {
        SHMENUBARINFO info{};
        info.cbSize = sizeof(info);
        info.hwndParent = handle_;
        info.dwFlags = flags;
        info.nToolBarId = id;
        info.hInstRes = AfxGetInstanceHandle();
        return SHCreateMenuBar(&info) ? info.hwndMB : nullptr;
    }

    // The bar's left (0) or right (1) soft key.
    static QAbstractButton* key(HWND bar, int index) {
        return platform::findWindow(bar)
            ->widget->findChildren<QAbstractButton*>(Qt::FindDirectChildrenOnly)
            .at(index);
    }

    // What has reached the dialog once posted messages have been delivered.
    const std::vector<MessageSink::Message>& received() {
        QCoreApplication::processEvents();
        return dialog.received;
    }

  private:
    HWND handle_ = nullptr;
};

// WM_COMMAND as a menu command arrives: the id, code 0, no control.
inline MessageSink::Message menuCommand(UINT id) {
    return {WM_COMMAND, MAKEWPARAM(static_cast<WORD>(id), 0), 0};
}

inline bool operator==(const MessageSink::Message& a, const MessageSink::Message& b) {
    return a.message == b.message && a.wParam == b.wParam && a.lParam == b.lParam;
}

inline void PrintTo(const MessageSink::Message& m, std::ostream* os) {
    *os << "{message 0x" << std::hex << m.message << ", wParam 0x" << m.wParam << ", lParam 0x"
        << m.lParam << std::dec << "}";
}
