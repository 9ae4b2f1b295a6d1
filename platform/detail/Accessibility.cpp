// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/detail/Accessibility.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QLabel>

#include "platform/detail/DialogFrame.h"
#include "platform/detail/Translations.h"
#include "platform/detail/WindowTable.h"

namespace platform {
namespace {

// Qt asks for each class of the object's ancestry in turn, the most derived first, and this
// factory before its own. The dialog's window is a plain widget to Qt, which would describe it
// as an anonymous pane; it is a dialog, named by its caption.
QAccessibleInterface* makeInterface(const QString& className, QObject* object) {
    if (className == QLatin1String("QWidget")) {
        if (auto* frame = dynamic_cast<DialogFrame*>(object)) {
            return new QAccessibleWidget(frame, QAccessible::Dialog);
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
                } else if (record->windowClass == WindowClass::Edit) {
                    // A reader announces a field without a name as a bare "edit"; this one
                    // at least says what it holds.
                    record->widget->setAccessibleName(displayText(QStringLiteral("文本")));
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
