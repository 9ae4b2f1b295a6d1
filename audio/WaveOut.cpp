// The playback entry points: handles are device ids in the table of WaveDevices.
#include "audio/WaveDevices.h"

using audio::DeviceId;
using audio::Direction;
using audio::WaveDevices;

namespace {

DeviceId IdOf(HWAVEOUT handle) {
    return reinterpret_cast<DeviceId>(handle);
}

}  // namespace

UINT waveOutGetNumDevs() {
    return WaveDevices::Instance().OutputDeviceCount();
}

MMRESULT waveOutGetDevCaps(UINT_PTR uDeviceID, LPWAVEOUTCAPS pwoc, UINT cbwoc) {
    return WaveDevices::Instance().OutputCaps(uDeviceID, pwoc, cbwoc);
}

MMRESULT waveOutOpen(HWAVEOUT* phwo, UINT uDeviceID, const WAVEFORMATEX* pwfx, DWORD_PTR dwCallback,
                     [[maybe_unused]] DWORD_PTR dwInstance, DWORD fdwOpen) {
    DeviceId id = 0;
    const MMRESULT result = WaveDevices::Instance().Open(
        Direction::kOutput, phwo == nullptr ? nullptr : &id, uDeviceID, pwfx, dwCallback, fdwOpen);
    if (phwo != nullptr) {
        *phwo = reinterpret_cast<HWAVEOUT>(id);
    }
    return result;
}

MMRESULT waveOutPrepareHeader(HWAVEOUT hwo, LPWAVEHDR pwh, UINT cbwh) {
    return WaveDevices::Instance().Prepare(Direction::kOutput, IdOf(hwo), pwh, cbwh);
}

MMRESULT waveOutUnprepareHeader(HWAVEOUT hwo, LPWAVEHDR pwh, UINT cbwh) {
    return WaveDevices::Instance().Unprepare(Direction::kOutput, IdOf(hwo), pwh, cbwh);
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
