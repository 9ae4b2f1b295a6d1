// SPDX-License-Identifier: GPL-3.0-or-later
// The top-level window of a dialog and its construction from a template. Internal to the
// platform layer.
#pragma once

#include <QWidget>
#include <vector>

#include "platform/Resources.h"
#include "platform/Wnd.h"

namespace platform {

// A portrait, phone-like window: the dialog's controls at the top and, along the bottom edge, a
// strip reserved for the soft-key bar.
//
// On a desktop the window has the fixed size of the phone screen it stands for. On a real phone,
// or wherever the screen cannot hold that size or the compositor makes the window maximised or
// full-screen, it is in phone mode: it takes the size it is given, the controls narrow to its
// width, the strip stays on its bottom edge and everything tappable is finger-sized.
class DialogFrame : public QWidget {
  public:
    // Starts as large as the dialog itself, dialogSize in pixels, dialogUnits wide in dialog
    // units of unitX / 4 pixels each; scale is the number of pixels that stand for one pixel of
    // the phone's screen.
    DialogFrame(QWidget* owner, QSize dialogSize, int dialogUnits, int unitX, int scale);

    void setHandle(HWND handle) { handle_ = handle; }
    QWidget* softKeyArea() const { return softKeyArea_; }
    // A control made from the template, where units is its rectangle in dialog units and pixels
    // where the desktop layout put it.
    void addControl(QWidget* control, QRect units, QRect pixels);
    void fillScreen();

  protected:
    void changeEvent(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    // A phone's dialog is worked with keys from the start, so the control that has the focus
    // shows it at once, not only after the first Tab; Qt forgets that whenever a window is shown.
    void showEvent(QShowEvent* event) override;
    // The window's close button asks the dialog, like any other close, through WM_CLOSE.
    void closeEvent(QCloseEvent* event) override;
    // Esc is the phone's Back key, which a soft-key bar may take over first; it reaches the
    // window only with its default meaning. Neither Esc nor Enter is ever Cancel or OK here.
    void keyPressEvent(QKeyEvent* event) override;

  private:
    struct Placement {
        QWidget* control;
        QRect units;
        QRect pixels;
    };

    void enterPhoneMode();
    void layOutForPhone();
    int softKeyBarHeight() const;

    HWND handle_ = nullptr;
    QSize dialogSize_;
    int dialogUnits_;
    int naturalUnitX_;
    int scale_;
    QWidget* softKeyArea_;
    std::vector<Placement> placements_;
    bool phone_ = false;
};

// Builds the dialog's window and controls from the template and attaches it to wnd; returns the
// handle, or null when the template cannot be built (then nothing is left behind).
HWND createDialogWindow(CWnd& wnd, const DialogTemplate& dialogTemplate, HWND owner);

// The strip of a dialog window reserved for the soft-key bar, or null for other windows.
QWidget* softKeyArea(HWND dialog);

// Sizes the dialog's window like a phone screen that holds the dialog above the soft-key strip.
void fillScreen(HWND dialog);

// The Back key's default meaning on the desktop: going back from the program puts its window out
// of the way, minimised.
void leaveWindow(QWidget* window);

// How many desktop pixels stand for one pixel of the phone's screen: 2 when the program's
// resources mark it as scaling itself (type u"CEUX", name u"HI_RES_AWARE", the 16-bit value 1),
// so that its dialogs are readable on the desktop; otherwise 1, the phone's fixed layout at 96
// pixels per inch.
int pixelScale();

}  // namespace platform
