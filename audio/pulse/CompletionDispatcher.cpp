// SPDX-License-Identifier: GPL-3.0-or-later
#include "audio/pulse/CompletionDispatcher.h"

#include "audio/CompletionSink.h"

namespace audio {

CompletionDispatcher::CompletionDispatcher() : thread_([this] { Run(); }) {}

CompletionDispatcher::~CompletionDispatcher() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_one();
    thread_.join();
}

void CompletionDispatcher::Post(CompletionSink& sink, DeviceId id, std::uint64_t serial) {
    {
        std::lock_guard lock(mutex_);
        pending_.push_back({&sink, id, serial});
    }
    wake_.notify_one();
}

void CompletionDispatcher::Run() {
    std::unique_lock lock(mutex_);
    while (true) {
        wake_.wait(lock, [this] { return stopping_ || !pending_.empty(); });
        // Completions still pending at shutdown belong to devices that are being forgotten.
        if (stopping_) {
            return;
        }
        const Completion completion = pending_.front();
        pending_.pop_front();
        lock.unlock();
        completion.sink->BufferDone(completion.id, completion.serial);
        lock.lock();
    }
}

}  // namespace audio
