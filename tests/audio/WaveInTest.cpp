// SPDX-License-Identifier: GPL-3.0-or-later
// The capture entry points on the virtual backend, and the error texts.
#include <functional>
#include <set>
#include <string>

#include "tests/audio/VirtualAudioTest.h"

using audio::BackendStatus;

namespace {

using WaveInTest = VirtualAudioTest;

std::vector<char> Pattern(std::size_t bytes, char first) {
    std::vector<char> data(bytes);
    for (std::size_t i = 0; i < bytes; ++i) {
        data[i] = static_cast<char>(first + static_cast<char>(i % 50));
    }
    return data;
}

// Prepares and queues a header, asserting both steps.
void Queue(HWAVEIN handle, TestBuffer& buffer) {
    ASSERT_EQ(CodeName(waveInPrepareHeader(handle, &buffer.header, sizeof(WAVEHDR))),
              CodeName(MMSYSERR_NOERROR));
    ASSERT_EQ(CodeName(waveInAddBuffer(handle, &buffer.header, sizeof(WAVEHDR))),
              CodeName(MMSYSERR_NOERROR));
}

TEST_F(WaveInTest, OpenChecksItsArguments) {
    WAVEFORMATEX mono_8bit = g_audioFormat;
    mono_8bit.wBitsPerSample = 8;
    const struct {
        const char* name;
        UINT device;
        const WAVEFORMATEX* format;
        DWORD flags;
        MMRESULT expected;
    } rows[] = {
        {"mapper", WAVE_MAPPER, &g_audioFormat, CALLBACK_WINDOW, MMSYSERR_NOERROR},
        {"device 0", 0, &g_audioFormat, CALLBACK_WINDOW, MMSYSERR_NOERROR},
        {"device 1", 1, &g_audioFormat, CALLBACK_WINDOW, MMSYSERR_BADDEVICEID},
        {"null format", WAVE_MAPPER, nullptr, CALLBACK_WINDOW, MMSYSERR_INVALPARAM},
        {"8 bit", WAVE_MAPPER, &mono_8bit, CALLBACK_WINDOW, WAVERR_BADFORMAT},
        {"event callback", WAVE_MAPPER, &g_audioFormat, 0x00050000, MMSYSERR_INVALFLAG},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        HWAVEIN handle = nullptr;
        const MMRESULT result = waveInOpen(&handle, row.device, row.format,
                                           reinterpret_cast<DWORD_PTR>(sink_.hwnd()), 0, row.flags);
        EXPECT_EQ(CodeName(result), CodeName(row.expected));
        EXPECT_EQ(handle != nullptr, result == MMSYSERR_NOERROR);
        if (handle != nullptr) {
            EXPECT_EQ(waveInClose(handle), MMSYSERR_NOERROR);
        }
    }
    EXPECT_EQ(CodeName(waveInOpen(nullptr, WAVE_MAPPER, &g_audioFormat, 0, 0, 0)),
              CodeName(MMSYSERR_INVALPARAM));
}

TEST_F(WaveInTest, StaleAndForeignHandlesAreRefused) {
    const HWAVEIN closed = OpenInput();
    ASSERT_EQ(waveInClose(closed), MMSYSERR_NOERROR);
    const HWAVEOUT output = OpenOutput();
    const struct {
        const char* name;
        HWAVEIN handle;
    } handles[] = {
        {"null", nullptr},
        {"closed", closed},
        {"playback device", reinterpret_cast<HWAVEIN>(output)},
    };
    const struct {
        const char* name;
        std::function<MMRESULT(HWAVEIN, WAVEHDR*)> call;
    } operations[] = {
        {"prepare", [](HWAVEIN h, WAVEHDR* w) { return waveInPrepareHeader(h, w, sizeof(*w)); }},
        {"unprepare",
         [](HWAVEIN h, WAVEHDR* w) { return waveInUnprepareHeader(h, w, sizeof(*w)); }},
        {"add buffer", [](HWAVEIN h, WAVEHDR* w) { return waveInAddBuffer(h, w, sizeof(*w)); }},
        {"start", [](HWAVEIN h, WAVEHDR*) { return waveInStart(h); }},
        {"stop", [](HWAVEIN h, WAVEHDR*) { return waveInStop(h); }},
        {"reset", [](HWAVEIN h, WAVEHDR*) { return waveInReset(h); }},
        {"close", [](HWAVEIN h, WAVEHDR*) { return waveInClose(h); }},
    };
    TestBuffer buffer(100);
    for (const auto& handle : handles) {
        for (const auto& operation : operations) {
            SCOPED_TRACE(std::string(operation.name) + " on a " + handle.name + " handle");
            EXPECT_EQ(CodeName(operation.call(handle.handle, &buffer.header)),
                      CodeName(MMSYSERR_INVALHANDLE));
        }
    }
    EXPECT_EQ(waveOutClose(output), MMSYSERR_NOERROR);
}

TEST_F(WaveInTest, HeaderCallsCheckTheHeader) {
    const HWAVEIN handle = OpenInput();
    TestBuffer queued(100);
    TestBuffer unprepared(100);
    Queue(handle, queued);
    const struct {
        const char* name;
        MMRESULT result;
        MMRESULT expected;
    } rows[] = {
        {"prepare null", waveInPrepareHeader(handle, nullptr, sizeof(WAVEHDR)),
         MMSYSERR_INVALPARAM},
        {"prepare wrong size", waveInPrepareHeader(handle, &unprepared.header, 0),
         MMSYSERR_INVALPARAM},
        {"prepare queued", waveInPrepareHeader(handle, &queued.header, sizeof(WAVEHDR)),
         WAVERR_STILLPLAYING},
        {"add unprepared", waveInAddBuffer(handle, &unprepared.header, sizeof(WAVEHDR)),
         WAVERR_UNPREPARED},
        {"add queued", waveInAddBuffer(handle, &queued.header, sizeof(WAVEHDR)),
         WAVERR_STILLPLAYING},
        {"add wrong size", waveInAddBuffer(handle, &queued.header, 32), MMSYSERR_INVALPARAM},
        {"unprepare queued", waveInUnprepareHeader(handle, &queued.header, sizeof(WAVEHDR)),
         WAVERR_STILLPLAYING},
        {"close while queued", waveInClose(handle), WAVERR_STILLPLAYING},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(CodeName(row.result), CodeName(row.expected));
    }
    EXPECT_EQ(FlagNames(queued.header.dwFlags), "PREPARED|INQUEUE");
    ASSERT_EQ(waveInReset(handle), MMSYSERR_NOERROR);
    EXPECT_EQ(CodeName(waveInClose(handle)), CodeName(MMSYSERR_NOERROR));
}

TEST_F(WaveInTest, CaptureFillsTheHeadersInOrder) {
    const HWAVEIN handle = OpenInput();
    TestBuffer first(100);
    TestBuffer second(100);
    // A stale count from an earlier round is cleared when the header is queued again.
    first.header.dwBytesRecorded = 77;
    Queue(handle, first);
    Queue(handle, second);
    EXPECT_EQ(first.header.dwBytesRecorded, 0u);
    const std::vector<char> sound = Pattern(250, 'A');
    // Nothing is captured before the start.
    EXPECT_EQ(backend_->FillInput(handle, sound), 0u);
    ASSERT_EQ(CodeName(waveInStart(handle)), CodeName(MMSYSERR_NOERROR));
    EXPECT_EQ(backend_->FillInput(handle, std::span(sound).first(60)), 60u);
    EXPECT_EQ(first.header.dwBytesRecorded, 60u);
    EXPECT_EQ(FlagNames(first.header.dwFlags), "PREPARED|INQUEUE");
    // The rest fills the first header, the second one, and the last 30 bytes have nowhere to go.
    EXPECT_EQ(backend_->FillInput(handle, std::span(sound).subspan(60)), 140u);
    EXPECT_EQ(Delivered(3), (std::vector<std::string>{
                                MessageText(MM_WIM_OPEN, handle, nullptr),
                                MessageText(MM_WIM_DATA, handle, &first.header),
                                MessageText(MM_WIM_DATA, handle, &second.header),
                            }));
    for (TestBuffer* buffer : {&first, &second}) {
        EXPECT_EQ(FlagNames(buffer->header.dwFlags), "DONE|PREPARED");
        EXPECT_EQ(buffer->header.dwBytesRecorded, 100u);
    }
    EXPECT_EQ(first.data, std::vector<char>(sound.begin(), sound.begin() + 100));
    EXPECT_EQ(second.data, std::vector<char>(sound.begin() + 100, sound.begin() + 200));
    EXPECT_EQ(waveInClose(handle), MMSYSERR_NOERROR);
}

TEST_F(WaveInTest, AnOddLengthIsFilledWithWholeSamples) {
    const HWAVEIN handle = OpenInput();
    TestBuffer buffer(101);
    Queue(handle, buffer);
    ASSERT_EQ(waveInStart(handle), MMSYSERR_NOERROR);
    EXPECT_EQ(backend_->FillInput(handle, Pattern(200, 'a')), 100u);
    EXPECT_EQ(buffer.header.dwBytesRecorded, 100u);
    EXPECT_EQ(FlagNames(buffer.header.dwFlags), "DONE|PREPARED");
    EXPECT_EQ(waveInClose(handle), MMSYSERR_NOERROR);
}

TEST_F(WaveInTest, StopPausesAndStartResumes) {
    const HWAVEIN handle = OpenInput();
    TestBuffer buffer(100);
    Queue(handle, buffer);
    const std::vector<char> sound = Pattern(100, 'a');
    ASSERT_EQ(waveInStart(handle), MMSYSERR_NOERROR);
    EXPECT_EQ(backend_->FillInput(handle, std::span(sound).first(40)), 40u);
    ASSERT_EQ(CodeName(waveInStop(handle)), CodeName(MMSYSERR_NOERROR));
    EXPECT_FALSE(backend_->IsCapturing(handle));
    EXPECT_EQ(backend_->FillInput(handle, Pattern(40, 'x')), 0u);
    EXPECT_EQ(FlagNames(buffer.header.dwFlags), "PREPARED|INQUEUE");
    ASSERT_EQ(waveInStart(handle), MMSYSERR_NOERROR);
    EXPECT_EQ(backend_->FillInput(handle, std::span(sound).subspan(40)), 60u);
    EXPECT_EQ(buffer.data, sound);
    EXPECT_EQ(FlagNames(buffer.header.dwFlags), "DONE|PREPARED");
    EXPECT_EQ(waveInClose(handle), MMSYSERR_NOERROR);
}

TEST_F(WaveInTest, ResetReturnsQueuedHeadersWithWhatWasRecorded) {
    const HWAVEIN handle = OpenInput();
    TestBuffer first(100);
    TestBuffer second(100);
    Queue(handle, first);
    Queue(handle, second);
    ASSERT_EQ(waveInStart(handle), MMSYSERR_NOERROR);
    ASSERT_EQ(backend_->FillInput(handle, Pattern(30, 'a')), 30u);
    EXPECT_EQ(CodeName(waveInReset(handle)), CodeName(MMSYSERR_NOERROR));
    EXPECT_FALSE(backend_->IsCapturing(handle));
    EXPECT_TRUE(backend_->QueuedHeaders(handle).empty());
    EXPECT_EQ(first.header.dwBytesRecorded, 30u);
    EXPECT_EQ(second.header.dwBytesRecorded, 0u);
    EXPECT_EQ(FlagNames(first.header.dwFlags), "DONE|PREPARED");
    EXPECT_EQ(FlagNames(second.header.dwFlags), "DONE|PREPARED");
    EXPECT_EQ(Delivered(3), (std::vector<std::string>{
                                MessageText(MM_WIM_OPEN, handle, nullptr),
                                MessageText(MM_WIM_DATA, handle, &first.header),
                                MessageText(MM_WIM_DATA, handle, &second.header),
                            }));
    EXPECT_FALSE(MoreThan(3));
    EXPECT_EQ(waveInClose(handle), MMSYSERR_NOERROR);
}

TEST_F(WaveInTest, AMeterCycleReachesTheBackendInOrder) {
    const HWAVEIN handle = OpenInput();
    TestBuffer buffer(45000);
    Queue(handle, buffer);
    ASSERT_EQ(waveInStart(handle), MMSYSERR_NOERROR);
    ASSERT_EQ(backend_->FillInput(handle, std::vector<char>(45000)), 45000u);
    ASSERT_EQ(Delivered(2).size(), 2u);
    EXPECT_EQ(waveInStop(handle), MMSYSERR_NOERROR);
    EXPECT_EQ(waveInReset(handle), MMSYSERR_NOERROR);
    EXPECT_EQ(waveInUnprepareHeader(handle, &buffer.header, sizeof(WAVEHDR)), MMSYSERR_NOERROR);
    Queue(handle, buffer);
    EXPECT_EQ(waveInStart(handle), MMSYSERR_NOERROR);
    EXPECT_EQ(waveInReset(handle), MMSYSERR_NOERROR);
    EXPECT_EQ(waveInUnprepareHeader(handle, &buffer.header, sizeof(WAVEHDR)), MMSYSERR_NOERROR);
    EXPECT_EQ(waveInClose(handle), MMSYSERR_NOERROR);
    EXPECT_EQ(backend_->Calls(), (std::vector<std::string>{
                                     "waveInOpen WAVE_MAPPER",
                                     "waveInPrepareHeader 45000",
                                     "waveInAddBuffer 45000",
                                     "waveInStart",
                                     "waveInStop",
                                     "waveInReset",
                                     "waveInUnprepareHeader 45000",
                                     "waveInPrepareHeader 45000",
                                     "waveInAddBuffer 45000",
                                     "waveInStart",
                                     "waveInReset",
                                     "waveInUnprepareHeader 45000",
                                     "waveInClose",
                                 }));
}

TEST_F(WaveInTest, InjectedFailuresReachTheCaller) {
    const HWAVEIN handle = OpenInput();
    TestBuffer buffer(100);
    const struct {
        const char* operation;
        BackendStatus status;
        std::function<MMRESULT()> call;
        MMRESULT expected;
    } rows[] = {
        {"waveInPrepareHeader", BackendStatus::kNoMemory,
         [&] { return waveInPrepareHeader(handle, &buffer.header, sizeof(WAVEHDR)); },
         MMSYSERR_NOMEM},
        {"waveInStart", BackendStatus::kNoServer, [&] { return waveInStart(handle); },
         MMSYSERR_NODRIVER},
        {"waveInStop", BackendStatus::kFailed, [&] { return waveInStop(handle); }, MMSYSERR_ERROR},
        {"waveInReset", BackendStatus::kFailed, [&] { return waveInReset(handle); },
         MMSYSERR_ERROR},
        {"waveInClose", BackendStatus::kFailed, [&] { return waveInClose(handle); },
         MMSYSERR_ERROR},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.operation);
        backend_->FailNext(row.operation, row.status);
        EXPECT_EQ(CodeName(row.call()), CodeName(row.expected));
        // The failure is used up: the same call succeeds next time.
        backend_->ClearCalls();
        EXPECT_EQ(CodeName(row.call()), CodeName(MMSYSERR_NOERROR));
        EXPECT_EQ(backend_->Calls().size(), 1u);
        if (std::string(row.operation) == "waveInClose") {
            break;
        }
        if (std::string(row.operation) == "waveInPrepareHeader") {
            EXPECT_EQ(FlagNames(buffer.header.dwFlags), "PREPARED");
        }
    }
}

TEST_F(WaveInTest, ErrorTextsAreReadableAndDistinct) {
    const MMRESULT codes[] = {
        MMSYSERR_NOERROR,      MMSYSERR_ERROR,       MMSYSERR_BADDEVICEID, MMSYSERR_NOTENABLED,
        MMSYSERR_ALLOCATED,    MMSYSERR_INVALHANDLE, MMSYSERR_NODRIVER,    MMSYSERR_NOMEM,
        MMSYSERR_NOTSUPPORTED, MMSYSERR_BADERRNUM,   MMSYSERR_INVALFLAG,   MMSYSERR_INVALPARAM,
        WAVERR_BADFORMAT,      WAVERR_STILLPLAYING,  WAVERR_UNPREPARED,
    };
    std::set<std::u16string> texts;
    for (const MMRESULT code : codes) {
        SCOPED_TRACE(CodeName(code));
        WCHAR text[200];
        ASSERT_EQ(CodeName(waveInGetErrorText(code, text, 200)), CodeName(MMSYSERR_NOERROR));
        const std::u16string value(text);
        EXPECT_GT(value.size(), 10u);
        EXPECT_LT(value.size(), 200u);
        texts.insert(value);
    }
    EXPECT_EQ(texts.size(), std::size(codes));
}

TEST_F(WaveInTest, ErrorTextIsCutToTheBufferAndTerminated) {
    WCHAR full[200];
    ASSERT_EQ(waveInGetErrorText(WAVERR_BADFORMAT, full, 200), MMSYSERR_NOERROR);
    const std::u16string whole(full);
    const struct {
        UINT size;
        std::u16string expected;
    } rows[] = {
        {1, u""},
        {5, whole.substr(0, 4)},
        {static_cast<UINT>(whole.size()), whole.substr(0, whole.size() - 1)},
        {static_cast<UINT>(whole.size() + 1), whole},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE("buffer of " + std::to_string(row.size));
        std::u16string buffer(row.size + 1, u'#');
        ASSERT_EQ(CodeName(waveInGetErrorText(WAVERR_BADFORMAT, buffer.data(), row.size)),
                  CodeName(MMSYSERR_NOERROR));
        EXPECT_EQ(std::u16string(buffer.c_str()), row.expected);
        // Nothing is written past the buffer.
        EXPECT_EQ(buffer[row.size], u'#');
    }
}

TEST_F(WaveInTest, ErrorTextRefusesBadArguments) {
    WCHAR text[20] = u"unchanged";
    EXPECT_EQ(CodeName(waveInGetErrorText(MMSYSERR_ERROR, nullptr, 20)),
              CodeName(MMSYSERR_INVALPARAM));
    EXPECT_EQ(CodeName(waveInGetErrorText(MMSYSERR_ERROR, text, 0)), CodeName(MMSYSERR_INVALPARAM));
    EXPECT_EQ(std::u16string(text), u"unchanged");
    EXPECT_EQ(CodeName(waveInGetErrorText(999, text, 20)), CodeName(MMSYSERR_BADERRNUM));
    EXPECT_EQ(std::u16string(text), u"");
}

// A capture device lost to the server hands back its buffer with what it recorded, then neither
// takes a buffer nor starts.
TEST_F(WaveInTest, ALostDeviceReturnsItsBufferThenRefusesMore) {
    const HWAVEIN handle = OpenInput();
    TestBuffer buffer(100);
    ASSERT_EQ(waveInPrepareHeader(handle, &buffer.header, sizeof(WAVEHDR)), MMSYSERR_NOERROR);
    ASSERT_EQ(waveInAddBuffer(handle, &buffer.header, sizeof(WAVEHDR)), MMSYSERR_NOERROR);
    ASSERT_EQ(waveInStart(handle), MMSYSERR_NOERROR);
    const std::vector<char> half(40, 3);
    ASSERT_EQ(backend_->FillInput(handle, half), half.size());
    ASSERT_TRUE(backend_->LoseDevice(handle));
    EXPECT_EQ(FlagNames(buffer.header.dwFlags), "DONE|PREPARED");
    EXPECT_EQ(buffer.header.dwBytesRecorded, 40u);
    EXPECT_EQ(Delivered(2), (std::vector<std::string>{
                                MessageText(MM_WIM_OPEN, handle, nullptr),
                                MessageText(MM_WIM_DATA, handle, &buffer.header),
                            }));
    EXPECT_EQ(CodeName(waveInAddBuffer(handle, &buffer.header, sizeof(WAVEHDR))),
              CodeName(MMSYSERR_NODRIVER));
    EXPECT_EQ(CodeName(waveInStart(handle)), CodeName(MMSYSERR_NODRIVER));
    EXPECT_EQ(backend_->FillInput(handle, half), 0u);
    EXPECT_FALSE(MoreThan(2));
    EXPECT_EQ(waveInReset(handle), MMSYSERR_NOERROR);
    EXPECT_EQ(waveInUnprepareHeader(handle, &buffer.header, sizeof(WAVEHDR)), MMSYSERR_NOERROR);
    EXPECT_EQ(waveInClose(handle), MMSYSERR_NOERROR);
}

}  // namespace
