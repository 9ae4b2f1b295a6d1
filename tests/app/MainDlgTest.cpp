#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "audio/BackendSelection.h"
#include "audio/virtual/VirtualBackend.h"
#include "morse/SoundBuffers.h"
#include "platform/Resources.h"
#include "platform/wingdi.h"
#include "res/resource.h"
#include "tests/app/DialogRun.h"

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

TEST_F(MainDlgTest, NothingToPlayKeepsTheDialogRunningUntilStop) {
    struct Case {
        const char16_t* text;
        bool failOpen;
    };
    const Case cases[] = {{u"\u6469\u5C14", false}, {u"E", true}};
    for (const Case& c : cases) {
        if (c.failOpen) {
            backend_->FailNext("waveOutOpen", audio::BackendStatus::kFailed);
        }
        CTestMainDlg::Run([&](CTestMainDlg& dlg) {
            dlg.GetDlgItem(IDC_TEXT)->SetWindowText(c.text);
            dlg.Click(IDC_START);
            dlg.Settle();
            EXPECT_EQ(dlg.Text(IDC_START), kStop);
            ASSERT_NE(dlg.m_sender, nullptr);
            dlg.Click(IDC_START);
            EXPECT_EQ(dlg.m_sender, nullptr);
            EXPECT_EQ(dlg.Text(IDC_START), kStart);
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

}  // namespace
