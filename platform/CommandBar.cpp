// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/CommandBar.h"

#include "platform/Resources.h"
#include "platform/WinApp.h"
#include "platform/aygshell.h"
#include "platform/detail/WindowTable.h"

namespace {

constexpr UINT kRawDataType = 10;  // RCDATA, the type of menu-bar templates

}  // namespace

// Until a menu bar is inserted the command bar is a bare child window, which holds its place
// among the dialog's children and its control id.
BOOL CCommandBar::Create(CWnd* pParentWnd, UINT nID) {
    if (m_hWnd != nullptr || pParentWnd == nullptr ||
        platform::findWindow(pParentWnd->m_hWnd) == nullptr) {
        return FALSE;
    }
    auto record = std::make_unique<platform::WindowRecord>();
    record->windowClass = platform::WindowClass::CommandBar;
    record->wnd = this;
    record->parent = pParentWnd->m_hWnd;
    record->controlId = static_cast<int>(nID);
    record->style = WS_CHILD | WS_VISIBLE;
    m_hWnd = platform::registerWindow(std::move(record));
    return TRUE;
}

// The shell builds the bar as a window of its own; this object then takes it over, so that the
// bar's messages reach this object and the bar carries this object's control id.
BOOL CCommandBar::InsertMenuBar(UINT nMenuID) {
    const platform::WindowRecord* own = platform::findWindow(m_hWnd);
    if (own == nullptr) {
        return FALSE;
    }
    const int controlId = own->controlId;
    SHMENUBARINFO info{};
    info.cbSize = sizeof(info);
    info.hwndParent = own->parent;
    info.nToolBarId = nMenuID;
    info.hInstRes = AfxGetInstanceHandle();
    if (platform::findRawData(kRawDataType, nMenuID) == nullptr) {
        info.dwFlags |= SHCMBF_HMENU;
    }
    if (!SHCreateMenuBar(&info) || info.hwndMB == nullptr) {
        return FALSE;
    }
    // An earlier bar of this object was replaced by the shell, and so is already gone; a bare
    // command bar window gives way to the bar.
    if (m_hWnd != nullptr) {
        DestroyWindow();
    }
    platform::WindowRecord* bar = platform::findWindow(info.hwndMB);
    bar->ownedWnd->m_hWnd = nullptr;
    bar->ownedWnd.reset();
    bar->wnd = this;
    bar->controlId = controlId;
    m_hWnd = info.hwndMB;
    return TRUE;
}
