// SPDX-License-Identifier: GPL-3.0-or-later
// Modal dialogs: creation from templates, dialog units, the phone-sized window, and how a modal
// run ends.
#include <gtest/gtest.h>

#include <QFontMetrics>
#include <QTimer>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "tests/platform/OpenDialog.h"
#include "tests/platform/ShownDialog.h"

namespace {

constexpr UINT kRunScript = WM_USER + 100;
constexpr UINT kCount = WM_USER + 101;
constexpr int kTimedOut = -99;

// Runs test code inside the modal loop: onInit from OnInitDialog, onRun once the loop runs.
class ScriptedDialog : public CDialog {
  public:
    explicit ScriptedDialog(UINT templateId = testres::kPhoneDialog) : CDialog(templateId) {}

    std::function<void(ScriptedDialog&)> onInit;
    std::function<void(ScriptedDialog&)> onRun;
    std::function<void(ScriptedDialog&)> onClose;
    std::vector<std::string> events;
    std::vector<WPARAM> counted;

    BOOL OnInitDialog() override {
        CDialog::OnInitDialog();
        events.push_back("init");
        // A test that forgets to end the dialog fails instead of hanging.
        QTimer::singleShot(10000, platform::findWindow(m_hWnd)->widget,
                           [this] { EndDialog(kTimedOut); });
        if (onInit) {
            onInit(*this);
        }
        PostMessage(kRunScript);
        return TRUE;
    }

    LRESULT OnRunScript(WPARAM, LPARAM) {
        if (onRun) {
            onRun(*this);
        }
        return 0;
    }

    LRESULT OnCount(WPARAM wParam, LPARAM lParam) {
        counted.push_back(wParam);
        if (static_cast<LPARAM>(counted.size()) == lParam) {
            EndDialog(static_cast<int>(counted.size()));
        }
        return 0;
    }

    LRESULT OnClose(WPARAM, LPARAM) {
        events.push_back("close");
        if (onClose) {
            onClose(*this);
        } else {
            CDialog::DefWindowProc(WM_CLOSE, 0, 0);
        }
        return 0;
    }

    // Cleanup sees the controls still in place.
    LRESULT OnDestroy(WPARAM, LPARAM) {
        WCHAR caption[8] = {};
        GetDlgItem(testres::kStart)->GetWindowText(caption, 8);
        events.push_back("destroy with start button " +
                         std::string(caption[0] == u'启' ? "present" : "missing"));
        return 0;
    }

    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(ScriptedDialog, CDialog)
ON_MESSAGE(kRunScript, &ScriptedDialog::OnRunScript)
ON_MESSAGE(kCount, &ScriptedDialog::OnCount)
ON_MESSAGE(WM_CLOSE, &ScriptedDialog::OnClose)
ON_MESSAGE(WM_DESTROY, &ScriptedDialog::OnDestroy)
END_MESSAGE_MAP()

QWidget* frameOf(const CWnd& wnd) {
    return platform::findWindow(wnd.m_hWnd)->widget;
}

class DialogTest : public testing::Test {
  protected:
    void SetUp() override { testres::useTestResources(); }
};

TEST_F(DialogTest, HowAModalRunEnds) {
    struct Row {
        const char* name;
        std::function<void(ScriptedDialog&)> run;
        INT_PTR expectedResult;
        std::vector<std::string> expectedEvents;
    };
    const std::string destroyed = "destroy with start button present";
    const Row rows[] = {
        {"posted WM_CLOSE cancels",
         [](ScriptedDialog& dlg) { dlg.PostMessage(WM_CLOSE); },
         IDCANCEL,
         {"init", "close", destroyed}},
        {"sent WM_CLOSE cancels",
         [](ScriptedDialog& dlg) { dlg.SendMessage(WM_CLOSE); },
         IDCANCEL,
         {"init", "close", destroyed}},
        {"the window's close button sends WM_CLOSE",
         [](ScriptedDialog& dlg) { frameOf(dlg)->close(); },
         IDCANCEL,
         {"init", "close", destroyed}},
        {"the OK command",
         [](ScriptedDialog& dlg) { dlg.SendMessage(WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED)); },
         IDOK,
         {"init", destroyed}},
        {"EndDialog with a value",
         [](ScriptedDialog& dlg) { dlg.EndDialog(42); },
         42,
         {"init", destroyed}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        ScriptedDialog dialog;
        dialog.onRun = row.run;
        EXPECT_EQ(row.expectedResult, dialog.DoModal());
        EXPECT_EQ(row.expectedEvents, dialog.events);
        EXPECT_EQ(nullptr, dialog.m_hWnd);
    }
}

TEST_F(DialogTest, DerivedDialogMayRefuseToClose) {
    ScriptedDialog dialog;
    int closes = 0;
    dialog.onClose = [&closes](ScriptedDialog& dlg) {
        if (++closes == 2) {
            dlg.EndDialog(7);
        }
    };
    dialog.onRun = [](ScriptedDialog& dlg) {
        dlg.PostMessage(WM_CLOSE);
        dlg.PostMessage(WM_CLOSE);
    };
    EXPECT_EQ(7, dialog.DoModal());
    EXPECT_EQ(2, closes);
}

TEST_F(DialogTest, EndDialogDuringInitialisationEndsAtOnce) {
    ScriptedDialog dialog;
    bool ran = false;
    dialog.onInit = [](ScriptedDialog& dlg) { dlg.EndDialog(5); };
    dialog.onRun = [&ran](ScriptedDialog&) { ran = true; };
    EXPECT_EQ(5, dialog.DoModal());
    EXPECT_FALSE(ran) << "the modal loop never ran";
}

TEST_F(DialogTest, MissingOrUnsupportedTemplateFails) {
    for (UINT id : {testres::kUnknownDialog, testres::kBrokenDialog}) {
        SCOPED_TRACE(testing::Message() << "template " << id);
        ScriptedDialog dialog(id);
        EXPECT_EQ(-1, dialog.DoModal());
        EXPECT_TRUE(dialog.events.empty());
        EXPECT_EQ(nullptr, dialog.m_hWnd);
    }
}

TEST_F(DialogTest, MessagesPostedFromAThreadArriveInOrderDuringTheModalRun) {
    constexpr int kMessages = 500;
    ScriptedDialog dialog;
    std::thread poster;
    dialog.onRun = [&poster](ScriptedDialog& dlg) {
        poster = std::thread([hwnd = dlg.m_hWnd] {
            for (int i = 0; i < kMessages; ++i) {
                PostMessageW(hwnd, kCount, static_cast<WPARAM>(i), kMessages);
            }
        });
    };
    EXPECT_EQ(kMessages, dialog.DoModal());
    poster.join();
    ASSERT_EQ(static_cast<std::size_t>(kMessages), dialog.counted.size());
    for (int i = 0; i < kMessages; ++i) {
        ASSERT_EQ(static_cast<WPARAM>(i), dialog.counted[static_cast<std::size_t>(i)]);
    }
}

TEST_F(DialogTest, TheWindowIsAPhoneScreenTitledWithTheCaption) {
    ScriptedDialog dialog;
    QSize frameSize;
    QRect softKeys;
    QString title;
    RECT dialogRect{0, 0, 115, 116};
    dialog.onRun = [&](ScriptedDialog& dlg) {
        frameSize = frameOf(dlg)->size();
        softKeys = platform::softKeyArea(dlg.m_hWnd)->geometry();
        title = frameOf(dlg)->windowTitle();
        MapDialogRect(dlg.m_hWnd, &dialogRect);
        dlg.EndDialog(IDOK);
    };
    ASSERT_EQ(IDOK, dialog.DoModal());
    EXPECT_EQ(QString::fromUtf16(testres::kCaption), title);
    EXPECT_EQ(dialogRect.right, frameSize.width()) << "the dialog fills the width";
    EXPECT_GT(frameSize.height(), frameSize.width()) << "portrait";
    EXPECT_GE(frameSize.height() - softKeys.height(), dialogRect.bottom)
        << "the dialog fits above the soft-key strip";
    EXPECT_EQ(frameSize.height(), softKeys.bottom() + 1) << "the strip lies along the bottom";
    EXPECT_EQ(frameSize.width(), softKeys.width());
    EXPECT_EQ(40, softKeys.height());
}

TEST_F(DialogTest, DialogUnitsConvertThroughTheFontsBaseUnits) {
    OpenDialog open;
    // The classic base units of the dialog's font.
    const QFontMetrics metrics(platform::findWindow(open.handle())->widget->font());
    const int baseX = (metrics.horizontalAdvance(
                           QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz")) /
                           26 +
                       1) /
                      2;
    const int baseY = metrics.height();
    EXPECT_EQ(24, platform::findWindow(open.handle())->widget->font().pixelSize())
        << "9 points at twice the phone's 96 pixels per inch";

    struct Row {
        LONG x;
        LONG y;
    };
    const Row rows[] = {{0, 0}, {1, 1}, {2, 3}, {3, 4}, {4, 8}, {-2, -3}, {115, 116}, {107, 47}};
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << "(" << row.x << ", " << row.y << ")");
        RECT rect{row.x, row.y, row.x, row.y};
        ASSERT_EQ(TRUE, MapDialogRect(open.handle(), &rect));
        // Rounded half away from zero, as classic MulDiv.
        const auto scale = [](LONG value, int base, int units) {
            const LONG twice = 2 * value * base;
            return twice >= 0 ? (twice + units) / (2 * units) : -((-twice + units) / (2 * units));
        };
        EXPECT_EQ(scale(row.x, baseX, 4), rect.left);
        EXPECT_EQ(scale(row.y, baseY, 8), rect.top);
    }

    // A control sits where its template rectangle maps to.
    RECT start{60, 96, 60 + 50, 96 + 14};
    MapDialogRect(open.handle(), &start);
    const QRect geometry = open.widget<QWidget>(testres::kStart)->geometry();
    EXPECT_EQ(QRect(start.left, start.top, start.right - start.left, start.bottom - start.top),
              geometry);
    RECT windowRect{};
    ASSERT_EQ(TRUE, GetWindowRect(open.item(testres::kStart), &windowRect));
    EXPECT_EQ(start.right - start.left, windowRect.right - windowRect.left);
    EXPECT_EQ(start.bottom - start.top, windowRect.bottom - windowRect.top);

    RECT notADialog{0, 0, 4, 8};
    EXPECT_EQ(FALSE, MapDialogRect(open.item(testres::kStart), &notADialog));
}

// A program that marks itself as scaling itself is shown at the desktop's scale; without the
// marker it keeps the phone's own pixels.
TEST_F(DialogTest, TheHighResolutionMarkerChoosesTheScale) {
    struct Row {
        const char* name;
        const ResourceTable* resources;
        int fontPixels;
        int stripHeight;
    };
    const Row rows[] = {
        {"marked", &testres::g_testResources, 24, 40},
        {"not marked", &testres::g_phoneScaleResources, 12, 20},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        ShownDialog shown(*row.resources);
        EXPECT_EQ(row.fontPixels, shown.frame()->font().pixelSize()) << "9 points";
        const QWidget* strip = platform::softKeyArea(shown.handle());
        EXPECT_EQ(row.stripHeight, strip->height());
        EXPECT_EQ(shown.frame()->height(), strip->geometry().bottom() + 1);
        RECT dialogRect{0, 0, 115, 116};
        MapDialogRect(shown.handle(), &dialogRect);
        EXPECT_EQ(dialogRect.right, shown.frame()->width());
        EXPECT_GE(shown.frame()->height() - row.stripHeight, dialogRect.bottom);
        const HWND bar = shown.createBar();
        ASSERT_NE(nullptr, bar);
        EXPECT_EQ(row.stripHeight, platform::findWindow(bar)->widget->height());
    }
}

}  // namespace
