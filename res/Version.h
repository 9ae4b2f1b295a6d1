// SPDX-License-Identifier: GPL-3.0-or-later
// Texts the resources share with the desktop entry, the metadata and the About box.
#pragma once

#include "platform/wintypes.h"

inline constexpr const WCHAR* kDialogCaption = u"Tessivo 0.1beta - by the Tessivo developers";
inline constexpr const WCHAR* kWebAddress = u"https://tessivo.example.org";
inline constexpr const WCHAR* kLegalNotice = u"Copyright (C) 2026 the Tessivo developers";
inline constexpr const WCHAR* kFileDescription = u"监控环境音量，生成摩尔斯编码音频";
inline constexpr const WCHAR* kCreditLine =
    u"by the Tessivo developers <developers@tessivo.example.org>";
