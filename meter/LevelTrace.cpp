// SPDX-License-Identifier: GPL-3.0-or-later
#include <bit>
#include <cmath>
#include <cstdint>

#include "meter/LevelMeter.h"
#include "platform/wingdi.h"

namespace {

// The float nearest to -1/32767: full scale reaches the surface's edges, positive samples
// below the centre line.
const float kTraceScale = std::bit_cast<float>(std::uint32_t{0xB8000100});

// An all-zero second has no finite level; it reads as the floor a single +1 sample gives.
constexpr int kSilenceLevel = -60;

}  // namespace

int CLevelMeter::MeasureAndDraw(HDC dc, int w, int h) {
    if (m_device == nullptr) {
        return 0;
    }
    const MMRESULT stopped = waveInStop(m_device);
    if (stopped != MMSYSERR_NOERROR) {
        KeepErrorText(stopped);
        return 0;
    }
    // A frame too small for any surface still gets its level measured. A surface of no height
    // is drawn all the same: the caller may pass one, and every point of it is clipped.
    const bool draw = w >= 1 && w <= kBufferBytes && h >= 0;
    if (draw) {
        BitBlt(dc, 0, 0, w, h, nullptr, 0, 0, WHITENESS);
    }
    const int h2 = h / 2;
    const int step = draw ? kBufferBytes / w : 1;
    double sumPositive = 0.0;
    double sumNegative = 0.0;
    // The counts start at 1 so that a sign without samples gives a mean of 0.
    std::int32_t countPositive = 1;
    std::int32_t countNegative = 1;
    if (draw) {
        MoveToEx(dc, 0, h2, nullptr);
    }
    for (int i = 0; i < kBufferBytes; i += 2) {
        const auto s = static_cast<std::int16_t>(m_buffer[i] | (m_buffer[i + 1] << 8));
        if (s < 0) {
            sumNegative += s;
            ++countNegative;
        } else if (s > 0) {
            sumPositive += s;
            ++countPositive;
        }
        // Only even offsets are visited; testing i - 1 too gives one point per column for an
        // odd step as well.
        if (draw && i != 0 && (i % step == 0 || (i - 1) % step == 0)) {
            const float scaled = static_cast<float>(s) * static_cast<float>(h2);
            const float offset = scaled * kTraceScale;
            LineTo(dc, i / step, h2 - static_cast<int>(offset));
        }
    }
    waveInReset(m_device);
    const double meanPositive = sumPositive / countPositive;
    const double meanNegative = sumNegative / countNegative;
    const double amplitude = meanPositive - meanNegative;
    if (amplitude <= 0.0) {
        return kSilenceLevel;
    }
    return static_cast<int>(std::trunc(200.0 * std::log10(amplitude)));
}
