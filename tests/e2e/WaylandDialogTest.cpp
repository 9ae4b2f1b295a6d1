// SPDX-License-Identifier: GPL-3.0-or-later
// The dialog as a native client of a Wayland compositor (run by scripts/weston-test-session):
// its window comes up with its caption and the size the compositor allows it, and a short
// message typed into it plays on the private sound server.
#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <QWindow>

#include <cstdint>
#include <cstring>
#include <vector>

#include "morse/MorseSender.h"
#include "morse/SoundBuffers.h"
#include "platform/Resources.h"
#include "res/Version.h"
#include "res/resource.h"
#include "tests/app/DialogRun.h"
#include "tests/e2e/SoundRuns.h"

namespace {

constexpr std::size_t kSamplesPerSecond = 22500;

// "EE": a dot, a letter gap, a dot, then silence.
std::vector<std::int16_t> Expected() {
    CMorseSender sender(WAVE_MAPPER, nullptr, FALSE);
    std::vector<std::int16_t> dot(static_cast<std::size_t>(g_dotBytes) / 2);
    std::memcpy(dot.data(), g_tone.get(), dot.size() * 2);
    std::vector<std::int16_t> samples = dot;
    samples.resize(samples.size() + static_cast<std::size_t>(g_letterGapBytes) / 2, 0);
    samples.insert(samples.end(), dot.begin(), dot.end());
    samples.resize(samples.size() + kSamplesPerSecond / 10, 0);
    sender.Close();
    return samples;
}

// Under a kiosk shell, as on a phone, the compositor makes every window full-screen; the
// window takes the output's size. On a desktop it keeps the phone screen's own size.
QSize ExpectedSize(const QWidget& window) {
    if (qEnvironmentVariable("TESSIVO_WESTON_SHELL") == QStringLiteral("kiosk")) {
        return window.screen()->size();
    }
    return {374, 498};
}

TEST(WaylandDialogTest, DialogComesUpAndPlaysAShortMessage) {
    ASSERT_EQ(QGuiApplication::platformName(), "wayland");
    platform::setResourceTable(g_resources);
    const std::vector<std::int16_t> expected = Expected();
    EXPECT_TRUE(PlayedWithoutFault([&] {
        return RecordTwiceAndJudge(
            [] {
                CTestMainDlg::Run([&](CTestMainDlg& dlg) {
                    QWidget* window = dlg.Window();
                    ASSERT_NE(window, nullptr);
                    EXPECT_EQ(window->windowTitle(), QString::fromUtf16(kDialogCaption));
                    // The compositor has configured the surface and shows it.
                    EXPECT_TRUE(dlg.PumpUntil(
                        [&] {
                            return window->windowHandle() != nullptr &&
                                   window->windowHandle()->isExposed();
                        },
                        5000));
                    // The compositor's size is applied once its configuration arrives.
                    EXPECT_TRUE(dlg.PumpUntil(
                        [&] {
                            return window->windowHandle()->geometry().size() ==
                                   ExpectedSize(*window);
                        },
                        5000))
                        << "window " << window->width() << "x" << window->height() << ", expected "
                        << ExpectedSize(*window).width() << "x" << ExpectedSize(*window).height();
                    dlg.GetDlgItem(IDC_TEXT)->SetWindowText(u"EE");
                    dlg.Click(IDC_START);
                    EXPECT_EQ(dlg.Text(IDC_START), u"停止");
                    EXPECT_TRUE(dlg.PumpUntil([&] { return dlg.m_sender == nullptr; }, 5000));
                    EXPECT_EQ(dlg.Text(IDC_START), u"启动");
                });
            },
            expected, kSamplesPerSecond / 10);
    }));
}

}  // namespace
