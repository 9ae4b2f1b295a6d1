// SPDX-License-Identifier: GPL-3.0-or-later
// Resource, control and command ids of the program.
#pragma once

#define IDD_MAIN 102
#define IDR_MENUBAR 128
#define IDI_MAIN 128
#define IDR_MAINMENU 130
#define IDS_START 3

#define IDC_SIGNALS 1005
#define IDC_DEVICE 1009
#define IDC_WAVEFORM 1011
#define IDC_FUNCTION 1013
#define IDC_LEVEL 1014
#define IDC_START 1016
#define IDC_TEXT 1017

#define ID_EXIT 1
#define ID_ABOUT 32776
#define ID_RESTART 32779

#define IDC_COMMANDBAR 0xE800
