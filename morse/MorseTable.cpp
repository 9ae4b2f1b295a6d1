// SPDX-License-Identifier: GPL-3.0-or-later
#include "morse/MorseTable.h"

const MorseCode g_morseTable[kMorseTableRows] = {
    {u'A', u".-"},     {u'B', u"-..."},    {u'C', u"-.-."},   {u'D', u"-.."},    {u'E', u"."},
    {u'F', u"..-."},   {u'G', u"--."},     {u'H', u"...."},   {u'I', u".."},     {u'J', u".---"},
    {u'K', u"-.-"},    {u'L', u".-.."},    {u'M', u"--"},     {u'N', u"-."},     {u'O', u"---"},
    {u'P', u".--."},   {u'Q', u"--.-"},    {u'R', u".-."},    {u'S', u"..."},    {u'T', u"-"},
    {u'U', u"..-"},    {u'V', u"...-"},    {u'W', u".--"},    {u'X', u"-..-"},   {u'Y', u"-.--"},
    {u'Z', u"--.."},   {u'?', u"..--.."},  {u'/', u"-..-."},  {u')', u"-.--.-"}, {u'(', u"-.--."},
    {u'~', u"-...-"},  {u'-', u"-....-"},  {u'.', u".-.-.-"}, {u'1', u".----"},  {u'2', u"..---"},
    {u'3', u"...--"},  {u'4', u"....-"},   {u'5', u"....."},  {u'6', u"-...."},  {u'7', u"--..."},
    {u'8', u"---.."},  {u'9', u"----."},   {u'0', u"-----"},  {u':', u"---..."}, {u',', u"--..--"},
    {u'"', u".-..-."}, {u'\'', u".----."}, {u'@', u".--.-."}, {u'\r', u"-...-"},
};

int FindMorseIndex(WCHAR c) {
    if (c >= u'a' && c <= u'z') {
        c = static_cast<WCHAR>(c - 0x20);
    }
    for (int row = 0; row < kMorseTableRows; ++row) {
        if (g_morseTable[row].character == c) {
            return row;
        }
    }
    return -1;
}
