// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include <QAbstractButton>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>

#include "audio/BackendSelection.h"
#include "audio/virtual/VirtualBackend.h"
#include "meter/LevelMeter.h"
#include "morse/SoundBuffers.h"
#include "platform/Resources.h"
#include "platform/detail/Translations.h"
#include "platform/detail/WindowTable.h"
#include "platform/wingdi.h"
#include "res/resource.h"
#include "tests/app/DialogRun.h"
#include "tests/support/SampleBytes.h"

namespace {

const std::u16string kStart = u"启动";
const std::u16string kStop = u"停止";
const int kInputs[] = {IDC_DEVICE, IDC_FUNCTION, IDC_TEXT, IDC_SIGNALS};

class MainDlgTest : public ::testing::Test {
  protected:
    void SetUp() override {
        platform::setResourceTable(g_resources);
        backend_->SetOutputDevices({u"Speaker", u"Headset", u"Monitor"});
        audio::SetAudioBackend(backend_);
    }

    std::shared_ptr<audio::VirtualBackend> backend_ = std::make_shared<audio::VirtualBackend>();
};

TEST_F(MainDlgTest, AfterStartUp) {
    backend_->FailDeviceCaps(1, audio::BackendStatus::kFailed);
    CTestMainDlg::Run([](CTestMainDlg& dlg) {
        EXPECT_TRUE(dlg.m_initResult);
        EXPECT_EQ(dlg.Send(IDC_FUNCTION, CB_GETCURSEL), 0);
        EXPECT_EQ(dlg.Send(IDC_FUNCTION, CB_GETCOUNT), 2);
        EXPECT_EQ(dlg.Send(IDC_DEVICE, CB_GETCURSEL), 0);
        EXPECT_EQ(dlg.Send(IDC_DEVICE, CB_GETCOUNT), 3);
        EXPECT_TRUE(dlg.Visible(IDC_SIGNALS));
        EXPECT_TRUE(dlg.Visible(IDC_TEXT));
        EXPECT_FALSE(dlg.Visible(IDC_LEVEL));
        EXPECT_FALSE(dlg.Visible(IDC_WAVEFORM));
        EXPECT_EQ(dlg.Text(IDC_TEXT), u"type text here.");
        EXPECT_EQ(dlg.Text(IDC_START), kStart);
        EXPECT_EQ(dlg.Send(IDC_SIGNALS, BM_GETCHECK), BST_UNCHECKED);
    });
}

TEST_F(MainDlgTest, DeviceListKeepsIndexesAndNamesUnreadableDevicesUnknown) {
    backend_->FailDeviceCaps(1, audio::BackendStatus::kFailed);
    CTestMainDlg::Run([](CTestMainDlg& dlg) {
        // The list has no message to read an entry back; the combo box's text is the selection.
        const std::u16string expected[] = {u"Speaker", u"UNKNOW", u"Monitor"};
        for (int i = 0; i < 3; ++i) {
            dlg.Send(IDC_DEVICE, CB_SETCURSEL, static_cast<WPARAM>(i));
            EXPECT_EQ(dlg.Text(IDC_DEVICE), expected[i]) << "entry " << i;
        }
    });
}

TEST_F(MainDlgTest, FunctionSwitchShowsOneControlOfEachPair) {
    struct Case {
        int selection;
        bool morse;
        bool meter;
    };
    const Case cases[] = {{1, false, true}, {0, true, false}, {-1, false, false}};
    CTestMainDlg::Run([&](CTestMainDlg& dlg) {
        for (const Case& c : cases) {
            dlg.UserSelects(IDC_FUNCTION, c.selection);
            EXPECT_EQ(dlg.Visible(IDC_SIGNALS), c.morse) << c.selection;
            EXPECT_EQ(dlg.Visible(IDC_TEXT), c.morse) << c.selection;
            EXPECT_EQ(dlg.Visible(IDC_WAVEFORM), c.meter) << c.selection;
            EXPECT_EQ(dlg.Visible(IDC_LEVEL), c.meter) << c.selection;
        }
    });
}

TEST_F(MainDlgTest, StartAndStopSwitchCaptionAndInputs) {
    for (int function : {0, 1, -1}) {
        CTestMainDlg::Run([&](CTestMainDlg& dlg) {
            dlg.UserSelects(IDC_FUNCTION, function);
            dlg.Click(IDC_START);
            EXPECT_EQ(dlg.Text(IDC_START), kStop) << function;
            for (int id : kInputs) {
                EXPECT_FALSE(dlg.Enabled(id)) << "control " << id << " function " << function;
            }
            dlg.Click(IDC_START);
            EXPECT_EQ(dlg.Text(IDC_START), kStart) << function;
            for (int id : kInputs) {
                EXPECT_TRUE(dlg.Enabled(id)) << "control " << id << " function " << function;
            }
            EXPECT_EQ(dlg.m_sender, nullptr);
        });
    }
}

TEST_F(MainDlgTest, OnlyTheFirst999CharactersAreSent) {
    CTestMainDlg::Run([&](CTestMainDlg& dlg) {
        // 999 "E" fit into the symbol block; a 1000th character would make it overflow.
        const std::u16string text = std::u16string(999, u'E') + u"QQQQQQQQQQ";
        dlg.GetDlgItem(IDC_TEXT)->SetWindowText(text.c_str());
        dlg.Click(IDC_START);
        int headers = 0;
        for (const std::string& call : backend_->Calls()) {
            headers += call.rfind("waveOutPrepareHeader", 0) == 0;
        }
        EXPECT_EQ(headers, 999 + 998);  // a dot each, a letter gap between them
        dlg.Click(IDC_START);
    });
}

TEST_F(MainDlgTest, MorseRunsToItsEndAndReturnsToIdleByItself) {
    CTestMainDlg::Run([&](CTestMainDlg& dlg) {
        dlg.GetDlgItem(IDC_TEXT)->SetWindowText(u"E");
        dlg.Click(IDC_START);
        ASSERT_NE(dlg.m_sender, nullptr);
        const HWAVEOUT device = dlg.m_sender->GetDevice();
        EXPECT_EQ(backend_->QueuedHeaders(device).size(), 1u);
        EXPECT_TRUE(backend_->CompleteOutput(device));
        EXPECT_TRUE(dlg.PumpUntil([&] { return dlg.m_sender == nullptr; }));
        EXPECT_EQ(dlg.Text(IDC_START), kStart);
        EXPECT_TRUE(dlg.Enabled(IDC_TEXT));
        EXPECT_FALSE(g_tone);
        EXPECT_EQ(backend_->Calls().back(), "waveOutClose");
    });
}

// About a thousand characters of ordinary prose: far more symbols than one symbol string holds.
std::u16string Prose() {
    const std::u16string sentence = u"THE QUICK BROWN FOX JUMPS OVER THE LAZY DOG, 1234567890. ";
    std::u16string text;
    while (text.size() < 1000) {
        text += sentence;
    }
    return text.substr(0, 1000);
}

// Where no completion can ever come, Start is over at once: the caption is back, the inputs are
// enabled, the object is closed and gone, and no header stays with a device.
TEST_F(MainDlgTest, StartThatCanNeverCompleteReturnsToIdleAtOnce) {
    struct Case {
        const char* name;
        int function;
        std::u16string text;
        const char* failing;   // the backend operation that fails, or null
        const char* lastCall;  // the last device call, the close when a device was open
    };
    const Case cases[] = {
        {"no output device", 0, u"E", "waveOutOpen", "waveOutOpen 0"},
        {"text outside the table", 0, u"\u4F60\u597D", nullptr, "waveOutClose"},
        {"emoji", 0, u"\U0001F600", nullptr, "waveOutClose"},
        {"prose beyond the symbol string", 0, Prose(), nullptr, "waveOutClose"},
        {"first write refused", 0, u"SOS", "waveOutWrite", "waveOutClose"},
        {"no input device", 1, u"", "waveInOpen", "waveInOpen WAVE_MAPPER"},
        {"buffer not prepared", 1, u"", "waveInPrepareHeader", "waveInClose"},
        {"buffer not added", 1, u"", "waveInAddBuffer", "waveInClose"},
        {"device not started", 1, u"", "waveInStart", "waveInClose"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CTestMainDlg::Run([&](CTestMainDlg& dlg) {
            dlg.UserSelects(IDC_FUNCTION, c.function);
            dlg.GetDlgItem(IDC_TEXT)->SetWindowText(c.text.c_str());
            backend_->ClearCalls();
            if (c.failing != nullptr) {
                backend_->FailNext(c.failing, audio::BackendStatus::kNoServer);
            }
            dlg.Click(IDC_START);
            EXPECT_EQ(dlg.Text(IDC_START), kStart);
            for (int id : kInputs) {
                EXPECT_TRUE(dlg.Enabled(id)) << "control " << id;
            }
            EXPECT_EQ(dlg.m_sender, nullptr);
            EXPECT_EQ(dlg.m_meter, nullptr);
            const std::vector<std::string> calls = backend_->Calls();
            ASSERT_FALSE(calls.empty());
            EXPECT_EQ(calls.back(), c.lastCall);
            // A completion of what a reset handed back, if any, changes nothing.
            dlg.Settle();
            EXPECT_EQ(dlg.Text(IDC_START), kStart);
            EXPECT_EQ(dlg.Text(IDC_LEVEL), u"当前: 0 dB | 平均: 0 dB");
        });
    }
}

TEST_F(MainDlgTest, StopThenStartAgainWhileTheOldCompletionIsOnItsWay) {
    CTestMainDlg::Run([&](CTestMainDlg& dlg) {
        dlg.GetDlgItem(IDC_TEXT)->SetWindowText(u"SOS");
        dlg.Click(IDC_START);
        const HWAVEOUT first = dlg.m_sender->GetDevice();
        dlg.Click(IDC_START);  // Stop: the device hands its header back with a completion
        dlg.Click(IDC_START);  // Start again before that completion is handled
        ASSERT_NE(dlg.m_sender, nullptr);
        const HWAVEOUT second = dlg.m_sender->GetDevice();
        EXPECT_NE(first, second);
        const std::vector<const WAVEHDR*> queued = backend_->QueuedHeaders(second);
        ASSERT_EQ(queued.size(), 1u);
        const WAVEHDR* playing = queued.front();
        // The old completion is handled now and must leave the new queue where it is.
        dlg.Settle();
        EXPECT_EQ(backend_->QueuedHeaders(second), queued);
        EXPECT_EQ(playing->dwBufferLength, 1875u);
        dlg.Click(IDC_START);
    });
}

TEST_F(MainDlgTest, ClosingTheDialogWhileRunningReleasesSenderAndMeter) {
    for (int function : {0, 1}) {
        backend_->ClearCalls();
        CTestMainDlg::Run([&](CTestMainDlg& dlg) {
            dlg.UserSelects(IDC_FUNCTION, function);
            dlg.Click(IDC_START);
        });
        const std::vector<std::string> calls = backend_->Calls();
        ASSERT_FALSE(calls.empty());
        EXPECT_EQ(calls.back(), function == 0 ? "waveOutClose" : "waveInClose") << function;
    }
}

// The device fails mid-message: it hands back the header it held, the next write is refused,
// and the run ends as after its last element. A new Start plays again.
TEST_F(MainDlgTest, DeviceLostMidMessageEndsTheRun) {
    CTestMainDlg::Run([&](CTestMainDlg& dlg) {
        dlg.GetDlgItem(IDC_TEXT)->SetWindowText(u"SOS");
        dlg.Click(IDC_START);
        ASSERT_NE(dlg.m_sender, nullptr);
        const HWAVEOUT device = dlg.m_sender->GetDevice();
        for (int k = 0; k < 3; ++k) {
            ASSERT_TRUE(backend_->CompleteOutput(device));
            ASSERT_TRUE(dlg.PumpUntil([&] { return backend_->QueuedHeaders(device).size() == 1; }));
        }
        backend_->ClearCalls();
        ASSERT_TRUE(backend_->LoseDevice(device));
        EXPECT_TRUE(dlg.PumpUntil([&] { return dlg.m_sender == nullptr; }));
        EXPECT_EQ(dlg.Text(IDC_START), kStart);
        for (int id : kInputs) {
            EXPECT_TRUE(dlg.Enabled(id)) << "control " << id;
        }
        std::vector<std::string> calls;
        for (const std::string& call : backend_->Calls()) {
            calls.push_back(call.substr(0, call.find(' ')));
        }
        EXPECT_EQ(calls, (std::vector<std::string>{"waveOutUnprepareHeader", "waveOutWrite",
                                                   "waveOutClose"}));
        dlg.Click(IDC_START);
        ASSERT_NE(dlg.m_sender, nullptr);
        EXPECT_EQ(backend_->QueuedHeaders(dlg.m_sender->GetDevice()).size(), 1u);
        dlg.Click(IDC_START);
    });
}

}  // namespace

namespace {

// What a control shows the user, which a translation may make differ from its text.
std::u16string Shown(CTestMainDlg& dlg, int id) {
    QWidget* widget = platform::findWindow(dlg.GetDlgItem(id)->GetSafeHwnd())->widget;
    QString text;
    if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
        text = button->text();
    } else if (auto* label = qobject_cast<QLabel*>(widget)) {
        text = label->text();
    } else if (auto* group = qobject_cast<QGroupBox*>(widget)) {
        text = group->title();
    } else if (auto* list = qobject_cast<QComboBox*>(widget)) {
        text = list->currentText();
    }
    return text.toStdU16String();
}

// The window in English for one test, and in the program's own language again after it.
class EnglishWindow {
  public:
    EnglishWindow() : language_(platform::useLanguage({QStringLiteral("en-US")})) {}
    ~EnglishWindow() { platform::useLanguage({QStringLiteral("zh-CN")}); }
    EnglishWindow(const EnglishWindow&) = delete;
    EnglishWindow& operator=(const EnglishWindow&) = delete;

    const QString& Language() const { return language_; }

  private:
    QString language_;
};

// In English the window shows English over the program's own Chinese texts, which the program
// still sets and reads back: a send returns to "Start" by itself, a meter run shows its level in
// English with the program's numbers, and Stop brings "Start" back.
TEST_F(MainDlgTest, AnEnglishWindowRunsOverTheProgramsOwnTexts) {
    const EnglishWindow english;
    ASSERT_EQ(english.Language(), QStringLiteral("en"));
    CTestMainDlg::Run([&](CTestMainDlg& dlg) {
        const struct {
            int id;
            std::u16string own;
            std::u16string shown;
        } controls[] = {
            {IDC_START, kStart, u"Start"},
            {IDC_FUNCTION, u"摩尔斯码", u"Morse code"},
            {IDC_DEVICE, u"Speaker", u"Speaker"},
            {IDC_SIGNALS, u"插入起始和结束编码", u"Start and end signals"},
            {IDC_WAVEFORM, u"波形", u"Waveform"},
            {IDC_LEVEL, u"当前: 0 dB | 平均: 0 dB", u"Now: 0 dB | Average: 0 dB"},
        };
        for (const auto& control : controls) {
            SCOPED_TRACE(control.id);
            EXPECT_EQ(dlg.Text(control.id), control.own);
            EXPECT_EQ(Shown(dlg, control.id), control.shown);
        }

        dlg.GetDlgItem(IDC_TEXT)->SetWindowText(u"E");
        dlg.Click(IDC_START);
        EXPECT_EQ(dlg.Text(IDC_START), kStop);
        EXPECT_EQ(Shown(dlg, IDC_START), u"Stop");
        ASSERT_NE(dlg.m_sender, nullptr);
        EXPECT_TRUE(backend_->CompleteOutput(dlg.m_sender->GetDevice()));
        EXPECT_TRUE(dlg.PumpUntil([&] { return dlg.m_sender == nullptr; }));
        EXPECT_EQ(dlg.Text(IDC_START), kStart);
        EXPECT_EQ(Shown(dlg, IDC_START), u"Start");

        dlg.UserSelects(IDC_FUNCTION, 1);
        EXPECT_EQ(dlg.Text(IDC_FUNCTION), u"分贝计");
        EXPECT_EQ(Shown(dlg, IDC_FUNCTION), u"Sound meter");
        dlg.Click(IDC_START);
        EXPECT_EQ(Shown(dlg, IDC_START), u"Stop");
        ASSERT_NE(dlg.m_meter, nullptr);
        const std::vector<char> second = SampleBytes(
            CLevelMeter::kBufferBytes / 2, [](std::size_t) { return std::int16_t{1000}; });
        ASSERT_EQ(backend_->FillInput(dlg.m_meter->GetDevice(), second), second.size());
        ASSERT_TRUE(dlg.PumpUntil([&] { return dlg.m_levelCount == 1; }));
        EXPECT_EQ(dlg.Text(IDC_LEVEL), u"当前:59.9 dB | 平均:59.9 dB");
        EXPECT_EQ(Shown(dlg, IDC_LEVEL), u"Now: 59.9 dB | Average: 59.9 dB");
        dlg.Click(IDC_START);
        EXPECT_EQ(dlg.Text(IDC_START), kStart);
        EXPECT_EQ(Shown(dlg, IDC_START), u"Start");
        ASSERT_EQ(backend_->FillInput(dlg.m_meter->GetDevice(), second), second.size());
        EXPECT_TRUE(dlg.PumpUntil([&] { return dlg.m_meter == nullptr; }));
    });
}

}  // namespace
