// SPDX-License-Identifier: GPL-3.0-or-later
#include <string_view>

#include "morse/MorseSender.h"
#include "morse/MorseTable.h"

namespace {

// Three times "V" run together sound as one signal of twelve elements.
constexpr const WCHAR* kStartSignal = u"...-...-...- ";
constexpr const WCHAR* kEndSignal = u" .-.-.";
constexpr const WCHAR* kLetterGap = u",";
constexpr const WCHAR* kWordGap = u" ";

}  // namespace

SymbolString CMorseSender::EncodeText(const WCHAR* text) const {
    const std::u16string_view input(text);
    const std::size_t n = input.size();
    SymbolString symbols;
    if (m_signals) {
        symbols.AppendUnbounded(kStartSignal);
    }
    for (std::size_t i = 0; i < n; ++i) {
        const WCHAR c = input[i];
        const int row = FindMorseIndex(c);
        bool fits = true;
        if (row >= 0) {
            fits = symbols.Append(g_morseTable[row].code);
            // The letter gap depends only on the next code unit, not on whether it will sound.
            const bool last = i == n - 1;
            if (fits && !last && input[i + 1] != u' ') {
                fits = symbols.Append(kLetterGap);
            }
        } else if (c == u' ') {
            fits = symbols.Append(kWordGap);
        }
        if (!fits) {
            break;
        }
    }
    if (m_signals) {
        symbols.Append(kEndSignal);
    }
    return symbols;
}
