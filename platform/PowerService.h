// SPDX-License-Identifier: GPL-3.0-or-later
// The one service behind both ways of restarting the device, and a way for tests to replace it.
#pragma once

#include <functional>

namespace platform {

// Asks for a restart and returns at once; whether the restart happens is not reported. The
// platform's own service asks the desktop's session manager over the system bus, which may ask
// the user to authorise it.
using PowerService = std::function<void()>;

// Installs service for its lifetime and then restores the one before.
class ScopedPowerService {
  public:
    explicit ScopedPowerService(PowerService service);
    ~ScopedPowerService();
    ScopedPowerService(const ScopedPowerService&) = delete;
    ScopedPowerService& operator=(const ScopedPowerService&) = delete;

  private:
    PowerService previous_;
};

}  // namespace platform
