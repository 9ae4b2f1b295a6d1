// SPDX-License-Identifier: GPL-3.0-or-later
// The table of built-in modules behind LoadLibraryW and GetProcAddressW, and a way for tests to
// replace it.
#pragma once

#include <string>
#include <vector>

#include "platform/winbase.h"

namespace platform {

// One export: found by name when name is not empty, by number when ordinal is not 0.
struct ModuleExport {
    std::u16string name;
    WORD ordinal = 0;
    FARPROC function = nullptr;
};

struct BuiltInModule {
    std::u16string name;
    std::vector<ModuleExport> exports;
};

// The modules the platform provides, in the order LoadLibraryW searches them.
std::vector<BuiltInModule> defaultModules();

// Makes modules the table for its lifetime and then restores the one before. Handles are
// positions in the table, so a handle is only good for the table that gave it.
class ScopedModuleTable {
  public:
    explicit ScopedModuleTable(std::vector<BuiltInModule> modules);
    ~ScopedModuleTable();
    ScopedModuleTable(const ScopedModuleTable&) = delete;
    ScopedModuleTable& operator=(const ScopedModuleTable&) = delete;

  private:
    std::vector<BuiltInModule> previous_;
};

}  // namespace platform
