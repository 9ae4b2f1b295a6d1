// SPDX-License-Identifier: GPL-3.0-or-later
// The member forms of the window functions.
#include "platform/WinApp.h"
#include "platform/Wnd.h"
#include "platform/wingdi.h"

CWnd* CWnd::GetDlgItem(int nID) const {
    return FromHandle(::GetDlgItem(m_hWnd, nID));
}

void CWnd::SetWindowText(LPCWSTR lpszString) {
    SetWindowTextW(m_hWnd, lpszString);
}

int CWnd::GetWindowText(LPWSTR lpszStringBuf, int nMaxCount) const {
    return GetWindowTextW(m_hWnd, lpszStringBuf, nMaxCount);
}

int CWnd::GetWindowTextLength() const {
    return GetWindowTextLengthW(m_hWnd);
}

BOOL CWnd::ShowWindow(int nCmdShow) {
    return ::ShowWindow(m_hWnd, nCmdShow);
}

BOOL CWnd::EnableWindow(BOOL bEnable) {
    return ::EnableWindow(m_hWnd, bEnable);
}

BOOL CWnd::IsWindowVisible() const {
    return ::IsWindowVisible(m_hWnd);
}

BOOL CWnd::IsWindowEnabled() const {
    return ::IsWindowEnabled(m_hWnd);
}

void CWnd::GetWindowRect(LPRECT lpRect) const {
    ::GetWindowRect(m_hWnd, lpRect);
}

HDC CWnd::GetDC() {
    return ::GetDC(m_hWnd);
}

int CWnd::ReleaseDC(HDC hDC) {
    return ::ReleaseDC(m_hWnd, hDC);
}

// Without a caption of its own, the box is titled with the application's name.
int CWnd::MessageBox(LPCWSTR lpszText, LPCWSTR lpszCaption, UINT nType) {
    if (lpszCaption == nullptr && AfxGetApp() != nullptr) {
        lpszCaption = AfxGetApp()->m_pszAppName;
    }
    return MessageBoxW(m_hWnd, lpszText, lpszCaption, nType);
}
