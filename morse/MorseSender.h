// SPDX-License-Identifier: GPL-3.0-or-later
// The Morse playback object: encodes the text and plays it as a chain of tone and silence
// buffers, one buffer with the device at a time.
#pragma once

#include <memory>

#include "audio/mmsystem.h"
#include "morse/SymbolString.h"
#include "platform/wintypes.h"

class CMorseSender {
  public:
    // Opens the output device (a failed open leaves m_device 0 and the sender silent), then
    // computes the shared element sounds.
    CMorseSender(UINT device, HWND window, BOOL framed);
    // Frees whatever headers are left, so a sender that is dropped without Close leaks nothing.
    ~CMorseSender();
    CMorseSender(const CMorseSender&) = delete;
    CMorseSender& operator=(const CMorseSender&) = delete;

    // Turns the text into Morse symbols, framed by the start and end signals when m_signals is
    // set. A text whose symbols do not fit into one SymbolString gives no symbols of the text.
    SymbolString EncodeText(const WCHAR* text) const;

    // Synthesises `ms` milliseconds of sine into a new buffer of `length` bytes. `f` is not a
    // frequency in hertz: the phase advances 360 * f / length degrees per sample.
    std::unique_ptr<BYTE[]> MakeTone(float f, int ms, int& length) const;

    // Consumes the symbols, builds one prepared header per element and writes the first. False
    // when nothing went to the device (no header, no device, or the write refused): then no
    // completion will ever come.
    bool BuildQueue(SymbolString symbols);
    // Unprepares the header just played and moves on; false when there was none.
    bool NextBuffer();
    // Writes the current header; false only when there was one and the device refused it.
    bool WriteCurrent();
    void Close();

    // The device completions must come from to belong to this sender.
    HWAVEOUT GetDevice() const { return m_device; }

  private:
    void PrepareSound(DWORD avgBytesPerSec);
    void AddBuffer(BYTE* data, int length);
    void FreeBuffers();

    HWAVEOUT m_device = nullptr;
    // While the queue is built: the first header. From the first write on: the header with the
    // device, moving to its successor after each completion.
    WAVEHDR* m_current = nullptr;
    // While the queue is built: the last header, to which the next is linked. From the first
    // write on: the first header, from which the list is freed.
    WAVEHDR* m_first = nullptr;
    BYTE m_signals = 0;
};
