// SPDX-License-Identifier: GPL-3.0-or-later
// A backend that passes every call on to another one and checks, as the calls go by, the rules
// the program must keep with its devices.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "audio/AudioBackend.h"
#include "audio/CompletionSink.h"

// The rules: a buffer goes only to the device of its direction opened last (an older device is
// closed or about to be, and whatever reaches it belongs to a sender or meter that is gone); a
// playback device holds at most one buffer at a time (the sender writes the next only when the
// previous is done); and the backend reports each buffer done at most once. Reports may come
// from any thread.
class RecordingBackend final : public audio::AudioBackend, private audio::CompletionSink {
  public:
    explicit RecordingBackend(std::shared_ptr<audio::AudioBackend> inner);

    // One line per broken rule, in the order seen.
    std::vector<std::string> Breaches() const;
    // How often `header` has been queued on device `id`; a completion message for the pair
    // beyond that count is one too many.
    int TimesQueued(audio::DeviceId id, const WAVEHDR* header) const;
    std::size_t BuffersQueued() const;
    std::size_t BuffersReported() const;
    // Adds a breach found outside the backend, e.g. by the dialog's message count.
    void Breach(std::string text);

    UINT OutputDeviceCount() override;
    audio::BackendStatus OutputDeviceName(UINT device, std::u16string& name) override;
    audio::BackendStatus Open(audio::Direction direction, audio::DeviceId id, UINT device,
                              audio::CompletionSink& sink) override;
    audio::BackendStatus Prepare(audio::Direction direction, audio::DeviceId id,
                                 const WAVEHDR& header) override;
    audio::BackendStatus Unprepare(audio::Direction direction, audio::DeviceId id,
                                   const WAVEHDR& header) override;
    audio::BackendStatus Queue(audio::Direction direction, audio::DeviceId id,
                               const audio::QueuedBuffer& buffer) override;
    audio::BackendStatus Start(audio::DeviceId id) override;
    audio::BackendStatus Stop(audio::DeviceId id) override;
    audio::BackendStatus Reset(audio::Direction direction, audio::DeviceId id) override;
    audio::BackendStatus Close(audio::Direction direction, audio::DeviceId id) override;

  private:
    void BufferDone(audio::DeviceId id, std::uint64_t serial) override;
    // Expects the lock held.
    audio::DeviceId& Newest(audio::Direction direction);

    mutable std::mutex mutex_;
    std::shared_ptr<audio::AudioBackend> inner_;
    std::map<audio::DeviceId, audio::CompletionSink*> sinks_;
    audio::DeviceId newest_output_ = 0;
    audio::DeviceId newest_input_ = 0;
    // Buffers with a device, by device: queued and neither reported nor reset.
    std::map<audio::DeviceId, std::set<std::uint64_t>> outstanding_;
    std::set<std::uint64_t> reported_;
    // Buffers a reset has returned. A report of one may still be on its way from the backend's
    // thread when the reset returns; the entry points drop it, so it breaks no rule.
    std::set<std::uint64_t> reset_;
    std::map<std::pair<audio::DeviceId, const WAVEHDR*>, int> times_queued_;
    std::size_t queued_ = 0;
    std::vector<std::string> breaches_;
};
