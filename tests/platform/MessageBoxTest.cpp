// SPDX-License-Identifier: GPL-3.0-or-later
// Message boxes: classic results, scripted answers, and messages that keep arriving meanwhile.
#include <gtest/gtest.h>

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <optional>

#include "platform/MessageBoxHook.h"
#include "platform/Wnd.h"
#include "platform/detail/Translations.h"
#include "tests/platform/OpenDialog.h"
#include "tests/support/MessageSink.h"

namespace {

TEST(MessageBoxTest, ScriptedAnswersAndWhatTheProgramAskedFor) {
    struct Row {
        const char* name;
        LPCWSTR text;
        LPCWSTR caption;
        UINT type;
        int answer;
        std::u16string expectedCaption;
    };
    const Row rows[] = {
        {"about box", u"Tessivo\r\n\r\nline three", u"关于", MB_OK, IDOK, u"关于"},
        {"question answered yes", u"是否确定要重新启动该移动设备？", u"REBOOT",
         MB_YESNO | MB_ICONQUESTION, IDYES, u"REBOOT"},
        {"question answered no", u"?", u"REBOOT", MB_YESNO | MB_ICONQUESTION, IDNO, u"REBOOT"},
        {"no caption", u"text", nullptr, MB_OK, IDOK, u"Error"},
    };
    OpenDialog open;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        std::optional<platform::MessageBoxRequest> asked;
        const platform::ScopedMessageBoxHook hook([&](const platform::MessageBoxRequest& request) {
            asked = request;
            return row.answer;
        });
        EXPECT_EQ(row.answer, MessageBoxW(open.handle(), row.text, row.caption, row.type));
        ASSERT_TRUE(asked.has_value());
        EXPECT_EQ(open.handle(), asked->owner);
        EXPECT_EQ(std::u16string(row.text), asked->text);
        EXPECT_EQ(row.expectedCaption, asked->caption);
        EXPECT_EQ(row.type, asked->type);
    }
}

TEST(MessageBoxTest, RefusedRequestsReturnZeroWithoutAsking) {
    HWND stale = nullptr;
    {
        MessageSink sink;
        stale = sink.hwnd();
    }
    int asked = 0;
    const platform::ScopedMessageBoxHook hook([&asked](const platform::MessageBoxRequest&) {
        ++asked;
        return IDOK;
    });
    EXPECT_EQ(0, MessageBoxW(stale, u"text", u"caption", MB_OK)) << "stale owner";
    EXPECT_EQ(0, MessageBoxW(nullptr, u"text", u"caption", 0x1)) << "OK and Cancel";
    EXPECT_EQ(0, asked);
    EXPECT_EQ(IDOK, MessageBoxW(nullptr, u"text", u"caption", MB_OK)) << "no owner is fine";
    EXPECT_EQ(1, asked);
}

TEST(MessageBoxTest, HooksNestAndRestore) {
    const platform::ScopedMessageBoxHook outer(
        [](const platform::MessageBoxRequest&) { return IDYES; });
    {
        const platform::ScopedMessageBoxHook inner(
            [](const platform::MessageBoxRequest&) { return IDNO; });
        EXPECT_EQ(IDNO, MessageBoxW(nullptr, u"", u"", MB_YESNO));
    }
    EXPECT_EQ(IDYES, MessageBoxW(nullptr, u"", u"", MB_YESNO));
}

TEST(MessageBoxTest, CWndMessageBoxIsOwnedByTheWindow) {
    MessageSink sink;
    CWnd* wnd = CWnd::FromHandle(sink.hwnd());
    std::optional<platform::MessageBoxRequest> asked;
    const platform::ScopedMessageBoxHook hook([&](const platform::MessageBoxRequest& request) {
        asked = request;
        return IDNO;
    });
    EXPECT_EQ(IDNO, wnd->MessageBox(u"text", u"caption", MB_YESNO));
    ASSERT_TRUE(asked.has_value());
    EXPECT_EQ(sink.hwnd(), asked->owner);
}

// Without a hook the real box runs its own loop; a timer plays the user.
TEST(MessageBoxTest, PostedMessagesArriveWhileTheBoxIsOpen) {
    struct Row {
        UINT type;
        QMessageBox::StandardButton press;
        int expected;
    };
    const Row rows[] = {{MB_OK, QMessageBox::Ok, IDOK},
                        {MB_YESNO | MB_ICONQUESTION, QMessageBox::Yes, IDYES},
                        {MB_YESNO | MB_ICONQUESTION, QMessageBox::No, IDNO}};
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << "type " << row.type << ", press " << row.press);
        MessageSink sink;
        OpenDialog open;
        ASSERT_EQ(TRUE, PostMessageW(sink.hwnd(), WM_USER, 1, 2));
        std::size_t seenWhileOpen = 0;
        QString shownText;
        QTimer::singleShot(50, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            ASSERT_NE(nullptr, box);
            seenWhileOpen = sink.messages().size();
            shownText = box->text();
            box->button(row.press)->click();
        });
        EXPECT_EQ(row.expected, MessageBoxW(open.handle(), u"one\r\ntwo", u"caption", row.type));
        EXPECT_EQ(1u, seenWhileOpen);
        EXPECT_EQ(QStringLiteral("one\ntwo"), shownText);
    }
}

// The restart question reads in the window's language, its standard buttons as Qt's own
// translation has them, while the program's answer is the same.
TEST(MessageBoxTest, TheQuestionReadsInTheWindowsLanguage) {
    const struct {
        const char* language;
        QString text;
        QString yes;
        QString no;
    } rows[] = {
        {"zh-CN", QStringLiteral("是否确定要重新启动该移动设备？"), QStringLiteral("是"),
         QStringLiteral("否")},
        {"en-US", QStringLiteral("Restart this device?"), QStringLiteral("&Yes"),
         QStringLiteral("&No")},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.language);
        platform::useLanguage({QString::fromLatin1(row.language)});
        OpenDialog open;
        QString text;
        QString caption;
        QString yes;
        QString no;
        QTimer::singleShot(50, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            ASSERT_NE(nullptr, box);
            text = box->text();
            caption = box->windowTitle();
            yes = box->button(QMessageBox::Yes)->text();
            no = box->button(QMessageBox::No)->text();
            box->button(QMessageBox::No)->click();
        });
        EXPECT_EQ(IDNO, MessageBoxW(open.handle(), u"是否确定要重新启动该移动设备？", u"REBOOT",
                                    MB_YESNO | MB_ICONQUESTION));
        EXPECT_EQ(text.toStdString(), row.text.toStdString());
        EXPECT_EQ(caption.toStdString(), "REBOOT");
        EXPECT_TRUE(yes.startsWith(row.yes)) << yes.toStdString();
        EXPECT_TRUE(no.startsWith(row.no)) << no.toStdString();
    }
    platform::useLanguage({QStringLiteral("zh-CN")});
}

}  // namespace
