// SPDX-License-Identifier: GPL-3.0-or-later
#include "morse/MorseSender.h"

#include "audio/AudioFormat.h"
#include "morse/SoundBuffers.h"

CMorseSender::CMorseSender(UINT device, HWND window, BOOL framed) {
    WAVEFORMATEX format = g_audioFormat;
    if (waveOutOpen(&m_device, device, &format, reinterpret_cast<DWORD_PTR>(window), 0,
                    CALLBACK_WINDOW) != MMSYSERR_NOERROR) {
        m_device = nullptr;
    }
    m_signals = framed ? 1 : 0;
    m_current = nullptr;
    m_first = nullptr;
    PrepareSound(format.nAvgBytesPerSec);
}

CMorseSender::~CMorseSender() {
    FreeBuffers();
}

void CMorseSender::AddBuffer(BYTE* data, int length) {
    auto* header = new WAVEHDR{};
    header->lpData = reinterpret_cast<LPSTR>(data);
    header->dwBufferLength = static_cast<DWORD>(length);
    header->dwFlags = 0;
    header->lpNext = nullptr;
    if (m_current == nullptr) {
        m_current = header;
    } else {
        m_first->lpNext = header;
    }
    m_first = header;
    waveOutPrepareHeader(m_device, header, sizeof(WAVEHDR));
}

bool CMorseSender::BuildQueue(SymbolString symbols) {
    const std::size_t n = symbols.Length();
    const WCHAR* s = symbols.c_str();
    FreeBuffers();
    for (std::size_t i = 0; i < n; ++i) {
        const WCHAR symbol = s[i];
        if (symbol == u'.' || symbol == u'-' || symbol == u'_') {
            AddBuffer(g_tone.get(), symbol == u'.' ? g_dotBytes : g_dashBytes);
            // Elements inside a letter are separated by a short silence; a letter or word gap
            // replaces it, and nothing follows the last element.
            if (i + 1 < n && s[i + 1] != u' ' && s[i + 1] != u',') {
                AddBuffer(g_silence.get(), g_elementGapBytes);
            }
        } else if (symbol == u',') {
            AddBuffer(g_silence.get(), g_letterGapBytes);
        } else if (symbol == u' ') {
            AddBuffer(g_silence.get(), g_wordGapBytes);
        }
    }
    symbols.Release();
    m_first = m_current;
    if (m_current != nullptr) {
        return waveOutWrite(m_device, m_current, sizeof(WAVEHDR)) == MMSYSERR_NOERROR;
    }
    return false;
}

bool CMorseSender::NextBuffer() {
    if (m_current == nullptr) {
        return false;
    }
    waveOutUnprepareHeader(m_device, m_current, sizeof(WAVEHDR));
    m_current = m_current->lpNext;
    return true;
}

bool CMorseSender::WriteCurrent() {
    if (m_current != nullptr) {
        return waveOutWrite(m_device, m_current, sizeof(WAVEHDR)) == MMSYSERR_NOERROR;
    }
    return true;
}

void CMorseSender::FreeBuffers() {
    WAVEHDR* header = m_first;
    while (header != nullptr) {
        WAVEHDR* next = header->lpNext;
        delete header;
        header = next;
    }
    m_current = nullptr;
    m_first = nullptr;
}

void CMorseSender::Close() {
    if (m_device != nullptr) {
        // A stop can come while a header is with the device; the device must hand it back
        // before the header and the sound it points into may go. After the last completion
        // nothing is with it, and the end of the message, already handed over, plays out.
        if (m_current != nullptr && (m_current->dwFlags & WHDR_INQUEUE)) {
            waveOutReset(m_device);
        }
        waveOutClose(m_device);
    }
    FreeBuffers();
    g_tone.reset();
    g_silence.reset();
}
