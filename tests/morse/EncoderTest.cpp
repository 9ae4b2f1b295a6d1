// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "morse/MorseSender.h"
#include "morse/MorseTable.h"

namespace {

std::u16string Encode(const std::u16string& text, bool signals) {
    CMorseSender sender(WAVE_MAPPER, nullptr, signals ? TRUE : FALSE);
    return std::u16string(sender.EncodeText(text.c_str()).c_str());
}

std::string Narrow(const std::u16string& s) {
    return std::string(s.begin(), s.end());
}

TEST(MorseTable, EveryRowIsFoundAtItsOwnIndexAndNoCharacterTwice) {
    for (int row = 0; row < kMorseTableRows; ++row) {
        EXPECT_EQ(FindMorseIndex(g_morseTable[row].character), row) << "row " << row;
    }
}

TEST(MorseTable, Lookup) {
    struct Case {
        char16_t c;
        int row;
    };
    const Case cases[] = {
        {u'A', 0},       {u'a', 0},       {u'z', 25},      {u'Z', 25},      {u'0', 42},
        {u'~', 30},      {u'\r', 48},     {u'"', 45},      {u'\n', -1},     {u' ', -1},
        {u'!', -1},      {u'\u00E9', -1}, {u'\u00C9', -1}, {u'\uFF21', -1}, {u'\u4E2D', -1},
        {u'\xD800', -1}, {u'`', -1},      {u'{', -1},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(FindMorseIndex(c.c), c.row) << "code unit " << static_cast<int>(c.c);
    }
    // "~" and carriage return share their code.
    EXPECT_EQ(std::u16string(g_morseTable[30].code), g_morseTable[48].code);
}

TEST(EncodeText, Examples) {
    struct Case {
        std::u16string text;
        bool signals;
        std::u16string symbols;
    };
    const Case cases[] = {
        {u"sos", false, u"...,---,..."},
        {u"SOS", false, u"...,---,..."},
        {u"SOS", true, u"...-...-...- ...,---,... .-.-."},
        {u"a b", false, u".- -..."},
        {u"A  B", false, u".-  -..."},
        {u" A", false, u" .-"},
        {u"4", false, u"....-"},
        {u"0", false, u"-----"},
        {u",", false, u"--..--"},
        {u"\"", false, u".-..-."},
        {u"A1?", false, u".-,.----,..--.."},
        {u"A!B", false, u".-,-..."},
        {u"A!", false, u".-,"},
        {u"A\r\nB", false, u".-,-...-,-..."},
        {u"\u6469\u5C14\u65AF", false, u""},
        {u"\u6469\u5C14\u65AF", true, u"...-...-...-  .-.-."},
        {u"", false, u""},
        {u"", true, u"...-...-...-  .-.-."},
        {u"E", false, u"."},
        {u"A ", false, u".- "},
        {u"\tA\n", false, u".-,"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Narrow(Encode(c.text, c.signals)), Narrow(c.symbols))
            << "text \"" << Narrow(c.text) << "\" signals " << c.signals;
    }
}

// "E " repeated gives two symbols per character pair, so a text of k pairs gives 2k symbols;
// a trailing "E" adds one more. This reaches every length exactly.
std::u16string TextOfSymbolLength(std::size_t symbols) {
    std::u16string text;
    for (std::size_t i = 0; i + 1 < symbols; i += 2) {
        text += u"E ";
    }
    if (symbols % 2 == 1) {
        text += u"E";
    }
    return text;
}

TEST(EncodeText, BoundaryOfTheSymbolBlock) {
    struct Case {
        std::size_t textSymbols;
        bool signals;
        std::size_t expectedLength;  // 0: empty result, 6: only the end signal
    };
    constexpr std::size_t kStart = 13;
    const Case cases[] = {
        {2998, false, 2998},      {2999, false, 2999},
        {3000, false, 0},         {2993 - kStart, true, 2993 + 6},
        {2994 - kStart, true, 0}, {2999 - kStart, true, 0},
        {3000 - kStart, true, 6},
    };
    for (const Case& c : cases) {
        const std::u16string text = TextOfSymbolLength(c.textSymbols);
        if (c.textSymbols <= 2999) {
            ASSERT_EQ(Encode(text, false).size(), c.textSymbols);
        }
        const std::u16string result = Encode(text, c.signals);
        EXPECT_EQ(result.size(), c.expectedLength)
            << "text symbols " << c.textSymbols << " signals " << c.signals;
        if (c.expectedLength == 6) {
            EXPECT_EQ(Narrow(result), " .-.-.");
        }
    }
}

TEST(EncodeText, TooLongTextGivesNoSymbolsOfTheText) {
    const std::u16string bees(999, u'B');
    EXPECT_EQ(Narrow(Encode(bees, false)), "");
    EXPECT_EQ(Narrow(Encode(bees, true)), " .-.-.");
}

// Arbitrary UTF-16, including lone surrogates and 100 000 units, must stay inside the block and
// give only the four symbols.
TEST(EncodeText, AnyInputGivesAtMost2999KnownSymbols) {
    std::mt19937 random(20261207);
    std::uniform_int_distribution<int> unit(1, 0xFFFF);
    std::uniform_int_distribution<int> ascii(1, 0x7F);
    std::uniform_int_distribution<std::size_t> length(0, 4000);
    for (int round = 0; round < 300; ++round) {
        std::u16string text(round == 0 ? 100000 : length(random), u'\0');
        for (char16_t& c : text) {
            c = static_cast<char16_t>(round % 2 ? unit(random) : ascii(random));
        }
        for (bool signals : {false, true}) {
            const std::u16string result = Encode(text, signals);
            ASSERT_LE(result.size(), 2999u);
            ASSERT_EQ(result.find_first_not_of(u".-, "), std::u16string::npos);
        }
    }
}

}  // namespace
