// SPDX-License-Identifier: GPL-3.0-or-later
// The playback entry points on the virtual backend.
#include <string>

#include "tests/audio/VirtualAudioTest.h"

using audio::BackendStatus;

namespace {

using WaveOutTest = VirtualAudioTest;

WAVEFORMATEX WithRate(DWORD rate) {
    WAVEFORMATEX format = g_audioFormat;
    format.nSamplesPerSec = rate;
    return format;
}

TEST_F(WaveOutTest, ListsTheDevicesByName) {
    EXPECT_EQ(waveOutGetNumDevs(), 2u);
    WAVEOUTCAPS caps{};
    ASSERT_EQ(CodeName(waveOutGetDevCaps(1, &caps, sizeof(caps))), CodeName(MMSYSERR_NOERROR));
    EXPECT_EQ(std::u16string(caps.szPname), u"Headset");
    ASSERT_EQ(CodeName(waveOutGetDevCaps(WAVE_MAPPER, &caps, sizeof(caps))),
              CodeName(MMSYSERR_NOERROR));
    EXPECT_EQ(std::u16string(caps.szPname), u"Speaker");
}

TEST_F(WaveOutTest, CutsLongNamesTo31UnitsWithoutSplittingAPair) {
    const std::u16string long_name(40, u'x');
    // A surrogate pair that would straddle the cut is left out as a whole.
    const std::u16string paired = std::u16string(30, u'y') + u"\U0001F50A" + u"z";
    backend_->SetOutputDevices({long_name, paired});
    WAVEOUTCAPS caps{};
    ASSERT_EQ(waveOutGetDevCaps(0, &caps, sizeof(caps)), MMSYSERR_NOERROR);
    EXPECT_EQ(std::u16string(caps.szPname), long_name.substr(0, 31));
    ASSERT_EQ(waveOutGetDevCaps(1, &caps, sizeof(caps)), MMSYSERR_NOERROR);
    EXPECT_EQ(std::u16string(caps.szPname), std::u16string(30, u'y'));
}

TEST_F(WaveOutTest, DevCapsReportsEachFailure) {
    backend_->FailDeviceCaps(1, BackendStatus::kFailed);
    WAVEOUTCAPS caps{};
    const struct {
        const char* name;
        UINT_PTR device;
        WAVEOUTCAPS* caps;
        UINT size;
        MMRESULT expected;
    } rows[] = {
        {"failing device", 1, &caps, sizeof(caps), MMSYSERR_ERROR},
        {"index past the list", 2, &caps, sizeof(caps), MMSYSERR_BADDEVICEID},
        {"index beyond 32 bits", UINT_PTR{1} << 40, &caps, sizeof(caps), MMSYSERR_BADDEVICEID},
        {"null record", 0, nullptr, sizeof(caps), MMSYSERR_INVALPARAM},
        {"short record", 0, &caps, sizeof(caps) - 1, MMSYSERR_INVALPARAM},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(CodeName(waveOutGetDevCaps(row.device, row.caps, row.size)),
                  CodeName(row.expected));
    }
}

TEST_F(WaveOutTest, OpenChecksItsArguments) {
    const WAVEFORMATEX stereo = [] {
        WAVEFORMATEX format = g_audioFormat;
        format.nChannels = 2;
        format.nBlockAlign = 4;
        format.nAvgBytesPerSec = 90000;
        return format;
    }();
    const WAVEFORMATEX rate_22050 = WithRate(22050);
    const WAVEFORMATEX eight_bit = [] {
        WAVEFORMATEX format = g_audioFormat;
        format.wBitsPerSample = 8;
        return format;
    }();
    const WAVEFORMATEX float_tag = [] {
        WAVEFORMATEX format = g_audioFormat;
        format.wFormatTag = 3;
        return format;
    }();
    const struct {
        const char* name;
        bool with_handle;
        UINT device;
        const WAVEFORMATEX* format;
        DWORD flags;
        MMRESULT expected;
    } rows[] = {
        {"device 0", true, 0, &g_audioFormat, CALLBACK_WINDOW, MMSYSERR_NOERROR},
        {"mapper", true, WAVE_MAPPER, &g_audioFormat, CALLBACK_WINDOW, MMSYSERR_NOERROR},
        {"no callback", true, 1, &g_audioFormat, 0, MMSYSERR_NOERROR},
        {"device past the list", true, 2, &g_audioFormat, CALLBACK_WINDOW, MMSYSERR_BADDEVICEID},
        {"null handle address", false, 0, &g_audioFormat, CALLBACK_WINDOW, MMSYSERR_INVALPARAM},
        {"null format", true, 0, nullptr, CALLBACK_WINDOW, MMSYSERR_INVALPARAM},
        {"function callback", true, 0, &g_audioFormat, 0x00030000, MMSYSERR_INVALFLAG},
        {"stereo", true, 0, &stereo, CALLBACK_WINDOW, WAVERR_BADFORMAT},
        {"22050 Hz", true, 0, &rate_22050, CALLBACK_WINDOW, WAVERR_BADFORMAT},
        {"8 bit", true, 0, &eight_bit, CALLBACK_WINDOW, WAVERR_BADFORMAT},
        {"float tag", true, 0, &float_tag, CALLBACK_WINDOW, WAVERR_BADFORMAT},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        HWAVEOUT handle = reinterpret_cast<HWAVEOUT>(UINT_PTR{0xBAD});
        const MMRESULT result =
            waveOutOpen(row.with_handle ? &handle : nullptr, row.device, row.format,
                        reinterpret_cast<DWORD_PTR>(sink_.hwnd()), 0, row.flags);
        EXPECT_EQ(CodeName(result), CodeName(row.expected));
        if (result == MMSYSERR_NOERROR) {
            EXPECT_NE(handle, nullptr);
            EXPECT_EQ(waveOutClose(handle), MMSYSERR_NOERROR);
        } else if (row.with_handle) {
            EXPECT_EQ(handle, nullptr);
        }
    }
}

TEST_F(WaveOutTest, BackendFailuresBecomeCodes) {
    const struct {
        BackendStatus status;
        MMRESULT expected;
    } rows[] = {
        {BackendStatus::kNoServer, MMSYSERR_NODRIVER},
        {BackendStatus::kBadDevice, MMSYSERR_BADDEVICEID},
        {BackendStatus::kNoMemory, MMSYSERR_NOMEM},
        {BackendStatus::kFailed, MMSYSERR_ERROR},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(CodeName(row.expected));
        backend_->FailNext("waveOutOpen", row.status);
        HWAVEOUT handle = nullptr;
        EXPECT_EQ(CodeName(waveOutOpen(&handle, 0, &g_audioFormat, 0, 0, 0)),
                  CodeName(row.expected));
        EXPECT_EQ(handle, nullptr);
    }
    EXPECT_FALSE(MoreThan(0));
}

TEST_F(WaveOutTest, OpenAndClosePostTheirMessages) {
    const HWAVEOUT handle = OpenOutput();
    ASSERT_EQ(waveOutClose(handle), MMSYSERR_NOERROR);
    EXPECT_EQ(Delivered(2), (std::vector<std::string>{
                                MessageText(MM_WOM_OPEN, handle, nullptr),
                                MessageText(MM_WOM_CLOSE, handle, nullptr),
                            }));
}

TEST_F(WaveOutTest, StaleAndForeignHandlesAreRefused) {
    const HWAVEOUT closed = OpenOutput();
    ASSERT_EQ(waveOutClose(closed), MMSYSERR_NOERROR);
    const HWAVEIN input = OpenInput();
    const struct {
        const char* name;
        HWAVEOUT handle;
    } handles[] = {
        {"null", nullptr},
        {"closed", closed},
        {"never issued", reinterpret_cast<HWAVEOUT>(UINT_PTR{0x7FFF0000})},
        {"capture device", reinterpret_cast<HWAVEOUT>(input)},
    };
    const struct {
        const char* name;
        std::function<MMRESULT(HWAVEOUT, WAVEHDR*)> call;
    } operations[] = {
        {"prepare", [](HWAVEOUT h, WAVEHDR* w) { return waveOutPrepareHeader(h, w, sizeof(*w)); }},
        {"unprepare",
         [](HWAVEOUT h, WAVEHDR* w) { return waveOutUnprepareHeader(h, w, sizeof(*w)); }},
        {"write", [](HWAVEOUT h, WAVEHDR* w) { return waveOutWrite(h, w, sizeof(*w)); }},
        {"reset", [](HWAVEOUT h, WAVEHDR*) { return waveOutReset(h); }},
        {"close", [](HWAVEOUT h, WAVEHDR*) { return waveOutClose(h); }},
    };
    TestBuffer buffer(100);
    backend_->ClearCalls();
    for (const auto& handle : handles) {
        for (const auto& operation : operations) {
            SCOPED_TRACE(std::string(operation.name) + " on a " + handle.name + " handle");
            EXPECT_EQ(CodeName(operation.call(handle.handle, &buffer.header)),
                      CodeName(MMSYSERR_INVALHANDLE));
        }
    }
    EXPECT_TRUE(backend_->Calls().empty());
    EXPECT_EQ(FlagNames(buffer.header.dwFlags), "none");
    EXPECT_EQ(waveInClose(input), MMSYSERR_NOERROR);
}

TEST_F(WaveOutTest, HeaderCallsCheckTheHeader) {
    const HWAVEOUT handle = OpenOutput();
    TestBuffer queued(100);
    TestBuffer unprepared(100);
    TestBuffer no_data(100);
    no_data.header.lpData = nullptr;
    ASSERT_EQ(waveOutPrepareHeader(handle, &queued.header, sizeof(WAVEHDR)), MMSYSERR_NOERROR);
    ASSERT_EQ(waveOutWrite(handle, &queued.header, sizeof(WAVEHDR)), MMSYSERR_NOERROR);
    const struct {
        const char* name;
        MMRESULT result;
        MMRESULT expected;
    } rows[] = {
        {"prepare null", waveOutPrepareHeader(handle, nullptr, sizeof(WAVEHDR)),
         MMSYSERR_INVALPARAM},
        {"prepare short size", waveOutPrepareHeader(handle, &unprepared.header, 32),
         MMSYSERR_INVALPARAM},
        {"prepare without data", waveOutPrepareHeader(handle, &no_data.header, sizeof(WAVEHDR)),
         MMSYSERR_INVALPARAM},
        {"prepare queued", waveOutPrepareHeader(handle, &queued.header, sizeof(WAVEHDR)),
         WAVERR_STILLPLAYING},
        {"write null", waveOutWrite(handle, nullptr, sizeof(WAVEHDR)), MMSYSERR_INVALPARAM},
        {"write long size", waveOutWrite(handle, &queued.header, sizeof(WAVEHDR) + 1),
         MMSYSERR_INVALPARAM},
        {"write unprepared", waveOutWrite(handle, &unprepared.header, sizeof(WAVEHDR)),
         WAVERR_UNPREPARED},
        {"write queued", waveOutWrite(handle, &queued.header, sizeof(WAVEHDR)),
         WAVERR_STILLPLAYING},
        {"unprepare null", waveOutUnprepareHeader(handle, nullptr, sizeof(WAVEHDR)),
         MMSYSERR_INVALPARAM},
        {"unprepare queued", waveOutUnprepareHeader(handle, &queued.header, sizeof(WAVEHDR)),
         WAVERR_STILLPLAYING},
        {"unprepare unprepared",
         waveOutUnprepareHeader(handle, &unprepared.header, sizeof(WAVEHDR)), MMSYSERR_NOERROR},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(CodeName(row.result), CodeName(row.expected));
    }
    EXPECT_EQ(FlagNames(queued.header.dwFlags), "PREPARED|INQUEUE");
    EXPECT_EQ(FlagNames(unprepared.header.dwFlags), "none");
    // Only the two calls that passed their checks and had something to do reached the backend.
    EXPECT_EQ(backend_->Calls(), (std::vector<std::string>{
                                     "waveOutOpen 0",
                                     "waveOutPrepareHeader 100",
                                     "waveOutWrite 100",
                                 }));
    ASSERT_TRUE(backend_->CompleteOutput(handle));
    EXPECT_EQ(waveOutClose(handle), MMSYSERR_NOERROR);
}

TEST_F(WaveOutTest, FlagsFollowTheHeaderThroughItsLife) {
    const HWAVEOUT handle = OpenOutput();
    TestBuffer buffer(1800);
    // A done flag left from an earlier round must not survive the next write.
    buffer.header.dwFlags = WHDR_DONE;
    const struct {
        const char* step;
        std::function<MMRESULT()> call;
        const char* flags;
    } steps[] = {
        {"prepare", [&] { return waveOutPrepareHeader(handle, &buffer.header, sizeof(WAVEHDR)); },
         "DONE|PREPARED"},
        {"write", [&] { return waveOutWrite(handle, &buffer.header, sizeof(WAVEHDR)); },
         "PREPARED|INQUEUE"},
        {"complete",
         [&] { return backend_->CompleteOutput(handle) ? MMSYSERR_NOERROR : MMSYSERR_ERROR; },
         "DONE|PREPARED"},
        {"unprepare",
         [&] { return waveOutUnprepareHeader(handle, &buffer.header, sizeof(WAVEHDR)); }, "DONE"},
        {"close", [&] { return waveOutClose(handle); }, "DONE"},
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(step.step);
        EXPECT_EQ(CodeName(step.call()), CodeName(MMSYSERR_NOERROR));
        EXPECT_EQ(FlagNames(buffer.header.dwFlags), step.flags);
    }
    EXPECT_EQ(Delivered(3), (std::vector<std::string>{
                                MessageText(MM_WOM_OPEN, handle, nullptr),
                                MessageText(MM_WOM_DONE, handle, &buffer.header),
                                MessageText(MM_WOM_CLOSE, handle, nullptr),
                            }));
}

}  // namespace
