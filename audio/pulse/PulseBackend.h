// SPDX-License-Identifier: GPL-3.0-or-later
// The sound server behind the waveform-audio entry points.
#pragma once

#include <memory>

#include "audio/AudioBackend.h"

namespace audio {

// Playback devices are the server's sinks in server order, named by their description; capture
// uses the default source. Without a server there are no devices and every open fails at once.
std::shared_ptr<AudioBackend> CreatePulseBackend();

}  // namespace audio
