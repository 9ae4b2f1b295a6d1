// SPDX-License-Identifier: GPL-3.0-or-later
#include "meter/LevelText.h"

#include <algorithm>
#include <cstdlib>
#include <string>

namespace {

std::u16string Tenths(int value) {
    const int whole = std::abs(value / 10);
    const int tenth = std::abs(value % 10);
    std::u16string text = value < 0 ? u"-" : u"";
    for (char c : std::to_string(whole) + "." + std::to_string(tenth)) {
        text += static_cast<char16_t>(c);
    }
    return text;
}

}  // namespace

void FormatLevelText(int level, int average, WCHAR (&text)[kLevelTextUnits]) {
    const std::u16string line =
        u"当前:" + Tenths(level) + u" dB | 平均:" + Tenths(average) + u" dB";
    const std::size_t n = std::min(line.size(), kLevelTextUnits - 1);
    std::copy_n(line.begin(), n, text);
    text[n] = 0;
}
