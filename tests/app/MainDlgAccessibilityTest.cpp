// SPDX-License-Identifier: GPL-3.0-or-later
// The main window as a screen reader reads it through Qt's accessibility interface: the role and
// name of the window, of every control and of the soft keys, and the focus at launch.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAccessible>
#include <QImage>
#include <QList>
#include <QWidget>
#include <memory>
#include <string>
#include <vector>

#include "audio/BackendSelection.h"
#include "audio/virtual/VirtualBackend.h"
#include "platform/Resources.h"
#include "platform/detail/DialogFrame.h"
#include "platform/detail/WindowTable.h"
#include "res/Version.h"
#include "res/resource.h"
#include "tests/app/DialogRun.h"
#include "tests/support/AccessibleLabels.h"

namespace {

QWidget* Control(CTestMainDlg& dlg, int id) {
    return platform::findWindow(dlg.GetDlgItem(id)->GetSafeHwnd())->widget;
}

QAccessibleInterface* Interface(QObject* object) {
    return QAccessible::queryAccessibleInterface(object);
}

class MainDlgAccessibilityTest : public ::testing::Test {
  protected:
    void SetUp() override {
        platform::setResourceTable(g_resources);
        backend_->SetOutputDevices({u"Speaker", u"Headset"});
        audio::SetAudioBackend(backend_);
    }

    std::shared_ptr<audio::VirtualBackend> backend_ = std::make_shared<audio::VirtualBackend>();
};

TEST_F(MainDlgAccessibilityTest, WindowControlsAndSoftKeysHaveRolesAndNames) {
    CTestMainDlg::Run([](CTestMainDlg& dlg) {
        const QList<QAbstractButton*> keys =
            platform::softKeyArea(dlg.GetSafeHwnd())->findChildren<QAbstractButton*>();
        ASSERT_EQ(keys.size(), 2);
        struct Row {
            const char* what;
            QObject* object;
            QAccessible::Role role;
            std::string name;
            std::vector<std::string> labels;
        };
        const Row rows[] = {
            {"window",
             dlg.Window(),
             QAccessible::Dialog,
             QString::fromUtf16(kDialogCaption).toStdString(),
             {}},
            // A list reads its chosen entry, and its label beside it.
            {"device list",
             Control(dlg, IDC_DEVICE),
             QAccessible::ComboBox,
             "Speaker",
             {"放音设备:"}},
            {"function list",
             Control(dlg, IDC_FUNCTION),
             QAccessible::ComboBox,
             "摩尔斯码",
             {"功能:"}},
            // The only static text before the text field is the meter's readout, hidden
            // whenever the field shows: it must not name the field, which has a name of its own.
            {"text field", Control(dlg, IDC_TEXT), QAccessible::EditableText, "文本", {}},
            {"signals box",
             Control(dlg, IDC_SIGNALS),
             QAccessible::CheckBox,
             "插入起始和结束编码",
             {}},
            {"start button", Control(dlg, IDC_START), QAccessible::PushButton, "启动", {}},
            {"waveform frame", Control(dlg, IDC_WAVEFORM), QAccessible::Grouping, "波形", {}},
            {"left soft key", keys[0], QAccessible::PushButton, "关于", {}},
            {"right soft key", keys[1], QAccessible::PushButton, "菜单", {}},
        };
        for (const Row& row : rows) {
            SCOPED_TRACE(row.what);
            ASSERT_NE(row.object, nullptr);
            QAccessibleInterface* iface = Interface(row.object);
            ASSERT_NE(iface, nullptr);
            EXPECT_EQ(iface->role(), row.role);
            EXPECT_EQ(iface->text(QAccessible::Name).toStdString(), row.name);
            EXPECT_EQ(AccessibleLabels(iface), row.labels);
        }
    });
}

TEST_F(MainDlgAccessibilityTest, TheListsReadWhatTheUserChooses) {
    CTestMainDlg::Run([](CTestMainDlg& dlg) {
        const struct {
            int list;
            int entry;
            std::string device;
            std::string function;
        } choices[] = {
            {IDC_DEVICE, 1, "Headset", "摩尔斯码"},
            {IDC_FUNCTION, 1, "Headset", "分贝计"},
            {IDC_DEVICE, 0, "Speaker", "分贝计"},
            {IDC_FUNCTION, 0, "Speaker", "摩尔斯码"},
        };
        for (const auto& choice : choices) {
            SCOPED_TRACE(choice.device + " " + choice.function);
            dlg.UserSelects(choice.list, choice.entry);
            EXPECT_EQ(Interface(Control(dlg, IDC_DEVICE))->text(QAccessible::Name).toStdString(),
                      choice.device);
            EXPECT_EQ(Interface(Control(dlg, IDC_FUNCTION))->text(QAccessible::Name).toStdString(),
                      choice.function);
        }
    });
}

TEST_F(MainDlgAccessibilityTest, TheDeviceListHasTheFocusAndShowsItFromLaunch) {
    CTestMainDlg::Run([](CTestMainDlg& dlg) {
        QWidget* list = Control(dlg, IDC_DEVICE);
        ASSERT_TRUE(dlg.PumpUntil([&] { return list->hasFocus(); }, 10000));
        EXPECT_TRUE(Interface(list)->state().focused);
        const QImage focused = list->grab().toImage();
        Control(dlg, IDC_FUNCTION)->setFocus();
        ASSERT_TRUE(dlg.PumpUntil([&] { return !list->hasFocus(); }, 10000));
        EXPECT_TRUE(list->grab().toImage() != focused) << "the device list drew no focus mark";
    });
}

}  // namespace
