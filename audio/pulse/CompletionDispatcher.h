// SPDX-License-Identifier: GPL-3.0-or-later
// Hands finished buffers to their sink on a thread of its own.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <thread>

#include "audio/AudioBackend.h"

namespace audio {

class CompletionSink;

// libpulse runs its callbacks with the main loop's lock held, and a sink must never be called
// with a backend lock held. The callbacks therefore only queue their completions here, and this
// thread delivers them, in the order queued, with no lock held.
class CompletionDispatcher {
  public:
    CompletionDispatcher();
    ~CompletionDispatcher();
    CompletionDispatcher(const CompletionDispatcher&) = delete;
    CompletionDispatcher& operator=(const CompletionDispatcher&) = delete;

    void Post(CompletionSink& sink, DeviceId id, std::uint64_t serial);

  private:
    struct Completion {
        CompletionSink* sink;
        DeviceId id;
        std::uint64_t serial;
    };

    void Run();

    std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<Completion> pending_;
    bool stopping_ = false;
    std::thread thread_;
};

}  // namespace audio
