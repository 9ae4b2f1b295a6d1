// SPDX-License-Identifier: GPL-3.0-or-later
// The sample buffers and element lengths every Morse element is cut from. They belong to the one
// sender that exists at a time: its construction computes them and its Close releases them.
#pragma once

#include <memory>

#include "platform/wintypes.h"

extern std::unique_ptr<BYTE[]> g_silence;  // g_wordGapBytes zero bytes, the source of every gap
extern std::unique_ptr<BYTE[]> g_tone;     // 240 ms of sine, the source of every dot and dash

// Element lengths in bytes of the sound format; dot and dash are odd byte counts.
extern int g_dotBytes;
extern int g_dashBytes;
extern int g_elementGapBytes;
extern int g_letterGapBytes;
extern int g_wordGapBytes;
