// SPDX-License-Identifier: GPL-3.0-or-later
// The Back key (Esc): its default meaning, the bar's override, its hand-over to the focused
// control, and why neither Esc nor Enter ever ends a dialog.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QPlainTextEdit>
#include <QTimer>

#include "tests/platform/ShownDialog.h"

namespace {

bool minimised(const ShownDialog& shown) {
    return (shown.frame()->windowState() & Qt::WindowMinimized) != 0;
}

const MessageSink::Message kBackHotKey{WM_HOTKEY, 0, 0x001B0000};

TEST(BackKeyTest, TheOverrideDecidesWhatTheKeyDoes) {
    struct Row {
        const char* name;
        bool bar;
        WORD options;  // both mask and value
        std::vector<MessageSink::Message> expected;
        bool expectMinimised;
    };
    const Row rows[] = {
        {"no bar: default meaning", false, 0, {}, true},
        {"bar without override: default meaning", true, 0, {}, true},
        {"no default, notify", true, SHMBOF_NODEFAULT | SHMBOF_NOTIFY, {kBackHotKey}, false},
        {"no default alone: nothing at all", true, SHMBOF_NODEFAULT, {}, false},
        {"notify alone: reported and default meaning", true, SHMBOF_NOTIFY, {kBackHotKey}, true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        ShownDialog shown;
        const HWND bar = row.bar ? shown.createBar() : nullptr;
        if (row.options != 0) {
            ASSERT_EQ(TRUE, SendMessageW(bar, SHCMBM_OVERRIDEKEY, VK_TBACK,
                                         MAKELPARAM(row.options, row.options)));
        }
        auto* edit = shown.widget<QPlainTextEdit>(testres::kText);
        edit->setPlainText("abc");
        edit->moveCursor(QTextCursor::End);
        edit->setFocus();
        QTest::keyClick(edit, Qt::Key_Escape);
        EXPECT_EQ(row.expected, shown.received());
        EXPECT_EQ(row.expectMinimised, minimised(shown));
        EXPECT_EQ(QString("abc"), edit->toPlainText()) << "the bar alone never edits";
        EXPECT_EQ(TRUE, IsWindow(shown.handle()));
    }
}

TEST(BackKeyTest, TheOverrideCanBeTakenBackAndOnlyTheBackKeyIsOverridden) {
    ShownDialog shown;
    const HWND bar = shown.createBar();
    const LPARAM both =
        MAKELPARAM(SHMBOF_NODEFAULT | SHMBOF_NOTIFY, SHMBOF_NODEFAULT | SHMBOF_NOTIFY);
    EXPECT_EQ(FALSE, SendMessageW(bar, SHCMBM_OVERRIDEKEY, 0x70, both)) << "F1 is not Back";
    EXPECT_EQ(TRUE, SendMessageW(bar, SHCMBM_OVERRIDEKEY, VK_TBACK, both));
    // Clearing the two options in the mask restores the default.
    EXPECT_EQ(TRUE, SendMessageW(bar, SHCMBM_OVERRIDEKEY, VK_TBACK,
                                 MAKELPARAM(SHMBOF_NODEFAULT | SHMBOF_NOTIFY, 0)));
    QTest::keyClick(shown.frame(), Qt::Key_Escape);
    EXPECT_TRUE(shown.received().empty());
    EXPECT_TRUE(minimised(shown));
}

TEST(BackKeyTest, HandedToTheFocusedControl) {
    struct Row {
        const char* name;
        int focus;  // control id
        int caret;  // position in "abcd", or -1 to select "bc"
        UINT message;
        LPARAM lParam;
        QString expectedText;
        bool expectMinimised;
    };
    const Row rows[] = {
        {"edit, caret at the end", testres::kText, 4, WM_HOTKEY, 0x001B0000, "abc", false},
        {"edit, caret inside", testres::kText, 2, WM_HOTKEY, 0x001B0000, "acd", false},
        {"edit, caret at the start", testres::kText, 0, WM_HOTKEY, 0x001B0000, "abcd", false},
        {"edit, selection", testres::kText, -1, WM_HOTKEY, 0x001B0000, "ad", false},
        {"list: default meaning", testres::kDeviceList, 4, WM_HOTKEY, 0x001B0000, "abcd", true},
        {"another key", testres::kText, 4, WM_HOTKEY, 0x00700000, "abcd", false},
        {"another message", testres::kText, 4, WM_COMMAND, 0x001B0000, "abcd", false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        ShownDialog shown;
        auto* edit = shown.widget<QPlainTextEdit>(testres::kText);
        edit->setPlainText("abcd");
        QTextCursor cursor = edit->textCursor();
        cursor.setPosition(row.caret < 0 ? 1 : row.caret);
        if (row.caret < 0) {
            cursor.setPosition(3, QTextCursor::KeepAnchor);
        }
        edit->setTextCursor(cursor);
        shown.widget<QWidget>(row.focus)->setFocus();
        SHSendBackToFocusWindow(row.message, 0, row.lParam);
        EXPECT_EQ(row.expectedText, edit->toPlainText());
        EXPECT_EQ(row.expectMinimised, minimised(shown));
    }
}

TEST(BackKeyTest, WithTheOverrideTheKeyEditsTheFocusedField) {
    ShownDialog shown;
    const HWND bar = shown.createBar();
    const WORD options = SHMBOF_NODEFAULT | SHMBOF_NOTIFY;
    SendMessageW(bar, SHCMBM_OVERRIDEKEY, VK_TBACK, MAKELPARAM(options, options));
    shown.dialog.handBackKey = true;
    auto* edit = shown.widget<QPlainTextEdit>(testres::kText);
    edit->setPlainText("type");
    edit->moveCursor(QTextCursor::End);
    edit->setFocus();
    QTest::keyClick(edit, Qt::Key_Escape);
    QTest::keyClick(edit, Qt::Key_Escape);
    EXPECT_EQ(QString("ty"), edit->toPlainText());
    EXPECT_FALSE(minimised(shown));
    EXPECT_EQ(std::vector({kBackHotKey, kBackHotKey}), shown.received());
}

// A modal run that the keys must not end: only the script's EndDialog does.
class KeyedDialog : public ShellDialog {
  public:
    WORD backOptions = 0;
    QString text;

    BOOL OnInitDialog() override {
        CDialog::OnInitDialog();
        SHMENUBARINFO info{};
        info.cbSize = sizeof(info);
        info.hwndParent = m_hWnd;
        info.dwFlags = SHCMBF_HMENU;
        info.nToolBarId = testres::kMenu;
        info.hInstRes = AfxGetInstanceHandle();
        SHCreateMenuBar(&info);
        SendMessageW(info.hwndMB, SHCMBM_OVERRIDEKEY, VK_TBACK,
                     MAKELPARAM(SHMBOF_NODEFAULT | SHMBOF_NOTIFY, backOptions));
        QTimer::singleShot(0, platform::findWindow(m_hWnd)->widget, [this] { Script(); });
        return TRUE;
    }

  private:
    void Script() {
        auto* edit = static_cast<QPlainTextEdit*>(
            platform::findWindow(::GetDlgItem(m_hWnd, testres::kText))->widget);
        edit->setFocus();
        QTest::keyClicks(edit, "ab");
        QTest::keyClick(edit, Qt::Key_Return);
        QTest::keyClick(edit, Qt::Key_Enter);
        QTest::keyClick(edit, Qt::Key_Escape);
        QTest::keyClick(platform::findWindow(::GetDlgItem(m_hWnd, testres::kStart))->widget,
                        Qt::Key_Return);
        QTest::keyClick(platform::findWindow(m_hWnd)->widget, Qt::Key_Escape);
        QCoreApplication::processEvents();
        text = edit->toPlainText();
        EndDialog(42);
    }
};

TEST(BackKeyTest, NeitherEnterNorEscEverEndsTheDialog) {
    for (WORD options : {WORD{0}, static_cast<WORD>(SHMBOF_NODEFAULT | SHMBOF_NOTIFY)}) {
        SCOPED_TRACE(testing::Message() << "Back options " << options);
        testres::useTestResources();
        KeyedDialog dialog;
        dialog.backOptions = options;
        EXPECT_EQ(42, dialog.DoModal());
        // The test template's edit is upper-case.
        EXPECT_EQ(QString("AB\n\n"), dialog.text) << "Enter breaks the line in the edit";
        for (const MessageSink::Message& message : dialog.received) {
            EXPECT_NE(WM_COMMAND, message.message) << "no OK, no Cancel, no command";
        }
    }
}

}  // namespace
