// SPDX-License-Identifier: GPL-3.0-or-later
// The behaviour of each kind of window, reached through CWnd::DefWindowProc. Internal to the
// platform layer.
#pragma once

#include "platform/wintypes.h"

namespace platform {

LRESULT windowClassProc(HWND handle, UINT message, WPARAM wParam, LPARAM lParam);

}  // namespace platform
