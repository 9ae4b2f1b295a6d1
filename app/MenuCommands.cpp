// SPDX-License-Identifier: GPL-3.0-or-later
// The soft-key menu's commands and the Back key, all handled by the main dialog.
#include "app/MainDlg.h"
#include "platform/aygshell.h"
#include "platform/winbase.h"
#include "res/Version.h"

namespace {

// Lines separated by CR LF, no break after the last.
const std::u16string kAboutText =
    std::u16string(u"Tessivo v0.1beta\r\n") + kCreditLine + u"\r\n" + kWebAddress +
    u"\r\n"
    u"\r\n"
    u"功能1：检测周围环境音量，计算出相应的分贝数（1-96dB）根据Mobile设备"
    u"性能不同，测得数据可能与实际有一定差异，专业测噪请使用专用工具。\r\n"
    u"\r\n"
    u"功能2：将输入的英文词句转为摩尔斯码（Morse code）并输出声音。"
    u"（波长700/1单位40毫秒）。";

using ExitWindowsFunction = BOOL (*)(UINT, DWORD);

}  // namespace

void CMainDlg::OnAbout() {
    MessageBox(kAboutText.c_str(), u"关于", MB_OK);
}

void CMainDlg::OnExit() {
    SendMessage(WM_CLOSE, 0, 0);
}

void CMainDlg::OnRestart() {
    // Only an explicit Yes restarts: a box that could not be shown answers 0, not consent.
    if (MessageBox(u"是否确定要重新启动该移动设备？", u"REBOOT", MB_YESNO | MB_ICONQUESTION) !=
        IDYES) {
        return;
    }
    if (HMODULE shell = LoadLibraryW(u"aygshell.dll")) {
        if (FARPROC exitWindows = GetProcAddressW(shell, u"ExitWindowsEx")) {
            reinterpret_cast<ExitWindowsFunction>(exitWindows)(EWX_REBOOT, 0);
            return;
        }
    }
    SetSystemPowerState(nullptr, POWER_STATE_RESET, 0);
}

LRESULT CMainDlg::OnHotKey(WPARAM wParam, LPARAM lParam) {
    if (HIWORD(static_cast<DWORD_PTR>(lParam)) == VK_TBACK) {
        SHSendBackToFocusWindow(WM_HOTKEY, wParam, lParam);
    }
    return 0;
}
