// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/detail/Accessibility.h"

#include <QAbstractItemView>
#include <QAccessible>
#include <QAccessibleWidget>
#include <QComboBox>
#include <QLabel>

#include "platform/detail/DialogFrame.h"
#include "platform/detail/WindowTable.h"

namespace platform {
namespace {

// A drop-down list named by its label. On Linux Qt names a list by its selected entry and
// leaves the label to a relation, so a screen reader that reads names announces the entry twice
// and never the label. Here the name is the label's text, as for any other control, and the
// selected entry is the list's value; the rest is what Qt's own lists offer.
class LabelledListInterface : public QAccessibleWidget {
  public:
    explicit LabelledListInterface(QComboBox* list)
        : QAccessibleWidget(list, QAccessible::ComboBox) {}

    QString text(QAccessible::Text which) const override {
        return which == QAccessible::Value ? list()->currentText() : QAccessibleWidget::text(which);
    }

    // The entries that drop down are the list's one child.
    int childCount() const override { return 1; }
    QAccessibleInterface* child(int index) const override {
        return index == 0 ? QAccessible::queryAccessibleInterface(list()->view()) : nullptr;
    }
    int indexOfChild(const QAccessibleInterface* child) const override {
        return child != nullptr && child->object() == list()->view() ? 0 : -1;
    }

    QStringList actionNames() const override { return {showMenuAction(), pressAction()}; }
    void doAction(const QString& action) override {
        if (action != showMenuAction() && action != pressAction()) {
            return;
        }
        if (list()->view()->isVisible()) {
            list()->hidePopup();
        } else {
            list()->showPopup();
        }
    }

  private:
    QComboBox* list() const { return static_cast<QComboBox*>(widget()); }
};

// Qt asks for each class of the object's ancestry in turn, the most derived first, and this
// factory before its own. The dialog's window is a plain widget to Qt, which would describe it
// as an anonymous pane; it is a dialog, named by its caption.
QAccessibleInterface* makeInterface(const QString& className, QObject* object) {
    if (className == QLatin1String("QWidget")) {
        if (auto* frame = dynamic_cast<DialogFrame*>(object)) {
            return new QAccessibleWidget(frame, QAccessible::Dialog);
        }
    } else if (className == QLatin1String("QComboBox")) {
        auto* list = qobject_cast<QComboBox*>(object);
        if (list != nullptr && !list->isEditable()) {
            return new LabelledListInterface(list);
        }
    }
    return nullptr;
}

}  // namespace

void installAccessibleInterfaces() {
    QAccessible::installFactory(makeInterface);
}

void tieLabels(HWND dialog) {
    QLabel* label = nullptr;
    for (HWND child : childWindows(dialog)) {
        const WindowRecord* record = findWindow(child);
        switch (record->windowClass) {
            case WindowClass::Static:
                // A text that starts hidden is shown by the program in place of another control;
                // it labels nothing that is on screen with it.
                label = (record->style & WS_VISIBLE) != 0 ? static_cast<QLabel*>(record->widget)
                                                          : nullptr;
                break;
            case WindowClass::ComboBox:
            case WindowClass::Edit:
                if (label != nullptr) {
                    label->setBuddy(record->widget);
                    label = nullptr;
                }
                break;
            default:
                break;
        }
    }
}

void labelTextChanged(const QLabel& label) {
    if (label.buddy() == nullptr) {
        return;
    }
    QAccessibleEvent event(label.buddy(), QAccessible::NameChanged);
    QAccessible::updateAccessibility(&event);
}

}  // namespace platform
