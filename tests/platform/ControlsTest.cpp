// SPDX-License-Identifier: GPL-3.0-or-later
// Controls built from a template: the messages they answer and the notifications they send.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QKeyEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <string>

#include "platform/WinApp.h"
#include "platform/detail/Icons.h"
#include "tests/platform/OpenDialog.h"

namespace {

std::u16string textOf(HWND hwnd) {
    WCHAR buffer[256] = {};
    const int length = GetWindowTextW(hwnd, buffer, 256);
    return std::u16string(buffer, static_cast<std::size_t>(length));
}

void sendKey(QWidget* widget, int key, const QString& text = QString()) {
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
    QApplication::sendEvent(widget, &press);
    QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, text);
    QApplication::sendEvent(widget, &release);
}

LRESULT insertString(HWND combo, int index, LPCWSTR text) {
    return SendMessageW(combo, CB_INSERTSTRING, static_cast<WPARAM>(index),
                        reinterpret_cast<LPARAM>(text));
}

TEST(ControlsTest, ComboBoxAnswersItsMessages) {
    struct Row {
        const char* name;
        UINT message;
        int wParam;
        LPCWSTR text;
        LRESULT expectedResult;
        LRESULT expectedCount;
        LRESULT expectedSelection;
    };
    // Applied in order to one list.
    const Row rows[] = {
        {"empty list", CB_GETCOUNT, 0, nullptr, 0, 0, CB_ERR},
        {"append to empty list", CB_INSERTSTRING, -1, u"b", 0, 1, CB_ERR},
        {"insert in front", CB_INSERTSTRING, 0, u"a", 0, 2, CB_ERR},
        {"insert at the end by index", CB_INSERTSTRING, 2, u"c", 2, 3, CB_ERR},
        {"insert past the end", CB_INSERTSTRING, 4, u"x", CB_ERR, 3, CB_ERR},
        {"select the last entry", CB_SETCURSEL, 2, nullptr, 2, 3, 2},
        {"select past the end clears", CB_SETCURSEL, 3, nullptr, CB_ERR, 3, CB_ERR},
        {"select the first entry", CB_SETCURSEL, 0, nullptr, 0, 3, 0},
        {"select -1 clears", CB_SETCURSEL, -1, nullptr, CB_ERR, 3, CB_ERR},
    };
    OpenDialog open;
    const HWND combo = open.item(testres::kDeviceList);
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(row.expectedResult,
                  SendMessageW(combo, row.message, static_cast<WPARAM>(row.wParam),
                               reinterpret_cast<LPARAM>(row.text)));
        EXPECT_EQ(row.expectedCount, SendMessageW(combo, CB_GETCOUNT, 0, 0));
        EXPECT_EQ(row.expectedSelection, SendMessageW(combo, CB_GETCURSEL, 0, 0));
    }
    QComboBox* widget = open.widget<QComboBox>(testres::kDeviceList);
    EXPECT_EQ(QStringLiteral("a"), widget->itemText(0));
    EXPECT_EQ(QStringLiteral("b"), widget->itemText(1));
    EXPECT_EQ(QStringLiteral("c"), widget->itemText(2));
    EXPECT_TRUE(open.dialog.commands.empty()) << "the program's changes notify nobody";
}

TEST(ControlsTest, ComboBoxTextIsTheSelectedEntry) {
    OpenDialog open;
    const HWND combo = open.item(testres::kDeviceList);
    insertString(combo, -1, u"Speaker & more");
    insertString(combo, -1, u"Monitor");
    EXPECT_EQ(u"", textOf(combo)) << "no selection";
    SendMessageW(combo, CB_SETCURSEL, 1, 0);
    EXPECT_EQ(u"Monitor", textOf(combo));
    SendMessageW(combo, CB_SETCURSEL, 0, 0);
    EXPECT_EQ(u"Speaker & more", textOf(combo));
    EXPECT_EQ(14, GetWindowTextLengthW(combo));
    EXPECT_EQ(FALSE, SetWindowTextW(combo, u"Headset")) << "a drop-down list shows only entries";
    EXPECT_EQ(u"Speaker & more", textOf(combo));
}

TEST(ControlsTest, UserSelectionNotifiesTheDialogOnce) {
    OpenDialog open;
    const HWND combo = open.item(testres::kDeviceList);
    insertString(combo, -1, u"first");
    insertString(combo, -1, u"second");
    SendMessageW(combo, CB_SETCURSEL, 0, 0);
    ASSERT_TRUE(open.dialog.commands.empty());

    sendKey(open.widget<QComboBox>(testres::kDeviceList), Qt::Key_Down);

    EXPECT_EQ(1, SendMessageW(combo, CB_GETCURSEL, 0, 0));
    ASSERT_EQ(1u, open.dialog.commands.size());
    EXPECT_EQ(MAKEWPARAM(testres::kDeviceList, CBN_SELCHANGE), open.dialog.commands[0].wParam);
    EXPECT_EQ(reinterpret_cast<LPARAM>(combo), open.dialog.commands[0].lParam);
}

TEST(ControlsTest, ButtonsNotifyClicksAndTheCheckBoxTogglesItself) {
    OpenDialog open;
    const HWND check = open.item(testres::kSignals);
    EXPECT_EQ(BST_UNCHECKED, SendMessageW(check, BM_GETCHECK, 0, 0));
    open.widget<QCheckBox>(testres::kSignals)->click();
    EXPECT_EQ(BST_CHECKED, SendMessageW(check, BM_GETCHECK, 0, 0));
    open.widget<QPushButton>(testres::kStart)->click();

    ASSERT_EQ(2u, open.dialog.commands.size());
    EXPECT_EQ(MAKEWPARAM(testres::kSignals, BN_CLICKED), open.dialog.commands[0].wParam);
    EXPECT_EQ(reinterpret_cast<LPARAM>(check), open.dialog.commands[0].lParam);
    EXPECT_EQ(MAKEWPARAM(testres::kStart, BN_CLICKED), open.dialog.commands[1].wParam);
}

TEST(ControlsTest, DisabledButtonIgnoresClicks) {
    OpenDialog open;
    const HWND start = open.item(testres::kStart);
    EXPECT_EQ(FALSE, EnableWindow(start, FALSE)) << "was enabled";
    EXPECT_EQ(FALSE, IsWindowEnabled(start));
    open.widget<QPushButton>(testres::kStart)->click();
    EXPECT_TRUE(open.dialog.commands.empty());
    EXPECT_EQ(TRUE, EnableWindow(start, TRUE)) << "was disabled";
    EXPECT_EQ(TRUE, IsWindowEnabled(start));
}

TEST(ControlsTest, MultiLineEditReadsBackCrLfAndUppercasesWhatTheUserTypes) {
    OpenDialog open;
    const HWND text = open.item(testres::kText);
    ASSERT_EQ(TRUE, SetWindowTextW(text, u"type text here.\r\nline two"));
    EXPECT_EQ(u"type text here.\r\nline two", textOf(text)) << "program text keeps its case";
    EXPECT_EQ(25, GetWindowTextLengthW(text));

    SetWindowTextW(text, u"");
    QPlainTextEdit* edit = open.widget<QPlainTextEdit>(testres::kText);
    sendKey(edit, Qt::Key_A, QStringLiteral("a"));
    sendKey(edit, Qt::Key_B, QStringLiteral("b"));
    sendKey(edit, Qt::Key_Return, QStringLiteral("\r"));
    sendKey(edit, Qt::Key_Enter, QStringLiteral("\r"));
    sendKey(edit, Qt::Key_1, QStringLiteral("1"));
    sendKey(edit, Qt::Key_C, QStringLiteral("c"));
    EXPECT_EQ(u"AB\r\n\r\n1C", textOf(text));
    EXPECT_TRUE(open.dialog.commands.empty()) << "Enter must not act on the dialog";
}

TEST(ControlsTest, TextsRoundTripExactly) {
    const std::u16string texts[] = {
        u"启动",
        u"&Start && stop",
        u"  two  spaces\tand tab ",
        u"\u00a0non-breaking\u00a0",
        u"surrogate \U0001F600 pair",
        u"",
    };
    const int controls[] = {testres::kLevel, testres::kSignals, testres::kStart, testres::kWaveform,
                            testres::kText};
    OpenDialog open;
    for (const std::u16string& text : texts) {
        for (int id : controls) {
            SCOPED_TRACE(testing::Message()
                         << "control " << id << ", text of " << text.size() << " units");
            const HWND hwnd = open.item(id);
            ASSERT_EQ(TRUE, SetWindowTextW(hwnd, text.c_str()));
            EXPECT_EQ(text, textOf(hwnd));
            EXPECT_EQ(static_cast<int>(text.size()), GetWindowTextLengthW(hwnd));
        }
        SetWindowTextW(open.handle(), text.c_str());
        EXPECT_EQ(text, textOf(open.handle()));
    }
}

TEST(ControlsTest, GetWindowTextTruncatesLikeTheClassicCall) {
    struct Row {
        int capacity;
        int expectedResult;
        std::u16string expectedBuffer;
    };
    const Row rows[] = {
        {1, 0, u""},       {2, 1, u"停"},      {3, 2, u"停止"},
        {4, 3, u"停止中"}, {5, 4, u"停止中!"}, {9, 4, u"停止中!"},
    };
    OpenDialog open;
    const HWND start = open.item(testres::kStart);
    SetWindowTextW(start, u"停止中!");
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << "capacity " << row.capacity);
        WCHAR buffer[10];
        std::fill(std::begin(buffer), std::end(buffer), u'#');
        EXPECT_EQ(row.expectedResult, GetWindowTextW(start, buffer, row.capacity));
        EXPECT_EQ(row.expectedBuffer, std::u16string(buffer));
        EXPECT_EQ(u'#', buffer[row.capacity]) << "nothing written past the capacity";
    }
    WCHAR untouched[2] = {u'#', u'#'};
    EXPECT_EQ(0, GetWindowTextW(start, untouched, 0));
    EXPECT_EQ(u'#', untouched[0]);
}

TEST(ControlsTest, StaleHandlesGiveClassicFailures) {
    HWND stale = nullptr;
    {
        OpenDialog open;
        stale = open.item(testres::kStart);
    }
    WCHAR buffer[4] = {u'#', u'#', u'#', u'#'};
    EXPECT_EQ(0, GetWindowTextW(stale, buffer, 4));
    EXPECT_EQ(u'\0', buffer[0]);
    EXPECT_EQ(FALSE, SetWindowTextW(stale, u"x"));
    EXPECT_EQ(FALSE, ShowWindow(stale, SW_SHOW));
    EXPECT_EQ(FALSE, EnableWindow(stale, TRUE));
    RECT rect{};
    EXPECT_EQ(FALSE, GetWindowRect(stale, &rect));
}

TEST(ControlsTest, VisibilityFollowsTheTemplateAndShowWindow) {
    struct Row {
        int id;
        BOOL visibleStyle;
    };
    const Row rows[] = {{testres::kDeviceList, TRUE}, {testres::kLevel, FALSE},
                        {testres::kSignals, FALSE},   {testres::kText, TRUE},
                        {testres::kStart, TRUE},      {testres::kWaveform, FALSE}};
    OpenDialog open;
    ShowWindow(open.handle(), SW_SHOW);
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << "control " << row.id);
        const HWND hwnd = open.item(row.id);
        EXPECT_EQ(row.visibleStyle, IsWindowVisible(hwnd));
        EXPECT_EQ(row.visibleStyle, ShowWindow(hwnd, SW_HIDE)) << "reports the previous state";
        EXPECT_EQ(FALSE, IsWindowVisible(hwnd));
        EXPECT_EQ(FALSE, ShowWindow(hwnd, SW_SHOW));
        EXPECT_EQ(TRUE, IsWindowVisible(hwnd));
        EXPECT_TRUE(open.widget<QWidget>(row.id)->isVisible());
    }
    ShowWindow(open.handle(), SW_HIDE);
    EXPECT_EQ(FALSE, IsWindowVisible(open.item(testres::kStart))) << "a hidden parent hides";
}

TEST(ControlsTest, GetDlgItemFindsControlsById) {
    OpenDialog open;
    EXPECT_EQ(nullptr, GetDlgItem(open.handle(), 4242));
    CWnd* start = open.dialog.GetDlgItem(testres::kStart);
    ASSERT_NE(nullptr, start);
    EXPECT_EQ(open.item(testres::kStart), start->m_hWnd);
    EXPECT_EQ(u"启动", textOf(start->m_hWnd));
}

TEST(ControlsTest, SetIconLoadsOnceAndReportsThePreviousIcon) {
    testres::useTestResources();
    const HICON icon = LoadIconW(AfxGetInstanceHandle(), MAKEINTRESOURCEW(testres::kIcon));
    ASSERT_NE(nullptr, icon);
    EXPECT_EQ(icon, LoadIconW(AfxGetInstanceHandle(), MAKEINTRESOURCEW(testres::kIcon)));
    EXPECT_EQ(nullptr, LoadIconW(AfxGetInstanceHandle(), MAKEINTRESOURCEW(4242)));
    EXPECT_EQ(nullptr, LoadIconW(nullptr, MAKEINTRESOURCEW(testres::kIcon)));
    const QImage image = platform::iconImage(icon);
    ASSERT_EQ(QSize(2, 2), image.size());
    EXPECT_EQ(0xFFFF0000u, image.pixel(1, 0));
    EXPECT_EQ(0u, qAlpha(image.pixel(0, 0)));

    OpenDialog open;
    EXPECT_EQ(0, SendMessageW(open.handle(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon)));
    EXPECT_EQ(reinterpret_cast<LRESULT>(icon),
              SendMessageW(open.handle(), WM_SETICON, ICON_BIG, 0));
    EXPECT_EQ(0,
              SendMessageW(open.handle(), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon)));
    EXPECT_FALSE(platform::findWindow(open.handle())->widget->windowIcon().isNull());
}

}  // namespace
