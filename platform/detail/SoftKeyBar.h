// SPDX-License-Identifier: GPL-3.0-or-later
// The soft-key bar: the widget behind a menu bar's window. Internal to the platform layer.
#pragma once

#include <QColor>
#include <QString>
#include <array>
#include <optional>

#include "platform/Resources.h"
#include "platform/detail/WindowTable.h"

namespace platform {

// One soft key: a command it sends, or a pop-up menu it opens. A key without a label and
// without a command is blank and cannot be pressed.
struct SoftKey {
    QString label;
    UINT command = 0;
    ResourceList<MenuItemTemplate> popup;
    bool enabled = true;
};

struct SoftKeyBarStyle {
    bool hidden = false;
    // The bar's own background; without it the bar has the shell's shared look.
    std::optional<QColor> background;
};

// Creates the bar as a child window of the dialog, in the dialog's soft-key strip, with the left
// and right key; returns its handle, or null when the window is not a dialog.
HWND createSoftKeyBar(HWND dialog, const std::array<SoftKey, 2>& keys,
                      const SoftKeyBarStyle& style);

// Answers the bar's own messages; false when the window is no bar or the message not its own.
bool softKeyBarProc(WindowRecord& record, UINT message, WPARAM wParam, LPARAM lParam,
                    LRESULT* result);

// Works out the colours that every bar shares from the application's palette, once; a bar that
// is created first does it itself. False while there is no application to take them from.
bool prepareSoftKeyLook();
bool softKeyLookPrepared();

}  // namespace platform
