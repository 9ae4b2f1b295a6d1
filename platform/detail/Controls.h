// SPDX-License-Identifier: GPL-3.0-or-later
// The controls of dialog templates: their widgets and the messages they answer. Internal to
// the platform layer.
#pragma once

#include "platform/Resources.h"
#include "platform/detail/WindowTable.h"

class QWidget;

namespace platform {

// Creates the control as a child of the dialog and returns its widget; null when the template
// names a class or style this platform does not provide. The geometry is in pixels of the
// dialog's client area.
QWidget* createControl(HWND dialog, QWidget* dialogWidget, const DialogItemTemplate& item, int x,
                       int y, int width, int height);

// Answers the control-specific messages; false when the message is not one of them.
bool controlProc(WindowRecord& record, UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result);

// Shows the text in the record on the window's widget, after WM_SETTEXT has changed it.
void showText(WindowRecord& record);

// Lets a finger's drag scroll a text field, with momentum, as on a phone; other controls are
// left as they are.
void scrollByTouch(QWidget& control);

}  // namespace platform
