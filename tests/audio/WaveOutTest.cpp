// The playback entry points on the virtual backend.
#include <functional>
#include <string>

#include "audio/CompletionSink.h"
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

TEST_F(WaveOutTest, ResetReturnsEveryQueuedHeaderOnceInOrder) {
    const HWAVEOUT handle = OpenOutput();
    TestBuffer buffers[] = {TestBuffer(1875), TestBuffer(1800), TestBuffer(5625)};
    for (TestBuffer& buffer : buffers) {
        ASSERT_EQ(waveOutPrepareHeader(handle, &buffer.header, sizeof(WAVEHDR)), MMSYSERR_NOERROR);
        ASSERT_EQ(waveOutWrite(handle, &buffer.header, sizeof(WAVEHDR)), MMSYSERR_NOERROR);
    }
    ASSERT_TRUE(backend_->CompleteOutput(handle));
    EXPECT_EQ(CodeName(waveOutReset(handle)), CodeName(MMSYSERR_NOERROR));
    EXPECT_TRUE(backend_->QueuedHeaders(handle).empty());
    EXPECT_FALSE(backend_->CompleteOutput(handle));
    for (const TestBuffer& buffer : buffers) {
        EXPECT_EQ(FlagNames(buffer.header.dwFlags), "DONE|PREPARED");
    }
    EXPECT_EQ(Delivered(4), (std::vector<std::string>{
                                MessageText(MM_WOM_OPEN, handle, nullptr),
                                MessageText(MM_WOM_DONE, handle, &buffers[0].header),
                                MessageText(MM_WOM_DONE, handle, &buffers[1].header),
                                MessageText(MM_WOM_DONE, handle, &buffers[2].header),
                            }));
    EXPECT_FALSE(MoreThan(4));
    // A reset with nothing queued returns nothing.
    EXPECT_EQ(waveOutReset(handle), MMSYSERR_NOERROR);
    EXPECT_FALSE(MoreThan(4));
    EXPECT_EQ(waveOutClose(handle), MMSYSERR_NOERROR);
}

TEST_F(WaveOutTest, CloseRefusesWhileAHeaderIsQueued) {
    const HWAVEOUT handle = OpenOutput();
    TestBuffer buffer(1875);
    ASSERT_EQ(waveOutPrepareHeader(handle, &buffer.header, sizeof(WAVEHDR)), MMSYSERR_NOERROR);
    ASSERT_EQ(waveOutWrite(handle, &buffer.header, sizeof(WAVEHDR)), MMSYSERR_NOERROR);
    EXPECT_EQ(CodeName(waveOutClose(handle)), CodeName(WAVERR_STILLPLAYING));
    ASSERT_TRUE(backend_->CompleteOutput(handle));
    EXPECT_EQ(CodeName(waveOutClose(handle)), CodeName(MMSYSERR_NOERROR));
    EXPECT_EQ(CodeName(waveOutClose(handle)), CodeName(MMSYSERR_INVALHANDLE));
}

TEST_F(WaveOutTest, AFailedCloseKeepsTheDeviceOpen) {
    const HWAVEOUT handle = OpenOutput();
    backend_->FailNext("waveOutClose", BackendStatus::kFailed);
    EXPECT_EQ(CodeName(waveOutClose(handle)), CodeName(MMSYSERR_ERROR));
    EXPECT_EQ(CodeName(waveOutReset(handle)), CodeName(MMSYSERR_NOERROR));
    EXPECT_EQ(CodeName(waveOutClose(handle)), CodeName(MMSYSERR_NOERROR));
}

TEST_F(WaveOutTest, AFailedWriteLeavesTheHeaderAsItWas) {
    const HWAVEOUT handle = OpenOutput();
    TestBuffer buffer(1875);
    ASSERT_EQ(waveOutPrepareHeader(handle, &buffer.header, sizeof(WAVEHDR)), MMSYSERR_NOERROR);
    backend_->FailNext("waveOutWrite", BackendStatus::kNoServer);
    EXPECT_EQ(CodeName(waveOutWrite(handle, &buffer.header, sizeof(WAVEHDR))),
              CodeName(MMSYSERR_NODRIVER));
    EXPECT_EQ(FlagNames(buffer.header.dwFlags), "PREPARED");
    EXPECT_TRUE(backend_->QueuedHeaders(handle).empty());
    EXPECT_EQ(CodeName(waveOutClose(handle)), CodeName(MMSYSERR_NOERROR));
    EXPECT_FALSE(MoreThan(2));
}

TEST_F(WaveOutTest, HandlesAreNeverReused) {
    std::vector<void*> seen;
    for (int round = 0; round < 5; ++round) {
        const HWAVEOUT output = OpenOutput();
        const HWAVEIN input = OpenInput();
        for (void* handle : {static_cast<void*>(output), static_cast<void*>(input)}) {
            EXPECT_NE(handle, nullptr);
            EXPECT_EQ(std::count(seen.begin(), seen.end(), handle), 0) << "round " << round;
            seen.push_back(handle);
        }
        EXPECT_EQ(waveOutClose(output), MMSYSERR_NOERROR);
        EXPECT_EQ(waveInClose(input), MMSYSERR_NOERROR);
    }
}

TEST_F(WaveOutTest, OnlyWholeSamplesArePlayed) {
    const HWAVEOUT handle = OpenOutput();
    const struct {
        std::size_t length;
        std::size_t played;
    } rows[] = {{1875, 1874}, {1800, 1800}, {1, 0}, {0, 0}};
    std::vector<char> expected;
    for (const auto& row : rows) {
        SCOPED_TRACE("length " + std::to_string(row.length));
        TestBuffer buffer(row.length);
        ASSERT_EQ(waveOutPrepareHeader(handle, &buffer.header, sizeof(WAVEHDR)), MMSYSERR_NOERROR);
        ASSERT_EQ(waveOutWrite(handle, &buffer.header, sizeof(WAVEHDR)), MMSYSERR_NOERROR);
        ASSERT_TRUE(backend_->CompleteOutput(handle));
        EXPECT_EQ(FlagNames(buffer.header.dwFlags), "DONE|PREPARED");
        expected.insert(expected.end(), buffer.data.begin(),
                        buffer.data.begin() + static_cast<std::ptrdiff_t>(row.played));
        EXPECT_EQ(backend_->PlayedOutput(handle), expected);
        ASSERT_EQ(waveOutUnprepareHeader(handle, &buffer.header, sizeof(WAVEHDR)),
                  MMSYSERR_NOERROR);
    }
    EXPECT_EQ(waveOutClose(handle), MMSYSERR_NOERROR);
}

TEST_F(WaveOutTest, TheCallLogNamesEachCallThatReachedTheBackend) {
    ASSERT_EQ(waveOutGetNumDevs(), 2u);
    const HWAVEOUT handle = OpenOutput(1);
    TestBuffer buffer(1875);
    ASSERT_EQ(waveOutPrepareHeader(handle, &buffer.header, sizeof(WAVEHDR)), MMSYSERR_NOERROR);
    ASSERT_EQ(waveOutWrite(handle, &buffer.header, sizeof(WAVEHDR)), MMSYSERR_NOERROR);
    ASSERT_EQ(waveOutReset(handle), MMSYSERR_NOERROR);
    ASSERT_EQ(waveOutUnprepareHeader(handle, &buffer.header, sizeof(WAVEHDR)), MMSYSERR_NOERROR);
    ASSERT_EQ(waveOutClose(handle), MMSYSERR_NOERROR);
    EXPECT_EQ(backend_->Calls(), (std::vector<std::string>{
                                     "waveOutGetNumDevs",
                                     "waveOutOpen 1",
                                     "waveOutPrepareHeader 1875",
                                     "waveOutWrite 1875",
                                     "waveOutReset",
                                     "waveOutUnprepareHeader 1875",
                                     "waveOutClose",
                                 }));
}

// A backend that keeps its completions until the test fires them, even past a reset, as a
// sound server's thread may deliver one that was already on its way.
class LateBackend final : public audio::AudioBackend {
  public:
    UINT OutputDeviceCount() override { return 1; }
    BackendStatus OutputDeviceName(UINT, std::u16string& name) override {
        name = u"Late";
        return BackendStatus::kOk;
    }
    BackendStatus Open(audio::Direction, audio::DeviceId, UINT,
                       audio::CompletionSink& sink) override {
        sink_ = &sink;
        return BackendStatus::kOk;
    }
    BackendStatus Prepare(audio::Direction, audio::DeviceId, const WAVEHDR&) override {
        return BackendStatus::kOk;
    }
    BackendStatus Unprepare(audio::Direction, audio::DeviceId, const WAVEHDR&) override {
        return BackendStatus::kOk;
    }
    BackendStatus Queue(audio::Direction, audio::DeviceId id,
                        const audio::QueuedBuffer& buffer) override {
        written_.push_back({id, buffer.serial});
        return BackendStatus::kOk;
    }
    BackendStatus Start(audio::DeviceId) override { return BackendStatus::kOk; }
    BackendStatus Stop(audio::DeviceId) override { return BackendStatus::kOk; }
    BackendStatus Reset(audio::Direction, audio::DeviceId) override { return BackendStatus::kOk; }
    BackendStatus Close(audio::Direction, audio::DeviceId) override { return BackendStatus::kOk; }

    void Fire(std::size_t index) { sink_->BufferDone(written_[index].id, written_[index].serial); }

  private:
    struct Written {
        audio::DeviceId id;
        std::uint64_t serial;
    };
    audio::CompletionSink* sink_ = nullptr;
    std::vector<Written> written_;
};

TEST_F(WaveOutTest, ALateCompletionAfterResetIsDropped) {
    auto late = std::make_shared<LateBackend>();
    audio::SetAudioBackend(late);
    const HWAVEOUT handle = OpenOutput();
    TestBuffer buffer(1875);
    ASSERT_EQ(waveOutPrepareHeader(handle, &buffer.header, sizeof(WAVEHDR)), MMSYSERR_NOERROR);
    ASSERT_EQ(waveOutWrite(handle, &buffer.header, sizeof(WAVEHDR)), MMSYSERR_NOERROR);
    ASSERT_EQ(waveOutReset(handle), MMSYSERR_NOERROR);
    // The header goes out again before the completion of its first round arrives.
    ASSERT_EQ(waveOutWrite(handle, &buffer.header, sizeof(WAVEHDR)), MMSYSERR_NOERROR);
    late->Fire(0);
    EXPECT_EQ(FlagNames(buffer.header.dwFlags), "PREPARED|INQUEUE");
    late->Fire(1);
    late->Fire(1);
    EXPECT_EQ(FlagNames(buffer.header.dwFlags), "DONE|PREPARED");
    EXPECT_EQ(Delivered(3), (std::vector<std::string>{
                                MessageText(MM_WOM_OPEN, handle, nullptr),
                                MessageText(MM_WOM_DONE, handle, &buffer.header),
                                MessageText(MM_WOM_DONE, handle, &buffer.header),
                            }));
    EXPECT_FALSE(MoreThan(3));
    EXPECT_EQ(waveOutClose(handle), MMSYSERR_NOERROR);
    // A completion for a device that has been closed finds nothing either.
    late->Fire(1);
    EXPECT_FALSE(MoreThan(4));
}

// A device lost to the server hands back what it held as a reset would, once each and in order,
// then refuses every new header until it is closed.
TEST_F(WaveOutTest, ALostDeviceReturnsItsHeadersOnceThenRefusesMore) {
    const HWAVEOUT handle = OpenOutput();
    TestBuffer buffers[] = {TestBuffer(1875), TestBuffer(1800), TestBuffer(2)};
    for (TestBuffer& buffer : buffers) {
        ASSERT_EQ(waveOutPrepareHeader(handle, &buffer.header, sizeof(WAVEHDR)), MMSYSERR_NOERROR);
    }
    ASSERT_EQ(waveOutWrite(handle, &buffers[0].header, sizeof(WAVEHDR)), MMSYSERR_NOERROR);
    ASSERT_EQ(waveOutWrite(handle, &buffers[1].header, sizeof(WAVEHDR)), MMSYSERR_NOERROR);
    ASSERT_TRUE(backend_->LoseDevice(handle));
    for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(FlagNames(buffers[i].header.dwFlags), "DONE|PREPARED") << i;
    }
    EXPECT_EQ(Delivered(3), (std::vector<std::string>{
                                MessageText(MM_WOM_OPEN, handle, nullptr),
                                MessageText(MM_WOM_DONE, handle, &buffers[0].header),
                                MessageText(MM_WOM_DONE, handle, &buffers[1].header),
                            }));
    EXPECT_EQ(CodeName(waveOutWrite(handle, &buffers[2].header, sizeof(WAVEHDR))),
              CodeName(MMSYSERR_NODRIVER));
    EXPECT_EQ(FlagNames(buffers[2].header.dwFlags), "PREPARED");
    EXPECT_FALSE(backend_->CompleteOutput(handle));
    EXPECT_FALSE(MoreThan(3));
    for (TestBuffer& buffer : buffers) {
        EXPECT_EQ(waveOutUnprepareHeader(handle, &buffer.header, sizeof(WAVEHDR)),
                  MMSYSERR_NOERROR);
    }
    EXPECT_EQ(waveOutClose(handle), MMSYSERR_NOERROR);
}

}  // namespace
