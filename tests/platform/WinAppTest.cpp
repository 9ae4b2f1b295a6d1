// SPDX-License-Identifier: GPL-3.0-or-later
// The application object and the program's start-up.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <cstdlib>
#include <string>

#include "platform/WinApp.h"
#include "platform/detail/Application.h"
#include "tests/platform/TestResources.h"

namespace {

TEST(WinAppTest, TheApplicationObjectRegistersItself) {
    EXPECT_EQ(nullptr, AfxGetApp());
    {
        CWinApp app;
        EXPECT_EQ(&app, AfxGetApp());
        EXPECT_EQ(std::u16string(u"platform_tests"), app.m_pszAppName)
            << "named after the executable";
        EXPECT_EQ(AfxGetInstanceHandle(), app.m_hInstance);
        EXPECT_NE(nullptr, app.m_hInstance);
        EXPECT_EQ(nullptr, app.m_pszRegistryKey);
        EXPECT_EQ(nullptr, app.m_pMainWnd);

        app.SetRegistryKey(u"Tessivo For Windows Mobile");
        EXPECT_EQ(std::u16string(u"Tessivo For Windows Mobile"), app.m_pszRegistryKey);
        EXPECT_EQ(QStringLiteral("Tessivo For Windows Mobile"),
                  QCoreApplication::organizationName());
    }
    EXPECT_EQ(nullptr, AfxGetApp());
    CWinApp named(u"Named");
    EXPECT_EQ(std::u16string(u"Named"), named.m_pszAppName);
}

// Sets environment variables for one test and restores them.
class ScopedEnvironment {
  public:
    void set(const char* name, const char* value) {
        remember(name);
        setenv(name, value, 1);
    }
    void unset(const char* name) {
        remember(name);
        unsetenv(name);
    }
    ~ScopedEnvironment() {
        for (const auto& [name, value] : saved_) {
            if (value.has_value()) {
                setenv(name.c_str(), value->c_str(), 1);
            } else {
                unsetenv(name.c_str());
            }
        }
    }

  private:
    void remember(const char* name) {
        const char* value = std::getenv(name);
        saved_.emplace_back(name,
                            value == nullptr ? std::nullopt : std::optional<std::string>(value));
    }
    std::vector<std::pair<std::string, std::optional<std::string>>> saved_;
};

TEST(WinAppTest, WithoutADisplayTheProgramSaysSoInOneLineAndFails) {
    struct Row {
        const char* platform;  // null: not set
        const char* expectedReason;
    };
    const Row rows[] = {
        {nullptr, "neither DISPLAY nor WAYLAND_DISPLAY is set"},
        {"xcb", "DISPLAY is not set"},
        {"wayland", "WAYLAND_DISPLAY is not set"},
    };
    CWinApp app;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.platform == nullptr ? "default platform" : row.platform);
        ScopedEnvironment environment;
        environment.unset("DISPLAY");
        environment.unset("WAYLAND_DISPLAY");
        if (row.platform == nullptr) {
            environment.unset("QT_QPA_PLATFORM");
        } else {
            environment.set("QT_QPA_PLATFORM", row.platform);
        }
        char program[] = "/usr/bin/tessivo";
        char* argv[] = {program, nullptr};
        testing::internal::CaptureStderr();
        EXPECT_EQ(1, platform::runApplication(1, argv, testres::g_testResources));
        EXPECT_EQ(
            std::string("tessivo: no graphical display available (") + row.expectedReason + ")\n",
            testing::internal::GetCapturedStderr());
    }
}

}  // namespace
