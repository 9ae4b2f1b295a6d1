// SPDX-License-Identifier: GPL-3.0-or-later
// A window as the program sees it: a handle plus a message map.
#pragma once

#include "platform/CmdTarget.h"

class CWnd : public CCmdTarget {
  public:
    CWnd() = default;
    // Destroys the window if it still exists; derived classes have already been destroyed by then,
    // so a class that needs WM_DESTROY must call DestroyWindow itself before that.
    ~CWnd() override;

    // The window's handle, or null while there is no window.
    HWND m_hWnd = nullptr;

    HWND GetSafeHwnd() const { return m_hWnd; }
    // The object that receives the window's messages, or null for a stale handle.
    static CWnd* FromHandle(HWND hWnd);

    // Only parent HWND_MESSAGE is supported: it creates an invisible window that only receives
    // messages, which is what completion callbacks need.
    BOOL CreateEx(DWORD dwExStyle, LPCWSTR lpszClassName, LPCWSTR lpszWindowName, DWORD dwStyle,
                  int x, int y, int nWidth, int nHeight, HWND hWndParent, HMENU nIDorHMenu,
                  LPVOID lpParam = nullptr);
    // Sends WM_DESTROY to the window and then to its children, and invalidates their handles.
    virtual BOOL DestroyWindow();

    // Routes a message through the message map; messages without a row go to DefWindowProc.
    virtual LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    // The behaviour of the window's class: controls answer their messages here.
    virtual LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam);

    LRESULT SendMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0);
    BOOL PostMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0);

    CWnd* GetDlgItem(int nID) const;
    void SetWindowText(LPCWSTR lpszString);
    int GetWindowText(LPWSTR lpszStringBuf, int nMaxCount) const;
    int GetWindowTextLength() const;
    BOOL ShowWindow(int nCmdShow);
    BOOL EnableWindow(BOOL bEnable = TRUE);
    BOOL IsWindowVisible() const;
    BOOL IsWindowEnabled() const;
    void GetWindowRect(LPRECT lpRect) const;
    HDC GetDC();
    int ReleaseDC(HDC hDC);
    int MessageBox(LPCWSTR lpszText, LPCWSTR lpszCaption = nullptr, UINT nType = MB_OK);

    DECLARE_MESSAGE_MAP()
};
