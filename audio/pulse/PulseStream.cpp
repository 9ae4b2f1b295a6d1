#include "audio/pulse/PulseStream.h"

#include "audio/AudioFormat.h"

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

bool PulseStream::Create(pa_context* context, const char* name) {
    const pa_sample_spec spec{PA_SAMPLE_S16LE, g_audioFormat.nSamplesPerSec,
                              static_cast<std::uint8_t>(g_audioFormat.nChannels)};
    stream_ = pa_stream_new(context, name, &spec, nullptr);
    if (stream_ == nullptr) {
        return false;
    }
    pa_stream_set_state_callback(stream_, &OnState, this);
    return true;
}

BackendStatus PulseStream::AwaitReady() {
    const bool settled = loop_.WaitFor([this] {
        const pa_stream_state_t state = pa_stream_get_state(stream_);
        return state == PA_STREAM_READY || !PA_STREAM_IS_GOOD(state);
    });
    if (!settled) {
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
    if (!PA_STREAM_IS_GOOD(pa_stream_get_state(stream))) {
        while (!self->queue_.empty()) {
            self->CompleteFront();
        }
    }
    self->loop_.Signal();
}

}  // namespace audio
