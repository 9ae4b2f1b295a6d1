// SPDX-License-Identifier: GPL-3.0-or-later
// The main window on a desktop screen keeps the phone screen's fixed size; made full-screen, as
// a window manager or a phone's compositor does, it takes the whole screen instead.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QScreen>
#include <QWidget>
#include <memory>

#include "audio/BackendSelection.h"
#include "audio/virtual/VirtualBackend.h"
#include "platform/Resources.h"
#include "platform/detail/DialogFrame.h"
#include "tests/app/DialogRun.h"

namespace {

TEST(FullScreenTest, ADesktopWindowMadeFullScreenTakesTheScreen) {
    platform::setResourceTable(g_resources);
    audio::SetAudioBackend(std::make_shared<audio::VirtualBackend>());
    CTestMainDlg::Run([](CTestMainDlg& dlg) {
        QWidget* window = dlg.Window();
        ASSERT_NE(window, nullptr);
        EXPECT_EQ(window->size(), QSize(374, 498));
        EXPECT_EQ(window->minimumSize(), window->maximumSize());

        window->setWindowState(Qt::WindowFullScreen);
        const QSize screen = window->screen()->size();
        EXPECT_TRUE(dlg.PumpUntil([&] { return window->size() == screen; }))
            << window->width() << "x" << window->height();
        EXPECT_LE(window->minimumWidth(), 320);
        EXPECT_LE(window->minimumHeight(), 480);
        const QWidget* strip = platform::softKeyArea(dlg.GetSafeHwnd());
        EXPECT_EQ(strip->geometry().bottom(), window->rect().bottom());
        EXPECT_EQ(strip->width(), window->width());
    });
}

}  // namespace
