// SPDX-License-Identifier: GPL-3.0-or-later
// The images behind icon handles. Internal to the platform layer.
#pragma once

#include <QImage>

#include "platform/wintypes.h"

namespace platform {

// The icon's image, or a null image for a handle that names no icon.
QImage iconImage(HICON icon);

}  // namespace platform
