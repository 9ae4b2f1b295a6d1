// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <vector>

#include "morse/MorseSender.h"
#include "morse/SoundBuffers.h"

namespace {

std::vector<int> Samples(const BYTE* bytes, int length) {
    std::vector<int> samples;
    for (int i = 0; i + 1 < length; i += 2) {
        samples.push_back(static_cast<std::int16_t>(bytes[i] | (bytes[i + 1] << 8)));
    }
    return samples;
}

TEST(MakeTone, DefaultToneIsAnEighteenSamplePeriodRepeated300Times) {
    const CMorseSender sender(WAVE_MAPPER, nullptr, FALSE);
    int length = 0;
    const auto tone = sender.MakeTone(600.0f, 240, length);
    ASSERT_EQ(length, 10800);
    const std::vector<int> samples = Samples(tone.get(), length);
    const std::vector<int> period = {0,      5602,   10530,  14187,  16133,  16133,
                                     14187,  10530,  5602,   0,      -5602,  -10530,
                                     -14187, -16133, -16133, -14187, -10530, -5602};
    ASSERT_EQ(samples.size(), 5400u);
    for (std::size_t i = 0; i < samples.size(); ++i) {
        ASSERT_EQ(samples[i], period[i % period.size()]) << "sample " << i;
    }
    EXPECT_EQ(*std::max_element(samples.begin(), samples.end()), 16133);
    EXPECT_EQ(*std::min_element(samples.begin(), samples.end()), -16133);
}

TEST(MakeTone, OddLengthGivesSilenceAndAZeroLastByte) {
    const CMorseSender sender(WAVE_MAPPER, nullptr, FALSE);
    int length = 0;
    const auto tone = sender.MakeTone(600.0f, 1, length);
    ASSERT_EQ(length, 45);
    for (int i = 0; i < length; ++i) {
        EXPECT_EQ(tone[i], 0) << "byte " << i;
    }
}

TEST(SoundPreparation, SetsTheSharedBuffersAndLengths) {
    const CMorseSender sender(WAVE_MAPPER, nullptr, FALSE);
    struct Case {
        const char* name;
        int value;
        int expected;
    };
    const Case cases[] = {
        {"dash", g_dashBytes, 5475},
        {"dot", g_dotBytes, 1875},
        {"letter gap", g_letterGapBytes, 5475},
        {"element gap", g_elementGapBytes, 1800},
        {"word gap", g_wordGapBytes, 14400},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.value, c.expected) << c.name;
    }
    ASSERT_TRUE(g_silence);
    EXPECT_TRUE(
        std::all_of(g_silence.get(), g_silence.get() + 14400, [](BYTE b) { return b == 0; }));
    // Dot and dash are prefixes of one tone buffer, so every tone element starts at phase 0.
    ASSERT_TRUE(g_tone);
    const std::vector<int> head = Samples(g_tone.get(), 10);
    EXPECT_EQ(head, (std::vector<int>{0, 5602, 10530, 14187, 16133}));
}

}  // namespace
