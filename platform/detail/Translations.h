// SPDX-License-Identifier: GPL-3.0-or-later
// The language the user reads the window in. The program sets and reads its own texts exactly;
// what a window shows, and what assistive technology reads from it, is their translation into
// the user's language. Internal to the platform layer.
#pragma once

#include <QString>
#include <QStringList>

namespace platform {

// Chooses the first of the user's interface languages, most wanted first, that has a
// translation, and installs it with Qt's own translation for that language. Chinese, the
// language the program's texts are written in, stops the search, and is what remains when no
// language matches. Replaces the language installed before; a window shows the texts of the
// language installed when it was given them. Returns the language's code, e.g. "en" or "zh".
QString useLanguage(const QStringList& uiLanguages);

// useLanguage with the user's interface languages as Qt reads them from the environment
// (LANGUAGE, LC_ALL, LC_MESSAGES, LANG).
QString useUsersLanguage();

// What the window shows for a text the program gave it: its translation when the language has
// one, else the text itself. A text of several lines is translated line by line where it has
// no translation as a whole, and a text with numbers in it as a pattern in which the numbers
// stand as %1, %2 …, so that a line the program formats reads in the user's language with the
// program's own numbers.
QString displayText(const QString& text);

}  // namespace platform
