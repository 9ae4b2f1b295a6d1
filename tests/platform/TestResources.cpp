// SPDX-License-Identifier: GPL-3.0-or-later
#include "tests/platform/TestResources.h"

namespace testres {
namespace {

constexpr WORD kLanguage = 0x0804;

const DialogItemTemplate kPhoneItems[] = {
    {u"STATIC", -1, u"放音设备:", 0x50020000, 3, 9, 39, 8},
    {u"COMBOBOX", kDeviceList, u"", 0x50210003, 43, 4, 67, 110},
    {u"STATIC", kLevel, u"当前: 0 dB", 0x40020000, 3, 33, 107, 8},
    {u"BUTTON", kSignals, u"插入起始和结束编码", 0x40010003, 3, 32, 95, 10},
    {u"EDIT", kText, u"", 0x50A1014C, 3, 46, 107, 47},
    {u"BUTTON", kStart, u"启动", 0x50010000, 60, 96, 50, 14},
    {u"BUTTON", kWaveform, u"波形", 0x40000007, 3, 45, 107, 48},
};

const DialogItemTemplate kBrokenItems[] = {
    {u"STATIC", -1, u"label", 0x50020000, 3, 9, 39, 8},
    {u"SCROLLBAR", 1, u"", 0x50000000, 3, 20, 39, 8},
};

const DialogItemTemplate kLabelItems[] = {
    {u"STATIC", -1, u"&Device:", 0x50020000, 3, 4, 39, 8},
    {u"COMBOBOX", kLabelledList, u"", 0x50210003, 43, 4, 67, 60},
    {u"STATIC", kReadout, u"Level 0 dB", 0x50020000, 3, 16, 107, 8},
    {u"BUTTON", kOption, u"Frame", 0x50010003, 3, 26, 95, 10},
    {u"EDIT", kField, u"", 0x50A1014C, 3, 38, 107, 20},
    {u"STATIC", -1, u"Unused", 0x50020000, 3, 60, 39, 8},
    {u"STATIC", -1, u"Notes", 0x50020000, 3, 70, 39, 8},
    {u"EDIT", kNotes, u"", 0x50A1014C, 43, 60, 67, 20},
    {u"STATIC", kHiddenText, u"Level 0 dB", 0x40020000, 3, 82, 39, 8},
    {u"COMBOBOX", kBareList, u"", 0x50210003, 43, 82, 67, 30},
    {u"BUTTON", kGo, u"&Go", 0x50010000, 60, 96, 50, 14},
};

const DialogTemplate kDialogs[] = {
    {kPhoneDialog, kLanguage, kCaption, 0x10C00248, 0x80040000, 9, u"MS Shell Dlg", 0, 0, 115, 116,
     kPhoneItems},
    {kBrokenDialog, kLanguage, u"Broken", 0x10C00248, 0, 9, u"MS Shell Dlg", 0, 0, 50, 50,
     kBrokenItems},
    {kLabelDialog, kLanguage, kCaption, 0x10C00248, 0x80040000, 9, u"MS Shell Dlg", 0, 0, 115, 116,
     kLabelItems},
};

// A 2 × 2 icon is enough to tell loading from not loading.
const DWORD kIconPalette[] = {0x00000000, 0xFFFF0000};
const BYTE kIconPixels[] = {0, 1, 1, 0};
const IconResource kIcons[] = {{kIcon, kLanguage, 2, 2, kIconPalette, kIconPixels}};

const MenuItemTemplate kSystemPopup[] = {{u"重新启动", kRestart, {}}};
const MenuItemTemplate kMenuPopup[] = {{u"退出", kExit, {}}, {u"系统功能", 0, kSystemPopup}};
const MenuItemTemplate kMenuItems[] = {{u"关于", kAbout, {}}, {u"菜单", 0, kMenuPopup}};
const MenuTemplate kMenus[] = {{kMenu, kLanguage, kMenuItems}};

const StringResource kStrings[] = {{5, kLanguage, u"发送"}, {6, kLanguage, u"更多"}};

constexpr UINT kRawData = 10;
// Menu 130, two buttons: command 40 labelled with string 5; string 6 opening the menu's pop-up 1.
const BYTE kMenuBarData[] = {0x82, 0, 2,    0, 0xFE, 0xFF, 40,   0,    4,    0, 0x10,
                             0,    5, 0,    0, 0,    0xFF, 0xFF, 0xFE, 0xFF, 0, 0,
                             4,    0, 0x10, 0, 6,    0,    0,    0,    1,    0};
// The program's own template: its menu 128 does not exist.
const BYTE kOrphanData[] = {0x80, 0, 1, 0, 0xFE, 0xFF, 1, 0, 4, 0, 0x10, 0, 3, 0, 0, 0, 0xFF, 0xFF};
const BYTE kShortData[] = {0x82, 0, 1, 0, 0xFE, 0xFF, 1, 0};

const BYTE kMarker[] = {0x01, 0x00};
const RawResource kRaw[] = {
    {u"CEUX", u"HI_RES_AWARE", kLanguage, kMarker},
    {kRawData, kMenuBar, kLanguage, kMenuBarData},
    {kRawData, kOrphanMenuBar, kLanguage, kOrphanData},
    {kRawData, kShortMenuBar, kLanguage, kShortData},
};
const RawResource kRawWithoutMarker[] = {{kRawData, kMenuBar, kLanguage, kMenuBarData}};

}  // namespace

const ResourceTable g_testResources = {kDialogs, kMenus, kStrings, kIcons, {}, kRaw};
const ResourceTable g_phoneScaleResources = {kDialogs, kMenus, kStrings,
                                             kIcons,   {},     kRawWithoutMarker};

void useTestResources() {
    platform::setResourceTable(g_testResources);
}

}  // namespace testres
