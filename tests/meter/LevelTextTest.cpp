// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <string>

#include "meter/LevelText.h"

namespace {

TEST(LevelText, WholePartAndTenthsWithOneSign) {
    struct Case {
        int level;
        int average;
        std::u16string text;
    };
    const Case cases[] = {
        {660, 629, u"当前:66.0 dB | 平均:62.9 dB"}, {0, 0, u"当前:0.0 dB | 平均:0.0 dB"},
        {-24, -5, u"当前:-2.4 dB | 平均:-0.5 dB"},  {-60, -60, u"当前:-6.0 dB | 平均:-6.0 dB"},
        {963, 963, u"当前:96.3 dB | 平均:96.3 dB"}, {7, -1, u"当前:0.7 dB | 平均:-0.1 dB"},
    };
    for (const Case& c : cases) {
        WCHAR text[kLevelTextUnits];
        FormatLevelText(c.level, c.average, text);
        EXPECT_EQ(std::u16string(text), c.text) << c.level << " " << c.average;
        EXPECT_LE(c.text.size(), kLevelTextUnits - 1);
    }
}

}  // namespace
