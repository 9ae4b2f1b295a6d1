// SPDX-License-Identifier: GPL-3.0-or-later
#include "morse/SymbolString.h"

#include <algorithm>
#include <string_view>

SymbolString::SymbolString() : m_block(std::make_unique<WCHAR[]>(kBlockUnits)) {}

void SymbolString::AppendUnbounded(const WCHAR* piece) {
    const std::u16string_view text(piece);
    std::copy(text.begin(), text.end(), m_block.get() + m_length);
    m_length += text.size();
    m_block[m_length] = 0;
}

bool SymbolString::Append(const WCHAR* piece) {
    const std::u16string_view text(piece);
    if (text.size() > kMaxSymbols - m_length) {
        m_length = 0;
        m_block[0] = 0;
        return false;
    }
    AppendUnbounded(piece);
    return true;
}

void SymbolString::Release() {
    m_block.reset();
    m_length = 0;
}
