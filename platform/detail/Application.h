// SPDX-License-Identifier: GPL-3.0-or-later
// The program's start-up, shared by the entry point. Internal to the platform layer.
#pragma once

#include "platform/Resources.h"

namespace platform {

// Opens the display, makes resources the program's resources and runs the application
// object's InitInstance; returns the process's exit code.
int runApplication(int argc, char** argv, const ResourceTable& resources);

}  // namespace platform
