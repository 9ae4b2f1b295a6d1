// SPDX-License-Identifier: GPL-3.0-or-later
// The Morse code table and its lookup.
#pragma once

#include "platform/wintypes.h"

struct MorseCode {
    WCHAR character;    // one UTF-16 code unit; only upper-case letters stand in the table
    const WCHAR* code;  // "." and "-"
};

inline constexpr int kMorseTableRows = 49;

// Searched from row 0 upwards; the first matching row wins.
extern const MorseCode g_morseTable[kMorseTableRows];

// Returns the row 0...48 of the code unit's table row, or -1. Lower-case ASCII letters are looked
// up as their upper-case form; no other folding is done.
int FindMorseIndex(WCHAR c);
