// SPDX-License-Identifier: GPL-3.0-or-later
// The Morse text handed from the encoder to the queue builder.
#pragma once

#include <cstddef>
#include <memory>

#include "platform/wintypes.h"

// A zero-terminated UTF-16 string of ".", "-", "," and " " in a fixed block of 3000 units.
// Whoever holds the object owns the block; moving it hands the block on.
class SymbolString {
  public:
    static constexpr std::size_t kBlockUnits = 3000;
    static constexpr std::size_t kMaxSymbols = kBlockUnits - 1;

    SymbolString();

    // Appends without a bound; only for a piece that is known to fit into the empty block.
    void AppendUnbounded(const WCHAR* piece);

    // Appends the piece only if the string then has at most kMaxSymbols units. Otherwise
    // empties the whole string and returns false.
    bool Append(const WCHAR* piece);

    // Frees the block; the string is unusable afterwards.
    void Release();

    const WCHAR* c_str() const { return m_block.get(); }
    std::size_t Length() const { return m_length; }

  private:
    std::unique_ptr<WCHAR[]> m_block;
    std::size_t m_length = 0;  // units before the terminator
};
