// SPDX-License-Identifier: GPL-3.0-or-later
// The capture entry points and the error texts.
#include <algorithm>
#include <iterator>
#include <string_view>

#include "audio/WaveDevices.h"

namespace audio {

// Start and stop are capture's own: a playback device plays as soon as it has a header.
MMRESULT WaveDevices::Control(Direction direction, DeviceId id,
                              BackendStatus (AudioBackend::*operation)(DeviceId)) {
    std::shared_ptr<AudioBackend> backend;
    {
        std::lock_guard lock(mutex_);
        if (Find(direction, id) == nullptr) {
            return MMSYSERR_INVALHANDLE;
        }
        backend = backend_;
    }
    return ToResult(((*backend).*operation)(id));
}

MMRESULT WaveDevices::Start(DeviceId id) {
    return Control(Direction::kInput, id, &AudioBackend::Start);
}

MMRESULT WaveDevices::Stop(DeviceId id) {
    return Control(Direction::kInput, id, &AudioBackend::Stop);
}

}  // namespace audio

using audio::Direction;
using audio::IdOf;
using audio::WaveDevices;

namespace {

struct ErrorText {
    MMRESULT code;
    std::u16string_view text;
};

constexpr ErrorText kErrorTexts[] = {
    {MMSYSERR_NOERROR, u"The command completed successfully."},
    {MMSYSERR_ERROR, u"An unspecified error occurred in the audio device."},
    {MMSYSERR_BADDEVICEID, u"The device identifier is out of range."},
    {MMSYSERR_NOTENABLED, u"The audio driver failed to enable."},
    {MMSYSERR_ALLOCATED, u"The audio device is already in use."},
    {MMSYSERR_INVALHANDLE, u"The device handle is invalid."},
    {MMSYSERR_NODRIVER, u"No sound server is available."},
    {MMSYSERR_NOMEM, u"Not enough memory is available for the audio device."},
    {MMSYSERR_NOTSUPPORTED, u"The audio device does not support this function."},
    {MMSYSERR_BADERRNUM, u"The error number is out of range."},
    {MMSYSERR_INVALFLAG, u"An invalid flag was passed."},
    {MMSYSERR_INVALPARAM, u"An invalid parameter was passed."},
    {WAVERR_BADFORMAT, u"The audio format is not supported."},
    {WAVERR_STILLPLAYING, u"The device still holds queued buffers."},
    {WAVERR_UNPREPARED, u"The buffer header has not been prepared."},
};

}  // namespace

MMRESULT waveInOpen(HWAVEIN* phwi, UINT uDeviceID, const WAVEFORMATEX* pwfx, DWORD_PTR dwCallback,
                    [[maybe_unused]] DWORD_PTR dwInstance, DWORD fdwOpen) {
    return audio::OpenHandle(Direction::kInput, phwi, uDeviceID, pwfx, dwCallback, fdwOpen);
}

MMRESULT waveInGetErrorText(MMRESULT mmrError, LPWSTR pszText, UINT cchText) {
    if (pszText == nullptr || cchText == 0) {
        return MMSYSERR_INVALPARAM;
    }
    const auto* entry = std::find_if(std::begin(kErrorTexts), std::end(kErrorTexts),
                                     [&](const ErrorText& e) { return e.code == mmrError; });
    if (entry == std::end(kErrorTexts)) {
        pszText[0] = u'\0';
        return MMSYSERR_BADERRNUM;
    }
    // The text is cut to the buffer and always terminated.
    const std::size_t units = std::min<std::size_t>(entry->text.size(), cchText - 1);
    std::copy_n(entry->text.begin(), units, pszText);
    pszText[units] = u'\0';
    return MMSYSERR_NOERROR;
}

MMRESULT waveInPrepareHeader(HWAVEIN hwi, LPWAVEHDR pwh, UINT cbwh) {
    return WaveDevices::Instance().SetPrepared(Direction::kInput, IdOf(hwi), pwh, cbwh, true);
}

MMRESULT waveInUnprepareHeader(HWAVEIN hwi, LPWAVEHDR pwh, UINT cbwh) {
    return WaveDevices::Instance().SetPrepared(Direction::kInput, IdOf(hwi), pwh, cbwh, false);
}

MMRESULT waveInAddBuffer(HWAVEIN hwi, LPWAVEHDR pwh, UINT cbwh) {
    return WaveDevices::Instance().Queue(Direction::kInput, IdOf(hwi), pwh, cbwh);
}

MMRESULT waveInStart(HWAVEIN hwi) {
    return WaveDevices::Instance().Start(IdOf(hwi));
}

MMRESULT waveInStop(HWAVEIN hwi) {
    return WaveDevices::Instance().Stop(IdOf(hwi));
}

MMRESULT waveInReset(HWAVEIN hwi) {
    return WaveDevices::Instance().Reset(Direction::kInput, IdOf(hwi));
}

MMRESULT waveInClose(HWAVEIN hwi) {
    return WaveDevices::Instance().Close(Direction::kInput, IdOf(hwi));
}
