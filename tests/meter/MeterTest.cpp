// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "audio/BackendSelection.h"
#include "audio/virtual/VirtualBackend.h"
#include "meter/LevelMeter.h"
#include "platform/wingdi.h"
#include "tests/support/MessageSink.h"
#include "tests/support/SampleBytes.h"

namespace {

constexpr int kSamples = CLevelMeter::kBufferBytes / 2;
constexpr COLORREF kBlack = 0x000000;
constexpr COLORREF kWhite = 0xFFFFFF;

using SampleAt = std::function<std::int16_t(int k)>;

// A memory surface of w x h with its bitmap selected, released with the object.
class Surface {
  public:
    Surface(int w, int h)
        : m_dc(CreateCompatibleDC(nullptr)), m_bitmap(CreateCompatibleBitmap(m_dc, w, h)) {
        SelectObject(m_dc, m_bitmap);
    }
    ~Surface() {
        DeleteDC(m_dc);
        DeleteObject(m_bitmap);
    }
    HDC dc() const { return m_dc; }
    COLORREF Pixel(int x, int y) const { return GetPixel(m_dc, x, y) & 0xFFFFFF; }

  private:
    HDC m_dc;
    HBITMAP m_bitmap;
};

class MeterTest : public ::testing::Test {
  protected:
    void SetUp() override { audio::SetAudioBackend(backend_); }

    // Captures one second of the given samples into a new meter, as a completion would leave it.
    std::unique_ptr<CLevelMeter> Captured(const SampleAt& sample) {
        auto meter = std::make_unique<CLevelMeter>(WAVE_MAPPER, sink_.hwnd());
        meter->QueueBuffer();
        const std::vector<char> bytes =
            SampleBytes(kSamples, [&](std::size_t k) { return sample(static_cast<int>(k)); });
        const std::size_t before = sink_.messages().size();
        EXPECT_EQ(backend_->FillInput(meter->GetDevice(), bytes), bytes.size());
        m_filled = nullptr;
        while (m_filled == nullptr && sink_.WaitForMessages(before + 1, 1000)) {
            for (std::size_t i = before; i < sink_.messages().size(); ++i) {
                if (sink_.messages()[i].message == MM_WIM_DATA) {
                    m_filled = reinterpret_cast<WAVEHDR*>(sink_.messages()[i].lParam);
                }
            }
            if (m_filled == nullptr && !sink_.WaitForMessages(sink_.messages().size() + 1, 1000)) {
                break;
            }
        }
        EXPECT_NE(m_filled, nullptr);
        return meter;
    }

    void Finish(CLevelMeter& meter) {
        meter.UnprepareBuffer(m_filled);
        meter.Close();
    }

    std::shared_ptr<audio::VirtualBackend> backend_ = std::make_shared<audio::VirtualBackend>();
    MessageSink sink_;
    WAVEHDR* m_filled = nullptr;  // the header of the last completion
};

TEST_F(MeterTest, LevelOfOneSecond) {
    struct Case {
        const char* name;
        SampleAt sample;
        int level;
    };
    const Case cases[] = {
        {"one +1", [](int k) { return k == 7 ? 1 : 0; }, -60},
        {"three +1", [](int k) { return k < 3 ? 1 : 0; }, -24},
        {"all +1", [](int) { return 1; }, 0},
        {"all -1", [](int) { return -1; }, 0},
        {"alternating +1 -1", [](int k) { return k % 2 ? -1 : 1; }, 60},
        {"all +1000", [](int) { return 1000; }, 599},
        {"alternating +1000 -1000", [](int k) { return k % 2 ? -1000 : 1000; }, 660},
        {"full scale", [](int k) { return k % 2 ? -32768 : 32767; }, 963},
        {"all zero", [](int) { return 0; }, -60},
    };
    for (const Case& c : cases) {
        auto meter = Captured(c.sample);
        Surface surface(200, 100);
        EXPECT_EQ(meter->MeasureAndDraw(surface.dc(), 200, 100), c.level) << c.name;
        Finish(*meter);
    }
}

// A constant second draws the start point on the centre line and then a horizontal line at the
// sample's height; the last point's own pixel is not drawn.
TEST_F(MeterTest, TraceColumnsAndRows) {
    struct Case {
        int w;
        int h;
        std::int16_t sample;
        int row;              // where the trace runs, -1 when it lies off the surface
        int lastBlackColumn;  // of that row
    };
    const Case cases[] = {
        {200, 100, 0, 50, 198},  // step 225, points at x = 1 ... 199
        {150, 100, 0, 50, 148},  // step 300, points at x = 1 ... 149
        {101, 100, 0, 50, 100},  // step 445, points up to x = 101, clipped
        {200, 100, 16384, 75, 198},  {200, 100, -16384, 25, 198}, {200, 100, 1, 50, 198},
        {200, 100, -1, 50, 198},     {200, 100, -32768, 0, 198},  {200, 100, 32767, -1, 0},
        {200, 101, 32767, 100, 198}, {200, 101, -32768, 0, 198},
    };
    for (const Case& c : cases) {
        const std::string name = "w " + std::to_string(c.w) + " h " + std::to_string(c.h) +
                                 " sample " + std::to_string(c.sample);
        auto meter = Captured([&](int) { return c.sample; });
        Surface surface(c.w, c.h);
        meter->MeasureAndDraw(surface.dc(), c.w, c.h);
        EXPECT_EQ(surface.Pixel(0, c.h / 2), kBlack) << name << ": start point";
        for (int y = 0; y < c.h; ++y) {
            for (int x = 2; x < c.w; ++x) {
                const bool black = y == c.row && x <= c.lastBlackColumn;
                ASSERT_EQ(surface.Pixel(x, y), black ? kBlack : kWhite)
                    << name << " at " << x << "," << y;
            }
        }
        Finish(*meter);
    }
}

TEST_F(MeterTest, NoDeviceOrFailingStopDrawsNothingAndGivesZero) {
    backend_->FailNext("waveInOpen", audio::BackendStatus::kFailed);
    CLevelMeter closed(WAVE_MAPPER, sink_.hwnd());
    EXPECT_EQ(closed.GetDevice(), nullptr);
    EXPECT_NE(closed.GetErrorText()[0], 0);
    Surface untouched(20, 10);
    backend_->ClearCalls();
    EXPECT_EQ(closed.MeasureAndDraw(untouched.dc(), 20, 10), 0);
    EXPECT_TRUE(backend_->Calls().empty());
    EXPECT_NE(untouched.Pixel(5, 5), kWhite);
    closed.Close();

    auto meter = Captured([](int k) { return k % 2 ? -1000 : 1000; });
    backend_->FailNext("waveInStop", audio::BackendStatus::kFailed);
    backend_->ClearCalls();
    Surface surface(20, 10);
    EXPECT_EQ(meter->MeasureAndDraw(surface.dc(), 20, 10), 0);
    EXPECT_EQ(backend_->Calls(), std::vector<std::string>{"waveInStop"});
    EXPECT_NE(surface.Pixel(5, 5), kWhite);
    EXPECT_NE(meter->GetErrorText()[0], 0);
    Finish(*meter);
}

// A surface of no height is drawn all the same: the walk ends on the last point, on the centre
// line, which is row 0.
TEST_F(MeterTest, ASurfaceOfHeightZeroIsDrawnAsAnyOther) {
    struct Case {
        int w;
        POINT last;
    };
    const Case cases[] = {{200, {199, 0}}, {150, {149, 0}}, {101, {101, 0}}};
    for (const Case& c : cases) {
        auto meter = Captured([](int k) { return k % 2 ? -1000 : 1000; });
        Surface surface(c.w, 0);
        EXPECT_EQ(meter->MeasureAndDraw(surface.dc(), c.w, 0), 660) << c.w;
        POINT position{-1, -1};
        MoveToEx(surface.dc(), 0, 0, &position);
        EXPECT_EQ(position.x, c.last.x) << c.w;
        EXPECT_EQ(position.y, c.last.y) << c.w;
        Finish(*meter);
    }
}

TEST_F(MeterTest, TooSmallASurfaceStillMeasures) {
    for (const auto& [w, h] : {std::pair{0, 10}, std::pair{-4, 10}, std::pair{10, -1}}) {
        auto meter = Captured([](int k) { return k % 2 ? -1000 : 1000; });
        EXPECT_EQ(meter->MeasureAndDraw(nullptr, w, h), 660) << w << " x " << h;
        Finish(*meter);
    }
}

TEST_F(MeterTest, DeviceSeesStopResetUnprepareThenQueueAgainOrClose) {
    auto meter = Captured([](int) { return 0; });
    backend_->ClearCalls();
    Surface surface(20, 10);
    meter->MeasureAndDraw(surface.dc(), 20, 10);
    meter->UnprepareBuffer(m_filled);
    meter->QueueBuffer();
    EXPECT_TRUE(meter->IsCapturing());
    // Closed while its buffer is queued, the meter has the device hand it back first.
    meter->Close();
    const std::vector<std::string> expected = {
        "waveInStop",
        "waveInReset",
        "waveInUnprepareHeader 45000",
        "waveInPrepareHeader 45000",
        "waveInAddBuffer 45000",
        "waveInStart",
        "waveInReset",
        "waveInUnprepareHeader 45000",
        "waveInClose",
    };
    EXPECT_EQ(backend_->Calls(), expected);
}

TEST_F(MeterTest, FailedQueueingKeepsItsTextAndCapturesNothing) {
    CLevelMeter meter(WAVE_MAPPER, sink_.hwnd());
    backend_->FailNext("waveInAddBuffer", audio::BackendStatus::kFailed);
    meter.QueueBuffer();
    EXPECT_FALSE(meter.IsCapturing());
    EXPECT_NE(meter.GetErrorText()[0], 0);
    meter.Close();
    EXPECT_EQ(backend_->Calls().back(), "waveInClose");
}

}  // namespace
