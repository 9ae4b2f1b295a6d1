// SPDX-License-Identifier: GPL-3.0-or-later
// Built-in modules: a table of names and exports instead of files loaded from disk.
#include <algorithm>
#include <mutex>
#include <string_view>
#include <utility>

#include "platform/ModuleTable.h"
#include "platform/detail/Shell.h"
#include "platform/detail/Text.h"
#include "platform/winuser.h"

namespace platform {
namespace {

// Module handles are the table position plus this base, so that none of them is null or equals
// the program's own instance handle.
constexpr UINT_PTR kFirstModuleHandle = 0x100;

struct ModuleSlot {
    std::mutex mutex;
    std::vector<BuiltInModule> modules = defaultModules();
};

ModuleSlot& slot() {
    static ModuleSlot instance;
    return instance;
}

// Module names are file names, which the classic system compares without regard to case.
bool sameModuleName(std::u16string_view a, std::u16string_view b) {
    const auto fold = [](char16_t c) {
        return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c - u'A' + u'a') : c;
    };
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(),
                      [&fold](char16_t x, char16_t y) { return fold(x) == fold(y); });
}

const BuiltInModule* moduleFor(const std::vector<BuiltInModule>& modules, HMODULE handle) {
    const UINT_PTR value = reinterpret_cast<UINT_PTR>(handle);
    if (value < kFirstModuleHandle || value - kFirstModuleHandle >= modules.size()) {
        return nullptr;
    }
    return &modules[value - kFirstModuleHandle];
}

}  // namespace

std::vector<BuiltInModule> defaultModules() {
    return {{u"aygshell.dll", shellLibraryExports()}};
}

ScopedModuleTable::ScopedModuleTable(std::vector<BuiltInModule> modules) {
    std::lock_guard lock(slot().mutex);
    previous_ = std::exchange(slot().modules, std::move(modules));
}

ScopedModuleTable::~ScopedModuleTable() {
    std::lock_guard lock(slot().mutex);
    slot().modules = std::move(previous_);
}

}  // namespace platform

HMODULE LoadLibraryW(LPCWSTR lpLibFileName) {
    const std::u16string_view name = platform::wideView(lpLibFileName);
    std::lock_guard lock(platform::slot().mutex);
    const std::vector<platform::BuiltInModule>& modules = platform::slot().modules;
    for (std::size_t i = 0; i < modules.size(); ++i) {
        if (!name.empty() && platform::sameModuleName(modules[i].name, name)) {
            return reinterpret_cast<HMODULE>(platform::kFirstModuleHandle + i);
        }
    }
    return nullptr;
}

// Export names are compared exactly, as classic.
FARPROC GetProcAddressW(HMODULE hModule, LPCWSTR lpProcName) {
    std::lock_guard lock(platform::slot().mutex);
    const platform::BuiltInModule* module = platform::moduleFor(platform::slot().modules, hModule);
    if (module == nullptr) {
        return nullptr;
    }
    const bool byNumber = IS_INTRESOURCE(lpProcName);
    const auto ordinal = static_cast<WORD>(reinterpret_cast<UINT_PTR>(lpProcName));
    for (const platform::ModuleExport& entry : module->exports) {
        const bool matches = byNumber ? ordinal != 0 && entry.ordinal == ordinal
                                      : !entry.name.empty() && entry.name == lpProcName;
        if (matches) {
            return entry.function;
        }
    }
    return nullptr;
}

BOOL FreeLibrary(HMODULE hLibModule) {
    std::lock_guard lock(platform::slot().mutex);
    return platform::moduleFor(platform::slot().modules, hLibModule) != nullptr ? TRUE : FALSE;
}
