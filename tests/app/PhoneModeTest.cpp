// SPDX-License-Identifier: GPL-3.0-or-later
// The main window on a phone's screen, 360x720 logical pixels (the offscreen platform is given
// that screen by the test's registration): it fills the screen and follows any size it is given
// from the smallest phone up, the soft keys stay on the bottom edge, and everything a finger taps
// is at least 44 pixels high, in the dialog, its drop-down lists, menus and message boxes.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAccessible>
#include <QApplication>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QMenu>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPointingDevice>
#include <QScreen>
#include <QScrollBar>
#include <QScroller>
#include <QTest>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "audio/BackendSelection.h"
#include "audio/virtual/VirtualBackend.h"
#include "platform/Resources.h"
#include "platform/detail/DialogFrame.h"
#include "platform/detail/WindowTable.h"
#include "res/resource.h"
#include "tests/app/DialogRun.h"

namespace {

constexpr int kTouchTarget = 44;

QWidget* Control(CTestMainDlg& dlg, int id) {
    return platform::findWindow(dlg.GetDlgItem(id)->GetSafeHwnd())->widget;
}

// Where a screen reader finds the object on the screen.
QRect Extent(QObject* object) {
    return QAccessible::queryAccessibleInterface(object)->rect();
}

std::vector<QAbstractButton*> SoftKeys(CTestMainDlg& dlg) {
    const QList<QAbstractButton*> keys =
        platform::softKeyArea(dlg.GetSafeHwnd())->findChildren<QAbstractButton*>();
    return {keys.begin(), keys.end()};
}

// Runs `inspect` on the message box the next step opens, then closes it with its escape
// button; false if no box came up.
bool InspectMessageBox(CTestMainDlg& dlg, const std::function<void()>& open,
                       const std::function<void(QMessageBox&)>& inspect) {
    bool seen = false;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (box == nullptr || !box->isVisible() || seen) {
            return;
        }
        seen = true;
        inspect(*box);
        box->escapeButton()->click();
    });
    poll.start(10);
    open();
    dlg.PumpUntil([&] { return seen; }, 10000);
    dlg.Settle();
    return seen;
}

class PhoneModeTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_EQ(QApplication::primaryScreen()->availableGeometry(), QRect(0, 0, 360, 720))
            << "the test needs the offscreen platform with its phone screen";
        platform::setResourceTable(g_resources);
        backend_->SetOutputDevices({u"Speaker", u"Headset"});
        audio::SetAudioBackend(backend_);
    }

    std::shared_ptr<audio::VirtualBackend> backend_ = std::make_shared<audio::VirtualBackend>();
};

TEST_F(PhoneModeTest, WindowFollowsEverySizeWithItsControlsInsideAndTheSoftKeysAtTheBottom) {
    CTestMainDlg::Run([](CTestMainDlg& dlg) {
        QWidget* window = dlg.Window();
        ASSERT_NE(window, nullptr);
        EXPECT_EQ(window->geometry(), QRect(0, 0, 360, 720)) << "the window fills the screen";
        EXPECT_LE(window->minimumWidth(), 320);
        EXPECT_LE(window->minimumHeight(), 480);
        EXPECT_GE(window->maximumWidth(), 1280);
        // The sizes a phone's compositor may give: the screen, the smallest phone, a larger one
        // and a landscape one.
        const QSize sizes[] = {{360, 720}, {320, 480}, {720, 1280}, {480, 360}};
        const int tappable[] = {IDC_DEVICE, IDC_FUNCTION, IDC_SIGNALS, IDC_START};
        QWidget* deviceList = Control(dlg, IDC_DEVICE);
        std::vector<int> listWidths;
        for (const QSize size : sizes) {
            SCOPED_TRACE(std::to_string(size.width()) + "x" + std::to_string(size.height()));
            window->resize(size.expandedTo(window->minimumSize()));
            dlg.Settle();
            const QRect inside = Extent(window);
            for (const int id : tappable) {
                SCOPED_TRACE(id);
                QWidget* control = Control(dlg, id);
                if (!control->isVisible()) {
                    continue;
                }
                EXPECT_TRUE(inside.contains(Extent(control)));
                EXPECT_GE(Extent(control).height(), kTouchTarget);
            }
            EXPECT_TRUE(inside.contains(Extent(Control(dlg, IDC_TEXT))));
            listWidths.push_back(Extent(deviceList).width());
            for (QAbstractButton* key : SoftKeys(dlg)) {
                SCOPED_TRACE(key->text().toStdString());
                EXPECT_TRUE(inside.contains(Extent(key)));
                EXPECT_EQ(Extent(key).bottom(), inside.bottom());
                EXPECT_GE(Extent(key).height(), kTouchTarget);
            }
        }
        // The controls narrow for the smallest phone and widen again for a larger one, though
        // never beyond their desktop size.
        EXPECT_LT(listWidths[1], listWidths[0]);
        EXPECT_GT(listWidths[2], listWidths[1]);
        EXPECT_EQ(listWidths[2], listWidths[3]);
    });
}

TEST_F(PhoneModeTest, DropDownRowsAndMenuRowsAreFingerSized) {
    CTestMainDlg::Run([](CTestMainDlg& dlg) {
        auto* list = static_cast<QComboBox*>(Control(dlg, IDC_FUNCTION));
        list->showPopup();
        ASSERT_TRUE(dlg.PumpUntil([&] { return list->view()->isVisible(); }));
        for (int row = 0; row < list->count(); ++row) {
            SCOPED_TRACE(row);
            EXPECT_GE(list->view()->visualRect(list->model()->index(row, 0)).height(),
                      kTouchTarget);
        }
        list->hidePopup();

        SoftKeys(dlg)[1]->click();
        QMenu* menu = nullptr;
        ASSERT_TRUE(dlg.PumpUntil([&] {
            menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
            return menu != nullptr;
        }));
        ASSERT_FALSE(menu->actions().isEmpty());
        for (QAction* action : menu->actions()) {
            SCOPED_TRACE(action->text().toStdString());
            EXPECT_GE(menu->actionGeometry(action).height(), kTouchTarget);
        }
        EXPECT_TRUE(QRect(0, 0, 360, 720).contains(menu->geometry()));
        menu->close();
    });
}

TEST_F(PhoneModeTest, MessageBoxesFitTheScreenWithFingerSizedButtons) {
    CTestMainDlg::Run([](CTestMainDlg& dlg) {
        struct Row {
            const char* what;
            std::function<void()> open;
            int buttons;
        };
        const Row rows[] = {
            {"about box", [&] { SoftKeys(dlg)[0]->click(); }, 1},
            {"restart question", [&] { dlg.PostMessage(WM_COMMAND, ID_RESTART, 0); }, 2},
        };
        for (const Row& row : rows) {
            SCOPED_TRACE(row.what);
            EXPECT_TRUE(InspectMessageBox(dlg, row.open, [&](QMessageBox& box) {
                EXPECT_LE(box.frameGeometry().width(), 360);
                EXPECT_LE(box.frameGeometry().height(), 720);
                const QList<QAbstractButton*> buttons = box.buttons();
                EXPECT_EQ(buttons.size(), row.buttons);
                for (QAbstractButton* button : buttons) {
                    SCOPED_TRACE(button->text().toStdString());
                    EXPECT_GE(button->height(), kTouchTarget);
                }
            }));
        }
    });
}

TEST_F(PhoneModeTest, DraggingTheTextFieldScrollsIt) {
    CTestMainDlg::Run([](CTestMainDlg& dlg) {
        auto* edit = static_cast<QPlainTextEdit*>(Control(dlg, IDC_TEXT));
        QString text;
        for (int line = 0; line < 40; ++line) {
            text += QStringLiteral("SOS %1\n").arg(line);
        }
        edit->setPlainText(text);
        edit->moveCursor(QTextCursor::Start);
        dlg.Settle();
        ASSERT_EQ(edit->verticalScrollBar()->value(), 0);
        QWidget* viewport = edit->viewport();
        const std::unique_ptr<QPointingDevice> finger(QTest::createTouchDevice());
        const int x = viewport->width() / 2;
        QPoint at(x, viewport->height() - 5);
        QTest::touchEvent(viewport, finger.get()).press(0, at, viewport);
        for (int step = 0; step < 10; ++step) {
            at.ry() -= viewport->height() / 12;
            QTest::touchEvent(viewport, finger.get()).move(0, at, viewport);
            QTest::qWait(20);
        }
        QTest::touchEvent(viewport, finger.get()).release(0, at, viewport);
        EXPECT_TRUE(dlg.PumpUntil([&] { return edit->verticalScrollBar()->value() > 0; }, 5000));
        // A drag scrolls; it does not select.
        EXPECT_FALSE(edit->textCursor().hasSelection());
        // Once the text has come to rest, a tap puts the cursor where it lands; a tap while it
        // still glides only stops it.
        ASSERT_TRUE(dlg.PumpUntil(
            [&] { return QScroller::scroller(viewport)->state() == QScroller::Inactive; }, 10000));
        const int before = edit->textCursor().position();
        const QPoint tap(x, 5);
        QTest::touchEvent(viewport, finger.get()).press(0, tap, viewport);
        QTest::touchEvent(viewport, finger.get()).release(0, tap, viewport);
        EXPECT_TRUE(dlg.PumpUntil([&] { return edit->textCursor().position() != before; }));
        EXPECT_EQ(edit->textCursor().position(), edit->cursorForPosition(tap).position());
        EXPECT_FALSE(edit->textCursor().hasSelection());
    });
}

}  // namespace
