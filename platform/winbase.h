// SPDX-License-Identifier: GPL-3.0-or-later
// System services under their classic names: built-in modules and the device's power state.
#pragma once

#include "platform/wintypes.h"

// An exported function. Callers convert it back to the export's own type before calling it. It
// is declared without a result so that the compiler accepts that conversion to any function type
// without a warning, which it does for this one type alone.
using FARPROC = void (*)();

// The modules are built in; "aygshell.dll", the shell library, exports "ExitWindowsEx" by name,
// its one-time initialisation as number 9, and "SHSendBackToFocusWindow" by name and as
// number 97. Module names match without regard to case. Null for an unknown module.
HMODULE LoadLibraryW(LPCWSTR lpLibFileName);
// lpProcName is a name, or a number given as MAKEINTRESOURCEW(n). Null for an unknown module or
// export.
FARPROC GetProcAddressW(HMODULE hModule, LPCWSTR lpProcName);
// Built-in modules stay loaded; TRUE for a handle that LoadLibraryW gave, else FALSE.
BOOL FreeLibrary(HMODULE hLibModule);

// ExitWindowsEx's flag, for the export found in the shell library:
// BOOL ExitWindowsEx(UINT uFlags, DWORD dwReserved) restarts the device for EWX_REBOOT and
// returns TRUE once the restart has been requested; other flags return FALSE.
inline constexpr UINT EWX_REBOOT = 2;

inline constexpr DWORD ERROR_SUCCESS = 0;
inline constexpr DWORD ERROR_INVALID_PARAMETER = 87;

inline constexpr DWORD POWER_STATE_RESET = 0x00800000;

// Only the restart is supported: no state name, POWER_STATE_RESET. Asks the desktop session to
// restart without waiting for it and returns ERROR_SUCCESS; anything else returns
// ERROR_INVALID_PARAMETER.
DWORD SetSystemPowerState(LPCWSTR pwsSystemState, DWORD StateFlags, DWORD Options);
