// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/detail/Controls.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFontInfo>
#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalBlocker>

#include "platform/detail/Accessibility.h"
#include "platform/detail/EditWidget.h"
#include "platform/detail/Text.h"
#include "platform/detail/Translations.h"

namespace platform {
namespace {

// The edit keeps paragraphs; the classic text has CR LF between lines. A lone CR or LF from
// the program also starts a new line, and so reads back as CR LF.
QString toEditDocument(std::u16string_view text) {
    QString result = toQString(text);
    result.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    result.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return result;
}

std::u16string fromEditDocument(const QPlainTextEdit& edit) {
    QString text = edit.document()->toRawText();
    text.replace(QChar(QChar::ParagraphSeparator), QStringLiteral("\r\n"));
    text.replace(QChar(QChar::LineSeparator), QStringLiteral("\r\n"));
    return toWide(text);
}

// Notifications go to the parent as WM_COMMAND, sent at once, as classic controls do.
void notifyParent(HWND control, WORD code) {
    WindowRecord* record = findWindow(control);
    if (record == nullptr) {
        return;
    }
    SendMessageW(record->parent, WM_COMMAND, MAKEWPARAM(static_cast<WORD>(record->controlId), code),
                 reinterpret_cast<LPARAM>(control));
}

bool sameClassName(LPCWSTR name, std::u16string_view expected) {
    const std::u16string_view actual = wideView(name);
    if (actual.size() != expected.size()) {
        return false;
    }
    for (std::size_t i = 0; i < actual.size(); ++i) {
        const char16_t c = actual[i] >= u'a' && actual[i] <= u'z'
                               ? static_cast<char16_t>(actual[i] - u'a' + u'A')
                               : actual[i];
        if (c != expected[i]) {
            return false;
        }
    }
    return true;
}

bool classify(const DialogItemTemplate& item, WindowClass* windowClass) {
    if (sameClassName(item.className, u"BUTTON")) {
        switch (item.style & BS_TYPEMASK) {
            case BS_PUSHBUTTON:
            case BS_DEFPUSHBUTTON:
                *windowClass = WindowClass::PushButton;
                return true;
            case BS_AUTOCHECKBOX:
                *windowClass = WindowClass::CheckBox;
                return true;
            case BS_GROUPBOX:
                *windowClass = WindowClass::GroupBox;
                return true;
            default:
                return false;
        }
    }
    if (sameClassName(item.className, u"STATIC")) {
        *windowClass = WindowClass::Static;
        return (item.style & 0x1F) == SS_LEFT;
    }
    if (sameClassName(item.className, u"EDIT")) {
        *windowClass = WindowClass::Edit;
        return (item.style & ES_MULTILINE) != 0;
    }
    if (sameClassName(item.className, u"COMBOBOX")) {
        *windowClass = WindowClass::ComboBox;
        return (item.style & CBS_TYPEMASK) == CBS_DROPDOWNLIST;
    }
    return false;
}

// Programs draw into a group box from this many pixels below its top, clear of the caption in
// the phone's font.
constexpr int kCaptionRoom = 20;

// At the desktop's larger scale the dialog font would not fit above that line, and the caption
// would be drawn over; the caption keeps to the room the program leaves it.
void fitCaption(QGroupBox& group) {
    QFont font = group.font();
    font.setPixelSize(QFontInfo(font).pixelSize());
    while (QFontMetrics(font).height() > kCaptionRoom - 2 && font.pixelSize() > 8) {
        font.setPixelSize(font.pixelSize() - 1);
    }
    group.setFont(font);
}

QWidget* makeWidget(WindowClass windowClass, const DialogItemTemplate& item, QWidget* parent) {
    const QString text = displayText(toQString(wideView(item.text)));
    switch (windowClass) {
        case WindowClass::Static: {
            auto* label = new QLabel(text, parent);
            label->setTextFormat(Qt::PlainText);
            label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
            label->setWordWrap(true);
            return label;
        }
        case WindowClass::PushButton:
            return new QPushButton(text, parent);
        case WindowClass::CheckBox:
            return new QCheckBox(text, parent);
        case WindowClass::GroupBox: {
            auto* group = new QGroupBox(text, parent);
            group->setFocusPolicy(Qt::NoFocus);
            fitCaption(*group);
            return group;
        }
        case WindowClass::ComboBox:
            return new QComboBox(parent);
        case WindowClass::Edit: {
            auto* edit = new EditWidget(parent, (item.style & ES_UPPERCASE) != 0);
            edit->setPlainText(toEditDocument(wideView(item.text)));
            edit->setTabChangesFocus(true);
            edit->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
            edit->setVerticalScrollBarPolicy(
                (item.style & WS_VSCROLL) != 0 ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
            if ((item.style & WS_BORDER) == 0) {
                edit->setFrameShape(QFrame::NoFrame);
            }
            return edit;
        }
        case WindowClass::MessageOnly:
        case WindowClass::Dialog:
        case WindowClass::CommandBar:
        case WindowClass::MenuBar:
            break;
    }
    return nullptr;
}

// Only the user's actions notify, and a selection only when it changes: the program's own
// changes run with the control's signals blocked.
void connectNotifications(WindowClass windowClass, QWidget* widget, HWND handle) {
    switch (windowClass) {
        case WindowClass::PushButton:
        case WindowClass::CheckBox:
            QObject::connect(static_cast<QAbstractButton*>(widget), &QAbstractButton::clicked,
                             [handle] { notifyParent(handle, BN_CLICKED); });
            break;
        case WindowClass::ComboBox:
            QObject::connect(static_cast<QComboBox*>(widget), &QComboBox::currentIndexChanged,
                             [handle] { notifyParent(handle, CBN_SELCHANGE); });
            break;
        default:
            break;
    }
}

LRESULT comboProc(QComboBox& combo, UINT message, WPARAM wParam, LPARAM lParam) {
    const QSignalBlocker blocker(combo);
    const int index = static_cast<int>(wParam);
    switch (message) {
        case CB_GETCOUNT:
            return combo.count();
        case CB_GETCURSEL:
            return combo.currentIndex();
        case CB_INSERTSTRING: {
            const int at = index == -1 ? combo.count() : index;
            if (at < 0 || at > combo.count()) {
                return CB_ERR;
            }
            // Qt selects the first item put into an empty list; a classic list stays without
            // a selection until the program or the user makes one. The entry shows in the user's
            // language and keeps the program's text, which is what the program reads back.
            const int selected = combo.currentIndex();
            const QString entry = toQString(wideView(reinterpret_cast<LPCWSTR>(lParam)));
            combo.insertItem(at, displayText(entry), entry);
            if (selected == -1) {
                combo.setCurrentIndex(-1);
            }
            return at;
        }
        case CB_SETCURSEL:
            // An index out of range, -1 included, clears the selection and reports CB_ERR.
            if (index < 0 || index >= combo.count()) {
                combo.setCurrentIndex(-1);
                return CB_ERR;
            }
            combo.setCurrentIndex(index);
            return index;
        // The text of a drop-down list is its selected entry, empty without a selection; the
        // program cannot set it to anything else.
        case WM_GETTEXT:
            return copyToBuffer(toWide(combo.currentData().toString()),
                                reinterpret_cast<LPWSTR>(lParam), static_cast<int>(wParam));
        case WM_GETTEXTLENGTH:
            return combo.currentData().toString().size();
        case WM_SETTEXT:
            return FALSE;
        default:
            return 0;
    }
}

}  // namespace

QWidget* createControl(HWND dialog, QWidget* dialogWidget, const DialogItemTemplate& item, int x,
                       int y, int width, int height) {
    WindowClass windowClass{};
    if (!classify(item, &windowClass)) {
        return nullptr;
    }
    QWidget* widget = makeWidget(windowClass, item, dialogWidget);
    // The template's height of a drop-down list includes the list; the closed box is as high
    // as its font needs.
    if (windowClass == WindowClass::ComboBox) {
        height = std::min(height, widget->sizeHint().height());
    }
    widget->setGeometry(x, y, width, height);
    if (windowClass != WindowClass::GroupBox && windowClass != WindowClass::Static) {
        widget->setFocusPolicy((item.style & WS_TABSTOP) != 0 ? Qt::StrongFocus : Qt::ClickFocus);
    }
    widget->setEnabled((item.style & WS_DISABLED) == 0);
    widget->setVisible((item.style & WS_VISIBLE) != 0);

    auto record = std::make_unique<WindowRecord>();
    record->windowClass = windowClass;
    record->ownedWnd = std::make_unique<CWnd>();
    record->wnd = record->ownedWnd.get();
    record->widget = widget;
    record->parent = dialog;
    record->controlId = item.id;
    record->style = item.style;
    record->text = wideView(item.text);
    CWnd* wnd = record->wnd;
    const HWND handle = registerWindow(std::move(record));
    wnd->m_hWnd = handle;
    connectNotifications(windowClass, widget, handle);
    return widget;
}

bool controlProc(WindowRecord& record, UINT message, WPARAM wParam, LPARAM lParam,
                 LRESULT* result) {
    switch (record.windowClass) {
        case WindowClass::ComboBox:
            if (message == CB_GETCOUNT || message == CB_GETCURSEL || message == CB_INSERTSTRING ||
                message == CB_SETCURSEL || message == WM_SETTEXT || message == WM_GETTEXT ||
                message == WM_GETTEXTLENGTH) {
                *result =
                    comboProc(*static_cast<QComboBox*>(record.widget), message, wParam, lParam);
                return true;
            }
            return false;
        case WindowClass::CheckBox:
            if (message == BM_GETCHECK) {
                *result = static_cast<QCheckBox*>(record.widget)->isChecked() ? BST_CHECKED
                                                                              : BST_UNCHECKED;
                return true;
            }
            return false;
        case WindowClass::Edit: {
            auto* edit = static_cast<QPlainTextEdit*>(record.widget);
            if (message == WM_SETTEXT) {
                edit->setPlainText(toEditDocument(wideView(reinterpret_cast<LPCWSTR>(lParam))));
                *result = TRUE;
                return true;
            }
            if (message == WM_GETTEXT) {
                *result = copyToBuffer(fromEditDocument(*edit), reinterpret_cast<LPWSTR>(lParam),
                                       static_cast<int>(wParam));
                return true;
            }
            if (message == WM_GETTEXTLENGTH) {
                *result = static_cast<LRESULT>(fromEditDocument(*edit).size());
                return true;
            }
            return false;
        }
        default:
            return false;
    }
}

// Shows a text set through WM_SETTEXT on the widget; the exact text stays in the record.
void scrollByTouch(QWidget& control) {
    if (auto* edit = dynamic_cast<EditWidget*>(&control)) {
        edit->scrollByTouch();
    }
}

void showText(WindowRecord& record) {
    const QString text = displayText(toQString(record.text));
    switch (record.windowClass) {
        case WindowClass::Static: {
            auto* label = static_cast<QLabel*>(record.widget);
            label->setText(text);
            labelTextChanged(*label);
            break;
        }
        case WindowClass::PushButton:
        case WindowClass::CheckBox:
            static_cast<QAbstractButton*>(record.widget)->setText(text);
            break;
        case WindowClass::GroupBox:
            static_cast<QGroupBox*>(record.widget)->setTitle(text);
            break;
        case WindowClass::Dialog:
            record.widget->setWindowTitle(text);
            break;
        default:
            break;
    }
}

}  // namespace platform
