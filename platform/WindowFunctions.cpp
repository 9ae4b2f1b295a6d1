// SPDX-License-Identifier: GPL-3.0-or-later
// The classic window functions: control lookup, text, visibility, enabling and geometry.
#include <QWidget>

#include "platform/detail/WindowTable.h"
#include "platform/winuser.h"

namespace {

// Sets or clears style bits and reports whether they were all set before.
bool changeStyle(platform::WindowRecord& record, DWORD bits, bool set) {
    const bool wasSet = (record.style & bits) == bits;
    record.style = set ? record.style | bits : record.style & ~bits;
    return wasSet;
}

}  // namespace

HWND GetDlgItem(HWND hDlg, int nIDDlgItem) {
    if (platform::findWindow(hDlg) == nullptr) {
        return nullptr;
    }
    for (HWND child : platform::childWindows(hDlg)) {
        const platform::WindowRecord* record = platform::findWindow(child);
        if (record != nullptr && record->controlId == nIDDlgItem) {
            return child;
        }
    }
    return nullptr;
}

BOOL SetWindowTextW(HWND hWnd, LPCWSTR lpString) {
    return SendMessageW(hWnd, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(lpString)) != 0 ? TRUE
                                                                                      : FALSE;
}

// Reads at most nMaxCount - 1 units and a terminator; a stale handle gives the empty string.
int GetWindowTextW(HWND hWnd, LPWSTR lpString, int nMaxCount) {
    if (lpString == nullptr || nMaxCount <= 0) {
        return 0;
    }
    lpString[0] = u'\0';
    return static_cast<int>(SendMessageW(hWnd, WM_GETTEXT, static_cast<WPARAM>(nMaxCount),
                                         reinterpret_cast<LPARAM>(lpString)));
}

int GetWindowTextLengthW(HWND hWnd) {
    return static_cast<int>(SendMessageW(hWnd, WM_GETTEXTLENGTH, 0, 0));
}

// Every command but SW_HIDE shows the window. Returns whether it was visible before.
BOOL ShowWindow(HWND hWnd, int nCmdShow) {
    platform::WindowRecord* record = platform::findWindow(hWnd);
    if (record == nullptr) {
        return FALSE;
    }
    const bool show = nCmdShow != SW_HIDE;
    const bool wasVisible = changeStyle(*record, WS_VISIBLE, show);
    if (record->widget != nullptr) {
        record->widget->setVisible(show);
    }
    return wasVisible ? TRUE : FALSE;
}

// Returns whether the window was disabled before.
BOOL EnableWindow(HWND hWnd, BOOL bEnable) {
    platform::WindowRecord* record = platform::findWindow(hWnd);
    if (record == nullptr) {
        return FALSE;
    }
    const bool wasDisabled = changeStyle(*record, WS_DISABLED, bEnable == FALSE);
    if (record->widget != nullptr) {
        record->widget->setEnabled(bEnable != FALSE);
    }
    return wasDisabled ? TRUE : FALSE;
}

// Visible means that the window and all its parents have the visible style, whether or not the
// top-level window is on the screen yet.
BOOL IsWindowVisible(HWND hWnd) {
    const platform::WindowRecord* record = platform::findWindow(hWnd);
    if (record == nullptr) {
        return FALSE;
    }
    for (; record != nullptr; record = platform::findWindow(record->parent)) {
        if ((record->style & WS_VISIBLE) == 0) {
            return FALSE;
        }
    }
    return TRUE;
}

BOOL IsWindowEnabled(HWND hWnd) {
    const platform::WindowRecord* record = platform::findWindow(hWnd);
    return record != nullptr && (record->style & WS_DISABLED) == 0 ? TRUE : FALSE;
}

// In screen coordinates; windows without a widget have no rectangle.
BOOL GetWindowRect(HWND hWnd, LPRECT lpRect) {
    const platform::WindowRecord* record = platform::findWindow(hWnd);
    if (record == nullptr || record->widget == nullptr || lpRect == nullptr) {
        return FALSE;
    }
    const QPoint origin = record->widget->mapToGlobal(QPoint(0, 0));
    const QSize size = record->widget->size();
    *lpRect = {origin.x(), origin.y(), origin.x() + size.width(), origin.y() + size.height()};
    return TRUE;
}
