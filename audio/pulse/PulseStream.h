// SPDX-License-Identifier: GPL-3.0-or-later
// What playback and capture streams on the sound server have in common.
#pragma once

#include <deque>
#include <string>

#include <pulse/pulseaudio.h>

#include "audio/AudioBackend.h"
#include "audio/pulse/CompletionDispatcher.h"
#include "audio/pulse/PulseLoop.h"

namespace audio {

// One stream of the program's format with the queue of buffers its device holds. When the
// stream fails (the server died, the device went away) every queued buffer is returned as it
// stands, so that no buffer waits for a completion that can never come. All members expect the
// loop's lock to be held.
class PulseStream {
  public:
    PulseStream(const PulseStream&) = delete;
    PulseStream& operator=(const PulseStream&) = delete;

    // kOk while the stream is connected, kNoServer once it has failed.
    BackendStatus Health() const;

  protected:
    PulseStream(PulseLoop& loop, CompletionDispatcher& dispatcher, DeviceId id,
                CompletionSink& sink);
    ~PulseStream();

    // Creates the stream with `properties`; false if libpulse refused. `description` names it in
    // the log, e.g. "playback stream on the default sink".
    bool Create(pa_context* context, const char* name, std::string description,
                const Proplist& properties);
    // Tells why the stream could not be connected; returns kFailed.
    BackendStatus FailConnect();
    // Waits until the connection the derived class has begun is ready or has failed.
    BackendStatus AwaitReady();
    // Reports the oldest queued buffer done and drops it from the queue.
    void CompleteFront();
    // The stream's name in the log.
    const std::string& Description() const { return description_; }

    // A queued buffer and how many of its bytes have been played or recorded.
    struct Pending {
        QueuedBuffer buffer;
        DWORD done = 0;
    };

    PulseLoop& loop_;
    pa_stream* stream_ = nullptr;
    std::deque<Pending> queue_;

  private:
    static void OnState(pa_stream* stream, void* userdata);

    CompletionDispatcher& dispatcher_;
    CompletionSink& sink_;
    DeviceId id_;
    std::string description_;
};

}  // namespace audio
