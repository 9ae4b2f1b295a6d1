// SPDX-License-Identifier: GPL-3.0-or-later
#include "audio/pulse/PulseLog.h"

// Warnings only: a run that goes well writes nothing.
Q_LOGGING_CATEGORY(lcAudio, "tessivo.audio", QtWarningMsg)
