// SPDX-License-Identifier: GPL-3.0-or-later
// The capture object of the decibel meter: one input device and its one-second buffer.
#pragma once

#include <memory>

#include "audio/mmsystem.h"
#include "platform/wintypes.h"

class CLevelMeter {
  public:
    static constexpr int kBufferBytes = 45000;  // one second of the sound format
    static constexpr int kErrorTextUnits = 200;

    // Opens the input device with completions posted to `window`; a failed open leaves the
    // meter without a device and its reason in the error text.
    CLevelMeter(UINT deviceId, HWND window);
    CLevelMeter(const CLevelMeter&) = delete;
    CLevelMeter& operator=(const CLevelMeter&) = delete;

    // Prepares and adds the buffer and starts capture; the first failing call ends the sequence.
    void QueueBuffer();
    MMRESULT UnprepareBuffer(WAVEHDR* header);
    // Stops the device, draws the second's trace on a w x h surface and returns its level in
    // tenths of a decibel; 0 when there is no device or it cannot be stopped.
    int MeasureAndDraw(HDC dc, int w, int h);
    // Hands back a buffer the device still holds, then closes the device.
    void Close();

    // The device completions must come from to belong to this meter.
    HWAVEIN GetDevice() const { return m_device; }
    // True while a buffer is queued on a started device, so that a completion will come.
    bool IsCapturing() const { return m_capturing; }
    const WCHAR* GetErrorText() const { return m_errorText.get(); }

  private:
    void KeepErrorText(MMRESULT result);

    BYTE m_opened = 0;
    std::unique_ptr<WCHAR[]> m_errorText;  // the platform's text for the last failed call
    HWAVEIN m_device = nullptr;
    BYTE m_buffer[kBufferBytes];
    // Describes m_buffer to the device; it must stay in place from prepare to unprepare.
    WAVEHDR m_header{};
    bool m_capturing = false;
};
