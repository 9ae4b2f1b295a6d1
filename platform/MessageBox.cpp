// Message boxes: modal Qt dialogs with the classic buttons and results.
#include <QMessageBox>
#include <QPushButton>

#include "platform/MessageBoxHook.h"
#include "platform/detail/Text.h"
#include "platform/detail/WindowTable.h"
#include "platform/winuser.h"

namespace platform {
namespace {

MessageBoxHook& currentHook() {
    static MessageBoxHook hook;
    return hook;
}

QMessageBox::Icon iconFor(UINT type) {
    switch (type & MB_ICONMASK) {
        case MB_ICONHAND:
            return QMessageBox::Critical;
        case MB_ICONQUESTION:
            return QMessageBox::Question;
        case MB_ICONEXCLAMATION:
            return QMessageBox::Warning;
        case MB_ICONASTERISK:
            return QMessageBox::Information;
        default:
            return QMessageBox::NoIcon;
    }
}

// Runs the box in a nested event loop, which keeps delivering posted messages. Closing the box
// counts as its escape choice: OK for MB_OK, No for MB_YESNO.
int showMessageBox(QWidget* owner, const MessageBoxRequest& request) {
    QString text = toQString(request.text);
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    QMessageBox box(iconFor(request.type), toQString(request.caption), text, QMessageBox::NoButton,
                    owner);
    box.setTextFormat(Qt::PlainText);
    if ((request.type & MB_TYPEMASK) == MB_YESNO) {
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box.setEscapeButton(QMessageBox::No);
    } else {
        box.setStandardButtons(QMessageBox::Ok);
        box.setEscapeButton(QMessageBox::Ok);
    }
    if (owner != nullptr) {
        box.setWindowModality(Qt::WindowModal);
    }
    switch (box.exec()) {
        case QMessageBox::Yes:
            return IDYES;
        case QMessageBox::No:
            return IDNO;
        default:
            return IDOK;
    }
}

}  // namespace

ScopedMessageBoxHook::ScopedMessageBoxHook(MessageBoxHook hook)
    : previous_(std::exchange(currentHook(), std::move(hook))) {}

ScopedMessageBoxHook::~ScopedMessageBoxHook() {
    currentHook() = std::move(previous_);
}

}  // namespace platform

// Only MB_OK and MB_YESNO boxes are provided; other button sets, a stale owner, or a call from
// another thread fail with 0. A null caption reads "Error", as classic.
int MessageBoxW(HWND hWnd, LPCWSTR lpText, LPCWSTR lpCaption, UINT uType) {
    const UINT buttons = uType & MB_TYPEMASK;
    const platform::WindowRecord* owner = platform::findWindow(hWnd);
    if (!platform::isUiThread() || (hWnd != nullptr && owner == nullptr) ||
        (buttons != MB_OK && buttons != MB_YESNO)) {
        return 0;
    }
    const platform::MessageBoxRequest request{
        hWnd, std::u16string(platform::wideView(lpText)),
        std::u16string(lpCaption == nullptr ? u"Error" : platform::wideView(lpCaption)), uType};
    if (const platform::MessageBoxHook& hook = platform::currentHook()) {
        return hook(request);
    }
    QWidget* ownerWidget =
        owner == nullptr || owner->widget == nullptr ? nullptr : owner->widget->window();
    return platform::showMessageBox(ownerWidget, request);
}
