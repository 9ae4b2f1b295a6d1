// SPDX-License-Identifier: GPL-3.0-or-later
#include "audio/pulse/PulseLoop.h"

#include "audio/pulse/PulseLog.h"

namespace audio {
namespace {

// How long a call waits for the server before it gives up. A missing server is noticed at once
// (its socket refuses the connection); this only bounds the wait on a server that hangs.
constexpr pa_usec_t kServerTimeoutUsec = 1000 * PA_USEC_PER_MSEC;

struct Deadline {
    PulseLoop* loop;
    bool expired;
};

void OnDeadline(pa_mainloop_api*, pa_time_event*, const timeval*, void* userdata) {
    auto* deadline = static_cast<Deadline*>(userdata);
    deadline->expired = true;
    deadline->loop->Signal();
}

void OnOperationState(pa_operation*, void* userdata) {
    static_cast<PulseLoop*>(userdata)->Signal();
}

bool IsSettled(pa_context_state_t state) {
    return state == PA_CONTEXT_READY || !PA_CONTEXT_IS_GOOD(state);
}

}  // namespace

Proplist ApplicationProperties() {
    Proplist list(pa_proplist_new());
    pa_proplist_sets(list.get(), PA_PROP_APPLICATION_NAME, "Tessivo");
    // The desktop entry's name, so that a mixer finds the entry and its icon.
    pa_proplist_sets(list.get(), PA_PROP_APPLICATION_ID, "tessivo");
    pa_proplist_sets(list.get(), PA_PROP_APPLICATION_ICON_NAME, "tessivo");
    pa_proplist_sets(list.get(), PA_PROP_APPLICATION_VERSION, TESSIVO_VERSION);
    return list;
}

PulseLoop::Lock::Lock(PulseLoop& loop) : mainloop_(loop.mainloop_) {
    if (mainloop_ != nullptr) {
        pa_threaded_mainloop_lock(mainloop_);
    }
}

PulseLoop::Lock::~Lock() {
    if (mainloop_ != nullptr) {
        pa_threaded_mainloop_unlock(mainloop_);
    }
}

PulseLoop::PulseLoop() {
    mainloop_ = pa_threaded_mainloop_new();
    if (mainloop_ != nullptr && pa_threaded_mainloop_start(mainloop_) < 0) {
        pa_threaded_mainloop_free(mainloop_);
        mainloop_ = nullptr;
    }
}

PulseLoop::~PulseLoop() {
    if (mainloop_ == nullptr) {
        return;
    }
    pa_threaded_mainloop_stop(mainloop_);
    Disconnect();
    pa_threaded_mainloop_free(mainloop_);
}

void PulseLoop::Signal() {
    pa_threaded_mainloop_signal(mainloop_, 0);
}

void PulseLoop::OnContextState(pa_context* context, void* userdata) {
    auto* self = static_cast<PulseLoop*>(userdata);
    // Told once, here; the streams that fail with the connection say nothing more.
    if (self->ready_ && !PA_CONTEXT_IS_GOOD(pa_context_get_state(context))) {
        self->ready_ = false;
        qCWarning(lcAudio, "lost the connection to the sound server: %s",
                  pa_strerror(pa_context_errno(context)));
    }
    self->Signal();
}

void PulseLoop::Disconnect() {
    ready_ = false;
    if (context_ == nullptr) {
        return;
    }
    pa_context_set_state_callback(context_, nullptr, nullptr);
    pa_context_disconnect(context_);
    pa_context_unref(context_);
    context_ = nullptr;
}

void PulseLoop::FailConnect(const char* reason) {
    qCWarning(lcAudio, "cannot connect to the sound server: %s", reason);
    Disconnect();
}

pa_context* PulseLoop::Connect() {
    if (mainloop_ == nullptr) {
        return nullptr;
    }
    // A connection that has failed (the server died or was restarted) is replaced; its streams
    // have failed with it and have already returned their buffers.
    if (context_ != nullptr && !PA_CONTEXT_IS_GOOD(pa_context_get_state(context_))) {
        Disconnect();
    }
    if (context_ == nullptr) {
        const Proplist properties = ApplicationProperties();
        context_ = pa_context_new_with_proplist(pa_threaded_mainloop_get_api(mainloop_), "Tessivo",
                                                properties.get());
        if (context_ == nullptr) {
            qCWarning(lcAudio, "cannot connect to the sound server: out of memory");
            return nullptr;
        }
        pa_context_set_state_callback(context_, &OnContextState, this);
        // Never start a server of our own: without one the program runs without sound.
        if (pa_context_connect(context_, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0) {
            FailConnect(pa_strerror(pa_context_errno(context_)));
            return nullptr;
        }
    }
    if (!WaitFor([this] { return IsSettled(pa_context_get_state(context_)); })) {
        FailConnect("the server did not answer within a second");
        return nullptr;
    }
    if (pa_context_get_state(context_) != PA_CONTEXT_READY) {
        FailConnect(pa_strerror(pa_context_errno(context_)));
        return nullptr;
    }
    ready_ = true;
    return context_;
}

bool PulseLoop::WaitFor(const std::function<bool()>& done) {
    Deadline deadline{this, false};
    pa_time_event* timer = pa_context_rttime_new(context_, pa_rtclock_now() + kServerTimeoutUsec,
                                                 &OnDeadline, &deadline);
    // Without a timer there is nothing to end the wait, so it is not begun.
    if (timer == nullptr) {
        return done();
    }
    while (!done() && !deadline.expired) {
        pa_threaded_mainloop_wait(mainloop_);
    }
    Api()->time_free(timer);
    return done();
}

pa_mainloop_api* PulseLoop::Api() const {
    return pa_threaded_mainloop_get_api(mainloop_);
}

bool PulseLoop::Await(pa_operation* operation) {
    if (operation == nullptr) {
        return false;
    }
    pa_operation_set_state_callback(operation, &OnOperationState, this);
    const bool finished =
        WaitFor([operation] { return pa_operation_get_state(operation) != PA_OPERATION_RUNNING; });
    if (!finished) {
        qCWarning(lcAudio, "the sound server did not answer within a second");
        pa_operation_cancel(operation);
    }
    const bool done = pa_operation_get_state(operation) == PA_OPERATION_DONE;
    pa_operation_unref(operation);
    return done;
}

}  // namespace audio
