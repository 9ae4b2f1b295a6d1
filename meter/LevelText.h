// SPDX-License-Identifier: GPL-3.0-or-later
// The meter's text: current level and running average in tenths of a decibel.
#pragma once

#include <cstddef>

#include "platform/wintypes.h"

inline constexpr std::size_t kLevelTextUnits = 26;  // at most 25 characters and the terminator

// Writes "当前:L dB | 平均:A dB" with each value as whole part and tenths digit; a negative value
// keeps one sign in front ("-0.5", not "0.-5").
void FormatLevelText(int level, int average, WCHAR (&text)[kLevelTextUnits]);
