// SPDX-License-Identifier: GPL-3.0-or-later
// A small resource table for the platform tests, shaped like a program's own.
#pragma once

#include "platform/Resources.h"

namespace testres {

// Dialog ids.
constexpr UINT kPhoneDialog = 102;    // the size, font and controls of a phone dialog
constexpr UINT kBrokenDialog = 103;   // names a control class the platform lacks
constexpr UINT kLabelDialog = 104;    // static texts before the controls they label, or not
constexpr UINT kUnknownDialog = 999;  // absent

// Controls of kPhoneDialog.
constexpr int kDeviceList = 1009;
constexpr int kSignals = 1005;
constexpr int kLevel = 1014;
constexpr int kText = 1017;
constexpr int kStart = 1016;
constexpr int kWaveform = 1011;

// Controls of kLabelDialog, in template order.
constexpr int kLabelledList = 1101;  // after the static text "&Device:"
constexpr int kReadout = 1102;       // a static text the program changes
constexpr int kOption = 1103;        // a check box "Frame" after the readout
constexpr int kField = 1104;         // an edit field after the check box
constexpr int kNotes = 1105;         // an edit field after two static texts in a row
constexpr int kBareList = 1106;      // a list after a hidden static text only
constexpr int kGo = 1107;            // a push button "&Go"
constexpr int kHiddenText = 1108;    // a static text that starts hidden, before kBareList

// Menus and menu-bar templates, shaped like the program's menu 130.
constexpr UINT kMenu = 130;           // "关于" (kAbout) and the pop-up "菜单"
constexpr UINT kUnknownMenu = 131;    // absent, and no template either
constexpr UINT kMenuBar = 140;        // a template of kMenu: "发送" (kSend), "更多"→"菜单"
constexpr UINT kOrphanMenuBar = 128;  // a template that names the absent menu 128
constexpr UINT kShortMenuBar = 141;   // a template cut short in its button
constexpr UINT kAbout = 32776;
constexpr UINT kExit = 1;
constexpr UINT kRestart = 32779;
constexpr UINT kSend = 40;

constexpr UINT kIcon = 128;
constexpr LPCWSTR kCaption = u"Test & dialog ";

extern const ResourceTable g_testResources;
// The same without the high-resolution marker.
extern const ResourceTable g_phoneScaleResources;

// Makes g_testResources the table that the platform searches.
void useTestResources();

}  // namespace testres
