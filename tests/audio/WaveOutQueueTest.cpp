// SPDX-License-Identifier: GPL-3.0-or-later
// The playback device with headers queued on the virtual backend: reset, close, failures, the
// call log, late completions and a device lost to the server.
#include <algorithm>
#include <string>

#include "audio/CompletionSink.h"
#include "tests/audio/VirtualAudioTest.h"

using audio::BackendStatus;

namespace {

using WaveOutQueueTest = VirtualAudioTest;

TEST_F(WaveOutQueueTest, ResetReturnsEveryQueuedHeaderOnceInOrder) {
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

TEST_F(WaveOutQueueTest, CloseRefusesWhileAHeaderIsQueued) {
    const HWAVEOUT handle = OpenOutput();
    TestBuffer buffer(1875);
    ASSERT_EQ(waveOutPrepareHeader(handle, &buffer.header, sizeof(WAVEHDR)), MMSYSERR_NOERROR);
    ASSERT_EQ(waveOutWrite(handle, &buffer.header, sizeof(WAVEHDR)), MMSYSERR_NOERROR);
    EXPECT_EQ(CodeName(waveOutClose(handle)), CodeName(WAVERR_STILLPLAYING));
    ASSERT_TRUE(backend_->CompleteOutput(handle));
    EXPECT_EQ(CodeName(waveOutClose(handle)), CodeName(MMSYSERR_NOERROR));
    EXPECT_EQ(CodeName(waveOutClose(handle)), CodeName(MMSYSERR_INVALHANDLE));
}

TEST_F(WaveOutQueueTest, AFailedCloseKeepsTheDeviceOpen) {
    const HWAVEOUT handle = OpenOutput();
    backend_->FailNext("waveOutClose", BackendStatus::kFailed);
    EXPECT_EQ(CodeName(waveOutClose(handle)), CodeName(MMSYSERR_ERROR));
    EXPECT_EQ(CodeName(waveOutReset(handle)), CodeName(MMSYSERR_NOERROR));
    EXPECT_EQ(CodeName(waveOutClose(handle)), CodeName(MMSYSERR_NOERROR));
}

TEST_F(WaveOutQueueTest, AFailedWriteLeavesTheHeaderAsItWas) {
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

TEST_F(WaveOutQueueTest, HandlesAreNeverReused) {
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

TEST_F(WaveOutQueueTest, OnlyWholeSamplesArePlayed) {
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

TEST_F(WaveOutQueueTest, TheCallLogNamesEachCallThatReachedTheBackend) {
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

TEST_F(WaveOutQueueTest, ALateCompletionAfterResetIsDropped) {
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
TEST_F(WaveOutQueueTest, ALostDeviceReturnsItsHeadersOnceThenRefusesMore) {
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
