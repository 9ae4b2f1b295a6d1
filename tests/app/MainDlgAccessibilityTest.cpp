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

#include "audio/BackendSelection.h"
#include "audio/virtual/VirtualBackend.h"
#include "platform/Resources.h"
#include "platform/detail/DialogFrame.h"
#include "platform/detail/WindowTable.h"
#include "res/Version.h"
#include "res/resource.h"
#include "tests/app/DialogRun.h"

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
        };
        const Row rows[] = {
            {"window", dlg.Window(), QAccessible::Dialog,
             QString::fromUtf16(kDialogCaption).toStdString()},
            {"device list", Control(dlg, IDC_DEVICE), QAccessible::ComboBox, "放音设备:"},
            {"function list", Control(dlg, IDC_FUNCTION), QAccessible::ComboBox, "功能:"},
            // The only static text before the text field is the meter's readout, hidden
            // whenever the field shows: it must not name the field.
            {"text field", Control(dlg, IDC_TEXT), QAccessible::EditableText, ""},
            {"signals box", Control(dlg, IDC_SIGNALS), QAccessible::CheckBox, "插入起始和结束编码"},
            {"start button", Control(dlg, IDC_START), QAccessible::PushButton, "启动"},
            {"waveform frame", Control(dlg, IDC_WAVEFORM), QAccessible::Grouping, "波形"},
            {"left soft key", keys[0], QAccessible::PushButton, "关于"},
            {"right soft key", keys[1], QAccessible::PushButton, "菜单"},
        };
        for (const Row& row : rows) {
            SCOPED_TRACE(row.what);
            ASSERT_NE(row.object, nullptr);
            QAccessibleInterface* iface = Interface(row.object);
            ASSERT_NE(iface, nullptr);
            EXPECT_EQ(iface->role(), row.role);
            EXPECT_EQ(iface->text(QAccessible::Name).toStdString(), row.name);
        }
        // The lists' selected entries are their values.
        EXPECT_EQ(Interface(Control(dlg, IDC_DEVICE))->text(QAccessible::Value).toStdString(),
                  "Speaker");
        EXPECT_EQ(Interface(Control(dlg, IDC_FUNCTION))->text(QAccessible::Value).toStdString(),
                  "摩尔斯码");
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
