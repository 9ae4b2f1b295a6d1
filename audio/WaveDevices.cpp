// SPDX-License-Identifier: GPL-3.0-or-later
#include "audio/WaveDevices.h"

#include <algorithm>
#include <utility>

#include "audio/AudioFormat.h"
#include "audio/pulse/PulseBackend.h"
#include "platform/winuser.h"

namespace audio {

MMRESULT ToResult(BackendStatus status) {
    switch (status) {
        case BackendStatus::kOk:
            return MMSYSERR_NOERROR;
        case BackendStatus::kNoServer:
            return MMSYSERR_NODRIVER;
        case BackendStatus::kBadDevice:
            return MMSYSERR_BADDEVICEID;
        case BackendStatus::kNoMemory:
            return MMSYSERR_NOMEM;
        case BackendStatus::kFailed:
            break;
    }
    return MMSYSERR_ERROR;
}

namespace {

bool IsAudioFormat(const WAVEFORMATEX& format) {
    return format.wFormatTag == g_audioFormat.wFormatTag &&
           format.nChannels == g_audioFormat.nChannels &&
           format.nSamplesPerSec == g_audioFormat.nSamplesPerSec &&
           format.nAvgBytesPerSec == g_audioFormat.nAvgBytesPerSec &&
           format.nBlockAlign == g_audioFormat.nBlockAlign &&
           format.wBitsPerSample == g_audioFormat.wBitsPerSample;
}

UINT OpenMessage(Direction direction) {
    return direction == Direction::kOutput ? MM_WOM_OPEN : MM_WIM_OPEN;
}
UINT CloseMessage(Direction direction) {
    return direction == Direction::kOutput ? MM_WOM_CLOSE : MM_WIM_CLOSE;
}
UINT DoneMessage(Direction direction) {
    return direction == Direction::kOutput ? MM_WOM_DONE : MM_WIM_DATA;
}

}  // namespace

WaveDevices& WaveDevices::Instance() {
    static WaveDevices instance;
    return instance;
}

void WaveDevices::SetBackend(std::shared_ptr<AudioBackend> backend) {
    std::shared_ptr<AudioBackend> previous;
    {
        std::lock_guard lock(mutex_);
        previous = std::exchange(backend_, std::move(backend));
        devices_.clear();
    }
    // The previous backend shuts down here, outside the lock, since it may still report.
}

std::shared_ptr<AudioBackend> WaveDevices::Backend() {
    if (!backend_) {
        backend_ = CreatePulseBackend();
    }
    return backend_;
}

WaveDevices::Device* WaveDevices::Find(Direction direction, DeviceId id) {
    const auto it = devices_.find(id);
    if (it == devices_.end() || it->second.direction != direction) {
        return nullptr;
    }
    return &it->second;
}

MMRESULT WaveDevices::CheckHeaderCall(Direction direction, DeviceId id, const WAVEHDR* header,
                                      UINT size) {
    if (Find(direction, id) == nullptr) {
        return MMSYSERR_INVALHANDLE;
    }
    if (header == nullptr || size != sizeof(WAVEHDR) ||
        (header->lpData == nullptr && header->dwBufferLength != 0)) {
        return MMSYSERR_INVALPARAM;
    }
    return MMSYSERR_NOERROR;
}

void WaveDevices::Finish(DeviceId id, const Device& device, WAVEHDR* header) {
    header->dwFlags = (header->dwFlags & ~WHDR_INQUEUE) | WHDR_DONE;
    if (device.window != nullptr) {
        outbox_.push_back({device.window, DoneMessage(device.direction), id, header});
    }
}

void WaveDevices::PostMessages() {
    std::unique_lock lock(mutex_);
    // Only one thread posts at a time, so that messages leave in the order they were queued;
    // another thread that queues meanwhile leaves its messages to the one already posting.
    if (posting_) {
        return;
    }
    posting_ = true;
    while (!outbox_.empty()) {
        const Message message = outbox_.front();
        outbox_.pop_front();
        lock.unlock();
        PostMessageW(message.window, message.message, static_cast<WPARAM>(message.id),
                     reinterpret_cast<LPARAM>(message.header));
        lock.lock();
    }
    posting_ = false;
}

MMRESULT WaveDevices::Open(Direction direction, DeviceId* id, UINT device,
                           const WAVEFORMATEX* format, DWORD_PTR callback, DWORD flags) {
    if (id == nullptr || format == nullptr) {
        return MMSYSERR_INVALPARAM;
    }
    *id = 0;
    if (flags != 0 && flags != CALLBACK_WINDOW) {
        return MMSYSERR_INVALFLAG;
    }
    if (!IsAudioFormat(*format)) {
        return WAVERR_BADFORMAT;
    }
    // Capture has one device, the server's default source, reachable as 0 or through the mapper.
    if (direction == Direction::kInput && device != 0 && device != WAVE_MAPPER) {
        return MMSYSERR_BADDEVICEID;
    }
    const HWND window = flags == CALLBACK_WINDOW ? reinterpret_cast<HWND>(callback) : nullptr;
    DeviceId new_id = 0;
    std::shared_ptr<AudioBackend> backend;
    {
        std::lock_guard lock(mutex_);
        new_id = ++last_id_;
        backend = Backend();
    }
    const BackendStatus status = backend->Open(direction, new_id, device, *this);
    if (status != BackendStatus::kOk) {
        return ToResult(status);
    }
    {
        std::lock_guard lock(mutex_);
        devices_.emplace(new_id, Device{direction, window, {}});
        if (window != nullptr) {
            outbox_.push_back({window, OpenMessage(direction), new_id, nullptr});
        }
    }
    *id = new_id;
    PostMessages();
    return MMSYSERR_NOERROR;
}

MMRESULT WaveDevices::SetPrepared(Direction direction, DeviceId id, WAVEHDR* header, UINT size,
                                  bool prepare) {
    std::shared_ptr<AudioBackend> backend;
    {
        std::lock_guard lock(mutex_);
        if (const MMRESULT result = CheckHeaderCall(direction, id, header, size);
            result != MMSYSERR_NOERROR) {
            return result;
        }
        if ((header->dwFlags & WHDR_INQUEUE) != 0) {
            return WAVERR_STILLPLAYING;
        }
        // As in the classic service, preparing a prepared header, or unpreparing one that is
        // not, does nothing.
        if (((header->dwFlags & WHDR_PREPARED) != 0) == prepare) {
            return MMSYSERR_NOERROR;
        }
        backend = backend_;
    }
    const BackendStatus status = prepare ? backend->Prepare(direction, id, *header)
                                         : backend->Unprepare(direction, id, *header);
    if (status != BackendStatus::kOk) {
        return ToResult(status);
    }
    std::lock_guard lock(mutex_);
    header->dwFlags = prepare ? header->dwFlags | WHDR_PREPARED : header->dwFlags & ~WHDR_PREPARED;
    return MMSYSERR_NOERROR;
}

MMRESULT WaveDevices::Queue(Direction direction, DeviceId id, WAVEHDR* header, UINT size) {
    std::shared_ptr<AudioBackend> backend;
    QueuedBuffer buffer{};
    DWORD old_flags = 0;
    {
        std::lock_guard lock(mutex_);
        if (const MMRESULT result = CheckHeaderCall(direction, id, header, size);
            result != MMSYSERR_NOERROR) {
            return result;
        }
        if ((header->dwFlags & WHDR_PREPARED) == 0) {
            return WAVERR_UNPREPARED;
        }
        if ((header->dwFlags & WHDR_INQUEUE) != 0) {
            return WAVERR_STILLPLAYING;
        }
        // The entry goes into the queue before the backend sees the buffer, since the backend
        // may report it done before it has even returned.
        old_flags = header->dwFlags;
        header->dwFlags = (header->dwFlags & ~WHDR_DONE) | WHDR_INQUEUE;
        if (direction == Direction::kInput) {
            header->dwBytesRecorded = 0;
        }
        const DWORD whole_samples = header->dwBufferLength / g_audioFormat.nBlockAlign;
        buffer = {header, ++last_serial_, whole_samples * g_audioFormat.nBlockAlign};
        Find(direction, id)->queue.push_back({header, buffer.serial});
        backend = backend_;
    }
    const BackendStatus status = backend->Queue(direction, id, buffer);
    if (status == BackendStatus::kOk) {
        return MMSYSERR_NOERROR;
    }
    std::lock_guard lock(mutex_);
    if (Device* device = Find(direction, id); device != nullptr) {
        std::erase_if(device->queue,
                      [&](const Entry& entry) { return entry.serial == buffer.serial; });
    }
    header->dwFlags = old_flags;
    return ToResult(status);
}

MMRESULT WaveDevices::Reset(Direction direction, DeviceId id) {
    std::shared_ptr<AudioBackend> backend;
    {
        std::lock_guard lock(mutex_);
        if (Find(direction, id) == nullptr) {
            return MMSYSERR_INVALHANDLE;
        }
        backend = backend_;
    }
    const BackendStatus status = backend->Reset(direction, id);
    if (status != BackendStatus::kOk) {
        return ToResult(status);
    }
    {
        std::lock_guard lock(mutex_);
        if (Device* device = Find(direction, id); device != nullptr) {
            for (const Entry& entry : device->queue) {
                Finish(id, *device, entry.header);
            }
            device->queue.clear();
        }
    }
    PostMessages();
    return MMSYSERR_NOERROR;
}

MMRESULT WaveDevices::Close(Direction direction, DeviceId id) {
    std::shared_ptr<AudioBackend> backend;
    {
        std::lock_guard lock(mutex_);
        const Device* device = Find(direction, id);
        if (device == nullptr) {
            return MMSYSERR_INVALHANDLE;
        }
        if (!device->queue.empty()) {
            return WAVERR_STILLPLAYING;
        }
        backend = backend_;
    }
    const BackendStatus status = backend->Close(direction, id);
    if (status != BackendStatus::kOk) {
        return ToResult(status);
    }
    {
        std::lock_guard lock(mutex_);
        const auto it = devices_.find(id);
        if (it != devices_.end()) {
            if (it->second.window != nullptr) {
                outbox_.push_back({it->second.window, CloseMessage(direction), id, nullptr});
            }
            devices_.erase(it);
        }
    }
    PostMessages();
    return MMSYSERR_NOERROR;
}

void WaveDevices::BufferDone(DeviceId id, std::uint64_t serial) {
    {
        std::lock_guard lock(mutex_);
        const auto device = devices_.find(id);
        // A report for a device that is gone, or for a buffer a reset has already returned,
        // finds nothing here and is dropped: each buffer completes exactly once.
        if (device == devices_.end()) {
            return;
        }
        auto& queue = device->second.queue;
        const auto entry = std::find_if(queue.begin(), queue.end(),
                                        [&](const Entry& e) { return e.serial == serial; });
        if (entry == queue.end()) {
            return;
        }
        Finish(id, device->second, entry->header);
        queue.erase(entry);
    }
    PostMessages();
}

void SetAudioBackend(std::shared_ptr<AudioBackend> backend) {
    WaveDevices::Instance().SetBackend(std::move(backend));
}

}  // namespace audio
