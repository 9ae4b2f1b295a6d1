// SPDX-License-Identifier: GPL-3.0-or-later
// The table of live windows behind every window handle. Internal to the platform layer.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/Wnd.h"

class QEventLoop;
class QWidget;

namespace platform {

struct Surface;

// What a window is decides how DefWindowProc answers its messages.
enum class WindowClass {
    MessageOnly,
    Dialog,
    Static,
    PushButton,
    CheckBox,
    GroupBox,
    ComboBox,
    Edit,
    // A command bar before it holds a menu bar: a child window without a widget of its own.
    CommandBar,
    // The shell's soft-key menu bar.
    MenuBar
};

struct WindowRecord {
    WindowClass windowClass = WindowClass::MessageOnly;
    // The object that receives the window's messages.
    CWnd* wnd = nullptr;
    // Set for controls, whose objects belong to the platform and die with the window.
    std::unique_ptr<CWnd> ownedWnd;
    // The Qt widget that shows the window; null for message-only windows.
    QWidget* widget = nullptr;
    HWND parent = nullptr;
    int controlId = 0;
    DWORD style = 0;
    // The exact text of every window except the edit control, which keeps it in its document.
    std::u16string text;
    HICON bigIcon = nullptr;
    HICON smallIcon = nullptr;
    // What GetDC draws on, created by the first GetDC.
    std::shared_ptr<Surface> surface;
    // Dialogs: the base units of the dialog font, in pixels, which convert dialog units.
    int baseUnitX = 0;
    int baseUnitY = 0;
    // Dialogs: the loop that DoModal runs, and whether EndDialog has been called.
    QEventLoop* modalLoop = nullptr;
    bool modalEnded = false;
};

// Adds a window and returns its handle, a number never handed out before in this run.
HWND registerWindow(std::unique_ptr<WindowRecord> record);
// Removes the window; its handle is stale from now on. The record is returned to the caller,
// which finishes tearing the window down.
std::unique_ptr<WindowRecord> unregisterWindow(HWND handle);
// True while the handle names a live window. Safe from any thread.
bool isLiveWindow(HWND handle);
// The live window's record, or null. User-interface thread only.
WindowRecord* findWindow(HWND handle);
// The live children of a window, in creation order.
std::vector<HWND> childWindows(HWND parent);

// True on the thread that runs the Qt event loop.
bool isUiThread();

}  // namespace platform
