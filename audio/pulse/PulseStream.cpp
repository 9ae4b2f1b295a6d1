// SPDX-License-Identifier: GPL-3.0-or-later
#include "audio/pulse/PulseStream.h"

#include <utility>

#include "audio/AudioFormat.h"
#include "audio/pulse/PulseLog.h"

namespace audio {

PulseStream::PulseStream(PulseLoop& loop, CompletionDispatcher& dispatcher, DeviceId id,
                         CompletionSink& sink)
    : loop_(loop), dispatcher_(dispatcher), sink_(sink), id_(id) {}

PulseStream::~PulseStream() {
    if (stream_ == nullptr) {
        return;
    }
    pa_stream_set_state_callback(stream_, nullptr, nullptr);
    pa_stream_set_write_callback(stream_, nullptr, nullptr);
    pa_stream_set_read_callback(stream_, nullptr, nullptr);
    if (PA_STREAM_IS_GOOD(pa_stream_get_state(stream_))) {
        pa_stream_disconnect(stream_);
    }
    pa_stream_unref(stream_);
}

bool PulseStream::Create(pa_context* context, const char* name, std::string description,
                         const Proplist& properties) {
    description_ = std::move(description);
    const pa_sample_spec spec{PA_SAMPLE_S16LE, g_audioFormat.nSamplesPerSec,
                              static_cast<std::uint8_t>(g_audioFormat.nChannels)};
    stream_ = pa_stream_new_with_proplist(context, name, &spec, nullptr, properties.get());
    if (stream_ == nullptr) {
        qCWarning(lcAudio, "cannot create the %s: %s", description_.c_str(),
                  pa_strerror(pa_context_errno(context)));
        return false;
    }
    pa_stream_set_state_callback(stream_, &OnState, this);
    return true;
}

BackendStatus PulseStream::FailConnect() {
    qCWarning(lcAudio, "cannot connect the %s: %s", description_.c_str(),
              pa_strerror(pa_context_errno(pa_stream_get_context(stream_))));
    return BackendStatus::kFailed;
}

BackendStatus PulseStream::AwaitReady() {
    const bool settled = loop_.WaitFor([this] {
        const pa_stream_state_t state = pa_stream_get_state(stream_);
        return state == PA_STREAM_READY || !PA_STREAM_IS_GOOD(state);
    });
    if (!settled) {
        qCWarning(lcAudio, "the sound server did not open the %s within a second",
                  description_.c_str());
        return BackendStatus::kNoServer;
    }
    return pa_stream_get_state(stream_) == PA_STREAM_READY ? BackendStatus::kOk
                                                           : BackendStatus::kFailed;
}

BackendStatus PulseStream::Health() const {
    return pa_stream_get_state(stream_) == PA_STREAM_READY ? BackendStatus::kOk
                                                           : BackendStatus::kNoServer;
}

void PulseStream::CompleteFront() {
    dispatcher_.Post(sink_, id_, queue_.front().buffer.serial);
    queue_.pop_front();
}

void PulseStream::OnState(pa_stream* stream, void* userdata) {
    auto* self = static_cast<PulseStream*>(userdata);
    const pa_stream_state_t state = pa_stream_get_state(stream);
    pa_context* context = pa_stream_get_context(stream);
    // A stream that fails with its connection leaves the telling to the connection.
    if (state == PA_STREAM_FAILED && PA_CONTEXT_IS_GOOD(pa_context_get_state(context))) {
        qCWarning(lcAudio, "the %s failed: %s", self->description_.c_str(),
                  pa_strerror(pa_context_errno(context)));
    }
    if (!PA_STREAM_IS_GOOD(state)) {
        while (!self->queue_.empty()) {
            self->CompleteFront();
        }
    }
    self->loop_.Signal();
}

}  // namespace audio
