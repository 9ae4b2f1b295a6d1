// SPDX-License-Identifier: GPL-3.0-or-later
// Where a backend reports the buffers it has finished.
#pragma once

#include <cstdint>

#include "audio/AudioBackend.h"

namespace audio {

class CompletionSink {
  public:
    // A queued buffer is finished: played out to the server, or filled by capture. May be called
    // from any thread, but never while the backend holds a lock of its own.
    virtual void BufferDone(DeviceId id, std::uint64_t serial) = 0;

  protected:
    ~CompletionSink() = default;
};

}  // namespace audio
