// SPDX-License-Identifier: GPL-3.0-or-later
// Conversions between the classic zero-terminated UTF-16 strings and Qt's strings.
// Internal to the platform layer.
#pragma once

#include <QString>
#include <algorithm>
#include <string>
#include <string_view>

#include "platform/wintypes.h"

namespace platform {

// A null pointer reads as the empty string, as the classic calls treat it.
inline std::u16string_view wideView(LPCWSTR text) {
    return text == nullptr ? std::u16string_view() : std::u16string_view(text);
}

inline QString toQString(std::u16string_view text) {
    return QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size()));
}

inline std::u16string toWide(const QString& text) {
    return std::u16string(reinterpret_cast<const char16_t*>(text.utf16()),
                          static_cast<std::size_t>(text.size()));
}

// Copies as much of the text as fits into a buffer of capacity units, always terminating it,
// as the classic text getters do. Returns the number of units copied without the terminator.
inline int copyToBuffer(std::u16string_view text, LPWSTR buffer, int capacity) {
    if (buffer == nullptr || capacity <= 0) {
        return 0;
    }
    const std::size_t count = std::min(text.size(), static_cast<std::size_t>(capacity - 1));
    text.copy(buffer, count);
    buffer[count] = u'\0';
    return static_cast<int>(count);
}

}  // namespace platform
