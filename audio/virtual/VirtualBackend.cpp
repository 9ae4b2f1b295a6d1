// SPDX-License-Identifier: GPL-3.0-or-later
#include "audio/virtual/VirtualBackend.h"

#include <algorithm>
#include <utility>

#include "audio/CompletionSink.h"

namespace audio {
namespace {

std::string_view Name(Direction direction, std::string_view output, std::string_view input) {
    return direction == Direction::kOutput ? output : input;
}

std::string DeviceArgument(UINT device) {
    return device == WAVE_MAPPER ? "WAVE_MAPPER" : std::to_string(device);
}

DeviceId IdOf(HWAVEOUT device) {
    return reinterpret_cast<DeviceId>(device);
}
DeviceId IdOf(HWAVEIN device) {
    return reinterpret_cast<DeviceId>(device);
}

}  // namespace

void VirtualBackend::SetOutputDevices(std::vector<std::u16string> names) {
    std::lock_guard lock(mutex_);
    devices_ = std::move(names);
}

void VirtualBackend::FailDeviceCaps(UINT device, BackendStatus status) {
    std::lock_guard lock(mutex_);
    failing_caps_[device] = status;
}

void VirtualBackend::FailNext(std::string_view operation, BackendStatus status) {
    std::lock_guard lock(mutex_);
    next_failures_[std::string(operation)] = status;
}

std::vector<std::string> VirtualBackend::Calls() const {
    std::lock_guard lock(mutex_);
    return calls_;
}

void VirtualBackend::ClearCalls() {
    std::lock_guard lock(mutex_);
    calls_.clear();
}

BackendStatus VirtualBackend::Enter(std::string_view operation, std::string_view argument) {
    std::string call(operation);
    if (!argument.empty()) {
        call.append(" ").append(argument);
    }
    calls_.push_back(std::move(call));
    const auto failure = next_failures_.find(operation);
    if (failure == next_failures_.end()) {
        return BackendStatus::kOk;
    }
    const BackendStatus status = failure->second;
    next_failures_.erase(failure);
    return status;
}

bool VirtualBackend::CompleteOutput(HWAVEOUT device) {
    CompletionSink* sink = nullptr;
    std::uint64_t serial = 0;
    {
        std::lock_guard lock(mutex_);
        const auto stream = streams_.find(IdOf(device));
        if (stream == streams_.end() || stream->second.queue.empty()) {
            return false;
        }
        const QueuedBuffer buffer = stream->second.queue.front();
        stream->second.queue.pop_front();
        auto& played = played_[IdOf(device)];
        played.insert(played.end(), buffer.header->lpData, buffer.header->lpData + buffer.bytes);
        sink = stream->second.sink;
        serial = buffer.serial;
    }
    sink->BufferDone(IdOf(device), serial);
    return true;
}

std::vector<char> VirtualBackend::PlayedOutput(HWAVEOUT device) const {
    std::lock_guard lock(mutex_);
    const auto played = played_.find(IdOf(device));
    return played == played_.end() ? std::vector<char>{} : played->second;
}

std::size_t VirtualBackend::FillInput(HWAVEIN device, std::span<const char> data) {
    CompletionSink* sink = nullptr;
    std::vector<std::uint64_t> full;
    std::size_t stored = 0;
    {
        std::lock_guard lock(mutex_);
        const auto stream = streams_.find(IdOf(device));
        if (stream == streams_.end() || !stream->second.capturing) {
            return 0;
        }
        auto& queue = stream->second.queue;
        while (stored < data.size() && !queue.empty()) {
            const QueuedBuffer& buffer = queue.front();
            WAVEHDR& header = *buffer.header;
            const std::size_t count =
                std::min<std::size_t>(buffer.bytes - header.dwBytesRecorded, data.size() - stored);
            std::copy_n(data.begin() + static_cast<std::ptrdiff_t>(stored), count,
                        header.lpData + header.dwBytesRecorded);
            header.dwBytesRecorded += static_cast<DWORD>(count);
            stored += count;
            if (header.dwBytesRecorded == buffer.bytes) {
                full.push_back(buffer.serial);
                queue.pop_front();
            }
        }
        sink = stream->second.sink;
    }
    for (const std::uint64_t serial : full) {
        sink->BufferDone(IdOf(device), serial);
    }
    return stored;
}

bool VirtualBackend::IsCapturing(HWAVEIN device) const {
    std::lock_guard lock(mutex_);
    const auto stream = streams_.find(IdOf(device));
    return stream != streams_.end() && stream->second.capturing;
}

bool VirtualBackend::IsOpen(HWAVEIN device) const {
    std::lock_guard lock(mutex_);
    return streams_.contains(IdOf(device));
}

bool VirtualBackend::Lose(DeviceId id) {
    CompletionSink* sink = nullptr;
    std::deque<QueuedBuffer> returned;
    {
        std::lock_guard lock(mutex_);
        const auto stream = streams_.find(id);
        if (stream == streams_.end()) {
            return false;
        }
        stream->second.lost = true;
        stream->second.capturing = false;
        returned.swap(stream->second.queue);
        sink = stream->second.sink;
    }
    for (const QueuedBuffer& buffer : returned) {
        sink->BufferDone(id, buffer.serial);
    }
    return true;
}

bool VirtualBackend::LoseDevice(HWAVEOUT device) {
    return Lose(IdOf(device));
}

bool VirtualBackend::LoseDevice(HWAVEIN device) {
    return Lose(IdOf(device));
}

std::vector<const WAVEHDR*> VirtualBackend::Headers(DeviceId id) const {
    std::lock_guard lock(mutex_);
    std::vector<const WAVEHDR*> headers;
    if (const auto stream = streams_.find(id); stream != streams_.end()) {
        for (const QueuedBuffer& buffer : stream->second.queue) {
            headers.push_back(buffer.header);
        }
    }
    return headers;
}

std::vector<const WAVEHDR*> VirtualBackend::QueuedHeaders(HWAVEOUT device) const {
    return Headers(IdOf(device));
}

std::vector<const WAVEHDR*> VirtualBackend::QueuedHeaders(HWAVEIN device) const {
    return Headers(IdOf(device));
}

UINT VirtualBackend::OutputDeviceCount() {
    std::lock_guard lock(mutex_);
    if (Enter("waveOutGetNumDevs") != BackendStatus::kOk) {
        return 0;
    }
    return static_cast<UINT>(devices_.size());
}

BackendStatus VirtualBackend::OutputDeviceName(UINT device, std::u16string& name) {
    std::lock_guard lock(mutex_);
    if (const BackendStatus status = Enter("waveOutGetDevCaps", DeviceArgument(device));
        status != BackendStatus::kOk) {
        return status;
    }
    const UINT index = device == WAVE_MAPPER ? 0 : device;
    if (index >= devices_.size()) {
        return BackendStatus::kBadDevice;
    }
    if (const auto failure = failing_caps_.find(index); failure != failing_caps_.end()) {
        return failure->second;
    }
    name = devices_[index];
    return BackendStatus::kOk;
}

BackendStatus VirtualBackend::Open(Direction direction, DeviceId id, UINT device,
                                   CompletionSink& sink) {
    std::lock_guard lock(mutex_);
    if (const BackendStatus status =
            Enter(Name(direction, "waveOutOpen", "waveInOpen"), DeviceArgument(device));
        status != BackendStatus::kOk) {
        return status;
    }
    if (direction == Direction::kOutput &&
        (devices_.empty() || (device != WAVE_MAPPER && device >= devices_.size()))) {
        return BackendStatus::kBadDevice;
    }
    streams_.emplace(id, Stream{&sink, {}});
    return BackendStatus::kOk;
}

BackendStatus VirtualBackend::Prepare(Direction direction, DeviceId, const WAVEHDR& header) {
    std::lock_guard lock(mutex_);
    return Enter(Name(direction, "waveOutPrepareHeader", "waveInPrepareHeader"),
                 std::to_string(header.dwBufferLength));
}

BackendStatus VirtualBackend::Unprepare(Direction direction, DeviceId, const WAVEHDR& header) {
    std::lock_guard lock(mutex_);
    return Enter(Name(direction, "waveOutUnprepareHeader", "waveInUnprepareHeader"),
                 std::to_string(header.dwBufferLength));
}

BackendStatus VirtualBackend::Queue(Direction direction, DeviceId id, const QueuedBuffer& buffer) {
    std::lock_guard lock(mutex_);
    if (const BackendStatus status = Enter(Name(direction, "waveOutWrite", "waveInAddBuffer"),
                                           std::to_string(buffer.header->dwBufferLength));
        status != BackendStatus::kOk) {
        return status;
    }
    Stream& stream = streams_.at(id);
    if (stream.lost) {
        return BackendStatus::kNoServer;
    }
    stream.queue.push_back(buffer);
    return BackendStatus::kOk;
}

BackendStatus VirtualBackend::Start(DeviceId id) {
    std::lock_guard lock(mutex_);
    if (const BackendStatus status = Enter("waveInStart"); status != BackendStatus::kOk) {
        return status;
    }
    Stream& stream = streams_.at(id);
    if (stream.lost) {
        return BackendStatus::kNoServer;
    }
    stream.capturing = true;
    return BackendStatus::kOk;
}

BackendStatus VirtualBackend::Stop(DeviceId id) {
    std::lock_guard lock(mutex_);
    if (const BackendStatus status = Enter("waveInStop"); status != BackendStatus::kOk) {
        return status;
    }
    streams_.at(id).capturing = false;
    return BackendStatus::kOk;
}

BackendStatus VirtualBackend::Reset(Direction direction, DeviceId id) {
    std::lock_guard lock(mutex_);
    if (const BackendStatus status = Enter(Name(direction, "waveOutReset", "waveInReset"));
        status != BackendStatus::kOk) {
        return status;
    }
    Stream& stream = streams_.at(id);
    stream.queue.clear();
    stream.capturing = false;
    return BackendStatus::kOk;
}

BackendStatus VirtualBackend::Close(Direction direction, DeviceId id) {
    std::lock_guard lock(mutex_);
    if (const BackendStatus status = Enter(Name(direction, "waveOutClose", "waveInClose"));
        status != BackendStatus::kOk) {
        return status;
    }
    streams_.erase(id);
    return BackendStatus::kOk;
}

}  // namespace audio
