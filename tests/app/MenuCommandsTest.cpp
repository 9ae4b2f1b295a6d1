// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <QApplication>
#include <QPlainTextEdit>
#include <QTest>
#include <QTextCursor>
#include <memory>
#include <string>
#include <vector>

#include "audio/BackendSelection.h"
#include "audio/virtual/VirtualBackend.h"
#include "platform/MessageBoxHook.h"
#include "platform/ModuleTable.h"
#include "platform/PowerService.h"
#include "platform/Resources.h"
#include "platform/aygshell.h"
#include "res/resource.h"
#include "tests/app/DialogRun.h"

namespace {

std::vector<std::u16string> Lines(const std::u16string& text) {
    std::vector<std::u16string> lines;
    std::size_t start = 0;
    for (std::size_t end; (end = text.find(u"\r\n", start)) != std::u16string::npos;
         start = end + 2) {
        lines.push_back(text.substr(start, end - start));
    }
    lines.push_back(text.substr(start));
    return lines;
}

struct ExitWindowsCall {
    UINT flags;
    DWORD reserved;
};
std::vector<ExitWindowsCall> g_exitWindowsCalls;

BOOL RecordExitWindows(UINT flags, DWORD reserved) {
    g_exitWindowsCalls.push_back({flags, reserved});
    return TRUE;
}

class MenuCommandsTest : public ::testing::Test {
  protected:
    void SetUp() override {
        platform::setResourceTable(g_resources);
        backend_->SetOutputDevices({u"Speaker"});
        audio::SetAudioBackend(backend_);
        g_exitWindowsCalls.clear();
    }

    std::shared_ptr<audio::VirtualBackend> backend_ = std::make_shared<audio::VirtualBackend>();
    int m_powerRequests = 0;
    platform::ScopedPowerService m_power{[this] { ++m_powerRequests; }};
};

TEST_F(MenuCommandsTest, AboutShowsSevenLinesUnderItsCaptionWithOneChoice) {
    std::vector<platform::MessageBoxRequest> shown;
    platform::ScopedMessageBoxHook hook([&](const platform::MessageBoxRequest& request) {
        shown.push_back(request);
        return IDOK;
    });
    CTestMainDlg::Run([](CTestMainDlg& dlg) { dlg.SendMessage(WM_COMMAND, ID_ABOUT, 0); });
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].caption, u"关于");
    EXPECT_EQ(shown[0].type, MB_OK);
    const std::vector<std::u16string> lines = Lines(shown[0].text);
    ASSERT_EQ(lines.size(), 7u);
    EXPECT_EQ(lines[0], u"Tessivo v0.1beta");
    EXPECT_FALSE(lines[1].empty());
    EXPECT_FALSE(lines[2].empty());
    EXPECT_TRUE(lines[3].empty());
    EXPECT_EQ(lines[4].substr(0, 4), u"功能1：");
    EXPECT_TRUE(lines[5].empty());
    EXPECT_EQ(lines[6].substr(0, 4), u"功能2：");
}

TEST_F(MenuCommandsTest, RestartNeedsAnExplicitYes) {
    struct Case {
        const char* name;
        int answer;
        bool exitWindowsExported;
        bool shellLoads;
        std::size_t exitWindowsCalls;
        int powerRequests;
    };
    const Case cases[] = {
        {"no", IDNO, true, true, 0, 0},
        {"box not shown", 0, true, true, 0, 0},
        {"yes with ExitWindowsEx", IDYES, true, true, 1, 0},
        {"yes without ExitWindowsEx", IDYES, false, true, 0, 1},
        {"yes without the shell library", IDYES, false, false, 0, 1},
    };
    for (const Case& c : cases) {
        g_exitWindowsCalls.clear();
        m_powerRequests = 0;
        std::vector<platform::BuiltInModule> modules;
        if (c.shellLoads) {
            platform::BuiltInModule shell{u"aygshell.dll", {}};
            if (c.exitWindowsExported) {
                shell.exports.push_back(
                    {u"ExitWindowsEx", 0, reinterpret_cast<FARPROC>(&RecordExitWindows)});
            }
            modules.push_back(shell);
        }
        platform::ScopedModuleTable table(modules);
        std::vector<platform::MessageBoxRequest> asked;
        platform::ScopedMessageBoxHook hook([&](const platform::MessageBoxRequest& request) {
            asked.push_back(request);
            return c.answer;
        });
        CTestMainDlg::Run([&](CTestMainDlg& dlg) {
            dlg.GetDlgItem(IDC_TEXT)->SetWindowText(u"SOS");
            dlg.Click(IDC_START);
            dlg.SendMessage(WM_COMMAND, ID_RESTART, 0);
            // A running playback goes on whatever the answer.
            EXPECT_NE(dlg.m_sender, nullptr) << c.name;
            EXPECT_EQ(dlg.Text(IDC_START), u"停止") << c.name;
        });
        ASSERT_EQ(asked.size(), 1u) << c.name;
        EXPECT_EQ(asked[0].text, u"是否确定要重新启动该移动设备？") << c.name;
        EXPECT_EQ(asked[0].caption, u"REBOOT") << c.name;
        EXPECT_EQ(asked[0].type, static_cast<UINT>(MB_YESNO | MB_ICONQUESTION)) << c.name;
        ASSERT_EQ(g_exitWindowsCalls.size(), c.exitWindowsCalls) << c.name;
        if (c.exitWindowsCalls == 1) {
            EXPECT_EQ(g_exitWindowsCalls[0].flags, EWX_REBOOT);
            EXPECT_EQ(g_exitWindowsCalls[0].reserved, 0u);
        }
        EXPECT_EQ(m_powerRequests, c.powerRequests) << c.name;
    }
}

TEST_F(MenuCommandsTest, ExitAndCloseEndTheProgramAndReleaseTheDevices) {
    struct Case {
        int function;
        UINT message;
        WPARAM wParam;
        const char* lastCall;
    };
    const Case cases[] = {
        {0, WM_COMMAND, ID_EXIT, "waveOutClose"},
        {1, WM_COMMAND, ID_EXIT, "waveInClose"},
        {0, WM_CLOSE, 0, "waveOutClose"},
        {1, WM_CLOSE, 0, "waveInClose"},
    };
    for (const Case& c : cases) {
        backend_->ClearCalls();
        int result = -1;
        CTestMainDlg::Run([&](CTestMainDlg& dlg) {
            dlg.UserSelects(IDC_FUNCTION, c.function);
            dlg.Click(IDC_START);
            dlg.SendMessage(c.message, c.wParam, 0);
            result = dlg.ModalResult();
        });
        EXPECT_EQ(result, IDCANCEL) << c.function << " " << c.message;
        ASSERT_FALSE(backend_->Calls().empty());
        EXPECT_EQ(backend_->Calls().back(), c.lastCall) << c.function << " " << c.message;
    }
}

TEST_F(MenuCommandsTest, BackKeyEditsTheTextField) {
    CTestMainDlg::Run([](CTestMainDlg& dlg) {
        QWidget* window = dlg.Window();
        auto* edit = window != nullptr ? window->findChild<QPlainTextEdit*>() : nullptr;
        ASSERT_NE(edit, nullptr);
        dlg.GetDlgItem(IDC_TEXT)->SetWindowText(u"ABC");
        window->activateWindow();
        edit->setFocus();
        dlg.Settle();
        edit->moveCursor(QTextCursor::End);
        // A hot key other than Back does nothing.
        dlg.SendMessage(WM_HOTKEY, 0, MAKELPARAM(0, 0x20));
        EXPECT_EQ(dlg.Text(IDC_TEXT), u"ABC");
        // The reported Back key deletes the character before the caret.
        dlg.SendMessage(WM_HOTKEY, 0, MAKELPARAM(0, VK_TBACK));
        EXPECT_EQ(dlg.Text(IDC_TEXT), u"AB");
        // So does the key itself, through the menu bar's override, and the window stays.
        QTest::keyClick(edit, Qt::Key_Escape);
        EXPECT_EQ(dlg.Text(IDC_TEXT), u"A");
        EXPECT_FALSE(window->isMinimized());
    });
}

TEST_F(MenuCommandsTest, WithoutTheMenuBarTheDialogOpensBare) {
    ResourceTable withoutMenus = g_resources;
    withoutMenus.menus = {};
    platform::setResourceTable(withoutMenus);
    CTestMainDlg::Run([](CTestMainDlg& dlg) {
        EXPECT_FALSE(dlg.m_initResult);
        EXPECT_EQ(dlg.Send(IDC_DEVICE, CB_GETCOUNT), 0);
        EXPECT_EQ(dlg.Send(IDC_FUNCTION, CB_GETCOUNT), 0);
        EXPECT_EQ(dlg.Text(IDC_TEXT), u"");
        EXPECT_TRUE(dlg.Visible(IDC_TEXT));
        EXPECT_FALSE(dlg.Visible(IDC_SIGNALS));
        dlg.Click(IDC_START);
        EXPECT_EQ(dlg.Text(IDC_START), u"停止");
        EXPECT_FALSE(dlg.Enabled(IDC_TEXT));
        EXPECT_EQ(dlg.m_sender, nullptr);
        EXPECT_EQ(dlg.m_meter, nullptr);
        dlg.Click(IDC_START);
        EXPECT_EQ(dlg.Text(IDC_START), u"启动");
        EXPECT_TRUE(dlg.Enabled(IDC_TEXT));
    });
    platform::setResourceTable(g_resources);
}

}  // namespace
