// SPDX-License-Identifier: GPL-3.0-or-later
// What the shell library exports to the module table. Internal to the platform layer.
#pragma once

#include <vector>

#include "platform/ModuleTable.h"

namespace platform {

// ExitWindowsEx by name, the one-time initialisation as number 9, SHSendBackToFocusWindow by
// name and as number 97.
std::vector<ModuleExport> shellLibraryExports();

}  // namespace platform
