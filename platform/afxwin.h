// SPDX-License-Identifier: GPL-3.0-or-later
// The application framework in one include: application, windows, dialogs and message maps,
// with the window and drawing services beneath them.
#pragma once

#include "platform/CmdTarget.h"
#include "platform/Dialog.h"
#include "platform/MessageMap.h"
#include "platform/WinApp.h"
#include "platform/Wnd.h"
#include "platform/wingdi.h"
#include "platform/wintypes.h"
#include "platform/winuser.h"
