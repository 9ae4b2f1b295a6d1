// The Morse playback object: encodes the text and plays it as a chain of tone and silence buffers.
#pragma once

#include <memory>

#include "audio/mmsystem.h"
#include "morse/SymbolString.h"
#include "platform/wintypes.h"

class CMorseSender {
  public:
    explicit CMorseSender(BOOL signals);
    CMorseSender(const CMorseSender&) = delete;
    CMorseSender& operator=(const CMorseSender&) = delete;

    // Turns the text into Morse symbols, framed by the start and end signals when m_signals is
    // set. A text whose symbols do not fit into one SymbolString gives no symbols of the text.
    SymbolString EncodeText(const WCHAR* text) const;

    // Synthesises `ms` milliseconds of sine into a new buffer of `length` bytes. `f` is not a
    // frequency in hertz: the phase advances 360 * f / length degrees per sample.
    std::unique_ptr<BYTE[]> MakeTone(float f, int ms, int& length) const;

  private:
    void PrepareSound(DWORD avgBytesPerSec);

    HWAVEOUT m_device = nullptr;
    WAVEHDR* m_current = nullptr;
    WAVEHDR* m_first = nullptr;
    BYTE m_signals = 0;
};
