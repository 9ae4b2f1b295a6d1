// SPDX-License-Identifier: GPL-3.0-or-later
// A thousand Start/Stop cycles in each function, as fast as the event loop allows, with the
// virtual devices completing buffers at random points of the cycles (a fixed seed keeps every
// run the same). Completions that arrive late, after a Stop or after a newer Start, must act on
// nothing but their own device; the run ends idle with everything released, which the leak
// checker confirms at exit.
#include <gtest/gtest.h>

#include <QCoreApplication>

#include <memory>
#include <random>
#include <string>
#include <vector>

#include "audio/BackendSelection.h"
#include "audio/virtual/VirtualBackend.h"
#include "platform/Resources.h"
#include "res/resource.h"
#include "tests/load/CountingDlg.h"
#include "tests/load/RecordingBackend.h"

namespace {

constexpr int kCycles = 1000;
constexpr unsigned kSeed = 20240611;
const std::u16string kStart = u"启动";
const std::u16string kStop = u"停止";

class StartStopLoadTest : public ::testing::Test {
  protected:
    void SetUp() override {
        platform::setResourceTable(g_resources);
        virtual_->SetOutputDevices({u"Speaker", u"Headset"});
        audio::SetAudioBackend(recorder_);
    }

    void TearDown() override {
        for (const std::string& breach : recorder_->Breaches()) {
            ADD_FAILURE() << breach;
        }
    }

    // True with probability 1/n.
    bool OneIn(int n) { return std::uniform_int_distribution<int>(1, n)(random_) == 1; }

    // Lets whatever has been posted be handled, or not: a late completion then meets the next
    // Stop or Start.
    void MaybeProcessEvents() {
        if (OneIn(2)) {
            QCoreApplication::processEvents();
        }
    }

    std::shared_ptr<audio::VirtualBackend> virtual_ = std::make_shared<audio::VirtualBackend>();
    std::shared_ptr<RecordingBackend> recorder_ = std::make_shared<RecordingBackend>(virtual_);
    std::mt19937 random_{kSeed};
};

TEST_F(StartStopLoadTest, MorseSender) {
    // Texts that play one element, several, or nothing at all.
    struct Text {
        const char16_t* text;
        bool plays;
    };
    const Text texts[] = {
        {u"E", true},           {u"SOS", true}, {u"", false}, {u"\u6469\u5C14", false},
        {u"PARIS PARIS", true},
    };
    int ranToTheEnd = 0;
    int endedAtOnce = 0;
    // A write failure injected while nothing is written waits for the next first write.
    bool writeFails = false;
    CCountingDlg::Run(*recorder_, [&](CCountingDlg& dlg) {
        for (int cycle = 0; cycle < kCycles; ++cycle) {
            SCOPED_TRACE("cycle " + std::to_string(cycle));
            const Text& text = texts[random_() % std::size(texts)];
            dlg.GetDlgItem(IDC_TEXT)->SetWindowText(text.text);
            dlg.Send(IDC_DEVICE, CB_SETCURSEL, random_() % 2);
            bool opens = true;
            if (OneIn(20)) {
                virtual_->FailNext("waveOutOpen", audio::BackendStatus::kNoServer);
                opens = false;
            } else if (OneIn(20)) {
                virtual_->FailNext("waveOutWrite", audio::BackendStatus::kFailed);
                writeFails = true;
            }
            const bool writes = opens && text.plays;
            const bool plays = writes && !writeFails;
            writeFails = writeFails && !writes;
            dlg.Click(IDC_START);
            // A Start that can never complete is over at once.
            if (!plays) {
                ASSERT_EQ(dlg.Text(IDC_START), kStart);
                ASSERT_EQ(dlg.m_sender, nullptr);
                ++endedAtOnce;
                MaybeProcessEvents();
                virtual_->ClearCalls();
                continue;
            }
            ASSERT_EQ(dlg.Text(IDC_START), kStop);
            ASSERT_NE(dlg.m_sender, nullptr);
            const HWAVEOUT device = dlg.m_sender->GetDevice();
            MaybeProcessEvents();
            // Some completions, each handled at once or left waiting in the queue.
            const int completions = static_cast<int>(random_() % 4);
            for (int k = 0; k < completions && device != nullptr; ++k) {
                virtual_->CompleteOutput(device);
                MaybeProcessEvents();
            }
            if (dlg.Text(IDC_START) == kStop) {
                dlg.Click(IDC_START);
            } else {
                ++ranToTheEnd;
            }
            ASSERT_EQ(dlg.Text(IDC_START), kStart);
            ASSERT_EQ(dlg.m_sender, nullptr);
            // A stopped device has given its header back; nothing is left to complete.
            if (device != nullptr) {
                EXPECT_FALSE(virtual_->CompleteOutput(device));
            }
            MaybeProcessEvents();
            virtual_->ClearCalls();
        }
        QCoreApplication::processEvents();
        EXPECT_EQ(dlg.Text(IDC_START), kStart);
        EXPECT_EQ(dlg.m_sender, nullptr);
        EXPECT_TRUE(dlg.Enabled(IDC_TEXT));
    });
    // The seed makes some messages of one element run to their end between two clicks.
    EXPECT_GT(ranToTheEnd, 0);
    EXPECT_GT(endedAtOnce, 0);
    EXPECT_GT(recorder_->BuffersReported(), 0u);
}

TEST_F(StartStopLoadTest, LevelMeter) {
    const std::vector<char> second(CLevelMeter::kBufferBytes, 0x10);
    int lastCycles = 0;
    CCountingDlg::Run(*recorder_, [&](CCountingDlg& dlg) {
        dlg.UserSelects(IDC_FUNCTION, 1);
        for (int cycle = 0; cycle < kCycles; ++cycle) {
            SCOPED_TRACE("cycle " + std::to_string(cycle));
            bool captures = true;
            if (OneIn(20)) {
                virtual_->FailNext("waveInOpen", audio::BackendStatus::kNoServer);
                captures = false;
            } else if (OneIn(20)) {
                virtual_->FailNext("waveInStart", audio::BackendStatus::kFailed);
                captures = false;
            }
            dlg.Click(IDC_START);
            // A meter that cannot capture is released at once.
            if (!captures) {
                ASSERT_EQ(dlg.Text(IDC_START), kStart);
                ASSERT_EQ(dlg.m_meter, nullptr);
                MaybeProcessEvents();
                virtual_->ClearCalls();
                continue;
            }
            ASSERT_EQ(dlg.Text(IDC_START), kStop);
            ASSERT_NE(dlg.m_meter, nullptr);
            const HWAVEIN device = dlg.m_meter->GetDevice();
            MaybeProcessEvents();
            // Start clears the average; a late second of an earlier meter must not count.
            ASSERT_EQ(dlg.m_levelCount, 0);
            if (OneIn(3)) {
                virtual_->FillInput(device, second);
                MaybeProcessEvents();
            }
            dlg.Click(IDC_START);
            ASSERT_EQ(dlg.Text(IDC_START), kStart);
            // The meter's last second may still come, or never.
            if (OneIn(3)) {
                if (virtual_->FillInput(device, second) == second.size()) {
                    ++lastCycles;
                }
                MaybeProcessEvents();
            }
            MaybeProcessEvents();
            virtual_->ClearCalls();
        }
        // A meter still waiting for its last second gets it and is released.
        QCoreApplication::processEvents();
        if (dlg.m_meter != nullptr && dlg.m_meter->IsCapturing()) {
            EXPECT_EQ(virtual_->FillInput(dlg.m_meter->GetDevice(), second), second.size());
        }
        EXPECT_TRUE(dlg.PumpUntil([&] { return dlg.m_meter == nullptr; }));
        EXPECT_EQ(dlg.Text(IDC_START), kStart);
        EXPECT_EQ(dlg.m_sender, nullptr);
    });
    EXPECT_GT(lastCycles, 0);
}

}  // namespace
