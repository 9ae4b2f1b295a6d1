// SPDX-License-Identifier: GPL-3.0-or-later
// Message boxes: modal Qt dialogs with the classic buttons and results.
#include <algorithm>

#include <QMessageBox>
#include <QPushButton>
#include <QStringList>
#include <QTextLayout>

#include "platform/MessageBoxHook.h"
#include "platform/detail/Text.h"
#include "platform/detail/Translations.h"
#include "platform/detail/WindowTable.h"
#include "platform/winuser.h"

namespace platform {
namespace {

// Room left beside the text inside the owner's width: the box's frame, margins and icon.
constexpr int kBoxMargin = 90;

// Breaks each line of text where it would pass width in font, between words or, for text without
// spaces such as Chinese, between characters. The box sizes itself to its longest line, so this is
// what keeps it inside the window.
QString wrapToWidth(const QString& text, const QFont& font, int width) {
    QStringList lines;
    for (const QString& paragraph : text.split(QLatin1Char('\n'))) {
        QTextLayout layout(paragraph, font);
        QTextOption option;
        option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
        layout.setTextOption(option);
        layout.beginLayout();
        const qsizetype before = lines.size();
        for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
            line.setLineWidth(width);
            lines << paragraph.mid(line.textStart(), line.textLength()).trimmed();
        }
        layout.endLayout();
        if (lines.size() == before) {
            lines << QString();
        }
    }
    return lines.join(QLatin1Char('\n'));
}

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
    // The box shows the texts in the user's language; the request keeps the program's own.
    QString text = displayText(toQString(request.text));
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    QMessageBox box(iconFor(request.type), displayText(toQString(request.caption)), text,
                    QMessageBox::NoButton, owner);
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
        // A phone's message box never grows wider than the screen the window stands for; long
        // lines wrap instead.
        box.setText(
            wrapToWidth(text, box.font(), std::max(owner->width() - kBoxMargin, kBoxMargin)));
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
