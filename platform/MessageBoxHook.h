// SPDX-License-Identifier: GPL-3.0-or-later
// Lets tests answer message boxes: while a hook is installed, MessageBoxW shows nothing and
// returns what the hook returns.
#pragma once

#include <functional>
#include <string>

#include "platform/wintypes.h"

namespace platform {

// What the program asked for; the text and caption exactly as passed.
struct MessageBoxRequest {
    HWND owner;
    std::u16string text;
    std::u16string caption;
    UINT type;
};

using MessageBoxHook = std::function<int(const MessageBoxRequest&)>;

// Installs the hook for its lifetime and then restores the one before. A request that
// MessageBoxW refuses (stale owner, unsupported type) never reaches the hook.
class ScopedMessageBoxHook {
  public:
    explicit ScopedMessageBoxHook(MessageBoxHook hook);
    ~ScopedMessageBoxHook();
    ScopedMessageBoxHook(const ScopedMessageBoxHook&) = delete;
    ScopedMessageBoxHook& operator=(const ScopedMessageBoxHook&) = delete;

  private:
    MessageBoxHook previous_;
};

}  // namespace platform
