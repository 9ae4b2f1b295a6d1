// SPDX-License-Identifier: GPL-3.0-or-later
// A playback stream on the sound server.
#pragma once

#include <cstddef>

#include "audio/pulse/PulseStream.h"

namespace audio {

// Plays the queued buffers one after another as one continuous signal. A buffer is done when
// its last sample has been handed to the server; the server keeps a short lead of sound, so
// the next buffer, written in reply to the completion, follows without a gap. The stream starts
// corked and begins to play once the server holds the lead or a short hold has passed, so that
// the reply to a first buffer shorter than the lead is in time as well.
class PlaybackStream final : public PulseStream {
  public:
    PlaybackStream(PulseLoop& loop, CompletionDispatcher& dispatcher, DeviceId id,
                   CompletionSink& sink);
    ~PlaybackStream();

    // Connects to the sink named `sink_name`, or to the server's default sink if null.
    BackendStatus Connect(pa_context* context, const char* sink_name);
    BackendStatus Queue(const QueuedBuffer& buffer);
    // Discards what the server still holds and forgets every queued buffer.
    BackendStatus Reset();
    // Lets the server play out what it holds, then disconnects. Returns at once.
    void Drain();
    // Whether the stream is gone after Drain: played out, or failed on the way.
    bool Drained() const { return Health() != BackendStatus::kOk; }

  private:
    // Hands the server as much of the queue as it asks for.
    void Pump();

    // Begins playing once the server holds the lead; until then the hold's timer will.
    void StartWhenReady();
    void Uncork();

    static void OnWritable(pa_stream* stream, size_t bytes, void* userdata);
    static void OnDrained(pa_stream* stream, int success, void* userdata);
    static void OnUnderflow(pa_stream* stream, void* userdata);
    static void OnHoldOver(pa_mainloop_api* api, pa_time_event* timer, const timeval* time,
                           void* userdata);

    pa_operation* drain_ = nullptr;
    bool corked_ = true;
    // Bytes handed to the server while corked.
    std::size_t held_ = 0;
    // Ends the hold: armed by the first write.
    pa_time_event* holdTimer_ = nullptr;
    // Whether the server has played all it had; a write after that starts after a gap.
    bool ranDry_ = false;
};

}  // namespace audio
