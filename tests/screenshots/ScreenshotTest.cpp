// SPDX-License-Identifier: GPL-3.0-or-later
// Pictures of the main window as a user sees it, in the Morse function and in the meter function
// before and while it runs. Layout faults (clipped text, overlapping controls) only show to a
// person looking at them; the test makes sure the pictures exist and show a whole window.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QPixmap>
#include <QSet>
#include <QWidget>

#include <cstdint>
#include <memory>
#include <vector>

#include "audio/BackendSelection.h"
#include "audio/virtual/VirtualBackend.h"
#include "platform/Resources.h"
#include "res/resource.h"
#include "tests/app/DialogRun.h"
#include "tests/support/SampleBytes.h"

namespace {

const QString kDirectory = QStringLiteral(TESSIVO_SCREENSHOT_DIR);

// The dialog's top-level window: the one visible window whose title names the program.
QWidget* MainWindow() {
    QWidget* found = nullptr;
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (widget->isVisible() && widget->windowTitle().startsWith(QStringLiteral("Tessivo"))) {
            EXPECT_EQ(found, nullptr) << "more than one main window is shown";
            found = widget;
        }
    }
    return found;
}

int DistinctColours(const QImage& image) {
    QSet<QRgb> colours;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            colours.insert(image.pixel(x, y));
        }
    }
    return static_cast<int>(colours.size());
}

class ScreenshotTest : public ::testing::Test {
  protected:
    void SetUp() override {
        platform::setResourceTable(g_resources);
        // Device names as long as a sink's description may be, so that a cut-off shows.
        backend_->SetOutputDevices({u"Built-in Audio Analog Stereo", u"USB 耳机 (Headset)"});
        audio::SetAudioBackend(backend_);
        ASSERT_TRUE(QDir().mkpath(kDirectory));
    }

    // Saves the main window as name.png, reads the file back and checks that it holds the whole
    // window with real content; returns the picture.
    static QImage Shoot(const QString& name) {
        QWidget* window = MainWindow();
        if (window == nullptr) {
            ADD_FAILURE() << "no main window is shown for " << name.toStdString();
            return {};
        }
        const QString path = kDirectory + QLatin1Char('/') + name + QStringLiteral(".png");
        QFile::remove(path);
        EXPECT_TRUE(window->grab().save(path)) << path.toStdString();
        EXPECT_GT(QFileInfo(path).size(), 0) << path.toStdString();
        const QImage image(path);
        EXPECT_EQ(image.size(), window->size()) << path.toStdString();
        // Controls, text and frame lines give far more than a handful of colours; a blank or
        // single-colour picture means nothing was drawn.
        EXPECT_GT(DistinctColours(image), 16) << path.toStdString();
        return image;
    }

    std::shared_ptr<audio::VirtualBackend> backend_ = std::make_shared<audio::VirtualBackend>();
};

TEST_F(ScreenshotTest, MainWindowInBothFunctions) {
    CTestMainDlg::Run([&](CTestMainDlg& dlg) {
        dlg.Settle();
        QWidget* window = MainWindow();
        ASSERT_NE(window, nullptr);
        // A portrait, phone-like window of fixed size.
        EXPECT_EQ(window->minimumSize(), window->maximumSize());
        EXPECT_GE(window->height(), window->width() * 4 / 3);
        EXPECT_GT(window->height(), window->width());
        // Every control lies inside the window.
        for (QWidget* child : window->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
            if (child->isVisible()) {
                EXPECT_TRUE(window->rect().contains(child->geometry()))
                    << child->metaObject()->className() << " at " << child->x() << "," << child->y()
                    << " " << child->width() << "x" << child->height();
            }
        }

        const QImage morse = Shoot(QStringLiteral("main-morse"));

        dlg.UserSelects(IDC_FUNCTION, 1);
        dlg.Settle();
        const QImage meter = Shoot(QStringLiteral("main-meter"));
        EXPECT_NE(morse, meter) << "switching the function changed nothing visible";

        dlg.Click(IDC_START);
        const auto cycle = [&] {
            const int count = dlg.m_levelCount;
            const std::vector<char> second = ToneSecond();
            return dlg.m_meter != nullptr &&
                   backend_->FillInput(dlg.m_meter->GetDevice(), second) == second.size() &&
                   dlg.PumpUntil(
                       [&] { return dlg.m_levelCount != count || dlg.m_meter == nullptr; });
        };
        ASSERT_TRUE(cycle());
        dlg.Settle();
        EXPECT_NE(Shoot(QStringLiteral("main-meter-running")), meter);
        dlg.Click(IDC_START);
        ASSERT_TRUE(cycle());
    });
}

}  // namespace
