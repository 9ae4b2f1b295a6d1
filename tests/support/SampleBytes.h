// SPDX-License-Identifier: GPL-3.0-or-later
// One stretch of sound in the program's format, built from a function of the sample index.
#pragma once

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <numbers>
#include <vector>

// `count` 16-bit little-endian samples, sample k being `sample(k)`.
inline std::vector<char> SampleBytes(std::size_t count,
                                     const std::function<std::int16_t(std::size_t)>& sample) {
    std::vector<char> bytes(count * 2);
    for (std::size_t k = 0; k < count; ++k) {
        const auto value = static_cast<std::uint16_t>(sample(k));
        bytes[2 * k] = static_cast<char>(value & 0xFF);
        bytes[2 * k + 1] = static_cast<char>(value >> 8);
    }
    return bytes;
}

// One second of a 440 Hz tone at about a third of full scale: every column of a trace gets a
// different height, as with real sound, rather than the single line a constant second draws.
inline std::vector<char> ToneSecond() {
    const double radiansPerSample = 2.0 * std::numbers::pi * 440.0 / 22500.0;
    return SampleBytes(22500, [&](std::size_t k) {
        return static_cast<std::int16_t>(10000.0 *
                                         std::sin(radiansPerSample * static_cast<double>(k)));
    });
}
