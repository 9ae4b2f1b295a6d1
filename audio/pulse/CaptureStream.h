// SPDX-License-Identifier: GPL-3.0-or-later
// A capture stream from the server's default source.
#pragma once

#include "audio/pulse/PulseStream.h"

namespace audio {

// Fills the queued buffers one after another while started; a buffer is done when it is full.
// Sound that arrives while stopped, or with no buffer queued, is dropped.
class CaptureStream final : public PulseStream {
  public:
    CaptureStream(PulseLoop& loop, CompletionDispatcher& dispatcher, DeviceId id,
                  CompletionSink& sink);

    BackendStatus Connect(pa_context* context);
    BackendStatus Queue(const QueuedBuffer& buffer);
    BackendStatus Start();
    BackendStatus Stop();
    // Stops and forgets every queued buffer, leaving in each what has been recorded so far.
    BackendStatus Reset();

  private:
    BackendStatus Cork(bool cork);
    // Stores captured bytes; null data stands for a stretch of silence.
    void Store(const char* data, std::size_t bytes);

    static void OnReadable(pa_stream* stream, size_t bytes, void* userdata);

    bool capturing_ = false;
};

}  // namespace audio
