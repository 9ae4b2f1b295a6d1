// SPDX-License-Identifier: GPL-3.0-or-later
// A recording of the test sink's monitor read by its level, as a listener hears it: runs of tone
// and silence. A server that resamples (PipeWire's) blurs every edge by a few samples, so there a
// recording is compared with what was played run by run, within a tolerance, not sample for
// sample.
#pragma once

#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

class MonitorRecorder;

struct SoundRun {
    bool tone;
    std::size_t start;   // first sample
    std::size_t length;  // in samples
};

// A sample of magnitude 1000 or more is tone; a quieter stretch of a few samples inside a tone,
// where it crosses zero, belongs to the tone.
std::vector<SoundRun> SoundRunsOf(const std::vector<std::int16_t>& samples);

// The runs as text, e.g. "tone 937, silence 900", for failure messages.
std::string Describe(const std::vector<SoundRun>& runs);

// Whether the test server resamples what is played: PipeWire's PulseAudio server does, a
// PulseAudio daemon whose sink runs in the program's format does not.
bool ServerResamples();

// How far a run's length may be off on a resampling server: 1 ms, far below the shortest
// element (40 ms) and any dropout worth the name.
inline constexpr std::size_t kRunTolerance = 22;

// A resampler holds back the last few milliseconds it was given until more sound, or the end of
// the stream, pushes them out: a device that stays open after its last tone has that tone this
// much short until then.
inline constexpr std::size_t kResamplerHold = 112;

enum class LastTone { kPlayedOut, kDeviceStaysOpen };

// Whether `recording`, from its first tone on, holds the runs of `expected` (from its first
// tone on), each within kRunTolerance samples. The last run of `expected`, if silent, only needs
// to be there: the recording goes on after it. With the device still open, the last tone may be
// short by up to kResamplerHold.
::testing::AssertionResult RunsMatch(const std::vector<std::int16_t>& recording,
                                     const std::vector<std::int16_t>& expected,
                                     LastTone last = LastTone::kPlayedOut);

// Who is to blame for a recording that does not hold what was played. A player can only add
// silence (a dropout lengthens the message); a recorder that loses samples shortens it. So a
// message shorter than meant is the recorder's fault, and only that may be retried, as may a
// test that could not keep its own timing on a busy machine (kTest), and a server that lost
// sound which the player had handed it in time (kServer).
enum class Fault { kNone, kPlayer, kRecorder, kTest, kServer };

struct Judgement {
    Fault fault;
    std::string detail;  // what was heard and what was meant, when they differ
};

// Waits until `recorder` holds as much as `expected`, counted from the first sound of each,
// and `tailSamples` more: room for a dropout to show as a longer message.
void WaitToHear(MonitorRecorder& recorder, const std::vector<std::int16_t>& expected,
                std::size_t tailSamples);

// Judges a recording against what was played: sample for sample where the server passes the
// program's format through (`exact`), run by run within the tolerance otherwise. A recording
// that ends before all of `expected` could have been heard is the recorder's fault.
Judgement Judge(const std::vector<std::int16_t>& recording,
                const std::vector<std::int16_t>& expected, bool exact,
                LastTone last = LastTone::kPlayedOut);

// Judges two recordings made at once of the same playing. A player's fault is in both, at the
// same place; one recording that holds what was played clears the player, and recordings that
// differ from each other are the recorders' fault.
Judgement JudgeBoth(const std::vector<std::int16_t>& first, const std::vector<std::int16_t>& second,
                    const std::vector<std::int16_t>& expected, bool exact,
                    LastTone last = LastTone::kPlayedOut);

// Records the default source twice at once while `play` plays, waits until each recording holds
// `expected` and `tailSamples` more (WaitToHear), and judges both against `expected` (JudgeBoth).
Judgement RecordTwiceAndJudge(const std::function<void()>& play,
                              const std::vector<std::int16_t>& expected, std::size_t tailSamples,
                              LastTone last = LastTone::kPlayedOut);

// A fault that two recordings lay at the player's door is the server's when the player's stream
// never ran dry (`dryRuns`, from its log): the player handed over every sample in time, so any
// silence inside the signal is what the server made of it, as PipeWire does when a busy machine
// makes its graph miss a cycle.
Judgement ClearedByTheStream(Judgement judgement, int dryRuns);

// Plays and records with `attempt` until the recording is judged free of fault, or the player
// is at fault, or three attempts have failed through the recorder, the server or the test. Each
// attempt plays anew and returns its judgement. Succeeds only without a fault.
::testing::AssertionResult PlayedWithoutFault(const std::function<Judgement()>& attempt);
