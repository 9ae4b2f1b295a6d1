// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "audio/BackendSelection.h"
#include "audio/virtual/VirtualBackend.h"
#include "platform/Resources.h"
#include "platform/wingdi.h"
#include "res/resource.h"
#include "tests/app/DialogRun.h"
#include "tests/support/SampleBytes.h"

namespace {

constexpr COLORREF kBlack = 0x000000;
constexpr COLORREF kWhite = 0xFFFFFF;

std::vector<char> Second(std::int16_t even, std::int16_t odd) {
    return SampleBytes(CLevelMeter::kBufferBytes / 2,
                       [&](std::size_t k) { return k % 2 ? odd : even; });
}

class MeterCycleTest : public ::testing::Test {
  protected:
    void SetUp() override {
        platform::setResourceTable(g_resources);
        audio::SetAudioBackend(backend_);
    }

    static void StartMeter(CTestMainDlg& dlg) {
        dlg.UserSelects(IDC_FUNCTION, 1);
        dlg.Click(IDC_START);
    }

    // One captured second: fills the meter's buffer and waits for the cycle to have run.
    bool Cycle(CTestMainDlg& dlg, const std::vector<char>& second) {
        const int count = dlg.m_levelCount;
        CLevelMeter* meter = dlg.m_meter.get();
        if (meter == nullptr || backend_->FillInput(meter->GetDevice(), second) != second.size()) {
            return false;
        }
        return dlg.PumpUntil([&] { return dlg.m_levelCount != count || dlg.m_meter == nullptr; });
    }

    std::shared_ptr<audio::VirtualBackend> backend_ = std::make_shared<audio::VirtualBackend>();
};

TEST_F(MeterCycleTest, LevelAndRunningAverage) {
    CTestMainDlg::Run([&](CTestMainDlg& dlg) {
        StartMeter(dlg);
        EXPECT_EQ(dlg.Text(IDC_LEVEL), u"当前: 0 dB | 平均: 0 dB");
        ASSERT_TRUE(Cycle(dlg, Second(1000, 1000)));
        EXPECT_EQ(dlg.Text(IDC_LEVEL), u"当前:59.9 dB | 平均:59.9 dB");
        ASSERT_TRUE(Cycle(dlg, Second(1000, -1000)));
        EXPECT_EQ(dlg.Text(IDC_LEVEL), u"当前:66.0 dB | 平均:62.9 dB");
        ASSERT_TRUE(Cycle(dlg, Second(1, 1)));
        EXPECT_EQ(dlg.Text(IDC_LEVEL), u"当前:0.0 dB | 平均:41.9 dB");
        EXPECT_EQ(dlg.m_levelCount, 3);
        EXPECT_FLOAT_EQ(dlg.m_levelSum, 1259.0f);
        dlg.Click(IDC_START);
        ASSERT_TRUE(Cycle(dlg, Second(0, 0)));
    });
}

TEST_F(MeterCycleTest, SilentSecondShowsTheFloorWithItsSign) {
    CTestMainDlg::Run([&](CTestMainDlg& dlg) {
        StartMeter(dlg);
        ASSERT_TRUE(Cycle(dlg, Second(0, 0)));
        EXPECT_EQ(dlg.Text(IDC_LEVEL), u"当前:-6.0 dB | 平均:-6.0 dB");
        dlg.Click(IDC_START);
        ASSERT_TRUE(Cycle(dlg, Second(0, 0)));
    });
}

TEST_F(MeterCycleTest, StopGivesExactlyOneMoreCycle) {
    CTestMainDlg::Run([&](CTestMainDlg& dlg) {
        StartMeter(dlg);
        ASSERT_TRUE(Cycle(dlg, Second(1000, 1000)));
        dlg.Click(IDC_START);
        EXPECT_EQ(dlg.Text(IDC_START), u"启动");
        ASSERT_NE(dlg.m_meter, nullptr);
        backend_->ClearCalls();
        ASSERT_TRUE(Cycle(dlg, Second(1000, -1000)));
        EXPECT_EQ(dlg.m_meter, nullptr);
        EXPECT_EQ(dlg.Text(IDC_LEVEL), u"当前:66.0 dB | 平均:62.9 dB");
        EXPECT_EQ(dlg.m_levelCount, 2);
        EXPECT_FLOAT_EQ(dlg.m_levelSum, 1259.0f);
        const std::vector<std::string> expected = {"waveInStop", "waveInReset",
                                                   "waveInUnprepareHeader 45000", "waveInClose"};
        EXPECT_EQ(backend_->Calls(), expected);
    });
}

TEST_F(MeterCycleTest, TraceIsCopiedInsideTheFrame) {
    CTestMainDlg::Run([&](CTestMainDlg& dlg) {
        StartMeter(dlg);
        CWnd* frame = dlg.GetDlgItem(IDC_WAVEFORM);
        RECT rect{};
        frame->GetWindowRect(&rect);
        const int height = rect.bottom - rect.top - 25;
        const int centre = 20 + height / 2;
        HDC dc = frame->GetDC();
        // Outside the copied surface: left of it, and above it where the caption is.
        const POINT outside[] = {{4, centre}, {40, 19}, {0, 0}};
        std::vector<COLORREF> before;
        for (const POINT& p : outside) {
            before.push_back(GetPixel(dc, p.x, p.y));
        }
        ASSERT_TRUE(Cycle(dlg, Second(0, 0)));
        EXPECT_EQ(GetPixel(dc, 5, centre) & 0xFFFFFF, kBlack);
        EXPECT_EQ(GetPixel(dc, 40, centre) & 0xFFFFFF, kBlack);
        EXPECT_EQ(GetPixel(dc, 40, centre - 1) & 0xFFFFFF, kWhite);
        EXPECT_EQ(GetPixel(dc, 5, 20) & 0xFFFFFF, kWhite);
        for (std::size_t i = 0; i < before.size(); ++i) {
            EXPECT_EQ(GetPixel(dc, outside[i].x, outside[i].y), before[i]) << "point " << i;
        }
        frame->ReleaseDC(dc);
        dlg.Click(IDC_START);
        ASSERT_TRUE(Cycle(dlg, Second(0, 0)));
    });
}

TEST_F(MeterCycleTest, FailedOpenChangesNothingAndReturnsToIdleAtOnce) {
    backend_->FailNext("waveInOpen", audio::BackendStatus::kFailed);
    CTestMainDlg::Run([&](CTestMainDlg& dlg) {
        StartMeter(dlg);
        EXPECT_EQ(dlg.m_meter, nullptr);
        EXPECT_EQ(dlg.Text(IDC_START), u"启动");
        dlg.Settle();
        EXPECT_EQ(dlg.Text(IDC_LEVEL), u"当前: 0 dB | 平均: 0 dB");
        EXPECT_EQ(dlg.m_levelCount, 0);
    });
}

TEST_F(MeterCycleTest, StartAgainBeforeTheLastCycleClosesTheOldMeterFirst) {
    CTestMainDlg::Run([&](CTestMainDlg& dlg) {
        StartMeter(dlg);
        const HWAVEIN first = dlg.m_meter->GetDevice();
        dlg.Click(IDC_START);
        dlg.Click(IDC_START);
        ASSERT_NE(dlg.m_meter, nullptr);
        EXPECT_NE(dlg.m_meter->GetDevice(), first);
        // The old meter's buffer came back with its reset; its completion must not count.
        dlg.Settle();
        EXPECT_EQ(dlg.m_levelCount, 0);
        EXPECT_TRUE(backend_->IsCapturing(dlg.m_meter->GetDevice()));
        ASSERT_TRUE(Cycle(dlg, Second(1000, -1000)));
        EXPECT_EQ(dlg.m_levelCount, 1);
        dlg.Click(IDC_START);
        ASSERT_TRUE(Cycle(dlg, Second(0, 0)));
    });
}

// The source fails within a second: the partial second is measured and shown, the buffer is
// refused when queued again, and the run ends with the meter released. A new Start captures.
TEST_F(MeterCycleTest, DeviceLostMidSecondEndsTheRun) {
    CTestMainDlg::Run([&](CTestMainDlg& dlg) {
        StartMeter(dlg);
        ASSERT_NE(dlg.m_meter, nullptr);
        const HWAVEIN device = dlg.m_meter->GetDevice();
        const std::vector<char> second = Second(1000, 1000);
        const std::vector<char> half(second.begin(), second.begin() + second.size() / 2);
        ASSERT_EQ(backend_->FillInput(device, half), half.size());
        ASSERT_TRUE(backend_->LoseDevice(device));
        EXPECT_TRUE(dlg.PumpUntil([&] { return dlg.m_meter == nullptr; }));
        EXPECT_EQ(dlg.m_levelCount, 1);
        EXPECT_EQ(dlg.Text(IDC_LEVEL), u"当前:59.9 dB | 平均:59.9 dB");
        EXPECT_EQ(dlg.Text(IDC_START), u"启动");
        EXPECT_TRUE(dlg.Enabled(IDC_FUNCTION));
        EXPECT_FALSE(backend_->IsOpen(device));
        StartMeter(dlg);
        ASSERT_NE(dlg.m_meter, nullptr);
        EXPECT_TRUE(backend_->IsCapturing(dlg.m_meter->GetDevice()));
        dlg.Click(IDC_START);
        ASSERT_TRUE(Cycle(dlg, Second(0, 0)));
    });
}

// A meter stopped during its second is released with that second whatever function the dialog
// shows by then, and at once when either function starts before it.
TEST_F(MeterCycleTest, AStoppedMeterLeavesNoCaptureBehind) {
    backend_->SetOutputDevices({u"Speaker"});
    CTestMainDlg::Run([&](CTestMainDlg& dlg) {
        StartMeter(dlg);
        dlg.Click(IDC_START);
        dlg.UserSelects(IDC_FUNCTION, 0);
        ASSERT_TRUE(Cycle(dlg, Second(1000, 1000)));
        EXPECT_EQ(dlg.m_meter, nullptr);
        EXPECT_EQ(dlg.Text(IDC_LEVEL), u"当前:59.9 dB | 平均:59.9 dB");

        dlg.UserSelects(IDC_FUNCTION, 1);
        dlg.Click(IDC_START);
        const HWAVEIN device = dlg.m_meter->GetDevice();
        dlg.Click(IDC_START);
        dlg.UserSelects(IDC_FUNCTION, 0);
        dlg.GetDlgItem(IDC_TEXT)->SetWindowText(u"EE");
        dlg.Click(IDC_START);
        EXPECT_EQ(dlg.m_meter, nullptr);
        EXPECT_FALSE(backend_->IsOpen(device));
        ASSERT_NE(dlg.m_sender, nullptr);
        const HWAVEOUT output = dlg.m_sender->GetDevice();
        while (dlg.m_sender != nullptr && backend_->CompleteOutput(output)) {
            dlg.PumpUntil([&] {
                return !backend_->QueuedHeaders(output).empty() || dlg.m_sender == nullptr;
            });
        }
        EXPECT_EQ(dlg.m_sender, nullptr);
        EXPECT_EQ(dlg.Text(IDC_START), u"启动");
        // The meter's handed-back second reached nothing: the hidden level text is as it was.
        EXPECT_EQ(dlg.Text(IDC_LEVEL), u"当前:59.9 dB | 平均:59.9 dB");
        EXPECT_EQ(dlg.m_levelCount, 0);
    });
}

}  // namespace
