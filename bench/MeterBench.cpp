// SPDX-License-Identifier: GPL-3.0-or-later
// The decibel meter's per-second work: the measure-and-draw call alone, and the dialog's whole
// completion cycle from the captured second to the shown level.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QCoreApplication>

#include <cstdint>
#include <memory>
#include <vector>

#include "audio/BackendSelection.h"
#include "audio/virtual/VirtualBackend.h"
#include "meter/LevelMeter.h"
#include "platform/Resources.h"
#include "platform/wingdi.h"
#include "res/resource.h"
#include "tests/app/DialogRun.h"
#include "tests/support/MessageSink.h"
#include "tests/support/SampleBytes.h"

namespace {

constexpr int kSurfaceWidth = 200;
constexpr int kSurfaceHeight = 100;

// Runs the event loop until the sink has received a capture completion after the first `seen`
// messages; its header, or null after a second without one.
WAVEHDR* AwaitCompletion(MessageSink& sink, std::size_t seen) {
    for (std::size_t i = seen;; ++i) {
        if (!sink.WaitForMessages(i + 1, 1000)) {
            return nullptr;
        }
        if (sink.messages()[i].message == MM_WIM_DATA) {
            return reinterpret_cast<WAVEHDR*>(sink.messages()[i].lParam);
        }
    }
}

std::shared_ptr<audio::VirtualBackend> InstallVirtualBackend() {
    auto backend = std::make_shared<audio::VirtualBackend>();
    backend->SetOutputDevices({u"Bench"});
    audio::SetAudioBackend(backend);
    return backend;
}

// The capture and its completion happen outside the timed region; only the call the dialog
// makes on each completion is timed.
void BM_MeasureAndDraw(benchmark::State& state) {
    const auto backend = InstallVirtualBackend();
    const std::vector<char> second = ToneSecond();
    MessageSink sink;
    CLevelMeter meter(WAVE_MAPPER, sink.hwnd());
    HDC dc = CreateCompatibleDC(nullptr);
    HBITMAP bitmap = CreateCompatibleBitmap(dc, kSurfaceWidth, kSurfaceHeight);
    SelectObject(dc, bitmap);
    for (auto _ : state) {
        state.PauseTiming();
        meter.QueueBuffer();
        const std::size_t seen = sink.messages().size();
        WAVEHDR* filled = backend->FillInput(meter.GetDevice(), second) == second.size()
                              ? AwaitCompletion(sink, seen)
                              : nullptr;
        if (filled == nullptr) {
            state.SkipWithError("the virtual device did not complete the buffer");
            break;
        }
        state.ResumeTiming();
        benchmark::DoNotOptimize(meter.MeasureAndDraw(dc, kSurfaceWidth, kSurfaceHeight));
        state.PauseTiming();
        meter.UnprepareBuffer(filled);
        state.ResumeTiming();
    }
    meter.Close();
    DeleteDC(dc);
    DeleteObject(bitmap);
}
BENCHMARK(BM_MeasureAndDraw)->Unit(benchmark::kMicrosecond);

// From the captured second to the level shown and the buffer queued again: the completion's
// trip through the event loop, the trace drawn and copied into the frame, the text set. The
// sound device's one-second wait is not part of it.
void BM_MeterCycle(benchmark::State& state) {
    const auto backend = InstallVirtualBackend();
    const std::vector<char> second = ToneSecond();
    CTestMainDlg::Run([&](CTestMainDlg& dlg) {
        dlg.UserSelects(IDC_FUNCTION, 1);
        dlg.Click(IDC_START);
        const auto cycle = [&] {
            const int count = dlg.m_levelCount;
            return dlg.m_meter != nullptr &&
                   backend->FillInput(dlg.m_meter->GetDevice(), second) == second.size() &&
                   dlg.PumpUntil(
                       [&] { return dlg.m_levelCount != count || dlg.m_meter == nullptr; });
        };
        for (auto _ : state) {
            if (!cycle()) {
                state.SkipWithError("the meter did not complete a cycle");
                break;
            }
        }
        // Stopped, the meter ends at its next completion, which releases it before the dialog
        // closes.
        dlg.Click(IDC_START);
        cycle();
    });
}
BENCHMARK(BM_MeterCycle)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
    // The figures need no screen; an explicit choice of platform is kept.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    platform::setResourceTable(g_resources);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    // Windows destroyed during the run leave their widgets to the event loop.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    return 0;
}
