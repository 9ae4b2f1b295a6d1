// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/detail/DialogFrame.h"

#include <QCloseEvent>
#include <QFontMetrics>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QScreen>
#include <algorithm>
#include <cstdint>

#include "platform/detail/Accessibility.h"
#include "platform/detail/Controls.h"
#include "platform/detail/Text.h"
#include "platform/detail/TouchStyle.h"
#include "platform/detail/Translations.h"
#include "platform/detail/WindowTable.h"

namespace platform {
namespace {

// The templates were laid out for a phone screen of about 96 pixels per inch. A program that
// scales itself is shown twice as large, so that a 9-point dialog font is comfortably readable.
constexpr int kHighResolutionScale = 2;
// The soft-key bar of the phone was 20 pixels high.
constexpr int kSoftKeyBarHeight = 20;
// The smallest portrait phone screen the window fits, in logical pixels.
constexpr QSize kSmallestPhoneScreen(320, 480);
// The CJK-capable face that stands in for the classic dialog faces, which Linux lacks.
const QString kDialogFace = QStringLiteral("WenQuanYi Micro Hei");

QString mapFace(std::u16string_view face) {
    static const std::u16string_view classicFaces[] = {u"MS Shell Dlg", u"MS Shell Dlg 2",
                                                       u"MS Sans Serif", u"Tahoma", u"System"};
    if (face.empty() || std::find(std::begin(classicFaces), std::end(classicFaces), face) !=
                            std::end(classicFaces)) {
        return kDialogFace;
    }
    return toQString(face);
}

QFont dialogFont(const DialogTemplate& dialogTemplate, int scale) {
    QFont font;
    font.setFamilies({mapFace(wideView(dialogTemplate.faceName)), kDialogFace});
    const int pointSize = dialogTemplate.pointSize > 0 ? dialogTemplate.pointSize : 8;
    font.setPixelSize((pointSize * 96 * scale + 36) / 72);
    return font;
}

// The classic base units: the average width of the 52 Latin letters, rounded, and the font's
// height.
QSize baseUnits(const QFont& font) {
    const QFontMetrics metrics(font);
    const int letters = metrics.horizontalAdvance(
        QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    return {(letters / 26 + 1) / 2, metrics.height()};
}

// number × numerator / denominator, rounded half away from zero, as classic MulDiv.
int mulDiv(int number, int numerator, int denominator) {
    const std::int64_t product = static_cast<std::int64_t>(number) * numerator;
    const std::int64_t half = denominator / 2;
    return static_cast<int>(product >= 0 ? (product + half) / denominator
                                         : (product - half) / denominator);
}

QRect toPixels(QSize base, int x, int y, int cx, int cy) {
    const int left = mulDiv(x, base.width(), 4);
    const int top = mulDiv(y, base.height(), 8);
    return {left, top, mulDiv(x + cx, base.width(), 4) - left,
            mulDiv(y + cy, base.height(), 8) - top};
}

void discardDialog(HWND handle) {
    for (HWND child : childWindows(handle)) {
        unregisterWindow(child);
    }
    unregisterWindow(handle);
}

}  // namespace

DialogFrame::DialogFrame(QWidget* owner, QSize dialogSize, int dialogUnits, int unitX, int scale)
    : QWidget(owner, Qt::Window),
      dialogSize_(dialogSize),
      dialogUnits_(std::max(dialogUnits, 1)),
      naturalUnitX_(std::max(unitX, 1)),
      scale_(scale),
      softKeyArea_(new QWidget(this)) {
    resize(dialogSize_);
    // A soft-key bar fills the strip, whatever size the strip is given.
    auto* layout = new QHBoxLayout(softKeyArea_);
    layout->setContentsMargins(0, 0, 0, 0);
    softKeyArea_->hide();
}

void DialogFrame::addControl(QWidget* control, QRect units, QRect pixels) {
    placements_.push_back({control, units, pixels});
}

void DialogFrame::fillScreen() {
    const int width = dialogSize_.width();
    const int barHeight = kSoftKeyBarHeight * scale_;
    const int height = std::max(width * 4 / 3, dialogSize_.height() + barHeight);
    softKeyArea_->show();
    const QRect available = screen()->availableGeometry();
    if (available.width() >= width && available.height() >= height) {
        setFixedSize(width, height);
        softKeyArea_->setGeometry(0, height - barHeight, width, barHeight);
        return;
    }
    // A screen that cannot hold the window is a phone's: the window is the screen. Without a
    // window manager nobody else would size it, so it takes the whole area itself.
    enterPhoneMode();
    setGeometry(available);
    setWindowState(windowState() | Qt::WindowMaximized);
}

int DialogFrame::softKeyBarHeight() const {
    const int height = kSoftKeyBarHeight * scale_;
    return phone_ ? std::max(height, kTouchTarget) : height;
}

void DialogFrame::enterPhoneMode() {
    if (phone_) {
        return;
    }
    phone_ = true;
    // The smallest phone screens still hold the dialog's controls; a window that asked for more
    // would be refused, or cut off, by a compositor that makes it full-screen.
    setMinimumSize(kSmallestPhoneScreen.boundedTo(screen()->availableGeometry().size()));
    setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    useTouchTargets();
    for (const Placement& placement : placements_) {
        scrollByTouch(*placement.control);
    }
    layOutForPhone();
}

void DialogFrame::layOutForPhone() {
    // The controls keep their places in dialog units; only the horizontal unit shrinks, so that
    // the dialog's width fits the window's.
    const int unitX = std::clamp(width() * 4 / dialogUnits_, 1, naturalUnitX_);
    for (const Placement& placement : placements_) {
        const int left = mulDiv(placement.units.x(), unitX, 4);
        const int right = mulDiv(placement.units.x() + placement.units.width(), unitX, 4);
        int height = placement.pixels.height();
        if (isTappable(*placement.control)) {
            height = std::max(height, kTouchTarget);
        }
        placement.control->setGeometry(left, placement.pixels.y(), right - left, height);
    }
    // MapDialogRect measures with the unit the controls are placed with.
    if (WindowRecord* record = findWindow(handle_)) {
        record->baseUnitX = unitX;
    }
    const int barHeight = softKeyBarHeight();
    softKeyArea_->setGeometry(0, height() - barHeight, width(), barHeight);
}

void DialogFrame::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() != QEvent::WindowStateChange || phone_ ||
        (windowState() & (Qt::WindowMaximized | Qt::WindowFullScreen)) == 0) {
        return;
    }
    // The compositor or the window manager has made the window fill the screen, as phone shells
    // do with every window: it takes that size instead of holding on to its own.
    enterPhoneMode();
    resize((windowState() & Qt::WindowFullScreen) != 0 ? screen()->size()
                                                       : screen()->availableSize());
}

void DialogFrame::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (phone_) {
        layOutForPhone();
    }
}

void DialogFrame::showEvent(QShowEvent* event) {
    setAttribute(Qt::WA_KeyboardFocusChange);
    QWidget::showEvent(event);
}

void DialogFrame::closeEvent(QCloseEvent* event) {
    event->ignore();
    SendMessageW(handle_, WM_CLOSE, 0, 0);
}

void DialogFrame::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        leaveWindow(this);
        return;
    }
    QWidget::keyPressEvent(event);
}

HWND createDialogWindow(CWnd& wnd, const DialogTemplate& dialogTemplate, HWND owner) {
    installAccessibleInterfaces();
    const int scale = pixelScale();
    const QFont font = dialogFont(dialogTemplate, scale);
    const QSize base = baseUnits(font);
    const WindowRecord* ownerRecord = findWindow(owner);
    auto frame = std::make_unique<DialogFrame>(
        ownerRecord == nullptr ? nullptr : ownerRecord->widget,
        toPixels(base, 0, 0, dialogTemplate.cx, dialogTemplate.cy).size(), dialogTemplate.cx,
        base.width(), scale);
    frame->setFont(font);
    frame->setWindowTitle(displayText(toQString(wideView(dialogTemplate.caption))));

    auto record = std::make_unique<WindowRecord>();
    record->windowClass = WindowClass::Dialog;
    record->wnd = &wnd;
    record->widget = frame.get();
    record->style = dialogTemplate.style;
    record->text = wideView(dialogTemplate.caption);
    record->baseUnitX = base.width();
    record->baseUnitY = base.height();
    const HWND handle = registerWindow(std::move(record));
    frame->setHandle(handle);

    QWidget* previous = nullptr;
    for (const DialogItemTemplate& item : dialogTemplate.items) {
        const QRect rect = toPixels(base, item.x, item.y, item.cx, item.cy);
        QWidget* current = createControl(handle, frame.get(), item, rect.x(), rect.y(),
                                         rect.width(), rect.height());
        if (current == nullptr) {
            discardDialog(handle);
            return nullptr;
        }
        frame->addControl(current, QRect(item.x, item.y, item.cx, item.cy), current->geometry());
        if (previous != nullptr) {
            QWidget::setTabOrder(previous, current);
        }
        previous = current;
    }
    tieLabels(handle);
    wnd.m_hWnd = handle;
    frame.release();
    return handle;
}

QWidget* softKeyArea(HWND dialog) {
    const WindowRecord* record = findWindow(dialog);
    return record == nullptr || record->windowClass != WindowClass::Dialog
               ? nullptr
               : static_cast<DialogFrame*>(record->widget)->softKeyArea();
}

void fillScreen(HWND dialog) {
    const WindowRecord* record = findWindow(dialog);
    if (record != nullptr && record->windowClass == WindowClass::Dialog) {
        static_cast<DialogFrame*>(record->widget)->fillScreen();
    }
}

void leaveWindow(QWidget* window) {
    window->window()->showMinimized();
}

int pixelScale() {
    const RawResource* marker = findRawData(u"CEUX", u"HI_RES_AWARE");
    const bool aware = marker != nullptr && marker->data.size() >= 2 &&
                       (marker->data.items[0] | (marker->data.items[1] << 8)) == 1;
    return aware ? kHighResolutionScale : 1;
}

}  // namespace platform

BOOL MapDialogRect(HWND hDlg, LPRECT lpRect) {
    const platform::WindowRecord* record = platform::findWindow(hDlg);
    if (record == nullptr || record->windowClass != platform::WindowClass::Dialog ||
        lpRect == nullptr) {
        return FALSE;
    }
    lpRect->left = platform::mulDiv(lpRect->left, record->baseUnitX, 4);
    lpRect->right = platform::mulDiv(lpRect->right, record->baseUnitX, 4);
    lpRect->top = platform::mulDiv(lpRect->top, record->baseUnitY, 8);
    lpRect->bottom = platform::mulDiv(lpRect->bottom, record->baseUnitY, 8);
    return TRUE;
}
