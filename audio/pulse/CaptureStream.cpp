// SPDX-License-Identifier: GPL-3.0-or-later
#include "audio/pulse/CaptureStream.h"

#include <algorithm>

#include "audio/AudioFormat.h"

namespace audio {
namespace {

// Capture arrives in pieces of this length, so that a full buffer is noticed promptly.
constexpr std::uint32_t kFragmentBytes = 20 * g_audioFormat.nAvgBytesPerSec / 1000;

}  // namespace

CaptureStream::CaptureStream(PulseLoop& loop, CompletionDispatcher& dispatcher, DeviceId id,
                             CompletionSink& sink)
    : PulseStream(loop, dispatcher, id, sink) {}

BackendStatus CaptureStream::Connect(pa_context* context) {
    if (!Create(context, "Tessivo capture", "capture stream from the default source",
                ApplicationProperties())) {
        return BackendStatus::kNoMemory;
    }
    pa_stream_set_read_callback(stream_, &OnReadable, this);
    pa_buffer_attr attributes{};
    attributes.maxlength = static_cast<std::uint32_t>(-1);
    attributes.tlength = static_cast<std::uint32_t>(-1);
    attributes.prebuf = static_cast<std::uint32_t>(-1);
    attributes.minreq = static_cast<std::uint32_t>(-1);
    attributes.fragsize = kFragmentBytes;
    const auto flags =
        static_cast<pa_stream_flags_t>(PA_STREAM_ADJUST_LATENCY | PA_STREAM_START_CORKED);
    if (pa_stream_connect_record(stream_, nullptr, &attributes, flags) < 0) {
        return FailConnect();
    }
    return AwaitReady();
}

BackendStatus CaptureStream::Queue(const QueuedBuffer& buffer) {
    if (const BackendStatus health = Health(); health != BackendStatus::kOk) {
        return health;
    }
    queue_.push_back({buffer});
    return BackendStatus::kOk;
}

BackendStatus CaptureStream::Cork(bool cork) {
    pa_operation* operation = pa_stream_cork(stream_, cork ? 1 : 0, nullptr, nullptr);
    if (operation == nullptr) {
        return BackendStatus::kNoServer;
    }
    pa_operation_unref(operation);
    return BackendStatus::kOk;
}

BackendStatus CaptureStream::Start() {
    if (const BackendStatus health = Health(); health != BackendStatus::kOk) {
        return health;
    }
    capturing_ = true;
    return Cork(false);
}

BackendStatus CaptureStream::Stop() {
    capturing_ = false;
    return Health() == BackendStatus::kOk ? Cork(true) : BackendStatus::kOk;
}

BackendStatus CaptureStream::Reset() {
    capturing_ = false;
    queue_.clear();
    if (Health() == BackendStatus::kOk) {
        Cork(true);
        loop_.Await(pa_stream_flush(stream_, nullptr, nullptr));
    }
    return BackendStatus::kOk;
}

void CaptureStream::Store(const char* data, std::size_t bytes) {
    while (bytes > 0 && !queue_.empty()) {
        Pending& front = queue_.front();
        const std::size_t count = std::min<std::size_t>(bytes, front.buffer.bytes - front.done);
        char* target = front.buffer.header->lpData + front.done;
        if (data == nullptr) {
            std::fill_n(target, count, '\0');
        } else {
            std::copy_n(data, count, target);
            data += count;
        }
        bytes -= count;
        front.done += static_cast<DWORD>(count);
        front.buffer.header->dwBytesRecorded = front.done;
        if (front.done == front.buffer.bytes) {
            CompleteFront();
        }
    }
}

void CaptureStream::OnReadable(pa_stream* stream, size_t, void* userdata) {
    auto* self = static_cast<CaptureStream*>(userdata);
    const void* data = nullptr;
    std::size_t bytes = 0;
    // An empty read leaves nothing to drop; a hole comes as null data of a given length.
    while (pa_stream_peek(stream, &data, &bytes) == 0 && bytes > 0) {
        if (self->capturing_) {
            self->Store(static_cast<const char*>(data), bytes);
        }
        pa_stream_drop(stream);
    }
}

}  // namespace audio
