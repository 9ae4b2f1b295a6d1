// SPDX-License-Identifier: GPL-3.0-or-later
// Posting and sending messages: order, threads and stale handles.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <thread>
#include <vector>

#include "platform/Wnd.h"
#include "tests/support/MessageSink.h"

namespace {

constexpr UINT kTestMessage = WM_USER + 7;

// Records the thread each message arrives on, into storage that outlives the window.
class ThreadRecordingWnd : public CWnd {
  public:
    explicit ThreadRecordingWnd(std::vector<std::thread::id>& threads) : threads_(threads) {}
    LRESULT WindowProc(UINT, WPARAM, LPARAM) override {
        threads_.push_back(std::this_thread::get_id());
        return 0;
    }

  private:
    std::vector<std::thread::id>& threads_;
};

HWND createMessageWindow(CWnd& wnd) {
    EXPECT_TRUE(wnd.CreateEx(0, u"Test", u"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr));
    return wnd.m_hWnd;
}

TEST(MessagesTest, MessagesPostedFromAnotherThreadArriveInPostingOrder) {
    constexpr int kCount = 2000;
    MessageSink sink;
    std::thread poster([hwnd = sink.hwnd()] {
        for (int i = 0; i < kCount; ++i) {
            ASSERT_EQ(TRUE, PostMessageW(hwnd, kTestMessage, static_cast<WPARAM>(i), -i));
        }
    });
    poster.join();
    ASSERT_TRUE(sink.WaitForMessages(kCount, 5000));
    ASSERT_EQ(static_cast<std::size_t>(kCount), sink.messages().size());
    for (int i = 0; i < kCount; ++i) {
        const MessageSink::Message& message = sink.messages()[static_cast<std::size_t>(i)];
        ASSERT_EQ(kTestMessage, message.message) << "message " << i;
        ASSERT_EQ(static_cast<WPARAM>(i), message.wParam) << "message " << i;
        ASSERT_EQ(-i, message.lParam) << "message " << i;
    }
}

TEST(MessagesTest, WaitForMessagesGivesUpAtTheDeadline) {
    MessageSink sink;
    PostMessageW(sink.hwnd(), kTestMessage, 0, 0);
    EXPECT_FALSE(sink.WaitForMessages(2, 50));
    EXPECT_EQ(1u, sink.messages().size());
}

TEST(MessagesTest, PostsFromSeveralThreadsKeepTheirOrderAcrossThreads) {
    MessageSink sink;
    ASSERT_EQ(TRUE, PostMessageW(sink.hwnd(), kTestMessage, 1, 0));
    std::thread([hwnd = sink.hwnd()] { PostMessageW(hwnd, kTestMessage, 2, 0); }).join();
    ASSERT_EQ(TRUE, PostMessageW(sink.hwnd(), kTestMessage, 3, 0));
    ASSERT_TRUE(sink.WaitForMessages(3, 5000));
    EXPECT_EQ(1u, sink.messages()[0].wParam);
    EXPECT_EQ(2u, sink.messages()[1].wParam);
    EXPECT_EQ(3u, sink.messages()[2].wParam);
}

TEST(MessagesTest, PostedMessagesAreDeliveredOnTheUserInterfaceThread) {
    std::vector<std::thread::id> threads;
    ThreadRecordingWnd wnd(threads);
    const HWND hwnd = createMessageWindow(wnd);
    std::thread([hwnd] { PostMessageW(hwnd, kTestMessage, 0, 0); }).join();
    QCoreApplication::sendPostedEvents();
    ASSERT_EQ(1u, threads.size());
    EXPECT_EQ(std::this_thread::get_id(), threads[0]);
    wnd.DestroyWindow();
}

TEST(MessagesTest, SendMessageCallsTheWindowAtOnceAndReturnsItsResult) {
    MessageSink sink;
    EXPECT_EQ(0, SendMessageW(sink.hwnd(), kTestMessage, 5, 6));
    ASSERT_EQ(1u, sink.messages().size());
    EXPECT_EQ(5u, sink.messages()[0].wParam);
    EXPECT_EQ(6, sink.messages()[0].lParam);
}

TEST(MessagesTest, SendMessageFromAnotherThreadIsRefused) {
    MessageSink sink;
    LRESULT result = -1;
    std::thread([&] { result = SendMessageW(sink.hwnd(), kTestMessage, 0, 0); }).join();
    EXPECT_EQ(0, result);
    EXPECT_TRUE(sink.messages().empty());
}

TEST(MessagesTest, NullAndStaleHandlesAreRefused) {
    HWND stale = nullptr;
    {
        MessageSink sink;
        stale = sink.hwnd();
        EXPECT_EQ(TRUE, IsWindow(stale));
    }
    EXPECT_EQ(FALSE, IsWindow(stale));
    EXPECT_EQ(FALSE, PostMessageW(stale, kTestMessage, 0, 0));
    EXPECT_EQ(FALSE, PostMessageW(nullptr, kTestMessage, 0, 0));
    EXPECT_EQ(0, SendMessageW(stale, kTestMessage, 0, 0));
    EXPECT_EQ(nullptr, CWnd::FromHandle(stale));
}

TEST(MessagesTest, MessagePostedToAWindowDestroyedBeforeDeliveryIsDropped) {
    std::vector<std::thread::id> threads;
    ThreadRecordingWnd wnd(threads);
    const HWND hwnd = createMessageWindow(wnd);
    ASSERT_EQ(TRUE, PostMessageW(hwnd, kTestMessage, 0, 0));
    ASSERT_EQ(TRUE, wnd.DestroyWindow());
    threads.clear();  // WM_DESTROY
    QCoreApplication::sendPostedEvents();
    EXPECT_TRUE(threads.empty());
    EXPECT_EQ(nullptr, wnd.m_hWnd);
}

TEST(MessagesTest, HandlesAreNeverReused) {
    std::vector<HWND> handles;
    for (int i = 0; i < 3; ++i) {
        MessageSink sink;
        handles.push_back(sink.hwnd());
    }
    EXPECT_NE(handles[0], handles[1]);
    EXPECT_NE(handles[1], handles[2]);
    EXPECT_NE(handles[0], handles[2]);
}

TEST(MessagesTest, DestroyWindowSendsWmDestroyAndStalesTheHandle) {
    MessageSink sink;
    const HWND hwnd = sink.hwnd();
    CWnd* wnd = CWnd::FromHandle(hwnd);
    ASSERT_NE(nullptr, wnd);
    EXPECT_EQ(TRUE, wnd->DestroyWindow());
    ASSERT_EQ(1u, sink.messages().size());
    EXPECT_EQ(WM_DESTROY, sink.messages()[0].message);
    EXPECT_EQ(FALSE, IsWindow(hwnd));
    EXPECT_EQ(FALSE, wnd->DestroyWindow());
}

}  // namespace
