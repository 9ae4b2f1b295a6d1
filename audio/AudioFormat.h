// SPDX-License-Identifier: GPL-3.0-or-later
// The one sound format of the program, for capture and playback alike.
#pragma once

#include "audio/mmsystem.h"

// 22500 samples/s (not 22050), mono, 16-bit signed little-endian: 45000 bytes per second.
inline constexpr WAVEFORMATEX g_audioFormat = {
    WAVE_FORMAT_PCM,  // wFormatTag
    1,                // nChannels
    22500,            // nSamplesPerSec
    45000,            // nAvgBytesPerSec
    2,                // nBlockAlign
    16,               // wBitsPerSample
    0,                // cbSize
};
