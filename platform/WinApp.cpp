// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/WinApp.h"

#include <QApplication>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "platform/detail/Application.h"
#include "platform/detail/Text.h"
#include "platform/detail/Translations.h"

namespace {

// Constant-initialised, so the application object may register itself from its constructor
// during start-up whatever the order of initialisation.
CWinApp* currentApp = nullptr;

bool isSet(const char* variable) {
    const char* value = std::getenv(variable);
    return value != nullptr && *value != '\0';
}

// Qt aborts the process when it cannot open a display; this catches the usual cause first and
// names it. Returns null when a display is available, else the reason.
const char* missingDisplay() {
    const char* requested = std::getenv("QT_QPA_PLATFORM");
    const std::string platformName = requested == nullptr ? "" : requested;
    const std::string plugin = platformName.substr(0, platformName.find(':'));
    if (plugin == "xcb") {
        return isSet("DISPLAY") ? nullptr : "DISPLAY is not set";
    }
    if (plugin.starts_with("wayland")) {
        return isSet("WAYLAND_DISPLAY") ? nullptr : "WAYLAND_DISPLAY is not set";
    }
    if (!plugin.empty()) {
        return nullptr;  // offscreen, vnc, eglfs and the like need no display server
    }
    return isSet("DISPLAY") || isSet("WAYLAND_DISPLAY")
               ? nullptr
               : "neither DISPLAY nor WAYLAND_DISPLAY is set";
}

std::string programName(char** argv) {
    const std::string path = argv[0] == nullptr ? "" : argv[0];
    return path.substr(path.find_last_of('/') + 1);
}

}  // namespace

BEGIN_MESSAGE_MAP(CWinApp, CCmdTarget)
END_MESSAGE_MAP()

CWinApp::CWinApp(LPCWSTR lpszAppName) : m_hInstance(AfxGetInstanceHandle()) {
    if (lpszAppName != nullptr) {
        appName_ = lpszAppName;
    } else {
        std::error_code error;
        const std::filesystem::path executable =
            std::filesystem::read_symlink("/proc/self/exe", error);
        appName_ = executable.filename().u16string();
    }
    m_pszAppName = appName_.c_str();
    currentApp = this;
}

CWinApp::~CWinApp() {
    if (currentApp == this) {
        currentApp = nullptr;
    }
}

BOOL CWinApp::InitInstance() {
    return TRUE;
}

void CWinApp::SetRegistryKey(LPCWSTR lpszRegistryKey) {
    registryKey_ = platform::wideView(lpszRegistryKey);
    m_pszRegistryKey = registryKey_.c_str();
    QCoreApplication::setOrganizationName(platform::toQString(registryKey_));
}

CWinApp* AfxGetApp() {
    return currentApp;
}

namespace platform {

int runApplication(int argc, char** argv, const ResourceTable& resources) {
    const std::string program = programName(argv);
    if (const char* reason = missingDisplay()) {
        std::fprintf(stderr, "%s: no graphical display available (%s)\n", program.c_str(), reason);
        return 1;
    }
    CWinApp* app = AfxGetApp();
    if (app == nullptr) {
        std::fprintf(stderr, "%s: the program defines no application object\n", program.c_str());
        return 1;
    }
    setResourceTable(resources);
    QApplication qtApp(argc, argv);
    useUsersLanguage();
    QCoreApplication::setApplicationName(toQString(app->m_pszAppName));
    app->InitInstance();
    // Windows destroyed during the run leave their widgets to the event loop, which has
    // stopped; delete them while the application still exists.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    return 0;
}

}  // namespace platform
