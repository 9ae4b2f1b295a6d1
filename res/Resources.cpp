// SPDX-License-Identifier: GPL-3.0-or-later
// The program's resources: dialog 102, menu 130, icon 128, the menu-bar template with its label
// string, the high-resolution marker and the version information.
#include "platform/Resources.h"

#include "res/Version.h"
#include "res/resource.h"

namespace {

#include "res/IconData.inc"

constexpr WORD kChinesePrc = 0x0804;
constexpr UINT kRawData = 10;  // the classic RCDATA type

const DialogItemTemplate kMainDialogItems[] = {
    {u"STATIC", -1, u"放音设备:", 0x50020000, 3, 9, 39, 8},
    {u"COMBOBOX", IDC_DEVICE, u"", 0x50210003, 43, 4, 67, 110},
    {u"STATIC", -1, u"功能:", 0x50020000, 3, 20, 38, 8},
    {u"COMBOBOX", IDC_FUNCTION, u"", 0x50210003, 43, 18, 67, 96},
    {u"STATIC", IDC_LEVEL, u"当前: 0 dB | 平均: 0 dB", 0x40020000, 3, 33, 107, 8},
    {u"BUTTON", IDC_SIGNALS, u"插入起始和结束编码", 0x40010003, 3, 32, 95, 10},
    {u"EDIT", IDC_TEXT, u"", 0x50A1014C, 3, 46, 107, 47},
    {u"BUTTON", IDC_START, u"启动", 0x50010000, 60, 96, 50, 14},
    {u"BUTTON", IDC_WAVEFORM, u"波形", 0x40000007, 3, 45, 107, 48},
};

const DialogTemplate kDialogs[] = {
    {IDD_MAIN, kChinesePrc, kDialogCaption, 0x10C00248, 0x80040000, 9, u"MS Shell Dlg", 0, 0, 115,
     116, kMainDialogItems},
};

const MenuItemTemplate kSystemMenu[] = {
    {u"重新启动", ID_RESTART, {}},
};

const MenuItemTemplate kMenuPopup[] = {
    {u"退出", ID_EXIT, {}},
    {u"系统功能", 0, kSystemMenu},
};

const MenuItemTemplate kMainMenu[] = {
    {u"关于", ID_ABOUT, {}},
    {u"菜单", 0, kMenuPopup},
};

const MenuTemplate kMenus[] = {
    {IDR_MAINMENU, kChinesePrc, kMainMenu},
};

const StringResource kStrings[] = {
    {IDS_START, kChinesePrc, u"启动"},
};

const IconResource kIcons[] = {
    {IDI_MAIN, kChinesePrc, 32, 32, kIconPalette, kIconPixels},
};

const VersionString kVersionStrings[] = {
    {u"CompanyName", kWebAddress},
    {u"FileDescription", kFileDescription},
    {u"FileVersion", u"1.0.0.1"},
    {u"InternalName", u"tessivo"},
    {u"LegalCopyright", kLegalNotice},
    {u"OriginalFilename", u"tessivo"},
    {u"ProductName", u"Windows Mobile Tessivo"},
    {u"ProductVersion", u"0.1beta"},
};

const VersionResource kVersions[] = {
    {1,
     kChinesePrc,
     {1, 0, 0, 1},
     {1, 0, 0, 1},
     0x3F,
     0,
     0x4,
     1,
     0,
     u"080403a8",
     kVersionStrings,
     kChinesePrc,
     936},
};

// The shell's menu-bar format, nine 16-bit little-endian values: menu 128, one button without
// image, command 1, enabled, sized to its text, label string 3, reserved, no sub-menu.
const BYTE kMenuBar128[] = {
    0x80, 0x00, 0x01, 0x00, 0xFE, 0xFF, 0x01, 0x00, 0x04,
    0x00, 0x10, 0x00, 0x03, 0x00, 0x00, 0x00, 0xFF, 0xFF,
};

// Tells the shell that the program scales itself on high-resolution screens.
const BYTE kHighResolutionAware[] = {0x01, 0x00};

const RawResource kRawResources[] = {
    {kRawData, IDR_MENUBAR, kChinesePrc, kMenuBar128},
    {u"CEUX", u"HI_RES_AWARE", kChinesePrc, kHighResolutionAware},
};

}  // namespace

const ResourceTable g_resources = {kDialogs, kMenus, kStrings, kIcons, kVersions, kRawResources};
