// SPDX-License-Identifier: GPL-3.0-or-later
// A message-only window that records what it receives, for tests of code that posts messages.
#pragma once

#include <cstddef>
#include <memory>
#include <vector>

#include "platform/wintypes.h"

class MessageSink {
  public:
    struct Message {
        UINT message;
        WPARAM wParam;
        LPARAM lParam;
    };

    // Creates the window; call on the user-interface thread.
    MessageSink();
    ~MessageSink();
    MessageSink(const MessageSink&) = delete;
    MessageSink& operator=(const MessageSink&) = delete;

    HWND hwnd() const;
    // Every message delivered so far, in delivery order.
    const std::vector<Message>& messages() const;
    // Runs the event loop until at least count messages have arrived in total or timeoutMs has
    // passed; true when they have arrived.
    bool WaitForMessages(std::size_t count, int timeoutMs);

  private:
    class Window;
    std::unique_ptr<Window> window_;
};
