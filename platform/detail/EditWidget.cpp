// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/detail/EditWidget.h"

#include <QApplication>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QScroller>

namespace platform {

void EditWidget::scrollByTouch() {
    QScroller::grabGesture(viewport(), QScroller::TouchGesture);
    touchScrolls_ = true;
}

void EditWidget::keyPressEvent(QKeyEvent* event) {
    const QString upper = event->text().toUpper();
    if (!uppercase_ || upper == event->text()) {
        QPlainTextEdit::keyPressEvent(event);
        return;
    }
    QKeyEvent converted(event->type(), event->key(), event->modifiers(), upper,
                        event->isAutoRepeat(), static_cast<quint16>(event->count()));
    QPlainTextEdit::keyPressEvent(&converted);
    event->setAccepted(converted.isAccepted());
}

void EditWidget::insertFromMimeData(const QMimeData* source) {
    if (!uppercase_ || !source->hasText()) {
        QPlainTextEdit::insertFromMimeData(source);
        return;
    }
    QMimeData converted;
    converted.setText(source->text().toUpper());
    QPlainTextEdit::insertFromMimeData(&converted);
}

void EditWidget::inputMethodEvent(QInputMethodEvent* event) {
    if (!uppercase_ || event->commitString().isEmpty()) {
        QPlainTextEdit::inputMethodEvent(event);
        return;
    }
    QInputMethodEvent converted(event->preeditString(), event->attributes());
    converted.setCommitString(event->commitString().toUpper(), event->replacementStart(),
                              event->replacementLength());
    QPlainTextEdit::inputMethodEvent(&converted);
}

void EditWidget::mousePressEvent(QMouseEvent* event) {
    if (!fromFinger(*event)) {
        QPlainTextEdit::mousePressEvent(event);
        return;
    }
    tapAt_ = event->position().toPoint();
    setFocus(Qt::MouseFocusReason);
}

void EditWidget::mouseMoveEvent(QMouseEvent* event) {
    if (!fromFinger(*event)) {
        QPlainTextEdit::mouseMoveEvent(event);
    }
}

void EditWidget::mouseReleaseEvent(QMouseEvent* event) {
    if (!fromFinger(*event)) {
        QPlainTextEdit::mouseReleaseEvent(event);
        return;
    }
    if ((event->position().toPoint() - tapAt_).manhattanLength() <
        QApplication::startDragDistance()) {
        setTextCursor(cursorForPosition(tapAt_));
    }
}

bool EditWidget::fromFinger(const QMouseEvent& event) const {
    return touchScrolls_ && event.device()->type() == QInputDevice::DeviceType::TouchScreen;
}

}  // namespace platform
