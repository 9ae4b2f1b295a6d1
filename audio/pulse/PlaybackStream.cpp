// SPDX-License-Identifier: GPL-3.0-or-later
#include "audio/pulse/PlaybackStream.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <string>

#include "audio/AudioFormat.h"
#include "audio/pulse/PulseLog.h"

namespace audio {
namespace {

// The lead of sound the server keeps: long enough to cover the trip of a completion message
// through the program's event loop and the next write on a busy machine. A stop flushes it, so
// it does not delay silence.
constexpr pa_usec_t kTargetLeadUsec = TESSIVO_PLAYBACK_LEAD_MS * PA_USEC_PER_MSEC;
// How much the server asks for at a time once the lead has shrunk.
constexpr pa_usec_t kRequestUsec = 10 * PA_USEC_PER_MSEC;
// How long a new stream waits for the lead before it plays what it holds. A message's first
// element may be shorter than the lead, so without the wait the reply to its completion would
// have only that element's length to arrive; a busy user-interface thread (a large window
// repainting) can take longer, and the next element would start late. Short enough that the
// first sound still follows the first write within tens of milliseconds.
constexpr pa_usec_t kStartHoldUsec = 80 * PA_USEC_PER_MSEC;

// Silence written after the last sample before the stream drains. A server that resamples
// (PipeWire, from 22500 to its own rate) holds the last millisecond or so of what it was given in
// its filter when the drain completes, and drops it with the stream; this pushes the last tone
// out, so that only silence is lost.
constexpr pa_usec_t kTailUsec = 10 * PA_USEC_PER_MSEC;

constexpr std::uint32_t BytesOf(pa_usec_t usec) {
    return static_cast<std::uint32_t>(usec * g_audioFormat.nAvgBytesPerSec / PA_USEC_PER_SEC);
}

}  // namespace

PlaybackStream::PlaybackStream(PulseLoop& loop, CompletionDispatcher& dispatcher, DeviceId id,
                               CompletionSink& sink)
    : PulseStream(loop, dispatcher, id, sink) {}

PlaybackStream::~PlaybackStream() {
    if (holdTimer_ != nullptr) {
        loop_.Api()->time_free(holdTimer_);
    }
    if (stream_ != nullptr) {
        pa_stream_set_underflow_callback(stream_, nullptr, nullptr);
    }
    if (drain_ != nullptr) {
        pa_operation_cancel(drain_);
        pa_operation_unref(drain_);
    }
}

BackendStatus PlaybackStream::Connect(pa_context* context, const char* sink_name) {
    const std::string description = sink_name != nullptr
                                        ? std::string("playback stream on ") + sink_name
                                        : std::string("playback stream on the default sink");
    // A chosen sink that is not there fails the stream instead of leaving it on another: PipeWire's
    // session manager falls back to the default sink unless told not to, where PulseAudio fails.
    const Proplist properties = ApplicationProperties();
    if (sink_name != nullptr) {
        pa_proplist_sets(properties.get(), "node.dont-fallback", "true");
    }
    if (!Create(context, "Tessivo playback", description, properties)) {
        return BackendStatus::kNoMemory;
    }
    pa_stream_set_write_callback(stream_, &OnWritable, this);
    pa_stream_set_underflow_callback(stream_, &OnUnderflow, this);
    // Prebuffering of a single sample: once uncorked, the server plays as soon as it has a
    // sample, so that a short element is not held back waiting for a buffer that never fills
    // (the start hold is ours, and bounded). Not none at all: without prebuffering the server plays
    // on through an underrun and later data would be written behind the point of play and lost,
    // where with it playback pauses until the next sample arrives.
    pa_buffer_attr attributes{};
    attributes.maxlength = static_cast<std::uint32_t>(-1);
    attributes.tlength = BytesOf(kTargetLeadUsec);
    attributes.prebuf = g_audioFormat.nBlockAlign;
    attributes.minreq = BytesOf(kRequestUsec);
    attributes.fragsize = static_cast<std::uint32_t>(-1);
    // A chosen sink stays chosen: when it goes away the stream ends with it instead of moving
    // to another. The default sink's stream follows the default wherever the server moves it.
    pa_stream_flags_t flags =
        static_cast<pa_stream_flags_t>(PA_STREAM_ADJUST_LATENCY | PA_STREAM_START_CORKED);
    if (sink_name != nullptr) {
        flags = static_cast<pa_stream_flags_t>(flags | PA_STREAM_DONT_MOVE);
    }
    if (pa_stream_connect_playback(stream_, sink_name, &attributes, flags, nullptr, nullptr) < 0) {
        return FailConnect();
    }
    return AwaitReady();
}

BackendStatus PlaybackStream::Queue(const QueuedBuffer& buffer) {
    if (const BackendStatus health = Health(); health != BackendStatus::kOk) {
        return health;
    }
    queue_.push_back({buffer});
    Pump();
    return BackendStatus::kOk;
}

void PlaybackStream::Pump() {
    while (!queue_.empty()) {
        Pending& front = queue_.front();
        if (front.done == front.buffer.bytes) {
            CompleteFront();
            continue;
        }
        const std::size_t writable = pa_stream_writable_size(stream_);
        // A failed stream reports (size_t)-1; its state callback returns the buffers.
        if (writable == static_cast<std::size_t>(-1)) {
            return;
        }
        const std::size_t whole_samples =
            std::min<std::size_t>(writable, front.buffer.bytes - front.done) /
            g_audioFormat.nBlockAlign;
        const std::size_t bytes = whole_samples * g_audioFormat.nBlockAlign;
        if (bytes == 0) {
            break;
        }
        // Running dry at the end of a message is its end; only a write after it makes a gap.
        if (ranDry_) {
            ranDry_ = false;
            qCWarning(lcAudio, "the %s ran dry: what comes next is heard after a gap",
                      Description().c_str());
        }
        // libpulse copies the data, so the header may be reused once it is reported done.
        if (pa_stream_write(stream_, front.buffer.header->lpData + front.done, bytes, nullptr, 0,
                            PA_SEEK_RELATIVE) < 0) {
            break;
        }
        front.done += static_cast<DWORD>(bytes);
        if (corked_) {
            held_ += bytes;
        }
    }
    if (corked_ && held_ > 0) {
        StartWhenReady();
    }
}

void PlaybackStream::StartWhenReady() {
    const pa_buffer_attr* attributes = pa_stream_get_buffer_attr(stream_);
    if (attributes == nullptr || held_ >= attributes->tlength) {
        Uncork();
        return;
    }
    if (holdTimer_ == nullptr) {
        holdTimer_ = pa_context_rttime_new(pa_stream_get_context(stream_),
                                           pa_rtclock_now() + kStartHoldUsec, &OnHoldOver, this);
        // Without a timer nothing would end the hold, so there is none.
        if (holdTimer_ == nullptr) {
            Uncork();
        }
    }
}

void PlaybackStream::Uncork() {
    corked_ = false;
    if (holdTimer_ != nullptr) {
        loop_.Api()->time_free(holdTimer_);
        holdTimer_ = nullptr;
    }
    if (pa_operation* uncork = pa_stream_cork(stream_, 0, nullptr, nullptr)) {
        pa_operation_unref(uncork);
    }
}

BackendStatus PlaybackStream::Reset() {
    queue_.clear();
    if (Health() == BackendStatus::kOk) {
        loop_.Await(pa_stream_flush(stream_, nullptr, nullptr));
    }
    held_ = 0;
    ranDry_ = false;
    return BackendStatus::kOk;
}

void PlaybackStream::Drain() {
    if (Health() != BackendStatus::kOk) {
        return;
    }
    // A corked stream would never drain; what it holds is all there will be, so it plays now.
    if (corked_) {
        Uncork();
    }
    static const std::array<char, BytesOf(kTailUsec)> silence{};
    pa_stream_write(stream_, silence.data(), silence.size(), nullptr, 0, PA_SEEK_RELATIVE);
    drain_ = pa_stream_drain(stream_, &OnDrained, this);
    if (drain_ == nullptr) {
        pa_stream_disconnect(stream_);
    }
}

void PlaybackStream::OnWritable(pa_stream*, size_t, void* userdata) {
    static_cast<PlaybackStream*>(userdata)->Pump();
}

void PlaybackStream::OnUnderflow(pa_stream*, void* userdata) {
    static_cast<PlaybackStream*>(userdata)->ranDry_ = true;
}

void PlaybackStream::OnHoldOver(pa_mainloop_api*, pa_time_event*, const timeval*, void* userdata) {
    auto* self = static_cast<PlaybackStream*>(userdata);
    if (self->Health() == BackendStatus::kOk) {
        self->Uncork();
    }
}

void PlaybackStream::OnDrained(pa_stream* stream, int, void* userdata) {
    auto* self = static_cast<PlaybackStream*>(userdata);
    pa_operation_unref(self->drain_);
    self->drain_ = nullptr;
    pa_stream_disconnect(stream);
}

}  // namespace audio
