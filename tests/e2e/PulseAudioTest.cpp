// SPDX-License-Identifier: GPL-3.0-or-later
// The waveform-audio entry points against a private sound server with a null sink whose monitor
// is the default source (see scripts/pulse-test-server and scripts/pipewire-test-server).
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "audio/AudioFormat.h"
#include "audio/BackendSelection.h"
#include "audio/pulse/PulseBackend.h"
#include "tests/audio/AudioNames.h"
#include "tests/e2e/AudioLog.h"
#include "tests/e2e/MonitorRecorder.h"
#include "tests/e2e/SoundRuns.h"
#include "tests/support/MessageSink.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr std::int16_t kToneLevel = 8000;
constexpr std::size_t kSamplesPerSecond = 22500;

// A tone that never crosses zero, so that every one of its samples is told apart from silence:
// a 1250 Hz square wave between +8000 and -8000, low enough to pass a resampler. A trailing odd
// byte is set too, to show it is not played.
std::vector<char> Tone(std::size_t bytes) {
    std::vector<char> data(bytes, 0x7F);
    for (std::size_t i = 0; i + 1 < bytes; i += 2) {
        const std::int16_t sample = (i / 2) % 18 < 9 ? kToneLevel : -kToneLevel;
        std::memcpy(&data[i], &sample, sizeof(sample));
    }
    return data;
}

// The samples followed by a tenth of a second of silence.
std::vector<std::int16_t> ThenSilence(std::vector<std::int16_t> samples) {
    samples.resize(samples.size() + kSamplesPerSecond / 10, 0);
    return samples;
}

// The samples a header plays: its whole 16-bit samples.
std::vector<std::int16_t> SamplesOf(const std::vector<char>& data) {
    std::vector<std::int16_t> samples(data.size() / 2);
    std::memcpy(samples.data(), data.data(), samples.size() * 2);
    return samples;
}

struct Buffer {
    explicit Buffer(std::vector<char> samples) : data(std::move(samples)) {
        header.lpData = data.data();
        header.dwBufferLength = static_cast<DWORD>(data.size());
    }
    std::vector<char> data;
    WAVEHDR header{};
};

class PulseAudioTest : public ::testing::Test {
  protected:
    // Each test starts with a backend of its own, as a fresh program would.
    void SetUp() override { audio::SetAudioBackend(audio::CreatePulseBackend()); }

    HWAVEOUT OpenOutput() {
        HWAVEOUT handle = nullptr;
        EXPECT_EQ(
            CodeName(waveOutOpen(&handle, WAVE_MAPPER, &g_audioFormat,
                                 reinterpret_cast<DWORD_PTR>(sink_->hwnd()), 0, CALLBACK_WINDOW)),
            CodeName(MMSYSERR_NOERROR));
        return handle;
    }

    void Write(HWAVEOUT handle, Buffer& buffer) {
        ASSERT_EQ(CodeName(waveOutPrepareHeader(handle, &buffer.header, sizeof(WAVEHDR))),
                  CodeName(MMSYSERR_NOERROR));
        ASSERT_EQ(CodeName(waveOutWrite(handle, &buffer.header, sizeof(WAVEHDR))),
                  CodeName(MMSYSERR_NOERROR));
    }

    // Starts a recording of the monitor and waits until it delivers sound.
    std::unique_ptr<MonitorRecorder> Record() {
        auto recorder = std::make_unique<MonitorRecorder>();
        EXPECT_TRUE(recorder->WaitForSamples(kSamplesPerSecond / 10, 3000));
        return recorder;
    }

    // Completion messages go here; an attempt that plays anew starts with a new one.
    std::unique_ptr<MessageSink> sink_ = std::make_unique<MessageSink>();
};

TEST_F(PulseAudioTest, ListsTheTestSink) {
    const UINT count = waveOutGetNumDevs();
    ASSERT_GE(count, 1u);
    std::vector<std::u16string> names;
    for (UINT i = 0; i < count; ++i) {
        WAVEOUTCAPS caps{};
        ASSERT_EQ(CodeName(waveOutGetDevCaps(i, &caps, sizeof(caps))), CodeName(MMSYSERR_NOERROR));
        names.emplace_back(caps.szPname);
    }
    EXPECT_NE(std::find(names.begin(), names.end(), u"Test_Sink"), names.end());
    WAVEOUTCAPS caps{};
    ASSERT_EQ(waveOutGetDevCaps(WAVE_MAPPER, &caps, sizeof(caps)), MMSYSERR_NOERROR);
    EXPECT_EQ(std::u16string(caps.szPname), u"Test_Sink");
}

TEST_F(PulseAudioTest, ASingleShortElementPlaysWhileTheDeviceStaysOpen) {
    EXPECT_TRUE(PlayedWithoutFault([&] {
        sink_ = std::make_unique<MessageSink>();
        auto recorder = Record();
        // A second recording of the same playing tells a glitch of the recorder from the player's.
        auto second = Record();
        const AudioLog log;
        const HWAVEOUT handle = OpenOutput();
        Buffer dot(Tone(1875));
        const Clock::time_point written = Clock::now();
        Write(handle, dot);
        // Watch the monitor for the element while the device stays open: no close, no further
        // write pushes it out.
        std::vector<std::int16_t> seen;
        Clock::duration heard_after{};
        while (Clock::now() - written < std::chrono::seconds(2)) {
            recorder->WaitForSamples(recorder->Samples().size() + 1, 100);
            seen = recorder->Samples();
            if (FirstSound(seen) < seen.size()) {
                heard_after = Clock::now() - written;
                break;
            }
        }
        EXPECT_LT(FirstSound(seen), seen.size())
            << "the element was not heard while the device stayed open";
        EXPECT_TRUE(sink_->WaitForMessages(2, 2000));
        WaitToHear(*recorder, ThenSilence(SamplesOf(dot.data)), kSamplesPerSecond / 10);
        WaitToHear(*second, ThenSilence(SamplesOf(dot.data)), kSamplesPerSecond / 10);
        const Judgement judgement = ClearedByTheStream(
            JudgeBoth(recorder->Stop(), second->Stop(), ThenSilence(SamplesOf(dot.data)),
                      !ServerResamples(), LastTone::kDeviceStaysOpen),
            log.Count("ran dry"));
        RecordProperty(
            "heard_after_us",
            std::to_string(
                std::chrono::duration_cast<std::chrono::microseconds>(heard_after).count()));
        EXPECT_EQ(MessageTexts(sink_->messages()),
                  (std::vector<std::string>{
                      MessageText(MM_WOM_OPEN, handle, nullptr),
                      MessageText(MM_WOM_DONE, handle, &dot.header),
                  }));
        EXPECT_EQ(waveOutUnprepareHeader(handle, &dot.header, sizeof(WAVEHDR)), MMSYSERR_NOERROR);
        EXPECT_EQ(waveOutClose(handle), MMSYSERR_NOERROR);
        return judgement;
    }));
}

TEST_F(PulseAudioTest, AChainWrittenOnCompletionPlaysAsOneSignal) {
    // Dot, element gap, dash, letter gap, dot, element gap, dot: written one at a time, each in
    // reply to the completion of the one before, as the Morse sender does.
    std::vector<std::unique_ptr<Buffer>> chain;
    for (const std::size_t bytes : {1875, 1800, 5625, 5400, 1875, 1800, 1875}) {
        chain.push_back(std::make_unique<Buffer>(
            chain.size() % 2 == 0 ? Tone(bytes) : std::vector<char>(bytes, 0)));
    }
    std::vector<std::int16_t> expected;
    for (const auto& buffer : chain) {
        const std::vector<std::int16_t> samples = SamplesOf(buffer->data);
        expected.insert(expected.end(), samples.begin(), samples.end());
    }
    // Any gap would shift everything after it.
    EXPECT_TRUE(PlayedWithoutFault([&] {
        sink_ = std::make_unique<MessageSink>();
        HWAVEOUT handle = nullptr;
        const Judgement judgement = RecordTwiceAndJudge(
            [&] {
                handle = OpenOutput();
                for (std::size_t i = 0; i < chain.size(); ++i) {
                    SCOPED_TRACE("header " + std::to_string(i));
                    chain[i]->header.dwFlags = 0;
                    Write(handle, *chain[i]);
                    // The open message and one completion per header written so far.
                    EXPECT_TRUE(sink_->WaitForMessages(i + 2, 2000));
                }
            },
            ThenSilence(expected), kSamplesPerSecond / 10, LastTone::kDeviceStaysOpen);
        for (auto& buffer : chain) {
            EXPECT_EQ(FlagNames(buffer->header.dwFlags), "DONE|PREPARED");
            EXPECT_EQ(waveOutUnprepareHeader(handle, &buffer->header, sizeof(WAVEHDR)),
                      MMSYSERR_NOERROR);
        }
        EXPECT_EQ(waveOutClose(handle), MMSYSERR_NOERROR);
        return judgement;
    }));
}

TEST_F(PulseAudioTest, ALateReplyToAShortFirstElementFollowsWithoutAGap) {
    // A dot, then the letter gap and a dot written 50 ms after the first write, as a user-
    // interface thread busy repainting a large window answers: later than the dot lasts (42 ms),
    // which the stream must cover by holding back its start.
    constexpr auto kReplyDelay = std::chrono::milliseconds(50);
    // The latest reply the hold covers, less a margin for the trip of the completion.
    constexpr auto kLatestCovered = std::chrono::milliseconds(100);
    Buffer first(Tone(1875));
    Buffer gap(std::vector<char>(5400, 0));
    Buffer last(Tone(1875));
    std::vector<std::int16_t> expected;
    for (const Buffer* buffer : {&first, &gap, &last}) {
        const std::vector<std::int16_t> samples = SamplesOf(buffer->data);
        expected.insert(expected.end(), samples.begin(), samples.end());
    }
    EXPECT_TRUE(PlayedWithoutFault([&] {
        sink_ = std::make_unique<MessageSink>();
        Clock::duration replied_after{};
        Judgement judgement = RecordTwiceAndJudge(
            [&] {
                const HWAVEOUT handle = OpenOutput();
                for (Buffer* buffer : {&first, &gap, &last}) {
                    buffer->header.dwFlags = 0;
                }
                const Clock::time_point written = Clock::now();
                Write(handle, first);
                EXPECT_TRUE(sink_->WaitForMessages(2, 2000));
                std::this_thread::sleep_until(written + kReplyDelay);
                replied_after = Clock::now() - written;
                Write(handle, gap);
                Write(handle, last);
                EXPECT_TRUE(sink_->WaitForMessages(4, 2000));
                for (Buffer* buffer : {&first, &gap, &last}) {
                    EXPECT_EQ(waveOutUnprepareHeader(handle, &buffer->header, sizeof(WAVEHDR)),
                              MMSYSERR_NOERROR);
                }
                EXPECT_EQ(CodeName(waveOutClose(handle)), CodeName(MMSYSERR_NOERROR));
            },
            ThenSilence(expected), kSamplesPerSecond / 10);
        // A reply that a busy machine made later still than meant proves nothing of the player.
        if (judgement.fault == Fault::kPlayer && replied_after > kLatestCovered) {
            judgement.fault = Fault::kTest;
            judgement.detail +=
                "\nthe reply came " +
                std::to_string(
                    std::chrono::duration_cast<std::chrono::milliseconds>(replied_after).count()) +
                " ms after the first write";
        }
        return judgement;
    }));
}

TEST_F(PulseAudioTest, CloseLetsTheLastElementPlayOut) {
    Buffer dash(Tone(5625));
    EXPECT_TRUE(PlayedWithoutFault([&] {
        sink_ = std::make_unique<MessageSink>();
        return RecordTwiceAndJudge(
            [&] {
                const HWAVEOUT handle = OpenOutput();
                dash.header.dwFlags = 0;
                Write(handle, dash);
                EXPECT_TRUE(sink_->WaitForMessages(2, 2000));
                EXPECT_EQ(waveOutUnprepareHeader(handle, &dash.header, sizeof(WAVEHDR)),
                          MMSYSERR_NOERROR);
                EXPECT_EQ(CodeName(waveOutClose(handle)), CodeName(MMSYSERR_NOERROR));
            },
            ThenSilence(SamplesOf(dash.data)), kSamplesPerSecond / 10);
    }));
}

TEST_F(PulseAudioTest, ResetReturnsEveryQueuedHeaderOnce) {
    const HWAVEOUT handle = OpenOutput();
    std::vector<std::unique_ptr<Buffer>> seconds;
    for (int i = 0; i < 3; ++i) {
        seconds.push_back(std::make_unique<Buffer>(Tone(45000)));
        Write(handle, *seconds.back());
    }
    ASSERT_EQ(CodeName(waveOutReset(handle)), CodeName(MMSYSERR_NOERROR));
    ASSERT_TRUE(sink_->WaitForMessages(4, 2000));
    EXPECT_FALSE(sink_->WaitForMessages(5, 300));
    std::vector<std::string> expected{MessageText(MM_WOM_OPEN, handle, nullptr)};
    for (const auto& buffer : seconds) {
        expected.push_back(MessageText(MM_WOM_DONE, handle, &buffer->header));
        EXPECT_EQ(FlagNames(buffer->header.dwFlags), "DONE|PREPARED");
    }
    EXPECT_EQ(MessageTexts(sink_->messages()), expected);
    // The server holds nothing more of them: what the monitor hears now is silence.
    auto recorder = Record();
    const std::vector<std::int16_t> recording = recorder->Stop();
    EXPECT_EQ(FirstSound(recording), recording.size());
    for (const auto& buffer : seconds) {
        ASSERT_EQ(waveOutUnprepareHeader(handle, &buffer->header, sizeof(WAVEHDR)),
                  MMSYSERR_NOERROR);
    }
    EXPECT_EQ(waveOutClose(handle), MMSYSERR_NOERROR);
}

TEST_F(PulseAudioTest, CaptureRecordsWhatIsPlayed) {
    HWAVEIN input = nullptr;
    ASSERT_EQ(CodeName(waveInOpen(&input, WAVE_MAPPER, &g_audioFormat,
                                  reinterpret_cast<DWORD_PTR>(sink_->hwnd()), 0, CALLBACK_WINDOW)),
              CodeName(MMSYSERR_NOERROR));
    Buffer captured(std::vector<char>(9001));
    ASSERT_EQ(waveInPrepareHeader(input, &captured.header, sizeof(WAVEHDR)), MMSYSERR_NOERROR);
    ASSERT_EQ(waveInAddBuffer(input, &captured.header, sizeof(WAVEHDR)), MMSYSERR_NOERROR);
    // A second of tone into the sink, so that the capture is inside it whenever it begins.
    const HWAVEOUT output = OpenOutput();
    Buffer tone(Tone(45000));
    Write(output, tone);
    ASSERT_EQ(CodeName(waveInStart(input)), CodeName(MMSYSERR_NOERROR));
    // MM_WIM_OPEN, MM_WOM_OPEN, then the capture's and the tone's completions in either order.
    ASSERT_TRUE(sink_->WaitForMessages(4, 3000));
    EXPECT_EQ(captured.header.dwBytesRecorded, 9000u);
    EXPECT_EQ(FlagNames(captured.header.dwFlags), "DONE|PREPARED");
    bool data_posted = false;
    for (const MessageSink::Message& message : sink_->messages()) {
        data_posted |= message.message == MM_WIM_DATA &&
                       message.wParam == reinterpret_cast<WPARAM>(input) &&
                       message.lParam == reinterpret_cast<LPARAM>(&captured.header);
    }
    EXPECT_TRUE(data_posted);
    // The tone arrives unchanged where the sink runs in the program's own format, and at its
    // level where the server resamples.
    const std::vector<std::int16_t> samples = SamplesOf(captured.data);
    std::size_t tone_samples = 0;
    for (const std::int16_t sample : samples) {
        tone_samples +=
            ServerResamples() ? std::abs(sample) > kToneLevel / 2 : std::abs(sample) == kToneLevel;
    }
    EXPECT_GT(tone_samples, samples.size() / 2);
    EXPECT_EQ(waveInStop(input), MMSYSERR_NOERROR);
    EXPECT_EQ(waveInReset(input), MMSYSERR_NOERROR);
    EXPECT_EQ(waveInUnprepareHeader(input, &captured.header, sizeof(WAVEHDR)), MMSYSERR_NOERROR);
    EXPECT_EQ(CodeName(waveInClose(input)), CodeName(MMSYSERR_NOERROR));
    EXPECT_EQ(waveOutReset(output), MMSYSERR_NOERROR);
    EXPECT_EQ(waveOutUnprepareHeader(output, &tone.header, sizeof(WAVEHDR)), MMSYSERR_NOERROR);
    EXPECT_EQ(waveOutClose(output), MMSYSERR_NOERROR);
}

TEST_F(PulseAudioTest, WithoutAServerNothingOpensAndNothingWaits) {
    const char* previous = std::getenv("PULSE_SERVER");
    const std::string saved = previous != nullptr ? previous : "";
    setenv("PULSE_SERVER", "unix:/nonexistent/tessivo/pulse.sock", 1);
    audio::SetAudioBackend(audio::CreatePulseBackend());

    const Clock::time_point start = Clock::now();
    EXPECT_EQ(waveOutGetNumDevs(), 0u);
    WAVEOUTCAPS caps{};
    EXPECT_NE(CodeName(waveOutGetDevCaps(0, &caps, sizeof(caps))), CodeName(MMSYSERR_NOERROR));
    HWAVEOUT output = nullptr;
    EXPECT_NE(CodeName(waveOutOpen(&output, WAVE_MAPPER, &g_audioFormat, 0, 0, 0)),
              CodeName(MMSYSERR_NOERROR));
    EXPECT_EQ(output, nullptr);
    HWAVEIN input = nullptr;
    const MMRESULT result = waveInOpen(&input, WAVE_MAPPER, &g_audioFormat, 0, 0, 0);
    EXPECT_NE(CodeName(result), CodeName(MMSYSERR_NOERROR));
    EXPECT_EQ(input, nullptr);
    const auto elapsed = Clock::now() - start;
    // A refused connection is noticed at once, which the figure shows; a busy machine may
    // stretch it, so it is recorded, not asserted.
    RecordProperty(
        "four_calls_us",
        std::to_string(std::chrono::duration_cast<std::chrono::microseconds>(elapsed).count()));
    WCHAR text[200];
    EXPECT_EQ(waveInGetErrorText(result, text, 200), MMSYSERR_NOERROR);

    setenv("PULSE_SERVER", saved.c_str(), 1);
    if (previous == nullptr) {
        unsetenv("PULSE_SERVER");
    }
}

}  // namespace
