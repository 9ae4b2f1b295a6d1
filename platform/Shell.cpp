// SPDX-License-Identifier: GPL-3.0-or-later
// The shell library: building the soft-key menu bar, handing the Back key on, and the exports
// that programs find through the module table.
#include <QApplication>
#include <QKeyEvent>
#include <QPlainTextEdit>
#include <algorithm>

#include "platform/WinApp.h"
#include "platform/aygshell.h"
#include "platform/detail/DialogFrame.h"
#include "platform/detail/Power.h"
#include "platform/detail/Shell.h"
#include "platform/detail/SoftKeyBar.h"
#include "platform/detail/Text.h"
#include "platform/winbase.h"

namespace platform {
namespace {

constexpr UINT kRawDataType = 10;  // RCDATA, the type of menu-bar templates
// A template: the menu's id and the number of buttons, then seven values per button.
constexpr std::size_t kTemplateHeaderWords = 2;
constexpr std::size_t kButtonWords = 7;
constexpr WORD kNoSubMenu = 0xFFFF;
constexpr WORD kButtonEnabled = 0x4;  // TBSTATE_ENABLED

using SoftKeys = std::array<SoftKey, 2>;

// The first two top-level entries of the menu become the keys.
bool keysFromMenu(UINT menuId, SoftKeys* keys) {
    const MenuTemplate* menu = findMenu(menuId);
    if (menu == nullptr) {
        return false;
    }
    for (std::size_t i = 0; i < std::min(keys->size(), menu->items.size()); ++i) {
        const MenuItemTemplate& item = menu->items.items[i];
        (*keys)[i] = {toQString(wideView(item.text)), item.id, item.popup, true};
    }
    return true;
}

// The first two buttons of the template become the keys: each is labelled with its string and
// sends its command, or opens the pop-up of the template's menu that it names.
bool keysFromTemplate(UINT templateId, SoftKeys* keys) {
    const RawResource* raw = findRawData(kRawDataType, templateId);
    if (raw == nullptr || raw->data.size() < 2 * kTemplateHeaderWords) {
        return false;
    }
    const auto word = [raw](std::size_t index) {
        return static_cast<WORD>(raw->data.items[2 * index] |
                                 (raw->data.items[2 * index + 1] << 8));
    };
    const MenuTemplate* menu = findMenu(word(0));
    const std::size_t buttons = word(1);
    if (menu == nullptr || raw->data.size() < 2 * (kTemplateHeaderWords + buttons * kButtonWords)) {
        return false;
    }
    for (std::size_t i = 0; i < std::min(keys->size(), buttons); ++i) {
        const std::size_t at = kTemplateHeaderWords + i * kButtonWords;
        const WORD command = word(at + 1);
        const WORD state = word(at + 2);
        const StringResource* label = findString(word(at + 4));
        const WORD subMenu = word(at + 6);
        if (label == nullptr) {
            return false;
        }
        ResourceList<MenuItemTemplate> popup;
        if (subMenu != kNoSubMenu) {
            if (subMenu >= menu->items.size() || menu->items.items[subMenu].popup.size() == 0) {
                return false;
            }
            popup = menu->items.items[subMenu].popup;
        }
        (*keys)[i] = {toQString(wideView(label->text)), command, popup,
                      (state & kButtonEnabled) != 0};
    }
    return true;
}

// The control that has the keyboard focus. While the program's window is not the active one (a
// report sent by the program itself, or a desktop that has not activated the window yet), it is
// the control that will have the focus once the window is active: that of the active window, or
// else that of the modal dialog.
QWidget* focusedControl() {
    if (QWidget* focus = QApplication::focusWidget()) {
        return focus;
    }
    for (QWidget* window : {QApplication::activeWindow(), QApplication::activeModalWidget()}) {
        if (window != nullptr && window->focusWidget() != nullptr) {
            return window->focusWidget();
        }
    }
    return nullptr;
}

// A dialog has one menu bar: a new one takes the place of the old.
void destroyMenuBars(HWND dialog) {
    for (HWND child : childWindows(dialog)) {
        const WindowRecord* record = findWindow(child);
        if (record != nullptr && record->windowClass == WindowClass::MenuBar) {
            record->wnd->DestroyWindow();
        }
    }
}

// Export 9, the shell's one-time initialisation: it works out the soft-key bars' shared look,
// which the first bar would otherwise do when it is built.
BOOL prepareShell() {
    return prepareSoftKeyLook() ? TRUE : FALSE;
}

// Only the restart is supported.
BOOL exitWindows(UINT uFlags, DWORD) {
    if (uFlags != EWX_REBOOT) {
        return FALSE;
    }
    requestRestart();
    return TRUE;
}

}  // namespace

std::vector<ModuleExport> shellLibraryExports() {
    return {
        {u"ExitWindowsEx", 0, reinterpret_cast<FARPROC>(&exitWindows)},
        {u"", 9, reinterpret_cast<FARPROC>(&prepareShell)},
        {u"SHSendBackToFocusWindow", 97, reinterpret_cast<FARPROC>(&SHSendBackToFocusWindow)},
    };
}

}  // namespace platform

// Resources come from the program itself, the only module that has any.
BOOL SHCreateMenuBar(SHMENUBARINFO* pmbi) {
    if (pmbi == nullptr || pmbi->cbSize != sizeof(SHMENUBARINFO) ||
        pmbi->hInstRes != AfxGetInstanceHandle()) {
        return FALSE;
    }
    const platform::WindowRecord* parent = platform::findWindow(pmbi->hwndParent);
    if (parent == nullptr || parent->windowClass != platform::WindowClass::Dialog) {
        return FALSE;
    }
    platform::SoftKeys keys;
    if ((pmbi->dwFlags & SHCMBF_EMPTYBAR) == 0) {
        const bool built = (pmbi->dwFlags & SHCMBF_HMENU) != 0
                               ? platform::keysFromMenu(pmbi->nToolBarId, &keys)
                               : platform::keysFromTemplate(pmbi->nToolBarId, &keys);
        if (!built) {
            return FALSE;
        }
    }
    platform::SoftKeyBarStyle style;
    style.hidden = (pmbi->dwFlags & SHCMBF_HIDDEN) != 0;
    if ((pmbi->dwFlags & SHCMBF_COLORBK) != 0) {
        const COLORREF colour = pmbi->clrBk;
        style.background = QColor(colour & 0xFF, (colour >> 8) & 0xFF, (colour >> 16) & 0xFF);
    }
    platform::destroyMenuBars(pmbi->hwndParent);
    const HWND bar = platform::createSoftKeyBar(pmbi->hwndParent, keys, style);
    if (bar == nullptr) {
        return FALSE;
    }
    pmbi->hwndMB = bar;
    return TRUE;
}

// An edit gets a Backspace key press of its own, so that it behaves exactly as when the user
// presses Backspace: a selection goes as a whole, a read-only edit stays as it is.
void SHSendBackToFocusWindow(UINT uMsg, WPARAM, LPARAM lp) {
    if (uMsg != WM_HOTKEY || HIWORD(static_cast<DWORD_PTR>(lp)) != VK_TBACK) {
        return;
    }
    QWidget* focus = platform::focusedControl();
    for (QWidget* widget = focus; widget != nullptr; widget = widget->parentWidget()) {
        if (auto* edit = qobject_cast<QPlainTextEdit*>(widget)) {
            QKeyEvent press(QEvent::KeyPress, Qt::Key_Backspace, Qt::NoModifier);
            QCoreApplication::sendEvent(edit, &press);
            QKeyEvent release(QEvent::KeyRelease, Qt::Key_Backspace, Qt::NoModifier);
            QCoreApplication::sendEvent(edit, &release);
            return;
        }
    }
    QWidget* window = focus != nullptr                          ? focus->window()
                      : QApplication::activeWindow() != nullptr ? QApplication::activeWindow()
                                                                : QApplication::activeModalWidget();
    if (window != nullptr) {
        platform::leaveWindow(window);
    }
}
