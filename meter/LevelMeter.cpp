// SPDX-License-Identifier: GPL-3.0-or-later
#include "meter/LevelMeter.h"

#include <algorithm>
#include <iterator>

#include "audio/AudioFormat.h"

CLevelMeter::CLevelMeter(UINT deviceId, HWND window) {
    m_errorText = std::make_unique<WCHAR[]>(kErrorTextUnits);
    m_opened = 0;
    WAVEFORMATEX format = g_audioFormat;
    const MMRESULT result = waveInOpen(&m_device, deviceId, &format,
                                       reinterpret_cast<DWORD_PTR>(window), 0, CALLBACK_WINDOW);
    if (result != MMSYSERR_NOERROR) {
        m_device = nullptr;
        KeepErrorText(result);
    } else {
        m_opened = 1;
    }
}

void CLevelMeter::KeepErrorText(MMRESULT result) {
    waveInGetErrorText(result, m_errorText.get(), kErrorTextUnits);
}

void CLevelMeter::QueueBuffer() {
    // A device that fails within the second (the sound server gone) hands the buffer back only
    // partly filled, and the level is computed from all of it: what was not captured must read
    // as silence, not as an earlier second or as memory never written.
    std::fill(std::begin(m_buffer), std::end(m_buffer), BYTE{0});
    m_header.lpData = reinterpret_cast<LPSTR>(m_buffer);
    m_header.dwBufferLength = kBufferBytes;
    m_header.dwFlags = 0;
    MMRESULT result = waveInPrepareHeader(m_device, &m_header, sizeof(WAVEHDR));
    if (result == MMSYSERR_NOERROR) {
        result = waveInAddBuffer(m_device, &m_header, sizeof(WAVEHDR));
    }
    if (result == MMSYSERR_NOERROR) {
        result = waveInStart(m_device);
    }
    if (result != MMSYSERR_NOERROR) {
        KeepErrorText(result);
        return;
    }
    m_capturing = true;
}

MMRESULT CLevelMeter::UnprepareBuffer(WAVEHDR* header) {
    m_capturing = false;
    return waveInUnprepareHeader(m_device, header, sizeof(WAVEHDR));
}

void CLevelMeter::Close() {
    if (m_device != nullptr) {
        // Closed early, the device may still hold the buffer: reset hands it back (its
        // completion is then ignored, being from a closed device) so the close is accepted.
        if (m_header.dwFlags & WHDR_PREPARED) {
            waveInReset(m_device);
            waveInUnprepareHeader(m_device, &m_header, sizeof(WAVEHDR));
        }
        waveInClose(m_device);
    }
    m_capturing = false;
    m_errorText.reset();
}
