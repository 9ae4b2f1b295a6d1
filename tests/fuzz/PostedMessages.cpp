// SPDX-License-Identifier: GPL-3.0-or-later
#include "tests/fuzz/PostedMessages.h"

#include <cstdint>
#include <deque>
#include <mutex>
#include <set>

namespace fuzz {
namespace {

std::mutex g_mutex;
std::set<HWND> g_windows;
std::deque<PostedMessage> g_queue;
// Handles are never reused, so a stale one can never name a newer window.
std::uintptr_t g_lastWindow = 0;

}  // namespace

HWND CreateMessageWindow() {
    std::lock_guard lock(g_mutex);
    const auto window = reinterpret_cast<HWND>(++g_lastWindow);
    g_windows.insert(window);
    return window;
}

void DestroyMessageWindow(HWND window) {
    std::lock_guard lock(g_mutex);
    g_windows.erase(window);
}

std::optional<PostedMessage> TakePostedMessage() {
    std::lock_guard lock(g_mutex);
    while (!g_queue.empty()) {
        const PostedMessage message = g_queue.front();
        g_queue.pop_front();
        if (g_windows.contains(message.window)) {
            return message;
        }
    }
    return std::nullopt;
}

}  // namespace fuzz

// May be called from any thread; refuses a window that does not exist.
BOOL PostMessageW(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam) {
    std::lock_guard lock(fuzz::g_mutex);
    if (!fuzz::g_windows.contains(hWnd)) {
        return FALSE;
    }
    fuzz::g_queue.push_back({hWnd, Msg, wParam, lParam});
    return TRUE;
}
