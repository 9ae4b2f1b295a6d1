// SPDX-License-Identifier: GPL-3.0-or-later
// The state behind the waveform-audio entry points, shared by both directions. The table of
// handles and what both directions do live in WaveDevices.cpp; the device list is playback's
// own (WaveOut.cpp), start and stop capture's (WaveIn.cpp).
#pragma once

#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <mutex>

#include "audio/AudioBackend.h"
#include "audio/CompletionSink.h"

namespace audio {

// Keeps the table of open devices, drives the header flags and posts the completion messages.
// Every operation checks its arguments under the lock, calls the backend with the lock released
// and applies the outcome under the lock again; messages are posted after the lock is released,
// in the order in which they were decided.
class WaveDevices final : private CompletionSink {
  public:
    static WaveDevices& Instance();

    void SetBackend(std::shared_ptr<AudioBackend> backend);

    UINT OutputDeviceCount();
    MMRESULT OutputCaps(UINT_PTR device, WAVEOUTCAPS* caps, UINT size);

    MMRESULT Open(Direction direction, DeviceId* id, UINT device, const WAVEFORMATEX* format,
                  DWORD_PTR callback, DWORD flags);
    // Prepares the header, or unprepares it when `prepare` is false.
    MMRESULT SetPrepared(Direction direction, DeviceId id, WAVEHDR* header, UINT size,
                         bool prepare);
    MMRESULT Queue(Direction direction, DeviceId id, WAVEHDR* header, UINT size);
    MMRESULT Start(DeviceId id);
    MMRESULT Stop(DeviceId id);
    MMRESULT Reset(Direction direction, DeviceId id);
    MMRESULT Close(Direction direction, DeviceId id);

  private:
    struct Entry {
        WAVEHDR* header;
        std::uint64_t serial;
    };
    struct Device {
        Direction direction;
        HWND window;
        std::deque<Entry> queue;
    };
    struct Message {
        HWND window;
        UINT message;
        DeviceId id;
        WAVEHDR* header;
    };

    WaveDevices() = default;

    void BufferDone(DeviceId id, std::uint64_t serial) override;

    // The following four expect the lock to be held.
    std::shared_ptr<AudioBackend> Backend();
    Device* Find(Direction direction, DeviceId id);
    MMRESULT CheckHeaderCall(Direction direction, DeviceId id, const WAVEHDR* header, UINT size);
    void Finish(DeviceId id, const Device& device, WAVEHDR* header);

    MMRESULT Control(Direction direction, DeviceId id,
                     BackendStatus (AudioBackend::*operation)(DeviceId));
    void PostMessages();

    std::mutex mutex_;
    std::map<DeviceId, Device> devices_;
    DeviceId last_id_ = 0;
    std::uint64_t last_serial_ = 0;
    std::deque<Message> outbox_;
    bool posting_ = false;
    // Declared last so that it goes first: a backend shutting down may still report to us.
    std::shared_ptr<AudioBackend> backend_;
};

// The one place where a backend's failure becomes a result code, for both directions.
MMRESULT ToResult(BackendStatus status);

// Handles of both directions are the device ids of the table.
template <typename Handle>
DeviceId IdOf(Handle handle) {
    return reinterpret_cast<DeviceId>(handle);
}

// waveOutOpen and waveInOpen: the handle is written whenever it can be, 0 on failure.
template <typename Handle>
MMRESULT OpenHandle(Direction direction, Handle* handle, UINT device, const WAVEFORMATEX* format,
                    DWORD_PTR callback, DWORD flags) {
    DeviceId id = 0;
    const MMRESULT result = WaveDevices::Instance().Open(
        direction, handle == nullptr ? nullptr : &id, device, format, callback, flags);
    if (handle != nullptr) {
        *handle = reinterpret_cast<Handle>(id);
    }
    return result;
}

}  // namespace audio
