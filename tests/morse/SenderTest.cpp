// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "audio/BackendSelection.h"
#include "audio/virtual/VirtualBackend.h"
#include "morse/MorseSender.h"
#include "morse/SoundBuffers.h"
#include "tests/support/MessageSink.h"

namespace {

class SenderTest : public ::testing::Test {
  protected:
    void SetUp() override {
        backend_->SetOutputDevices({u"Speaker"});
        audio::SetAudioBackend(backend_);
    }

    std::unique_ptr<CMorseSender> MakeSender() {
        return std::make_unique<CMorseSender>(0, sink_.hwnd(), FALSE);
    }

    static SymbolString Symbols(const std::u16string& text) {
        SymbolString symbols;
        symbols.AppendUnbounded(text.c_str());
        return symbols;
    }

    // The queue as written: "T" for a tone header, "S" for a silence header, with its length.
    std::string Queue(CMorseSender& sender) {
        const auto queued = backend_->QueuedHeaders(sender.GetDevice());
        if (queued.empty()) {
            return "";
        }
        std::string text;
        for (const WAVEHDR* h = queued.front(); h != nullptr; h = h->lpNext) {
            const auto* data = reinterpret_cast<const BYTE*>(h->lpData);
            text += data == g_tone.get() ? "T" : data == g_silence.get() ? "S" : "?";
            text += std::to_string(h->dwBufferLength) + (h->lpNext ? " " : "");
        }
        return text;
    }

    std::shared_ptr<audio::VirtualBackend> backend_ = std::make_shared<audio::VirtualBackend>();
    MessageSink sink_;
};

TEST_F(SenderTest, OneHeaderPerElementWithTheGapRules) {
    struct Case {
        std::u16string symbols;
        std::string queue;
    };
    const std::string dot = "T1875", dash = "T5475", element = "S1800", letter = "S5475",
                      word = "S14400";
    std::string startSignal;
    for (int i = 0; i < 12; ++i) {
        startSignal += ((i % 4 == 3) ? dash : dot) + " " + (i < 11 ? element + " " : "");
    }
    startSignal += word;
    const Case cases[] = {
        {u".", dot},
        {u"...,---,...", dot + " " + element + " " + dot + " " + element + " " + dot + " " +
                             letter + " " + dash + " " + element + " " + dash + " " + element +
                             " " + dash + " " + letter + " " + dot + " " + element + " " + dot +
                             " " + element + " " + dot},
        {u".- -...", dot + " " + element + " " + dash + " " + word + " " + dash + " " + element +
                         " " + dot + " " + element + " " + dot + " " + element + " " + dot},
        {u".-,", dot + " " + element + " " + dash + " " + letter},
        {u"...-...-...- ", startSignal},
        {u"_", dash},
        {u"._.", dot + " " + element + " " + dash + " " + element + " " + dot},
        {u".x.", dot + " " + element + " " + dot},
        {u".x", dot + " " + element},
        {u"x", ""},
        {u"", ""},
    };
    for (const Case& c : cases) {
        auto sender = MakeSender();
        sender->BuildQueue(Symbols(c.symbols));
        EXPECT_EQ(Queue(*sender), c.queue)
            << "symbols \"" << std::string(c.symbols.begin(), c.symbols.end()) << "\"";
        sender->Close();
    }
}

TEST_F(SenderTest, CallOrderFromOpenToClose) {
    auto sender = MakeSender();
    sender->BuildQueue(sender->EncodeText(u"EE"));
    // The completion notices drive the queue, one header with the device at a time.
    while (backend_->CompleteOutput(sender->GetDevice())) {
        sender->NextBuffer();
        sender->WriteCurrent();
    }
    EXPECT_FALSE(sender->NextBuffer());
    sender->Close();
    const std::vector<std::string> expected = {
        "waveOutOpen 0",
        "waveOutPrepareHeader 1875",
        "waveOutPrepareHeader 5475",
        "waveOutPrepareHeader 1875",
        "waveOutWrite 1875",
        "waveOutUnprepareHeader 1875",
        "waveOutWrite 5475",
        "waveOutUnprepareHeader 5475",
        "waveOutWrite 1875",
        "waveOutUnprepareHeader 1875",
        "waveOutClose",
    };
    EXPECT_EQ(backend_->Calls(), expected);
    EXPECT_FALSE(g_tone);
    EXPECT_FALSE(g_silence);
}

TEST_F(SenderTest, CloseWhileAHeaderIsWithTheDeviceGetsItBackFirst) {
    auto sender = MakeSender();
    sender->BuildQueue(sender->EncodeText(u"SOS"));
    const HWAVEOUT device = sender->GetDevice();
    ASSERT_EQ(backend_->QueuedHeaders(device).size(), 1u);
    sender->Close();
    EXPECT_TRUE(backend_->QueuedHeaders(device).empty());
    const std::vector<std::string> calls = backend_->Calls();
    ASSERT_GE(calls.size(), 2u);
    EXPECT_EQ(calls[calls.size() - 2], "waveOutReset");
    EXPECT_EQ(calls.back(), "waveOutClose");
}

TEST_F(SenderTest, FailedOpenBuildsTheQueueButPlaysNothing) {
    backend_->FailNext("waveOutOpen", audio::BackendStatus::kFailed);
    auto sender = MakeSender();
    EXPECT_EQ(sender->GetDevice(), nullptr);
    sender->BuildQueue(sender->EncodeText(u"E"));
    EXPECT_FALSE(sink_.WaitForMessages(1, 50));
    sender->Close();
    EXPECT_EQ(backend_->Calls(), std::vector<std::string>{"waveOutOpen 0"});
}

}  // namespace
