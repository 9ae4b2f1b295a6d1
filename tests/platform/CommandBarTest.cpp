// SPDX-License-Identifier: GPL-3.0-or-later
// CCommandBar: its window, its control id, and the menu bar it takes over.
#include <gtest/gtest.h>

#include "platform/CommandBar.h"
#include "tests/platform/ShownDialog.h"

namespace {

constexpr UINT kBarId = 0xE800;

TEST(CommandBarTest, CreateMakesAChildOfTheDialogWithTheId) {
    ShownDialog shown;
    CCommandBar bar;
    CWnd windowless;
    EXPECT_EQ(FALSE, bar.Create(nullptr, kBarId)) << "no parent";
    EXPECT_EQ(FALSE, bar.Create(&windowless, kBarId)) << "a parent without a window";
    EXPECT_EQ(nullptr, bar.m_hWnd);
    ASSERT_EQ(TRUE, bar.Create(&shown.dialog, kBarId));
    EXPECT_EQ(bar.m_hWnd, GetDlgItem(shown.handle(), kBarId));
    EXPECT_EQ(&bar, CWnd::FromHandle(bar.m_hWnd));
    EXPECT_EQ(FALSE, bar.Create(&shown.dialog, kBarId)) << "it already has a window";
}

TEST(CommandBarTest, InsertMenuBarTakesOverTheShellsBar) {
    struct Row {
        const char* name;
        UINT id;
        QString left;
        QString right;
    };
    const Row rows[] = {
        {"no template: the menu itself", testres::kMenu, "关于", "菜单"},
        {"a template first", testres::kMenuBar, "发送", "更多"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        ShownDialog shown;
        CCommandBar bar;
        ASSERT_EQ(TRUE, bar.Create(&shown.dialog, kBarId));
        const HWND bare = bar.m_hWnd;
        ASSERT_EQ(TRUE, bar.InsertMenuBar(row.id));
        EXPECT_NE(bare, bar.m_hWnd);
        EXPECT_EQ(FALSE, IsWindow(bare)) << "the bare window gave way";
        const platform::WindowRecord* record = platform::findWindow(bar.m_hWnd);
        ASSERT_NE(nullptr, record);
        EXPECT_EQ(platform::WindowClass::MenuBar, record->windowClass);
        EXPECT_EQ(&bar, CWnd::FromHandle(bar.m_hWnd));
        EXPECT_EQ(bar.m_hWnd, GetDlgItem(shown.handle(), kBarId));
        EXPECT_EQ(row.left, ShownDialog::key(bar.m_hWnd, 0)->text());
        EXPECT_EQ(row.right, ShownDialog::key(bar.m_hWnd, 1)->text());
        // The program overrides Back through the command bar's window.
        const WORD options = SHMBOF_NODEFAULT | SHMBOF_NOTIFY;
        EXPECT_EQ(TRUE,
                  bar.SendMessage(SHCMBM_OVERRIDEKEY, VK_TBACK, MAKELPARAM(options, options)));
        QTest::keyClick(shown.frame(), Qt::Key_Escape);
        EXPECT_EQ(std::vector({MessageSink::Message{WM_HOTKEY, 0, 0x001B0000}}), shown.received());
    }
}

TEST(CommandBarTest, InsertMenuBarFailsWithoutABar) {
    struct Row {
        const char* name;
        UINT id;
    };
    const Row rows[] = {
        {"neither template nor menu", testres::kUnknownMenu},
        {"a template whose menu is missing", testres::kOrphanMenuBar},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        ShownDialog shown;
        CCommandBar bar;
        ASSERT_EQ(TRUE, bar.Create(&shown.dialog, kBarId));
        const HWND bare = bar.m_hWnd;
        EXPECT_EQ(FALSE, bar.InsertMenuBar(row.id));
        EXPECT_EQ(bare, bar.m_hWnd) << "the bare window stays";
        EXPECT_TRUE(platform::softKeyArea(shown.handle())->findChildren<QWidget*>().isEmpty());
    }

    CCommandBar uncreated;
    EXPECT_EQ(FALSE, uncreated.InsertMenuBar(testres::kMenu)) << "Create has not run";

    ShownDialog shown;
    CCommandBar onAControl;
    CWnd* edit = CWnd::FromHandle(GetDlgItem(shown.handle(), testres::kText));
    ASSERT_EQ(TRUE, onAControl.Create(edit, kBarId));
    EXPECT_EQ(FALSE, onAControl.InsertMenuBar(testres::kMenu)) << "only a dialog has a bar";
}

TEST(CommandBarTest, TheBarGoesWithTheDialogOrBeforeIt) {
    CCommandBar outlived;
    {
        ShownDialog shown;
        ASSERT_EQ(TRUE, outlived.Create(&shown.dialog, kBarId));
        ASSERT_EQ(TRUE, outlived.InsertMenuBar(testres::kMenu));
    }
    EXPECT_EQ(nullptr, outlived.m_hWnd);

    ShownDialog shown;
    HWND handle = nullptr;
    {
        CCommandBar early;
        ASSERT_EQ(TRUE, early.Create(&shown.dialog, kBarId));
        ASSERT_EQ(TRUE, early.InsertMenuBar(testres::kMenu));
        handle = early.m_hWnd;
    }
    EXPECT_EQ(FALSE, IsWindow(handle));
    EXPECT_EQ(nullptr, GetDlgItem(shown.handle(), kBarId));
    QTest::keyClick(shown.frame(), Qt::Key_F1);
    EXPECT_TRUE(shown.received().empty()) << "a destroyed bar's keys are gone";
}

}  // namespace
