// SPDX-License-Identifier: GPL-3.0-or-later
// Built-in modules, the shell library's exports and the power service behind a restart. No test
// here, or anywhere in this program, may reach the real session manager.
#include <gtest/gtest.h>

#include <string>

#include "platform/ModuleTable.h"
#include "platform/PowerService.h"
#include "platform/WinApp.h"
#include "platform/aygshell.h"
#include "platform/detail/SoftKeyBar.h"
#include "platform/winbase.h"
#include "platform/winuser.h"

namespace {

// For the whole program, a restart that no test asked for fails the run instead of restarting
// the machine.
class NoRestartEnvironment : public testing::Environment {
  public:
    void SetUp() override {
        guard_ = std::make_unique<platform::ScopedPowerService>(
            [] { ADD_FAILURE() << "a restart reached the power service unasked"; });
    }
    void TearDown() override { guard_.reset(); }

  private:
    std::unique_ptr<platform::ScopedPowerService> guard_;
};

[[maybe_unused]] testing::Environment* const noRestart =
    testing::AddGlobalTestEnvironment(new NoRestartEnvironment);

using ExitWindowsFunction = BOOL (*)(UINT, DWORD);
using InitialiseFunction = BOOL (*)();
using BackFunction = void (*)(UINT, WPARAM, LPARAM);

HMODULE shellLibrary() {
    return LoadLibraryW(u"aygshell.dll");
}

TEST(ModulesTest, LoadLibraryFindsBuiltInModulesOnly) {
    struct Row {
        const char* name;
        LPCWSTR module;
        bool found;
    };
    const Row rows[] = {
        {"the shell library", u"aygshell.dll", true},
        {"names match without regard to case", u"AygShell.DLL", true},
        {"an unknown module", u"coredll.dll", false},
        {"without its extension", u"aygshell", false},
        {"empty name", u"", false},
        {"no name", nullptr, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const HMODULE module = LoadLibraryW(row.module);
        EXPECT_EQ(row.found, module != nullptr);
        if (row.found) {
            EXPECT_EQ(shellLibrary(), module) << "one module, one handle";
            EXPECT_NE(AfxGetInstanceHandle(), module);
        }
    }
}

TEST(ModulesTest, ExportsByNameAndByNumber) {
    struct Row {
        const char* name;
        HMODULE module;
        LPCWSTR export_;
        bool found;
    };
    const HMODULE shell = shellLibrary();
    const Row rows[] = {
        {"ExitWindowsEx by name", shell, u"ExitWindowsEx", true},
        {"export names match exactly", shell, u"exitwindowsex", false},
        {"the initialisation, number 9", shell, MAKEINTRESOURCEW(9), true},
        {"SHSendBackToFocusWindow, number 97", shell, MAKEINTRESOURCEW(97), true},
        {"SHSendBackToFocusWindow by name", shell, u"SHSendBackToFocusWindow", true},
        {"an unknown number", shell, MAKEINTRESOURCEW(98), false},
        {"number 0", shell, MAKEINTRESOURCEW(0), false},
        {"an unknown name", shell, u"SHCreateMenuBar2", false},
        {"empty name", shell, u"", false},
        {"no module", nullptr, u"ExitWindowsEx", false},
        {"the program's own module", AfxGetInstanceHandle(), u"ExitWindowsEx", false},
        {"a made-up handle", reinterpret_cast<HMODULE>(static_cast<UINT_PTR>(0x1FF)),
         u"ExitWindowsEx", false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(row.found, GetProcAddressW(row.module, row.export_) != nullptr);
    }
    EXPECT_EQ(reinterpret_cast<FARPROC>(&SHSendBackToFocusWindow),
              GetProcAddressW(shell, MAKEINTRESOURCEW(97)));
    EXPECT_EQ(GetProcAddressW(shell, u"SHSendBackToFocusWindow"),
              GetProcAddressW(shell, MAKEINTRESOURCEW(97)));
}

TEST(ModulesTest, FreeLibraryKeepsBuiltInModules) {
    const HMODULE shell = shellLibrary();
    EXPECT_EQ(TRUE, FreeLibrary(shell));
    EXPECT_NE(nullptr, GetProcAddressW(shell, u"ExitWindowsEx")) << "still loaded";
    EXPECT_EQ(FALSE, FreeLibrary(nullptr));
    EXPECT_EQ(FALSE, FreeLibrary(AfxGetInstanceHandle()));
}

TEST(ModulesTest, TheInitialisationPreparesTheSoftKeyLook) {
    const auto initialise =
        reinterpret_cast<InitialiseFunction>(GetProcAddressW(shellLibrary(), MAKEINTRESOURCEW(9)));
    ASSERT_NE(nullptr, initialise);
    EXPECT_EQ(TRUE, initialise());
    EXPECT_TRUE(platform::softKeyLookPrepared());
    EXPECT_EQ(TRUE, initialise()) << "a second call is harmless";
}

TEST(ModulesTest, TestsCanReplaceTheModuleTable) {
    std::vector<platform::BuiltInModule> modules = platform::defaultModules();
    ASSERT_EQ(1u, modules.size());
    std::erase_if(modules[0].exports,
                  [](const platform::ModuleExport& e) { return e.name == u"ExitWindowsEx"; });
    {
        const platform::ScopedModuleTable table(modules);
        const HMODULE shell = shellLibrary();
        ASSERT_NE(nullptr, shell);
        EXPECT_EQ(nullptr, GetProcAddressW(shell, u"ExitWindowsEx"));
        EXPECT_NE(nullptr, GetProcAddressW(shell, MAKEINTRESOURCEW(9)));
        const platform::ScopedModuleTable empty({});
        EXPECT_EQ(nullptr, shellLibrary());
    }
    EXPECT_NE(nullptr, GetProcAddressW(shellLibrary(), u"ExitWindowsEx")) << "restored";
}

TEST(ModulesTest, BothRestartsReachThePowerServiceOnce) {
    struct Row {
        const char* name;
        std::function<DWORD()> call;
        DWORD expectedResult;
        int expectedRestarts;
    };
    const auto exitWindows = [](UINT flags) {
        const auto function = reinterpret_cast<ExitWindowsFunction>(
            GetProcAddressW(shellLibrary(), u"ExitWindowsEx"));
        return static_cast<DWORD>(function(flags, 0));
    };
    const Row rows[] = {
        {"ExitWindowsEx(EWX_REBOOT, 0)", [&] { return exitWindows(EWX_REBOOT); }, TRUE, 1},
        {"ExitWindowsEx with another flag", [&] { return exitWindows(1); }, FALSE, 0},
        {"SetSystemPowerState(no name, reset)",
         [] { return SetSystemPowerState(nullptr, POWER_STATE_RESET, 0); }, ERROR_SUCCESS, 1},
        {"SetSystemPowerState with a name",
         [] { return SetSystemPowerState(u"reboot", POWER_STATE_RESET, 0); },
         ERROR_INVALID_PARAMETER, 0},
        {"SetSystemPowerState with another state",
         [] { return SetSystemPowerState(nullptr, 0x00010000, 0); }, ERROR_INVALID_PARAMETER, 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        int restarts = 0;
        const platform::ScopedPowerService service([&restarts] { ++restarts; });
        EXPECT_EQ(row.expectedResult, row.call());
        EXPECT_EQ(row.expectedRestarts, restarts);
    }
}

}  // namespace
