// SPDX-License-Identifier: GPL-3.0-or-later
#include "morse/SoundBuffers.h"

#include <cmath>
#include <cstdint>

#include "morse/MorseSender.h"

std::unique_ptr<BYTE[]> g_silence;
std::unique_ptr<BYTE[]> g_tone;
int g_dotBytes = 0;
int g_dashBytes = 0;
int g_elementGapBytes = 0;
int g_letterGapBytes = 0;
int g_wordGapBytes = 0;

namespace {

constexpr int kToneBytesPerMs = 45;  // a fixed factor, deliberately not read from the format
constexpr float kToneValue = 600.0f;
constexpr int kToneMs = 240;
constexpr double kTwoPi = 6.2831853;  // as written, slightly below 2 pi: the tone depends on it
constexpr double kAmplitude = 16382.0;
constexpr int kWordGapBytes = 14400;

}  // namespace

std::unique_ptr<BYTE[]> CMorseSender::MakeTone(float f, int ms, int& length) const {
    const int bytes = ms * kToneBytesPerMs;
    auto buffer = std::make_unique_for_overwrite<BYTE[]>(static_cast<std::size_t>(bytes));
    const float q = static_cast<float>(bytes) / f;
    const float step = 360.0f / q;
    float phase = 0.0f;
    for (int i = 0; i < bytes; i += 2) {
        if (i == bytes - 1) {
            buffer[i] = 0;
            break;
        }
        const double s = std::sin(phase * (1.0 / 360) * kTwoPi) * kAmplitude;
        const auto sample = static_cast<std::uint16_t>(static_cast<int>(s));
        buffer[i] = static_cast<BYTE>(sample & 0xFF);
        buffer[i + 1] = static_cast<BYTE>(sample >> 8);
        phase = phase + step;
        // The phase restarts at zero rather than wrapping, so any excess over 360 is dropped.
        if (phase >= 360.0f) {
            phase = 0.0f;
        }
    }
    length = bytes;
    return buffer;
}

void CMorseSender::PrepareSound(DWORD avgBytesPerSec) {
    // The unit in which tone elements are counted, not the tone's period.
    const int unit = static_cast<int>(static_cast<float>(avgBytesPerSec) * (1.0f / 600));
    int toneBytes = 0;
    g_tone = MakeTone(kToneValue, kToneMs, toneBytes);
    g_wordGapBytes = kWordGapBytes;
    g_silence = std::make_unique<BYTE[]>(static_cast<std::size_t>(g_wordGapBytes));
    // One unit is added even when the half tone is already a whole number of units.
    g_dashBytes = ((toneBytes / 2) / unit + 1) * unit;
    g_dotBytes = ((toneBytes / 2) / 3 / unit + 1) * unit;
    g_letterGapBytes = g_dashBytes;
    g_elementGapBytes = g_wordGapBytes / 8;
}
