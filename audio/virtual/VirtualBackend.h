// SPDX-License-Identifier: GPL-3.0-or-later
// A deterministic sound system for tests: scripted devices, a call log, injected failures, and
// completions only when the test asks for them.
#pragma once

#include <cstddef>
#include <deque>
#include <map>
#include <mutex>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "audio/AudioBackend.h"

namespace audio {

class VirtualBackend final : public AudioBackend {
  public:
    // The playback devices, in index order; the first is also the default (WAVE_MAPPER).
    void SetOutputDevices(std::vector<std::u16string> names);
    // Makes every later waveOutGetDevCaps of `device` fail with `status`.
    void FailDeviceCaps(UINT device, BackendStatus status);
    // Makes the next call of `operation`, named by its entry point (e.g. "waveInStop"), fail
    // with `status`. The call is logged all the same.
    void FailNext(std::string_view operation, BackendStatus status);

    // One line per call that reached the backend, e.g. "waveOutPrepareHeader 1875".
    std::vector<std::string> Calls() const;
    void ClearCalls();

    // Completes the oldest header queued on `device`; false when none is queued.
    bool CompleteOutput(HWAVEOUT device);
    // Every byte the completed headers of `device` have played, in order.
    std::vector<char> PlayedOutput(HWAVEOUT device) const;
    // Captures `data` on `device` if it has been started: fills the queued headers in order and
    // completes each one that is full. Returns the bytes stored; the rest is lost, as it would
    // be with a real device that has no buffer queued.
    std::size_t FillInput(HWAVEIN device, std::span<const char> data);
    bool IsCapturing(HWAVEIN device) const;
    // Makes `device` fail as it does when the server dies or its sink or source goes away: its
    // queued headers are reported done, in order, as they stand, and from then on it takes no
    // header and does not start. False when there is no such device.
    bool LoseDevice(HWAVEOUT device);
    bool LoseDevice(HWAVEIN device);
    // Whether the capture device is open on the backend.
    bool IsOpen(HWAVEIN device) const;

    std::vector<const WAVEHDR*> QueuedHeaders(HWAVEOUT device) const;
    std::vector<const WAVEHDR*> QueuedHeaders(HWAVEIN device) const;

    UINT OutputDeviceCount() override;
    BackendStatus OutputDeviceName(UINT device, std::u16string& name) override;
    BackendStatus Open(Direction direction, DeviceId id, UINT device,
                       CompletionSink& sink) override;
    BackendStatus Prepare(Direction direction, DeviceId id, const WAVEHDR& header) override;
    BackendStatus Unprepare(Direction direction, DeviceId id, const WAVEHDR& header) override;
    BackendStatus Queue(Direction direction, DeviceId id, const QueuedBuffer& buffer) override;
    BackendStatus Start(DeviceId id) override;
    BackendStatus Stop(DeviceId id) override;
    BackendStatus Reset(Direction direction, DeviceId id) override;
    BackendStatus Close(Direction direction, DeviceId id) override;

  private:
    struct Stream {
        CompletionSink* sink;
        std::deque<QueuedBuffer> queue;
        bool capturing = false;
        bool lost = false;
    };

    // Logs the call and returns the failure injected for it, if any. Expects the lock held.
    BackendStatus Enter(std::string_view operation, std::string_view argument = {});
    std::vector<const WAVEHDR*> Headers(DeviceId id) const;
    bool Lose(DeviceId id);

    mutable std::mutex mutex_;
    std::vector<std::u16string> devices_;
    std::map<UINT, BackendStatus> failing_caps_;
    std::map<std::string, BackendStatus, std::less<>> next_failures_;
    std::vector<std::string> calls_;
    std::map<DeviceId, Stream> streams_;
    std::map<DeviceId, std::vector<char>> played_;
};

}  // namespace audio
