// SPDX-License-Identifier: GPL-3.0-or-later
// The playback entry points, and the list of playback devices.
#include <algorithm>
#include <string>

#include "audio/AudioFormat.h"
#include "audio/WaveDevices.h"

namespace audio {
namespace {

// Copies a device name into szPname, keeping a surrogate pair whole or leaving it out.
void CopyName(const std::u16string& name, WAVEOUTCAPS& caps) {
    constexpr std::size_t kMaxUnits = std::size(WAVEOUTCAPS{}.szPname) - 1;
    std::size_t units = std::min(name.size(), kMaxUnits);
    if (units == kMaxUnits && units < name.size()) {
        const char16_t last = name[units - 1];
        if (last >= 0xD800 && last <= 0xDBFF) {
            --units;
        }
    }
    std::copy_n(name.begin(), units, caps.szPname);
    caps.szPname[units] = u'\0';
}

}  // namespace

UINT WaveDevices::OutputDeviceCount() {
    std::shared_ptr<AudioBackend> backend;
    {
        std::lock_guard lock(mutex_);
        backend = Backend();
    }
    return backend->OutputDeviceCount();
}

MMRESULT WaveDevices::OutputCaps(UINT_PTR device, WAVEOUTCAPS* caps, UINT size) {
    if (caps == nullptr || size != sizeof(WAVEOUTCAPS)) {
        return MMSYSERR_INVALPARAM;
    }
    if (device > WAVE_MAPPER) {
        return MMSYSERR_BADDEVICEID;
    }
    std::shared_ptr<AudioBackend> backend;
    {
        std::lock_guard lock(mutex_);
        backend = Backend();
    }
    std::u16string name;
    const BackendStatus status = backend->OutputDeviceName(static_cast<UINT>(device), name);
    if (status != BackendStatus::kOk) {
        return ToResult(status);
    }
    *caps = WAVEOUTCAPS{};
    caps->vDriverVersion = 0x0100;
    caps->wChannels = g_audioFormat.nChannels;
    CopyName(name, *caps);
    return MMSYSERR_NOERROR;
}

}  // namespace audio

using audio::Direction;
using audio::IdOf;
using audio::WaveDevices;

UINT waveOutGetNumDevs() {
    return WaveDevices::Instance().OutputDeviceCount();
}

MMRESULT waveOutGetDevCaps(UINT_PTR uDeviceID, LPWAVEOUTCAPS pwoc, UINT cbwoc) {
    return WaveDevices::Instance().OutputCaps(uDeviceID, pwoc, cbwoc);
}

MMRESULT waveOutOpen(HWAVEOUT* phwo, UINT uDeviceID, const WAVEFORMATEX* pwfx, DWORD_PTR dwCallback,
                     [[maybe_unused]] DWORD_PTR dwInstance, DWORD fdwOpen) {
    return audio::OpenHandle(Direction::kOutput, phwo, uDeviceID, pwfx, dwCallback, fdwOpen);
}

MMRESULT waveOutPrepareHeader(HWAVEOUT hwo, LPWAVEHDR pwh, UINT cbwh) {
    return WaveDevices::Instance().SetPrepared(Direction::kOutput, IdOf(hwo), pwh, cbwh, true);
}

MMRESULT waveOutUnprepareHeader(HWAVEOUT hwo, LPWAVEHDR pwh, UINT cbwh) {
    return WaveDevices::Instance().SetPrepared(Direction::kOutput, IdOf(hwo), pwh, cbwh, false);
}

MMRESULT waveOutWrite(HWAVEOUT hwo, LPWAVEHDR pwh, UINT cbwh) {
    return WaveDevices::Instance().Queue(Direction::kOutput, IdOf(hwo), pwh, cbwh);
}

MMRESULT waveOutReset(HWAVEOUT hwo) {
    return WaveDevices::Instance().Reset(Direction::kOutput, IdOf(hwo));
}

MMRESULT waveOutClose(HWAVEOUT hwo) {
    return WaveDevices::Instance().Close(Direction::kOutput, IdOf(hwo));
}
