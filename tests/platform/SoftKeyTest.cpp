// SPDX-License-Identifier: GPL-3.0-or-later
// The soft keys, worked through their widgets: commands, pop-up menus, F1 and F2.
#include <gtest/gtest.h>

#include <QMenu>
#include <QPlainTextEdit>

#include "tests/platform/ShownDialog.h"

namespace {

QMenu* openMenu() {
    if (!QTest::qWaitFor([] { return QApplication::activePopupWidget() != nullptr; }, 2000)) {
        return nullptr;
    }
    return qobject_cast<QMenu*>(QApplication::activePopupWidget());
}

QAction* entry(QMenu* menu, const QString& text) {
    for (QAction* action : menu->actions()) {
        if (action->text() == text) {
            return action;
        }
    }
    return nullptr;
}

// Clicks an entry as the user does; an entry that holds a pop-up opens it, which is returned.
QMenu* choose(QMenu* menu, const QString& text) {
    QAction* action = entry(menu, text);
    if (action == nullptr) {
        ADD_FAILURE() << "no entry " << text.toStdString();
        return nullptr;
    }
    // The pointer slides across the entry to its middle, as a hand moves it: a newer Qt takes the
    // first few motions in a menu that has just opened for the jitter of the click that opened it,
    // and ignores them.
    const QRect area = menu->actionGeometry(action);
    const QPoint at = area.center();
    for (int x = area.left() + 1; x < at.x(); x += 4) {
        QTest::mouseMove(menu, QPoint(x, at.y()));
    }
    QTest::mouseMove(menu, at);
    QTest::mouseClick(menu, Qt::LeftButton, {}, at);
    if (action->menu() == nullptr) {
        return nullptr;
    }
    EXPECT_TRUE(QTest::qWaitFor([action] { return action->menu()->isVisible(); }, 2000))
        << "the pop-up " << text.toStdString() << " opened";
    return action->menu();
}

TEST(SoftKeyTest, TheKeysSendTheirCommandsOrOpenTheirMenus) {
    struct Row {
        const char* name;
        UINT bar;
        DWORD flags;
        int key;
        std::vector<QString> path;  // entries chosen in the menu the key opens, in order
        UINT expected;
    };
    const Row rows[] = {
        {"left key, a command", testres::kMenu, SHCMBF_HMENU, 0, {}, testres::kAbout},
        {"right key, pop-up entry", testres::kMenu, SHCMBF_HMENU, 1, {"退出"}, testres::kExit},
        {"right key, nested pop-up",
         testres::kMenu,
         SHCMBF_HMENU,
         1,
         {"系统功能", "重新启动"},
         testres::kRestart},
        {"template: left key, a command", testres::kMenuBar, 0, 0, {}, testres::kSend},
        {"template: right key opens the menu's pop-up",
         testres::kMenuBar,
         0,
         1,
         {"系统功能", "重新启动"},
         testres::kRestart},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        ShownDialog shown;
        const HWND bar = shown.createBar(row.bar, row.flags);
        ASSERT_NE(nullptr, bar);
        QAbstractButton* key = ShownDialog::key(bar, row.key);
        QTest::mouseClick(key, Qt::LeftButton);
        QMenu* menu = row.path.empty() ? nullptr : openMenu();
        if (!row.path.empty()) {
            ASSERT_NE(nullptr, menu);
            const QRect keyRect(key->mapToGlobal(QPoint(0, 0)), key->size());
            EXPECT_LE(menu->geometry().bottom(), keyRect.top()) << "the menu opens above the key";
            if (row.key == 0) {
                EXPECT_EQ(keyRect.left(), menu->geometry().left());
            } else {
                EXPECT_EQ(keyRect.right(), menu->geometry().right());
            }
            EXPECT_EQ(shown.frame()->font().pixelSize(), menu->font().pixelSize())
                << "the menu reads at the window's scale";
            EXPECT_TRUE(shown.received().empty()) << "opening the menu sends nothing";
        }
        for (const QString& text : row.path) {
            ASSERT_NE(nullptr, menu) << text.toStdString();
            menu = choose(menu, text);
        }
        EXPECT_EQ(std::vector{menuCommand(row.expected)}, shown.received());
        EXPECT_EQ(nullptr, QApplication::activePopupWidget()) << "the menu has closed";
    }
}

TEST(SoftKeyTest, FunctionKeysPressTheSoftKeysAnywhereInTheWindow) {
    ShownDialog shown;
    const HWND bar = shown.createBar();
    ASSERT_NE(nullptr, bar);
    auto* edit = shown.widget<QPlainTextEdit>(testres::kText);
    edit->setFocus();
    ASSERT_EQ(edit, QApplication::focusWidget());

    QTest::keyClick(edit, Qt::Key_F1);
    EXPECT_EQ(std::vector{menuCommand(testres::kAbout)}, shown.received());
    EXPECT_EQ(QString(), edit->toPlainText()) << "the edit never saw the key";

    QTest::keyClick(shown.widget<QWidget>(testres::kDeviceList), Qt::Key_F2);
    QMenu* menu = openMenu();
    ASSERT_NE(nullptr, menu);
    EXPECT_NE(nullptr, entry(menu, "退出"));
    menu->close();
    EXPECT_EQ(1u, shown.received().size()) << "the right key only opened its menu";
}

TEST(SoftKeyTest, FunctionKeysInAnotherWindowLeaveTheBarAlone) {
    ShownDialog shown;
    ASSERT_NE(nullptr, shown.createBar());
    QWidget other;
    other.show();
    QTest::keyClick(&other, Qt::Key_F1);
    EXPECT_TRUE(shown.received().empty());
}

TEST(SoftKeyTest, ABlankKeyCannotBePressed) {
    ShownDialog shown;
    const HWND bar = shown.createBar(testres::kMenu, SHCMBF_EMPTYBAR);
    ASSERT_NE(nullptr, bar);
    QTest::mouseClick(ShownDialog::key(bar, 0), Qt::LeftButton);
    QTest::keyClick(shown.frame(), Qt::Key_F1);
    QTest::keyClick(shown.frame(), Qt::Key_F2);
    EXPECT_TRUE(shown.received().empty());
    EXPECT_EQ(nullptr, QApplication::activePopupWidget());
}

}  // namespace
