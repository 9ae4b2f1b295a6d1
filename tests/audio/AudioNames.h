// SPDX-License-Identifier: GPL-3.0-or-later
// Readable names for result codes, header flags and completion messages, so that a failing
// assertion says which code or message it saw.
#pragma once

#include <string>
#include <vector>

#include "audio/mmsystem.h"
#include "tests/support/MessageSink.h"

// "WAVERR_STILLPLAYING (33)".
std::string CodeName(MMRESULT code);
// "PREPARED|DONE", or "none".
std::string FlagNames(DWORD flags);
// "MM_WOM_DONE handle=3 header=0x…".
std::string MessageText(UINT message, WPARAM wParam, LPARAM lParam);
std::string MessageText(UINT message, const void* handle, const WAVEHDR* header);
std::vector<std::string> MessageTexts(const std::vector<MessageSink::Message>& messages);
