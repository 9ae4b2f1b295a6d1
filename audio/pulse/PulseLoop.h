// SPDX-License-Identifier: GPL-3.0-or-later
// libpulse's threaded main loop and the one connection to the sound server.
#pragma once

#include <functional>
#include <memory>

#include <pulse/pulseaudio.h>

namespace audio {

struct ProplistFree {
    void operator()(pa_proplist* list) const { pa_proplist_free(list); }
};
using Proplist = std::unique_ptr<pa_proplist, ProplistFree>;

// The application's name, id, icon name and version, by which mixers show its connection and
// streams.
Proplist ApplicationProperties();

// Owns the main loop thread and the server connection. The connection is made when first needed
// and made anew when the server has gone away, so that a restarted server is found again on the
// next open. Every member function except the constructor and destructor expects the loop's
// lock to be held (see Lock).
class PulseLoop {
  public:
    class Lock {
      public:
        explicit Lock(PulseLoop& loop);
        ~Lock();
        Lock(const Lock&) = delete;
        Lock& operator=(const Lock&) = delete;

      private:
        pa_threaded_mainloop* mainloop_;
    };

    PulseLoop();
    ~PulseLoop();
    PulseLoop(const PulseLoop&) = delete;
    PulseLoop& operator=(const PulseLoop&) = delete;

    // A ready connection, or null when no server answers in time.
    pa_context* Connect();
    // Waits until `done` holds or the server has been silent for too long; true if `done` holds.
    // Callbacks that change what `done` looks at must call Signal.
    bool WaitFor(const std::function<bool()>& done);
    // Waits for an operation to finish and releases it; true if it finished. Null counts as
    // failed, so that the result of the call creating the operation can be passed directly.
    bool Await(pa_operation* operation);
    // Wakes WaitFor; safe from libpulse callbacks.
    void Signal();
    // The loop's interface, by which timers made on it are freed.
    pa_mainloop_api* Api() const;

  private:
    static void OnContextState(pa_context* context, void* userdata);
    void Disconnect();
    // Tells why no connection could be made, and drops the attempt.
    void FailConnect(const char* reason);

    pa_threaded_mainloop* mainloop_ = nullptr;
    pa_context* context_ = nullptr;
    // Whether context_ has been ready: a failure after that is the server lost, not a failed
    // attempt to connect.
    bool ready_ = false;
};

}  // namespace audio
