// SPDX-License-Identifier: GPL-3.0-or-later
// The main routine of every test program that needs Qt: one QApplication for the whole run.
#include <gtest/gtest.h>

#include <QApplication>

#include "platform/detail/Translations.h"

// Qt never frees the recogniser that scrolling by touch registers, even when the gesture is
// given up; the leak checker is told so instead of failing every test that enters phone mode.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:QScroller::grabGesture\n";
}

int main(int argc, char** argv) {
    // Tests never need a screen; the variable is also missing when CTest lists the tests.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    // The window in the program's own language, whatever the machine's locale, and Qt's own
    // texts with it; a test of another language chooses it itself.
    platform::useLanguage({QStringLiteral("zh-CN")});
    ::testing::InitGoogleTest(&argc, argv);
    const int result = RUN_ALL_TESTS();
    // Windows destroyed by the tests leave their widgets to the event loop; delete them now so
    // that the leak checker sees a clean exit.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    return result;
}
