// SPDX-License-Identifier: GPL-3.0-or-later
// The one window service the audio entry points need, PostMessageW, for a fuzz target built
// without the window system: windows are handles in a table, and posted messages wait in one
// queue, in posting order, until the target takes them.
#pragma once

#include <optional>

#include "platform/winuser.h"

namespace fuzz {

struct PostedMessage {
    HWND window;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
};

// A window that accepts posted messages until it is destroyed.
HWND CreateMessageWindow();
void DestroyMessageWindow(HWND window);
// The oldest message posted to a live window, if any; messages of destroyed windows are
// dropped, as delivery to a destroyed window is.
std::optional<PostedMessage> TakePostedMessage();

}  // namespace fuzz
