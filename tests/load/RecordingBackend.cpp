// SPDX-License-Identifier: GPL-3.0-or-later
#include "tests/load/RecordingBackend.h"

using audio::BackendStatus;
using audio::DeviceId;
using audio::Direction;

RecordingBackend::RecordingBackend(std::shared_ptr<audio::AudioBackend> inner)
    : inner_(std::move(inner)) {}

std::vector<std::string> RecordingBackend::Breaches() const {
    std::lock_guard lock(mutex_);
    return breaches_;
}

int RecordingBackend::TimesQueued(DeviceId id, const WAVEHDR* header) const {
    std::lock_guard lock(mutex_);
    const auto it = times_queued_.find({id, header});
    return it == times_queued_.end() ? 0 : it->second;
}

std::size_t RecordingBackend::BuffersQueued() const {
    std::lock_guard lock(mutex_);
    return queued_;
}

std::size_t RecordingBackend::BuffersReported() const {
    std::lock_guard lock(mutex_);
    return reported_.size();
}

void RecordingBackend::Breach(std::string text) {
    std::lock_guard lock(mutex_);
    breaches_.push_back(std::move(text));
}

DeviceId& RecordingBackend::Newest(Direction direction) {
    return direction == Direction::kOutput ? newest_output_ : newest_input_;
}

UINT RecordingBackend::OutputDeviceCount() {
    return inner_->OutputDeviceCount();
}

BackendStatus RecordingBackend::OutputDeviceName(UINT device, std::u16string& name) {
    return inner_->OutputDeviceName(device, name);
}

BackendStatus RecordingBackend::Open(Direction direction, DeviceId id, UINT device,
                                     audio::CompletionSink& sink) {
    {
        std::lock_guard lock(mutex_);
        sinks_[id] = &sink;
    }
    const BackendStatus status = inner_->Open(direction, id, device, *this);
    std::lock_guard lock(mutex_);
    if (status == BackendStatus::kOk) {
        Newest(direction) = id;
    } else {
        sinks_.erase(id);
    }
    return status;
}

BackendStatus RecordingBackend::Prepare(Direction direction, DeviceId id, const WAVEHDR& header) {
    return inner_->Prepare(direction, id, header);
}

BackendStatus RecordingBackend::Unprepare(Direction direction, DeviceId id, const WAVEHDR& header) {
    return inner_->Unprepare(direction, id, header);
}

BackendStatus RecordingBackend::Queue(Direction direction, DeviceId id,
                                      const audio::QueuedBuffer& buffer) {
    {
        std::lock_guard lock(mutex_);
        if (id != Newest(direction)) {
            breaches_.push_back("buffer queued on device " + std::to_string(id) +
                                ", not on the newest " + std::to_string(Newest(direction)));
        }
        std::set<std::uint64_t>& outstanding = outstanding_[id];
        if (direction == Direction::kOutput && !outstanding.empty()) {
            breaches_.push_back("a second buffer on playback device " + std::to_string(id));
        }
        // Recorded before the call: the backend may report the buffer before it returns.
        outstanding.insert(buffer.serial);
        ++times_queued_[{id, buffer.header}];
        ++queued_;
    }
    const BackendStatus status = inner_->Queue(direction, id, buffer);
    if (status != BackendStatus::kOk) {
        std::lock_guard lock(mutex_);
        outstanding_[id].erase(buffer.serial);
        --times_queued_[{id, buffer.header}];
        --queued_;
    }
    return status;
}

BackendStatus RecordingBackend::Start(DeviceId id) {
    {
        std::lock_guard lock(mutex_);
        if (id != newest_input_) {
            breaches_.push_back("capture started on device " + std::to_string(id) +
                                ", not on the newest " + std::to_string(newest_input_));
        }
    }
    return inner_->Start(id);
}

BackendStatus RecordingBackend::Stop(DeviceId id) {
    return inner_->Stop(id);
}

BackendStatus RecordingBackend::Reset(Direction direction, DeviceId id) {
    const BackendStatus status = inner_->Reset(direction, id);
    if (status == BackendStatus::kOk) {
        std::lock_guard lock(mutex_);
        std::set<std::uint64_t>& outstanding = outstanding_[id];
        reset_.insert(outstanding.begin(), outstanding.end());
        outstanding.clear();
    }
    return status;
}

BackendStatus RecordingBackend::Close(Direction direction, DeviceId id) {
    const BackendStatus status = inner_->Close(direction, id);
    if (status == BackendStatus::kOk) {
        std::lock_guard lock(mutex_);
        if (!outstanding_[id].empty()) {
            breaches_.push_back("device " + std::to_string(id) + " closed with buffers queued");
        }
        outstanding_.erase(id);
    }
    return status;
}

void RecordingBackend::BufferDone(DeviceId id, std::uint64_t serial) {
    audio::CompletionSink* sink = nullptr;
    {
        std::lock_guard lock(mutex_);
        if (!reported_.insert(serial).second) {
            breaches_.push_back("buffer " + std::to_string(serial) + " reported twice");
        } else if (!reset_.contains(serial) && outstanding_[id].erase(serial) == 0) {
            breaches_.push_back("buffer " + std::to_string(serial) + " reported on device " +
                                std::to_string(id) + ", which does not hold it");
        }
        if (const auto it = sinks_.find(id); it != sinks_.end()) {
            sink = it->second;
        }
    }
    // Passed on without the lock, as a backend must.
    if (sink != nullptr) {
        sink->BufferDone(id, serial);
    }
}
