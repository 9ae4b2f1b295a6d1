#include "tests/support/MessageSink.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEventLoop>

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

bool MessageSink::WaitForMessages(std::size_t count, int timeoutMs) {
    const QDeadlineTimer deadline(timeoutMs);
    while (window_->received.size() < count && !deadline.hasExpired()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents,
                                        static_cast<int>(deadline.remainingTime()));
    }
    return window_->received.size() >= count;
}
