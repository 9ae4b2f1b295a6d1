// A small resource table for the platform tests, shaped like a program's own.
#pragma once

#include "platform/Resources.h"

namespace testres {

// Dialog ids.
constexpr UINT kPhoneDialog = 102;    // the size, font and controls of a phone dialog
constexpr UINT kBrokenDialog = 103;   // names a control class the platform lacks
constexpr UINT kUnknownDialog = 999;  // absent

// Controls of kPhoneDialog.
constexpr int kDeviceList = 1009;
constexpr int kSignals = 1005;
constexpr int kLevel = 1014;
constexpr int kText = 1017;
constexpr int kStart = 1016;
constexpr int kWaveform = 1011;

constexpr UINT kIcon = 128;
constexpr LPCWSTR kCaption = u"Test & dialog ";

extern const ResourceTable g_testResources;

// Makes g_testResources the table that the platform searches.
void useTestResources();

}  // namespace testres
