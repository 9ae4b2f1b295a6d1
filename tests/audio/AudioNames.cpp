// SPDX-License-Identifier: GPL-3.0-or-later
#include "tests/audio/AudioNames.h"

#include <map>
#include <sstream>

std::string CodeName(MMRESULT code) {
    static const std::map<MMRESULT, const char*> kNames = {
        {MMSYSERR_NOERROR, "MMSYSERR_NOERROR"},
        {MMSYSERR_ERROR, "MMSYSERR_ERROR"},
        {MMSYSERR_BADDEVICEID, "MMSYSERR_BADDEVICEID"},
        {MMSYSERR_NOTENABLED, "MMSYSERR_NOTENABLED"},
        {MMSYSERR_ALLOCATED, "MMSYSERR_ALLOCATED"},
        {MMSYSERR_INVALHANDLE, "MMSYSERR_INVALHANDLE"},
        {MMSYSERR_NODRIVER, "MMSYSERR_NODRIVER"},
        {MMSYSERR_NOMEM, "MMSYSERR_NOMEM"},
        {MMSYSERR_NOTSUPPORTED, "MMSYSERR_NOTSUPPORTED"},
        {MMSYSERR_BADERRNUM, "MMSYSERR_BADERRNUM"},
        {MMSYSERR_INVALFLAG, "MMSYSERR_INVALFLAG"},
        {MMSYSERR_INVALPARAM, "MMSYSERR_INVALPARAM"},
        {WAVERR_BADFORMAT, "WAVERR_BADFORMAT"},
        {WAVERR_STILLPLAYING, "WAVERR_STILLPLAYING"},
        {WAVERR_UNPREPARED, "WAVERR_UNPREPARED"},
    };
    const auto it = kNames.find(code);
    return std::string(it != kNames.end() ? it->second : "unknown") + " (" + std::to_string(code) +
           ")";
}

std::string FlagNames(DWORD flags) {
    static const std::pair<DWORD, const char*> kFlags[] = {
        {WHDR_DONE, "DONE"},       {WHDR_PREPARED, "PREPARED"}, {WHDR_BEGINLOOP, "BEGINLOOP"},
        {WHDR_ENDLOOP, "ENDLOOP"}, {WHDR_INQUEUE, "INQUEUE"},
    };
    std::string names;
    for (const auto& [flag, name] : kFlags) {
        if ((flags & flag) != 0) {
            names += names.empty() ? name : std::string("|") + name;
            flags &= ~flag;
        }
    }
    if (flags != 0) {
        names += names.empty() ? "" : "|";
        names += std::to_string(flags);
    }
    return names.empty() ? "none" : names;
}

std::string MessageText(UINT message, WPARAM wParam, LPARAM lParam) {
    static const std::map<UINT, const char*> kNames = {
        {MM_WOM_OPEN, "MM_WOM_OPEN"}, {MM_WOM_CLOSE, "MM_WOM_CLOSE"}, {MM_WOM_DONE, "MM_WOM_DONE"},
        {MM_WIM_OPEN, "MM_WIM_OPEN"}, {MM_WIM_CLOSE, "MM_WIM_CLOSE"}, {MM_WIM_DATA, "MM_WIM_DATA"},
    };
    std::ostringstream text;
    const auto it = kNames.find(message);
    if (it != kNames.end()) {
        text << it->second;
    } else {
        text << "message " << message;
    }
    text << " handle=" << wParam << " header=" << std::hex << lParam;
    return text.str();
}

std::string MessageText(UINT message, const void* handle, const WAVEHDR* header) {
    return MessageText(message, reinterpret_cast<WPARAM>(handle), reinterpret_cast<LPARAM>(header));
}

std::vector<std::string> MessageTexts(const std::vector<MessageSink::Message>& messages) {
    std::vector<std::string> texts;
    for (const MessageSink::Message& message : messages) {
        texts.push_back(MessageText(message.message, message.wParam, message.lParam));
    }
    return texts;
}
