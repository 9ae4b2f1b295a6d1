// SPDX-License-Identifier: GPL-3.0-or-later
// Chooses the sound system behind the waveform-audio entry points. The program never calls
// this and gets the sound server; tests install the virtual backend before they open a device.
#pragma once

#include <memory>

#include "audio/AudioBackend.h"

namespace audio {

// Replaces the backend. Devices still open on the previous backend are forgotten: their handles
// become stale and their late completions are dropped.
void SetAudioBackend(std::shared_ptr<AudioBackend> backend);

}  // namespace audio
