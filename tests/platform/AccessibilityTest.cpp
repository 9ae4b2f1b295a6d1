// SPDX-License-Identifier: GPL-3.0-or-later
// Dialogs as assistive technology reads them through Qt's accessibility interface: the window's
// role and name, which static text names which control, names that follow their labels, and the
// focus mark at launch.
#include <gtest/gtest.h>

#include <QAccessible>
#include <QComboBox>
#include <QImage>
#include <QTest>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <string>
#include <vector>

#include "platform/Dialog.h"
#include "platform/detail/DialogFrame.h"
#include "platform/detail/WindowTable.h"
#include "tests/platform/TestResources.h"
#include "tests/support/AccessibleLabels.h"

namespace {

QWidget* widgetOf(HWND window) {
    return platform::findWindow(window)->widget;
}

QAccessibleInterface* interfaceOf(HWND window) {
    return QAccessible::queryAccessibleInterface(widgetOf(window));
}

std::string nameOf(HWND window) {
    return interfaceOf(window)->text(QAccessible::Name).toStdString();
}

// The dialog built from the template with the labels, as a program's dialog is.
class LabelDialog {
  public:
    LabelDialog() {
        testres::useTestResources();
        handle_ = platform::createDialogWindow(
            dialog_, *platform::findDialog(testres::kLabelDialog), nullptr);
    }
    ~LabelDialog() { dialog_.DestroyWindow(); }
    LabelDialog(const LabelDialog&) = delete;
    LabelDialog& operator=(const LabelDialog&) = delete;

    HWND handle() const { return handle_; }
    HWND item(int id) const { return GetDlgItem(handle_, id); }

  private:
    CDialog dialog_{testres::kLabelDialog};
    HWND handle_ = nullptr;
};

TEST(AccessibilityTest, StaticTextsNameTheListsAndFieldsAfterThem) {
    LabelDialog dialog;
    ASSERT_NE(dialog.handle(), nullptr);
    for (int id : {testres::kLabelledList, testres::kBareList}) {
        SendMessageW(dialog.item(id), CB_INSERTSTRING, 0, reinterpret_cast<LPARAM>(u"Entry"));
        SendMessageW(dialog.item(id), CB_SETCURSEL, 0, 0);
    }
    struct Row {
        const char* what;
        HWND window;
        QAccessible::Role role;
        std::string name;
        std::vector<std::string> labels;  // the texts the control is labelled by
    };
    const Row rows[] = {
        {"the dialog's window, by its caption",
         dialog.handle(),
         QAccessible::Dialog,
         QString::fromUtf16(testres::kCaption).toStdString(),
         {}},
        {"a list, by its entry, labelled by the text before it without its mnemonic marker",
         dialog.item(testres::kLabelledList),
         QAccessible::ComboBox,
         "Entry",
         {"Device:"}},
        {"a check box, by its own caption",
         dialog.item(testres::kOption),
         QAccessible::CheckBox,
         "Frame",
         {}},
        {"a field, by the nearest text before it, past a check box",
         dialog.item(testres::kField),
         QAccessible::EditableText,
         "Level 0 dB",
         {"Level 0 dB"}},
        {"a field, by the later of two texts",
         dialog.item(testres::kNotes),
         QAccessible::EditableText,
         "Notes",
         {"Notes"}},
        {"a list after a text that starts hidden, by its entry alone",
         dialog.item(testres::kBareList),
         QAccessible::ComboBox,
         "Entry",
         {}},
        {"a push button, by its own caption",
         dialog.item(testres::kGo),
         QAccessible::PushButton,
         "Go",
         {}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        QAccessibleInterface* iface = interfaceOf(row.window);
        ASSERT_NE(iface, nullptr);
        EXPECT_EQ(iface->role(), row.role);
        EXPECT_EQ(iface->text(QAccessible::Name).toStdString(), row.name);
        EXPECT_EQ(AccessibleLabels(iface), row.labels);
    }
}

TEST(AccessibilityTest, AFieldWithoutALabelHasANameOfItsOwn) {
    testres::useTestResources();
    CDialog dialog(testres::kPhoneDialog);
    const HWND handle =
        platform::createDialogWindow(dialog, *platform::findDialog(testres::kPhoneDialog), nullptr);
    ASSERT_NE(handle, nullptr);
    QAccessibleInterface* field = interfaceOf(GetDlgItem(handle, testres::kText));
    EXPECT_EQ(field->text(QAccessible::Name).toStdString(), "文本");
    EXPECT_EQ(AccessibleLabels(field), std::vector<std::string>{});
    dialog.DestroyWindow();
}

TEST(AccessibilityTest, NamesFollowTheirLabelsTheCaptionAndTheChosenEntry) {
    LabelDialog dialog;
    ASSERT_NE(dialog.handle(), nullptr);
    ASSERT_TRUE(SetWindowTextW(dialog.item(testres::kReadout), u"Level 12 dB"));
    EXPECT_EQ(nameOf(dialog.item(testres::kField)), "Level 12 dB");
    ASSERT_TRUE(SetWindowTextW(dialog.handle(), u"Renamed"));
    EXPECT_EQ(nameOf(dialog.handle()), "Renamed");

    const HWND list = dialog.item(testres::kLabelledList);
    // Without a chosen entry the label stands in, as in Qt's own lists.
    EXPECT_EQ(nameOf(list), "Device:") << "no entry, no selection";
    for (const char16_t* entry : {u"Speaker", u"Headset"}) {
        SendMessageW(list, CB_INSERTSTRING, static_cast<WPARAM>(-1),
                     reinterpret_cast<LPARAM>(entry));
    }
    const struct {
        const char* how;
        std::function<void()> choose;
        std::string name;
    } choices[] = {
        {"the program chooses", [&] { SendMessageW(list, CB_SETCURSEL, 1, 0); }, "Headset"},
        {"the user chooses", [&] { static_cast<QComboBox*>(widgetOf(list))->setCurrentIndex(0); },
         "Speaker"},
        {"the program clears the choice", [&] { SendMessageW(list, CB_SETCURSEL, 5, 0); },
         "Device:"},
    };
    for (const auto& choice : choices) {
        SCOPED_TRACE(choice.how);
        choice.choose();
        EXPECT_EQ(nameOf(list), choice.name);
        EXPECT_EQ(AccessibleLabels(interfaceOf(list)), std::vector<std::string>{"Device:"});
    }
}

// The dialog's first control takes the focus at launch and draws its focus mark at once.
class FocusDialog : public CDialog {
  public:
    FocusDialog() : CDialog(testres::kLabelDialog) {}

    std::function<void(FocusDialog&)> onRun;

    BOOL OnInitDialog() override {
        CDialog::OnInitDialog();
        QTimer::singleShot(0, [this] {
            onRun(*this);
            EndDialog(IDOK);
        });
        return TRUE;
    }
};

TEST(AccessibilityTest, TheFirstControlShowsTheFocusFromLaunch) {
    testres::useTestResources();
    FocusDialog dialog;
    dialog.onRun = [](FocusDialog& dlg) {
        QWidget* list = widgetOf(dlg.GetDlgItem(testres::kLabelledList)->GetSafeHwnd());
        // A guard against hanging, not a bound on how fast the focus must come.
        ASSERT_TRUE(QTest::qWaitFor([&] { return list->hasFocus(); }, 10000));
        EXPECT_TRUE(QAccessible::queryAccessibleInterface(list)->state().focused);
        const QImage focused = list->grab().toImage();
        widgetOf(dlg.GetDlgItem(testres::kBareList)->GetSafeHwnd())->setFocus();
        ASSERT_TRUE(QTest::qWaitFor([&] { return !list->hasFocus(); }, 10000));
        EXPECT_TRUE(list->grab().toImage() != focused) << "the list drew no focus mark at launch";
    };
    EXPECT_EQ(dialog.DoModal(), IDOK);
}

}  // namespace
