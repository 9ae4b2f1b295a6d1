// SPDX-License-Identifier: GPL-3.0-or-later
// The core of CWnd: creating and destroying windows and routing their messages.
#include "platform/Wnd.h"

#include <QEventLoop>
#include <QWidget>

#include "platform/detail/Text.h"
#include "platform/detail/WindowClasses.h"
#include "platform/detail/WindowTable.h"

namespace {

// The window hears WM_DESTROY before its children, as classic, so a dialog can still read its
// controls while it cleans up. Handles go stale bottom-up once every window has been told.
void destroyWindowTree(HWND handle) {
    SendMessageW(handle, WM_DESTROY, 0, 0);
    for (HWND child : platform::childWindows(handle)) {
        destroyWindowTree(child);
    }
    std::unique_ptr<platform::WindowRecord> record = platform::unregisterWindow(handle);
    if (record == nullptr) {
        return;
    }
    if (record->wnd->m_hWnd == handle) {
        record->wnd->m_hWnd = nullptr;
    }
    if (record->modalLoop != nullptr) {
        record->modalLoop->quit();
    }
    // The widget may be in the middle of delivering the event that led here, so it is only
    // hidden now and deleted once control is back in an event loop.
    if (record->widget != nullptr) {
        record->widget->hide();
        record->widget->deleteLater();
    }
}

}  // namespace

BEGIN_MESSAGE_MAP(CWnd, CCmdTarget)
END_MESSAGE_MAP()

CWnd::~CWnd() {
    if (m_hWnd != nullptr) {
        CWnd::DestroyWindow();
    }
}

CWnd* CWnd::FromHandle(HWND hWnd) {
    platform::WindowRecord* record = platform::findWindow(hWnd);
    return record == nullptr ? nullptr : record->wnd;
}

BOOL CWnd::CreateEx(DWORD, LPCWSTR, LPCWSTR lpszWindowName, DWORD dwStyle, int, int, int, int,
                    HWND hWndParent, HMENU, LPVOID) {
    if (m_hWnd != nullptr || hWndParent != HWND_MESSAGE || !platform::isUiThread()) {
        return FALSE;
    }
    auto record = std::make_unique<platform::WindowRecord>();
    record->wnd = this;
    record->style = dwStyle;
    record->text = platform::wideView(lpszWindowName);
    m_hWnd = platform::registerWindow(std::move(record));
    return TRUE;
}

BOOL CWnd::DestroyWindow() {
    if (platform::findWindow(m_hWnd) == nullptr) {
        return FALSE;
    }
    destroyWindowTree(m_hWnd);
    return TRUE;
}

LRESULT CWnd::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    LRESULT result = 0;
    if (DispatchToMessageMap(message, wParam, lParam, &result)) {
        return result;
    }
    return DefWindowProc(message, wParam, lParam);
}

LRESULT CWnd::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    return platform::windowClassProc(m_hWnd, message, wParam, lParam);
}

LRESULT CWnd::SendMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    return SendMessageW(m_hWnd, message, wParam, lParam);
}

BOOL CWnd::PostMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    return PostMessageW(m_hWnd, message, wParam, lParam);
}
