// SPDX-License-Identifier: GPL-3.0-or-later
// The shell library of the phone under its classic names: the soft-key menu bar, the Back key
// and the hand-over of that key to the focused control.
//
// The menu bar is a child window of a dialog, placed in the strip that the dialog's window keeps
// free along its bottom edge. It shows two soft keys, the first two top-level entries of a menu:
// F1 presses the left key and F2 the right one anywhere in the dialog's window, and both keys can
// be clicked. A key whose entry is a command sends WM_COMMAND (command id, code 0) to the dialog;
// a key whose entry is a pop-up opens it as a menu above the key, and a command chosen there
// reaches the dialog the same way. Esc is the phone's Back key: by default it minimises the
// window, the desktop's way of going back; SHCMBM_OVERRIDEKEY lets the dialog take it over.
//
// The resource of type u"CEUX" named u"HI_RES_AWARE", holding the 16-bit value 1, tells the
// framework that the program scales itself: its dialogs are laid out at the desktop's scale.
// Without it they keep the phone's fixed scale of 96 pixels per inch, as the program was drawn.
#pragma once

#include "platform/wingdi.h"
#include "platform/winuser.h"

struct SHMENUBARINFO {
    DWORD cbSize;        // sizeof(SHMENUBARINFO)
    HWND hwndParent;     // the dialog that receives the bar's commands
    DWORD dwFlags;       // SHCMBF_…
    UINT nToolBarId;     // the menu, or the menu-bar template, with this id
    HINSTANCE hInstRes;  // the module that holds the resources
    int nBmpId;          // buttons with images are not supported: 0
    int cBmpImages;      // 0
    HWND hwndMB;         // out: the menu bar's window
    COLORREF clrBk;      // the bar's background with SHCMBF_COLORBK
};

// A bar without keys.
inline constexpr DWORD SHCMBF_EMPTYBAR = 0x1;
// The bar is created hidden; ShowWindow shows it.
inline constexpr DWORD SHCMBF_HIDDEN = 0x2;
// Accepted for compatibility: the desktop has no input-panel button to hide.
inline constexpr DWORD SHCMBF_HIDESIPBUTTON = 0x4;
// The bar is painted in clrBk instead of the shell's own look.
inline constexpr DWORD SHCMBF_COLORBK = 0x8;
// nToolBarId names a menu resource; without this flag it names a menu-bar template, raw data of
// type 10 (RCDATA): the menu's id, the number of buttons and, for each button, its image
// (unused), command, state, style, label string, a reserved value and the index of the menu's
// pop-up that it opens (0xFFFF for none), all 16-bit little-endian values.
inline constexpr DWORD SHCMBF_HMENU = 0x10;

// Builds the bar into pmbi->hwndParent, which must be a dialog, replacing a bar it already has.
// Returns TRUE and sets pmbi->hwndMB; FALSE, leaving hwndMB alone, when cbSize is not
// sizeof(SHMENUBARINFO), the parent is not a dialog, or the menu or template is missing or
// malformed.
BOOL SHCreateMenuBar(SHMENUBARINFO* pmbi);

// The Back key.
inline constexpr UINT VK_TBACK = VK_ESCAPE;

// Sent to the bar's window: wParam is the key (only VK_TBACK), lParam MAKELPARAM(mask, value)
// sets the options in mask to their bits in value. Returns TRUE, or FALSE for another key.
inline constexpr UINT SHCMBM_OVERRIDEKEY = 0x0593;
// The key loses its default action.
inline constexpr WORD SHMBOF_NODEFAULT = 0x1;
// The bar sends WM_HOTKEY to the dialog when the key is pressed: wParam 0, lParam
// MAKELPARAM(0, key).
inline constexpr WORD SHMBOF_NOTIFY = 0x2;

// Hands the Back key reported by WM_HOTKEY (uMsg, wp, lp as received) to the control that has the
// keyboard focus: an edit deletes the character before the caret, or the selection, as
// Backspace does; anywhere else the key keeps its default meaning and the window is minimised.
// Any other message is ignored.
void SHSendBackToFocusWindow(UINT uMsg, WPARAM wp, LPARAM lp);
