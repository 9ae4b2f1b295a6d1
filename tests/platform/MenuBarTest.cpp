// SPDX-License-Identifier: GPL-3.0-or-later
// SHCreateMenuBar: which records build a bar, which keys the bar shows, and where it sits.
#include <gtest/gtest.h>

#include <QImage>
#include <QPlainTextEdit>

#include "platform/WinApp.h"
#include "tests/platform/ShownDialog.h"

namespace {

enum class Parent { Dialog, Control, Stale, None };

TEST(MenuBarTest, WhichRecordsBuildABar) {
    struct Row {
        const char* name;
        DWORD cbSize;
        Parent parent;
        DWORD flags;
        UINT id;
        bool programInstance;
        BOOL expected;
        QString left = {};
        QString right = {};
    };
    const DWORD size = sizeof(SHMENUBARINFO);
    const Row rows[] = {
        {"menu", size, Parent::Dialog, SHCMBF_HMENU, testres::kMenu, true, TRUE, "关于", "菜单"},
        {"template", size, Parent::Dialog, 0, testres::kMenuBar, true, TRUE, "发送", "更多"},
        {"empty bar", size, Parent::Dialog, SHCMBF_EMPTYBAR, testres::kUnknownMenu, true, TRUE, "",
         ""},
        {"record too small", size - 1, Parent::Dialog, SHCMBF_HMENU, testres::kMenu, true, FALSE},
        {"record too large", size + 1, Parent::Dialog, SHCMBF_HMENU, testres::kMenu, true, FALSE},
        {"missing menu", size, Parent::Dialog, SHCMBF_HMENU, testres::kUnknownMenu, true, FALSE},
        {"menu id without its flag: no template", size, Parent::Dialog, 0, testres::kMenu, true,
         FALSE},
        {"template naming a missing menu", size, Parent::Dialog, 0, testres::kOrphanMenuBar, true,
         FALSE},
        {"template cut short", size, Parent::Dialog, 0, testres::kShortMenuBar, true, FALSE},
        {"parent is a control", size, Parent::Control, SHCMBF_HMENU, testres::kMenu, true, FALSE},
        {"parent is gone", size, Parent::Stale, SHCMBF_HMENU, testres::kMenu, true, FALSE},
        {"no parent", size, Parent::None, SHCMBF_HMENU, testres::kMenu, true, FALSE},
        {"resources of another module", size, Parent::Dialog, SHCMBF_HMENU, testres::kMenu, false,
         FALSE},
    };
    HWND stale = nullptr;
    {
        ShownDialog gone;
        stale = gone.handle();
    }
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        ShownDialog shown;
        const HWND sentinel = reinterpret_cast<HWND>(static_cast<UINT_PTR>(0xBAD));
        SHMENUBARINFO info{};
        info.cbSize = row.cbSize;
        info.hwndParent = row.parent == Parent::Dialog ? shown.handle()
                          : row.parent == Parent::Control
                              ? GetDlgItem(shown.handle(), testres::kText)
                          : row.parent == Parent::Stale ? stale
                                                        : nullptr;
        info.dwFlags = row.flags;
        info.nToolBarId = row.id;
        info.hInstRes = row.programInstance ? AfxGetInstanceHandle() : nullptr;
        info.hwndMB = sentinel;
        ASSERT_EQ(row.expected, SHCreateMenuBar(&info));
        if (row.expected == FALSE) {
            EXPECT_EQ(sentinel, info.hwndMB) << "left alone";
            EXPECT_TRUE(platform::softKeyArea(shown.handle())->findChildren<QWidget*>().isEmpty());
            continue;
        }
        EXPECT_EQ(TRUE, IsWindow(info.hwndMB));
        EXPECT_EQ(platform::WindowClass::MenuBar, platform::findWindow(info.hwndMB)->windowClass);
        EXPECT_EQ(shown.handle(), platform::findWindow(info.hwndMB)->parent);
        EXPECT_EQ(row.left, ShownDialog::key(info.hwndMB, 0)->text());
        EXPECT_EQ(row.right, ShownDialog::key(info.hwndMB, 1)->text());
        EXPECT_EQ(!row.left.isEmpty(), ShownDialog::key(info.hwndMB, 0)->isEnabled());
        EXPECT_EQ(!row.right.isEmpty(), ShownDialog::key(info.hwndMB, 1)->isEnabled());
    }
}

TEST(MenuBarTest, TheBarFillsTheSoftKeyStripWithTwoKeysAtItsEnds) {
    ShownDialog shown;
    const HWND bar = shown.createBar();
    ASSERT_NE(nullptr, bar);
    QWidget* strip = platform::softKeyArea(shown.handle());
    QWidget* widget = platform::findWindow(bar)->widget;
    EXPECT_EQ(strip, widget->parentWidget());
    EXPECT_EQ(strip->rect(), widget->geometry());
    EXPECT_EQ(TRUE, IsWindowVisible(bar));
    QAbstractButton* left = ShownDialog::key(bar, 0);
    QAbstractButton* right = ShownDialog::key(bar, 1);
    EXPECT_EQ(0, left->x());
    EXPECT_EQ(widget->width(), right->geometry().right() + 1);
    EXPECT_EQ(Qt::NoFocus, left->focusPolicy()) << "a key never takes the focus from a control";
    EXPECT_EQ(Qt::NoFocus, right->focusPolicy());
    EXPECT_GE(widget->height(), left->fontMetrics().height()) << "the label fits the strip";
}

TEST(MenuBarTest, ANewBarReplacesTheDialogsOldOne) {
    ShownDialog shown;
    const HWND first = shown.createBar();
    const HWND second = shown.createBar(testres::kMenuBar, 0);
    ASSERT_NE(nullptr, second);
    EXPECT_EQ(FALSE, IsWindow(first));
    EXPECT_EQ(TRUE, IsWindow(second));
}

TEST(MenuBarTest, AHiddenBarShowsWhenAsked) {
    ShownDialog shown;
    const HWND bar = shown.createBar(testres::kMenu, SHCMBF_HMENU | SHCMBF_HIDDEN);
    ASSERT_NE(nullptr, bar);
    EXPECT_EQ(FALSE, IsWindowVisible(bar));
    QTest::keyClick(shown.frame(), Qt::Key_F1);
    EXPECT_TRUE(shown.received().empty()) << "a hidden key cannot be pressed";
    ShowWindow(bar, SW_SHOW);
    EXPECT_EQ(TRUE, IsWindowVisible(bar));
    QTest::keyClick(shown.frame(), Qt::Key_F1);
    EXPECT_EQ(std::vector{menuCommand(testres::kAbout)}, shown.received());
}

TEST(MenuBarTest, TheBarTakesItsOwnBackgroundWhenGivenOne) {
    ShownDialog shown;
    SHMENUBARINFO info{};
    info.cbSize = sizeof(info);
    info.hwndParent = shown.handle();
    info.dwFlags = SHCMBF_HMENU | SHCMBF_COLORBK;
    info.nToolBarId = testres::kMenu;
    info.hInstRes = AfxGetInstanceHandle();
    info.clrBk = RGB(0x12, 0x34, 0x56);
    ASSERT_EQ(TRUE, SHCreateMenuBar(&info));
    QWidget* widget = platform::findWindow(info.hwndMB)->widget;
    const QImage image = widget->grab().toImage();
    // Below the top border, in the gap between the two labels.
    EXPECT_EQ(qRgb(0x12, 0x34, 0x56), image.pixel(image.width() / 2, image.height() - 2));
}

}  // namespace
