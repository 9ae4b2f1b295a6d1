// SPDX-License-Identifier: GPL-3.0-or-later
#include "tests/support/MessageSink.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

#include "platform/Wnd.h"

class MessageSink::Window : public CWnd {
  public:
    std::vector<Message> received;

    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
        received.push_back({message, wParam, lParam});
        return 0;
    }
};

MessageSink::MessageSink() : window_(std::make_unique<Window>()) {
    window_->CreateEx(0, u"MessageSink", u"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr);
}

// The window is destroyed here, while the derived object still exists, so that nothing is
// recorded into a half-destroyed sink.
MessageSink::~MessageSink() {
    window_->DestroyWindow();
}

HWND MessageSink::hwnd() const {
    return window_->m_hWnd;
}

const std::vector<MessageSink::Message>& MessageSink::messages() const {
    return window_->received;
}

// Sleeps in the event loop between messages; the timer wakes it at the deadline.
bool MessageSink::WaitForMessages(std::size_t count, int timeoutMs) {
    QTimer deadline;
    deadline.setSingleShot(true);
    deadline.start(timeoutMs);
    while (window_->received.size() < count && deadline.isActive()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
    }
    return window_->received.size() >= count;
}
