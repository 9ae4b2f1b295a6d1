// SPDX-License-Identifier: GPL-3.0-or-later
// The framework's holder of the shell's soft-key menu bar.
#pragma once

#include "platform/Wnd.h"

class CCommandBar : public CWnd {
  public:
    // Creates the bar's window as a child of pParentWnd with control id nID. FALSE when the
    // parent has no window, or this object already has one.
    BOOL Create(CWnd* pParentWnd, UINT nID);
    // Builds the shell's menu bar from the menu-bar template with id nMenuID, or from the menu
    // with that id when there is no such template. On success the menu bar's window, with this
    // object's control id, becomes this object's window. FALSE when Create has not succeeded or
    // the shell builds no bar.
    BOOL InsertMenuBar(UINT nMenuID);
};
