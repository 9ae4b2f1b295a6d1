// SPDX-License-Identifier: GPL-3.0-or-later
// Every sender in these tests opens a device; a virtual backend without devices is installed for
// the whole program so that none of them reaches a sound server. Tests that need devices install
// their own.
#include <gtest/gtest.h>

#include <memory>

#include "audio/BackendSelection.h"
#include "audio/virtual/VirtualBackend.h"

namespace {

class VirtualAudioEnvironment : public ::testing::Environment {
  public:
    void SetUp() override { audio::SetAudioBackend(std::make_shared<audio::VirtualBackend>()); }
};

[[maybe_unused]] ::testing::Environment* const g_environment =
    ::testing::AddGlobalTestEnvironment(new VirtualAudioEnvironment);

}  // namespace
