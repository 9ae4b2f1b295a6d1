// SPDX-License-Identifier: GPL-3.0-or-later
// Fuzzes the encoder and the send queue together. The first input byte says after how many
// completions playback is stopped (eight per step; 255: never); the rest is UTF-16 text, two
// bytes per code unit, little-endian, up to its first zero unit. The text is encoded with and
// without the start and end signals, built into a queue on the virtual backend, played with
// completions until its end or the stop, and closed. Any broken rule aborts with its name, and
// the leak checker sees whatever is not released.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "audio/BackendSelection.h"
#include "audio/virtual/VirtualBackend.h"
#include "morse/MorseSender.h"
#include "morse/MorseTable.h"
#include "morse/SoundBuffers.h"
#include "tests/fuzz/PostedMessages.h"

namespace {

// Element lengths in bytes of the sound format.
constexpr int kDotBytes = 1875;
constexpr int kDashBytes = 5475;
constexpr int kElementGapBytes = 1800;
constexpr int kLetterGapBytes = 5475;
constexpr int kWordGapBytes = 14400;
constexpr std::uint8_t kNeverStop = 0xFF;
// Completions per step of the stop byte, so that a stop can fall anywhere in a long queue.
constexpr std::size_t kCompletionsPerStep = 8;

void Require(bool condition, const char* rule) {
    if (!condition) {
        std::fprintf(stderr, "broken: %s\n", rule);
        std::abort();
    }
}

// What the encoder must give: the whole encoding when it fits into the symbol block, otherwise
// what the overflow rules leave (nothing, or the end signal alone).
std::u16string ExpectedSymbols(std::u16string_view text, bool framed) {
    std::u16string body;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (const int row = FindMorseIndex(text[i]); row >= 0) {
            body += g_morseTable[row].code;
            if (i + 1 < text.size() && text[i + 1] != u' ') {
                body += u',';
            }
        } else if (text[i] == u' ') {
            body += u' ';
        }
    }
    const std::size_t max = SymbolString::kMaxSymbols;
    if (!framed) {
        return body.size() <= max ? body : std::u16string();
    }
    const std::u16string start = u"...-...-...- ";
    const std::u16string end = u" .-.-.";
    if (start.size() + body.size() > max) {
        return end;
    }
    if (start.size() + body.size() + end.size() > max) {
        return std::u16string();
    }
    return start + body + end;
}

struct Element {
    const BYTE* data;
    DWORD bytes;
};

// One element per header by the queue's mapping rules; expects the shared sounds made.
std::vector<Element> ExpectedElements(std::u16string_view symbols) {
    std::vector<Element> elements;
    for (std::size_t i = 0; i < symbols.size(); ++i) {
        const char16_t s = symbols[i];
        if (s == u'.' || s == u'-' || s == u'_') {
            elements.push_back({g_tone.get(), s == u'.' ? DWORD{kDotBytes} : DWORD{kDashBytes}});
            if (i + 1 < symbols.size() && symbols[i + 1] != u' ' && symbols[i + 1] != u',') {
                elements.push_back({g_silence.get(), kElementGapBytes});
            }
        } else if (s == u',') {
            elements.push_back({g_silence.get(), kLetterGapBytes});
        } else if (s == u' ') {
            elements.push_back({g_silence.get(), kWordGapBytes});
        }
    }
    return elements;
}

// The next completion posted to the window; the open and close notices are passed over.
std::optional<fuzz::PostedMessage> NextCompletion(HWND window) {
    while (const std::optional<fuzz::PostedMessage> message = fuzz::TakePostedMessage()) {
        Require(message->window == window, "messages go to the sender's window");
        if (message->message == MM_WOM_DONE) {
            return message;
        }
        Require(message->message == MM_WOM_OPEN || message->message == MM_WOM_CLOSE,
                "only playback notices are posted");
    }
    return std::nullopt;
}

void PlayOnce(const std::u16string& text, bool framed, std::size_t stopAfter, HWND window) {
    // A backend per run: the virtual one keeps every byte played for as long as it lives.
    auto backend = std::make_shared<audio::VirtualBackend>();
    backend->SetOutputDevices({u"Fuzz"});
    audio::SetAudioBackend(backend);

    auto sender = std::make_unique<CMorseSender>(0, window, framed ? TRUE : FALSE);
    const HWAVEOUT device = sender->GetDevice();
    Require(device != nullptr, "the device opens");
    SymbolString symbols = sender->EncodeText(text.c_str());
    const std::u16string encoded(symbols.c_str());
    Require(encoded.size() == symbols.Length(), "the length is that of the terminated string");
    Require(encoded.size() <= SymbolString::kMaxSymbols, "at most 2999 symbols");
    Require(encoded.find_first_not_of(u".-, ") == std::u16string::npos, "only . - , and blank");
    Require(encoded == ExpectedSymbols(text, framed), "the encoding follows the code table");

    const std::vector<Element> elements = ExpectedElements(encoded);
    backend->ClearCalls();
    sender->BuildQueue(std::move(symbols));
    std::size_t prepared = 0;
    std::size_t written = 0;
    for (const std::string& call : backend->Calls()) {
        if (call.starts_with("waveOutPrepareHeader ")) {
            Require(prepared < elements.size(), "no more headers than elements");
            Require(call == "waveOutPrepareHeader " + std::to_string(elements[prepared].bytes),
                    "each header has its element's length");
            ++prepared;
        }
        written += call.starts_with("waveOutWrite ");
    }
    Require(prepared == elements.size(), "one header per element");
    Require(written == (elements.empty() ? 0u : 1u), "only the first header is written");

    // What the dialog does with each completion, until the last element or the stop.
    std::size_t played = 0;
    bool ended = elements.empty();
    while (!ended && played < stopAfter) {
        Require(backend->QueuedHeaders(device).size() == 1, "one header with the device");
        Require(backend->CompleteOutput(device), "the written header completes");
        const std::optional<fuzz::PostedMessage> done = NextCompletion(window);
        Require(done.has_value(), "a completion is posted");
        Require(done->wParam == reinterpret_cast<WPARAM>(device), "it names the device");
        const auto* header = reinterpret_cast<const WAVEHDR*>(done->lParam);
        Require(reinterpret_cast<const BYTE*>(header->lpData) == elements[played].data &&
                    header->dwBufferLength == elements[played].bytes,
                "the elements play in order");
        Require((header->dwFlags & (WHDR_DONE | WHDR_INQUEUE)) == WHDR_DONE, "done, not queued");
        Require(sender->NextBuffer(), "a played header is current");
        sender->WriteCurrent();
        ++played;
        ended = header->lpNext == nullptr;
        Require(ended == (played == elements.size()), "the last header ends the queue");
    }
    Require(!NextCompletion(window).has_value(), "no completion without a played header");
    if (ended) {
        Require(!sender->NextBuffer(), "nothing is current after the end");
        Require(backend->QueuedHeaders(device).empty(), "nothing is with the device");
    }
    sender->Close();
    sender.reset();
    // A stop hands the header with the device back, once; the closed device's notice is late.
    std::size_t late = 0;
    while (NextCompletion(window).has_value()) {
        ++late;
    }
    Require(late == (ended ? 0u : 1u), "one completion for the header a stop returns");
    Require(backend->Calls().back() == "waveOutClose", "the device is closed");
    Require(!g_tone && !g_silence, "the shared sounds are released");
    audio::SetAudioBackend(nullptr);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const HWND window = fuzz::CreateMessageWindow();
    if (size == 0) {
        return 0;
    }
    const std::size_t stopAfter =
        data[0] == kNeverStop ? SIZE_MAX : std::size_t{data[0]} * kCompletionsPerStep;
    std::u16string text;
    for (std::size_t i = 1; i + 1 < size; i += 2) {
        const auto unit = static_cast<char16_t>(data[i] | (data[i + 1] << 8));
        if (unit == 0) {
            break;
        }
        text.push_back(unit);
    }
    PlayOnce(text, false, stopAfter, window);
    PlayOnce(text, true, stopAfter, window);
    return 0;
}
