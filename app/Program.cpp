// SPDX-License-Identifier: GPL-3.0-or-later
// The one program-wide application object. It lives in the executable itself, so the framework's
// entry point finds it constructed before it runs, and the library stays usable by tests.
#include "app/MainApp.h"

CMainApp theApp;
