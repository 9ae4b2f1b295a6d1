// SPDX-License-Identifier: GPL-3.0-or-later
#include "tests/e2e/SoundRuns.h"

#include "tests/e2e/AudioLog.h"
#include "tests/e2e/MonitorRecorder.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace {

constexpr int kLoud = 1000;
// A 1250 Hz tone stays below kLoud for one sample around each zero crossing; a resampled one
// for a few more.
constexpr std::size_t kBridge = 6;

// Drops the silence before the first tone.
std::vector<SoundRun> FromFirstTone(std::vector<SoundRun> runs) {
    if (!runs.empty() && !runs.front().tone) {
        runs.erase(runs.begin());
    }
    return runs;
}

}  // namespace

std::vector<SoundRun> SoundRunsOf(const std::vector<std::int16_t>& samples) {
    std::vector<SoundRun> runs;
    for (std::size_t i = 0; i < samples.size(); ++i) {
        const bool loud = std::abs(samples[i]) >= kLoud;
        if (runs.empty() || runs.back().tone != loud) {
            // A short quiet stretch between two loud samples is part of the tone around it.
            if (loud && runs.size() >= 2 && runs.back().length < kBridge) {
                const std::size_t quiet = runs.back().length;
                runs.pop_back();
                runs.back().length += quiet + 1;
                continue;
            }
            runs.push_back({loud, i, 0});
        }
        ++runs.back().length;
    }
    return runs;
}

std::string Describe(const std::vector<SoundRun>& runs) {
    std::string text;
    for (const SoundRun& run : runs) {
        text += (text.empty() ? "" : ", ") + std::string(run.tone ? "tone " : "silence ") +
                std::to_string(run.length);
    }
    return text;
}

bool ServerResamples() {
    static const bool resamples = [] {
        bool pipewire = false;
        if (FILE* output = popen("pactl info 2>/dev/null", "r")) {
            char line[256];
            while (fgets(line, sizeof(line), output) != nullptr) {
                pipewire = pipewire || std::string(line).find("on PipeWire") != std::string::npos;
            }
            pclose(output);
        }
        return pipewire;
    }();
    return resamples;
}

::testing::AssertionResult RunsMatch(const std::vector<std::int16_t>& recording,
                                     const std::vector<std::int16_t>& expected, LastTone last) {
    const std::vector<SoundRun> heard = FromFirstTone(SoundRunsOf(recording));
    const std::vector<SoundRun> meant = FromFirstTone(SoundRunsOf(expected));
    std::size_t lastTone = meant.size();
    for (std::size_t i = 0; i < meant.size(); ++i) {
        lastTone = meant[i].tone ? i : lastTone;
    }
    bool match = heard.size() >= meant.size();
    for (std::size_t i = 0; match && i < meant.size(); ++i) {
        const auto difference =
            static_cast<long>(heard[i].length) - static_cast<long>(meant[i].length);
        const auto tolerance = static_cast<long>(kRunTolerance);
        const long held = last == LastTone::kDeviceStaysOpen && i == lastTone
                              ? static_cast<long>(kResamplerHold)
                              : 0;
        if (i + 1 == meant.size() && !meant[i].tone) {
            match = !heard[i].tone && difference >= -tolerance;
        } else {
            match = heard[i].tone == meant[i].tone && difference >= -tolerance - held &&
                    difference <= tolerance;
        }
    }
    if (match) {
        return ::testing::AssertionSuccess();
    }
    return ::testing::AssertionFailure()
           << "heard: " << Describe(heard) << "\nmeant: " << Describe(meant);
}

namespace {

// From the start of the first tone to the end of the last.
std::size_t Span(const std::vector<SoundRun>& runs) {
    std::size_t first = 0, end = 0;
    bool seen = false;
    for (const SoundRun& run : runs) {
        if (run.tone) {
            first = seen ? first : run.start;
            end = run.start + run.length;
            seen = true;
        }
    }
    return end - first;
}

}  // namespace

void WaitToHear(MonitorRecorder& recorder, const std::vector<std::int16_t>& expected,
                std::size_t tailSamples) {
    recorder.WaitPastFirstSound(expected.size() - FirstSound(expected) + tailSamples, 3000);
}

Judgement Judge(const std::vector<std::int16_t>& recording,
                const std::vector<std::int16_t>& expected, bool exact, LastTone last) {
    const std::vector<SoundRun> heard = SoundRunsOf(recording);
    const std::vector<SoundRun> meant = SoundRunsOf(expected);
    if (exact) {
        std::size_t first = 0;
        while (first < recording.size() && recording[first] == 0) {
            ++first;
        }
        std::size_t meantFirst = 0;
        while (meantFirst < expected.size() && expected[meantFirst] == 0) {
            ++meantFirst;
        }
        const std::size_t length = expected.size() - meantFirst;
        if (recording.size() >= first + length &&
            std::equal(expected.begin() + static_cast<long>(meantFirst), expected.end(),
                       recording.begin() + static_cast<long>(first))) {
            return {Fault::kNone, {}};
        }
    } else if (RunsMatch(recording, expected, last)) {
        return {Fault::kNone, {}};
    }
    // The recording must last as long as what was meant, and the tones heard must reach at least
    // as far as those meant, or samples went missing.
    const bool endedEarly =
        recording.size() - FirstSound(recording) < expected.size() - FirstSound(expected);
    const std::size_t held = last == LastTone::kDeviceStaysOpen ? kResamplerHold : 0;
    const bool shortened = Span(heard) + kRunTolerance + held < Span(meant);
    return {endedEarly || shortened ? Fault::kRecorder : Fault::kPlayer,
            "heard: " + Describe(heard) + "\nmeant: " + Describe(meant)};
}

namespace {

// The runs from the first tone on, up to and including the first that differs from `meant`.
std::vector<SoundRun> UpToFirstDifference(const std::vector<std::int16_t>& recording,
                                          const std::vector<std::int16_t>& expected) {
    const std::vector<SoundRun> heard = FromFirstTone(SoundRunsOf(recording));
    const std::vector<SoundRun> meant = FromFirstTone(SoundRunsOf(expected));
    std::vector<SoundRun> prefix;
    for (std::size_t i = 0; i < heard.size(); ++i) {
        prefix.push_back(heard[i]);
        if (i >= meant.size() || heard[i].tone != meant[i].tone ||
            heard[i].length + kRunTolerance < meant[i].length ||
            heard[i].length > meant[i].length + kRunTolerance) {
            break;
        }
    }
    return prefix;
}

bool SameRuns(const std::vector<SoundRun>& a, const std::vector<SoundRun>& b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (a[i].tone != b[i].tone || a[i].length + kRunTolerance < b[i].length ||
            a[i].length > b[i].length + kRunTolerance) {
            return false;
        }
    }
    return true;
}

}  // namespace

Judgement JudgeBoth(const std::vector<std::int16_t>& first, const std::vector<std::int16_t>& second,
                    const std::vector<std::int16_t>& expected, bool exact, LastTone last) {
    const Judgement one = Judge(first, expected, exact, last);
    const Judgement other = Judge(second, expected, exact, last);
    if (one.fault == Fault::kNone || other.fault == Fault::kNone) {
        return {Fault::kNone, {}};
    }
    if (one.fault == Fault::kPlayer && other.fault == Fault::kPlayer &&
        SameRuns(UpToFirstDifference(first, expected), UpToFirstDifference(second, expected))) {
        return one;
    }
    return {Fault::kRecorder,
            "the two recordings differ\nfirst " + one.detail + "\nsecond " + other.detail};
}

Judgement RecordTwiceAndJudge(const std::function<void()>& play,
                              const std::vector<std::int16_t>& expected, std::size_t tailSamples,
                              LastTone last) {
    // Two recordings of the same playing tell the player's faults from the recorders'.
    MonitorRecorder first;
    MonitorRecorder second;
    constexpr std::size_t kTenthOfASecond = 2250;
    EXPECT_TRUE(first.WaitForSamples(kTenthOfASecond, 3000));
    EXPECT_TRUE(second.WaitForSamples(kTenthOfASecond, 3000));
    const AudioLog log;
    play();
    WaitToHear(first, expected, tailSamples);
    WaitToHear(second, expected, tailSamples);
    return ClearedByTheStream(
        JudgeBoth(first.Stop(), second.Stop(), expected, !ServerResamples(), last),
        log.Count("ran dry"));
}

Judgement ClearedByTheStream(Judgement judgement, int dryRuns) {
    if (judgement.fault == Fault::kPlayer && dryRuns == 0) {
        judgement.fault = Fault::kServer;
        judgement.detail += "\nyet the player's stream never ran dry";
    }
    return judgement;
}

::testing::AssertionResult PlayedWithoutFault(const std::function<Judgement()>& attempt) {
    constexpr int kAttempts = 3;
    std::string retried;
    for (int i = 0; i < kAttempts; ++i) {
        const Judgement judgement = attempt();
        if (judgement.fault == Fault::kNone) {
            if (!retried.empty()) {
                std::printf("tried again:\n%s\n", retried.c_str());
            }
            return ::testing::AssertionSuccess();
        }
        if (judgement.fault == Fault::kPlayer) {
            return ::testing::AssertionFailure() << "the player is at fault\n" << judgement.detail;
        }
        retried += (judgement.fault == Fault::kRecorder ? "the recorder lost samples:\n"
                    : judgement.fault == Fault::kServer ? "the server lost sound:\n"
                                                        : "the test missed its timing:\n") +
                   judgement.detail + "\n";
    }
    return ::testing::AssertionFailure()
           << kAttempts << " attempts failed through no fault of the player\n"
           << retried;
}
