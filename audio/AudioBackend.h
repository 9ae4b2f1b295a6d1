// SPDX-License-Identifier: GPL-3.0-or-later
// The interface between the waveform-audio entry points and a sound system.
#pragma once

#include <cstdint>
#include <string>

#include "audio/mmsystem.h"

namespace audio {

class CompletionSink;

// The value of a device handle; the backend keys its streams by it.
using DeviceId = std::uintptr_t;

enum class Direction { kOutput, kInput };

// What went wrong in a backend. The entry points turn these into result codes in one place,
// so that both backends report the same condition with the same code.
enum class BackendStatus {
    kOk,
    kNoServer,   // No sound server answers, or the connection to it has died.
    kBadDevice,  // The device index names no device the server offers.
    kNoMemory,
    kFailed,  // The server refused or aborted the operation.
};

// One header handed to a backend by waveOutWrite or waveInAddBuffer. The backend may keep the
// header until it reports the serial done or the device is reset: for playback it reads the
// first `bytes` bytes of lpData; for capture it writes up to `bytes` bytes there and keeps
// dwBytesRecorded up to date. `bytes` counts whole 16-bit samples only.
struct QueuedBuffer {
    WAVEHDR* header;
    std::uint64_t serial;
    DWORD bytes;
};

// A sound system behind the entry points. Every call arrives after the entry point has checked
// its arguments and the device's state, without any lock of the entry points held. The
// operations mirror the entry points one to one.
class AudioBackend {
  public:
    virtual ~AudioBackend() = default;

    // waveOutGetNumDevs: the number of playback devices; 0 when none can be reached.
    virtual UINT OutputDeviceCount() = 0;
    // waveOutGetDevCaps: the readable name of playback device `device` (or WAVE_MAPPER).
    virtual BackendStatus OutputDeviceName(UINT device, std::u16string& name) = 0;

    // waveOutOpen / waveInOpen. `device` is a playback device index or WAVE_MAPPER; capture
    // always uses the default source. Completions of this device go to `sink`.
    virtual BackendStatus Open(Direction direction, DeviceId id, UINT device,
                               CompletionSink& sink) = 0;
    // waveOutPrepareHeader / waveInPrepareHeader and their unprepare counterparts.
    virtual BackendStatus Prepare(Direction direction, DeviceId id, const WAVEHDR& header) = 0;
    virtual BackendStatus Unprepare(Direction direction, DeviceId id, const WAVEHDR& header) = 0;
    // waveOutWrite / waveInAddBuffer. Each queued buffer is reported done once, in queue order,
    // unless the device is reset first.
    virtual BackendStatus Queue(Direction direction, DeviceId id, const QueuedBuffer& buffer) = 0;
    // waveInStart / waveInStop.
    virtual BackendStatus Start(DeviceId id) = 0;
    virtual BackendStatus Stop(DeviceId id) = 0;
    // waveOutReset / waveInReset: on return the backend has let go of every queued header and
    // will report none of them.
    virtual BackendStatus Reset(Direction direction, DeviceId id) = 0;
    // waveOutClose / waveInClose; called only with no header queued.
    virtual BackendStatus Close(Direction direction, DeviceId id) = 0;
};

}  // namespace audio
