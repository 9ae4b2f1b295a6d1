// SPDX-License-Identifier: GPL-3.0-or-later
// The judge of the real-server tests must blame the player for what a player can do wrong and the
// recorder for what only a recorder can: a wrong verdict either fails a sound program or lets a
// dropout through.
#include "tests/e2e/SoundRuns.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace {

// A stretch of samples: tone alternates between +8000 and -8000 every nine samples, as the tests'
// square wave does; silence is zero.
struct Stretch {
    bool tone;
    std::size_t length;
};

std::vector<std::int16_t> Samples(const std::vector<Stretch>& stretches) {
    std::vector<std::int16_t> samples;
    for (const Stretch& stretch : stretches) {
        for (std::size_t i = 0; i < stretch.length; ++i) {
            samples.push_back(stretch.tone ? static_cast<std::int16_t>(i % 18 < 9 ? 8000 : -8000)
                                           : 0);
        }
    }
    return samples;
}

std::string FaultName(Fault fault) {
    switch (fault) {
        case Fault::kNone:
            return "none";
        case Fault::kPlayer:
            return "player";
        case Fault::kRecorder:
            return "recorder";
        case Fault::kTest:
            return "test";
        case Fault::kServer:
            return "server";
    }
    return "?";
}

constexpr Stretch Tone(std::size_t length) {
    return {true, length};
}
constexpr Stretch Silence(std::size_t length) {
    return {false, length};
}

// Dot, element gap, dash, then a tenth of a second of silence.
const std::vector<Stretch> kMeant = {Tone(937), Silence(900), Tone(2812), Silence(2250)};

TEST(SoundRunsTest, JudgeBlamesWhoeverCouldHaveCausedTheDifference) {
    struct Case {
        const char* name;
        std::vector<Stretch> heard;
        bool exact;
        LastTone last;
        Fault fault;
    };
    const std::vector<Case> cases = {
        {"exact, after leading silence",
         {Silence(2330), Tone(937), Silence(900), Tone(2812), Silence(2400)},
         true,
         LastTone::kPlayedOut,
         Fault::kNone},
        {"exact, a gap inside the dash",
         {Silence(2330), Tone(937), Silence(900), Tone(1000), Silence(119), Tone(1812),
          Silence(2400)},
         true,
         LastTone::kPlayedOut,
         Fault::kPlayer},
        {"exact, a longer element gap",
         {Silence(10), Tone(937), Silence(1019), Tone(2812), Silence(2400)},
         true,
         LastTone::kPlayedOut,
         Fault::kPlayer},
        {"exact, samples of the dash lost",
         {Silence(10), Tone(937), Silence(900), Tone(2500), Silence(2400)},
         true,
         LastTone::kPlayedOut,
         Fault::kRecorder},
        {"exact, recording stops in the last silence",
         {Silence(2330), Tone(937), Silence(900), Tone(2812), Silence(2191)},
         true,
         LastTone::kPlayedOut,
         Fault::kRecorder},
        {"exact, recording stops in the dash",
         {Silence(2330), Tone(937), Silence(900), Tone(1500)},
         true,
         LastTone::kPlayedOut,
         Fault::kRecorder},
        {"exact, nothing heard", {Silence(9000)}, true, LastTone::kPlayedOut, Fault::kRecorder},
        {"resampled, runs within the tolerance",
         {Silence(2520), Tone(940), Silence(897), Tone(2830), Silence(2300)},
         false,
         LastTone::kPlayedOut,
         Fault::kNone},
        {"resampled, dash too long",
         {Silence(2520), Tone(940), Silence(897), Tone(2812 + 23), Silence(2300)},
         false,
         LastTone::kPlayedOut,
         Fault::kPlayer},
        {"resampled, a quantum of silence inside the dash",
         {Silence(2520), Tone(940), Silence(897), Tone(1000), Silence(119), Tone(1812),
          Silence(2300)},
         false,
         LastTone::kPlayedOut,
         Fault::kPlayer},
        {"resampled, recording stops 33 samples short of the end",
         {Silence(2520), Tone(940), Silence(897), Tone(2812), Silence(2217)},
         false,
         LastTone::kPlayedOut,
         Fault::kRecorder},
        {"resampled, last tone held back while the device stays open",
         {Silence(100), Tone(937), Silence(900), Tone(2812 - 112), Silence(2400)},
         false,
         LastTone::kDeviceStaysOpen,
         Fault::kNone},
        {"resampled, last tone held back once the device is closed",
         {Silence(100), Tone(937), Silence(900), Tone(2812 - 112), Silence(2400)},
         false,
         LastTone::kPlayedOut,
         Fault::kRecorder},
        {"resampled, last tone short past what a resampler holds",
         {Silence(100), Tone(937), Silence(900), Tone(2812 - 200), Silence(2400)},
         false,
         LastTone::kDeviceStaysOpen,
         Fault::kRecorder},
    };
    const std::vector<std::int16_t> meant = Samples(kMeant);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const Judgement judgement = Judge(Samples(c.heard), meant, c.exact, c.last);
        EXPECT_EQ(FaultName(judgement.fault), FaultName(c.fault)) << judgement.detail;
        EXPECT_EQ(judgement.detail.empty(), c.fault == Fault::kNone);
    }
}

TEST(SoundRunsTest, TwoRecordingsTellThePlayerFromTheRecorders) {
    const std::vector<Stretch> good = {Silence(50), Tone(937), Silence(900), Tone(2812),
                                       Silence(2400)};
    const std::vector<Stretch> gap = {Silence(50),  Tone(937),  Silence(900), Tone(1000),
                                      Silence(119), Tone(1812), Silence(2400)};
    const std::vector<Stretch> laterGap = {Silence(70),  Tone(937), Silence(900), Tone(2000),
                                           Silence(119), Tone(812), Silence(2400)};
    const std::vector<Stretch> ended = {Silence(50), Tone(937), Silence(900), Tone(2812),
                                        Silence(1000)};
    const std::vector<Stretch> sameGap = {Silence(900), Tone(937),  Silence(900), Tone(1000),
                                          Silence(119), Tone(1812), Silence(2400)};
    struct Case {
        const char* name;
        std::vector<Stretch> first;
        std::vector<Stretch> second;
        int dryRuns;  // how often the player's stream ran dry
        Fault fault;
    };
    const std::vector<Case> cases = {
        {"both hold what was played", good, good, 0, Fault::kNone},
        {"one holds what was played", gap, good, 1, Fault::kNone},
        {"the same gap in both, each after its own lead-in, the stream ran dry", gap, sameGap, 1,
         Fault::kPlayer},
        {"the same gap in both, the stream never ran dry", gap, sameGap, 0, Fault::kServer},
        {"gaps in different places", gap, laterGap, 1, Fault::kRecorder},
        {"one gap, one recording that ended early", gap, ended, 0, Fault::kRecorder},
    };
    const std::vector<std::int16_t> meant = Samples(kMeant);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        for (const bool exact : {true, false}) {
            SCOPED_TRACE(exact ? "exact" : "resampled");
            const Judgement judgement = ClearedByTheStream(
                JudgeBoth(Samples(c.first), Samples(c.second), meant, exact), c.dryRuns);
            EXPECT_EQ(FaultName(judgement.fault), FaultName(c.fault)) << judgement.detail;
        }
    }
}

}  // namespace
