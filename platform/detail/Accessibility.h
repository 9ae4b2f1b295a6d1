// SPDX-License-Identifier: GPL-3.0-or-later
// How dialogs appear to assistive technology such as screen readers: the dialog's window as a
// dialog named by its caption, and each list and edit field tied to the static text that labels
// it. Internal to the platform layer.
#pragma once

#include "platform/wintypes.h"

class QLabel;

namespace platform {

// Makes Qt describe dialog windows and their lists through the platform's own accessible
// interfaces. Idempotent; it must run before the first dialog window is built, since Qt keeps the
// interface it made first for each widget.
void installAccessibleInterfaces();

// Ties the dialog's static texts to the controls they label, in template order, as a classic
// dialog does: a static text labels the first list or edit field after it, up to the next static
// text; one that starts hidden labels nothing. An edit field is named by its label, a list by its
// chosen entry, with the label beside it as a relation, as every toolkit does on Linux, so that a
// reader says both. An edit field without a label gets a generic name; buttons, check boxes and
// group boxes keep their captions.
void tieLabels(HWND dialog);

// Tells assistive technology that the control a label names has a new name, after the label's
// text has changed.
void labelTextChanged(const QLabel& label);

}  // namespace platform
