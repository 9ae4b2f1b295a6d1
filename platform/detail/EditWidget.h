// SPDX-License-Identifier: GPL-3.0-or-later
// The widget behind a multi-line edit control. Internal to the platform layer.
#pragma once

#include <QPlainTextEdit>
#include <QPoint>

class QMouseEvent;

namespace platform {

// A multi-line edit. With ES_UPPERCASE every letter the user enters, typed, pasted or composed,
// arrives upper-case; text set by the program is kept as it is.
class EditWidget : public QPlainTextEdit {
  public:
    EditWidget(QWidget* parent, bool uppercase) : QPlainTextEdit(parent), uppercase_(uppercase) {}

    // A finger's drag scrolls the text instead of selecting it.
    void scrollByTouch();

  protected:
    void keyPressEvent(QKeyEvent* event) override;
    void insertFromMimeData(const QMimeData* source) override;
    void inputMethodEvent(QInputMethodEvent* event) override;
    // A finger's tap puts the cursor where it lands; its drag belongs to the scroller alone, so
    // the press is held back until the finger lifts without having moved.
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

  private:
    bool fromFinger(const QMouseEvent& event) const;

    bool uppercase_;
    bool touchScrolls_ = false;
    QPoint tapAt_;
};

}  // namespace platform
