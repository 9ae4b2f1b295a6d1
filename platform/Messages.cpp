// SPDX-License-Identifier: GPL-3.0-or-later
// Sending and posting messages.
#include <QCoreApplication>
#include <QMetaObject>

#include "platform/detail/WindowTable.h"
#include "platform/winuser.h"

namespace {

// Runs on the user-interface thread. The window may have been destroyed since the message was
// posted; then the message is dropped, and the stale handle never reaches an object.
void deliverPostedMessage(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (platform::WindowRecord* record = platform::findWindow(hWnd)) {
        record->wnd->WindowProc(message, wParam, lParam);
    }
}

}  // namespace

// Every posted message becomes a queued call on the application object. Qt delivers the posted
// events of one thread in posting order, and every event loop delivers them, so nested modal
// loops (dialogs, message boxes) keep receiving messages.
BOOL PostMessageW(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam) {
    QCoreApplication* app = QCoreApplication::instance();
    if (app == nullptr || !platform::isLiveWindow(hWnd)) {
        return FALSE;
    }
    QMetaObject::invokeMethod(
        app, [=] { deliverPostedMessage(hWnd, Msg, wParam, lParam); }, Qt::QueuedConnection);
    return TRUE;
}

// Sending calls the window procedure directly, so only the user-interface thread may send; from
// any other thread the message is refused and 0 returned.
LRESULT SendMessageW(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam) {
    platform::WindowRecord* record = platform::findWindow(hWnd);
    return record == nullptr ? 0 : record->wnd->WindowProc(Msg, wParam, lParam);
}

BOOL IsWindow(HWND hWnd) {
    return platform::isLiveWindow(hWnd) ? TRUE : FALSE;
}
