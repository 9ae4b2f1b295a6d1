// SPDX-License-Identifier: GPL-3.0-or-later
// Finger-sized targets for phone mode. Internal to the platform layer.
#pragma once

class QWidget;

namespace platform {

// The height, in logical pixels, below which a fingertip misses what it aims at.
constexpr int kTouchTarget = 44;

// Whether the user taps the control to work it: buttons, check boxes and lists.
bool isTappable(const QWidget& control);

// From now on, push buttons, check boxes, lists, their drop-down rows and menu rows are at least
// kTouchTarget high wherever Qt sizes them itself: message boxes, menus, drop-down lists.
void useTouchTargets();

}  // namespace platform
