// SPDX-License-Identifier: GPL-3.0-or-later
// The restart request shared by the shell's ExitWindowsEx and SetSystemPowerState. Internal to
// the platform layer.
#pragma once

namespace platform {

// Hands the request to the current power service.
void requestRestart();

}  // namespace platform
