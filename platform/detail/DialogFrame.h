// The top-level window of a dialog and its construction from a template. Internal to the
// platform layer.
#pragma once

#include <QWidget>

#include "platform/Resources.h"
#include "platform/Wnd.h"

namespace platform {

// A portrait, phone-like window: the dialog's controls at the top and, along the bottom edge, a
// strip reserved for the soft-key bar.
class DialogFrame : public QWidget {
  public:
    // Starts as large as the dialog itself, dialogSize in pixels.
    DialogFrame(QWidget* owner, QSize dialogSize);

    void setHandle(HWND handle) { handle_ = handle; }
    QWidget* softKeyArea() const { return softKeyArea_; }
    void fillScreen();

  protected:
    // The window's close button asks the dialog, like any other close, through WM_CLOSE.
    void closeEvent(QCloseEvent* event) override;

  private:
    HWND handle_ = nullptr;
    QSize dialogSize_;
    QWidget* softKeyArea_;
};

// Builds the dialog's window and controls from the template and attaches it to wnd; returns the
// handle, or null when the template cannot be built (then nothing is left behind).
HWND createDialogWindow(CWnd& wnd, const DialogTemplate& dialogTemplate, HWND owner);

// The strip of a dialog window reserved for the soft-key bar, or null for other windows.
QWidget* softKeyArea(HWND dialog);

// Sizes the dialog's window like a phone screen that holds the dialog above the soft-key strip.
void fillScreen(HWND dialog);

}  // namespace platform
