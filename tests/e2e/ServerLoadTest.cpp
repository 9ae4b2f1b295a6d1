// The dialog on the shared private sound server under sustained use: a hundred Start/Stop
// cycles in each function, and a message of 999 characters played to its end, whose tones are
// counted on the sink's monitor.
#include <gtest/gtest.h>

#include <QCoreApplication>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <memory>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "audio/BackendSelection.h"
#include "audio/pulse/PulseBackend.h"
#include "morse/MorseSender.h"
#include "platform/Resources.h"
#include "res/resource.h"
#include "tests/e2e/MonitorRecorder.h"
#include "tests/e2e/SoundRuns.h"
#include "tests/load/CountingDlg.h"
#include "tests/load/RecordingBackend.h"

namespace {

constexpr int kCycles = 100;
constexpr unsigned kSeed = 1250;
constexpr std::size_t kSamplesPerSecond = 22500;
constexpr std::size_t kTextUnits = 999;
const std::u16string kStart = u"启动";
const std::u16string kStop = u"停止";

// Element lengths in bytes of the sound format.
constexpr int kDotBytes = 1875;
constexpr int kDashBytes = 5475;
constexpr int kElementGapBytes = 1800;
constexpr int kLetterGapBytes = 5475;
constexpr int kWordGapBytes = 14400;

// Streams the server holds for clients: `kind` is "sink-inputs" or "source-outputs".
int ServerStreams(const char* kind) {
    const std::string command = std::string("pactl list short ") + kind;
    int lines = 0;
    if (FILE* output = popen(command.c_str(), "r")) {
        for (int c = fgetc(output); c != EOF; c = fgetc(output)) {
            lines += c == '\n';
        }
        pclose(output);
    }
    return lines;
}

// The tones whose length is neither a dot's nor a dash's (within the tolerance), for the failure
// message: a tone cut in two by a dropout shows here as two short ones.
std::string OddTones(const std::vector<SoundRun>& runs) {
    const std::size_t dot = kDotBytes / 2;
    const std::size_t dash = kDashBytes / 2;
    const auto near = [](std::size_t length, std::size_t meant) {
        return length + kRunTolerance >= meant && length <= meant + kRunTolerance;
    };
    std::string odd;
    for (const SoundRun& run : runs) {
        if (run.tone && !near(run.length, dot) && !near(run.length, dash)) {
            odd += " " + std::to_string(run.length) + " at " + std::to_string(run.start) + ";";
        }
    }
    return odd;
}

// 999 characters: a letter of the table (upper or lower case) every fifth character, the others
// outside the table and so silent, and a blank now and then. It plays for about a minute.
std::u16string LongMessage() {
    const std::u16string letters = u"ETIANMSUetianmsu";
    const std::u16string silent = u"#!&^%$*+=;<>[]{}|\u00F1\u00E9\u4E2D";
    std::u16string text;
    for (std::size_t i = 0; i < kTextUnits; ++i) {
        if (i % 100 == 99) {
            text.push_back(u' ');
        } else if (i % 5 == 0) {
            text.push_back(letters[(i / 5) % letters.size()]);
        } else {
            text.push_back(silent[i % silent.size()]);
        }
    }
    return text;
}

// How long a symbol string plays, in bytes of the sound format, by the queue's mapping rules.
long PlayingBytes(const std::u16string& symbols) {
    long bytes = 0;
    for (std::size_t i = 0; i < symbols.size(); ++i) {
        const char16_t s = symbols[i];
        if (s == u'.' || s == u'-') {
            bytes += s == u'.' ? kDotBytes : kDashBytes;
            if (i + 1 < symbols.size() && symbols[i + 1] != u' ' && symbols[i + 1] != u',') {
                bytes += kElementGapBytes;
            }
        } else if (s == u',') {
            bytes += kLetterGapBytes;
        } else if (s == u' ') {
            bytes += kWordGapBytes;
        }
    }
    return bytes;
}

class ServerLoadTest : public ::testing::Test {
  protected:
    void SetUp() override {
        platform::setResourceTable(g_resources);
        audio::SetAudioBackend(recorder_);
    }

    void TearDown() override {
        for (const std::string& breach : recorder_->Breaches()) {
            ADD_FAILURE() << breach;
        }
        audio::SetAudioBackend(nullptr);
    }

    std::shared_ptr<RecordingBackend> recorder_ =
        std::make_shared<RecordingBackend>(audio::CreatePulseBackend());
};

TEST_F(ServerLoadTest, AHundredStartStopCyclesInEachFunction) {
    const int sinkInputsBefore = ServerStreams("sink-inputs");
    const int sourceOutputsBefore = ServerStreams("source-outputs");
    std::mt19937 random(kSeed);
    CCountingDlg::Run(*recorder_, [&](CCountingDlg& dlg) {
        dlg.GetDlgItem(IDC_TEXT)->SetWindowText(u"SOS");
        for (int function : {0, 1}) {
            dlg.UserSelects(IDC_FUNCTION, function);
            for (int cycle = 0; cycle < kCycles; ++cycle) {
                SCOPED_TRACE("function " + std::to_string(function) + " cycle " +
                             std::to_string(cycle));
                dlg.Click(IDC_START);
                ASSERT_EQ(dlg.Text(IDC_START), kStop);
                // Now and then long enough for buffers to complete; a second brings the meter's.
                const int pumpMs = static_cast<int>(random() % 8 == 0 ? random() % 1200 : 0);
                dlg.PumpUntil([] { return false; }, pumpMs);
                QCoreApplication::processEvents();
                if (dlg.Text(IDC_START) == kStop) {
                    dlg.Click(IDC_START);
                }
                ASSERT_EQ(dlg.Text(IDC_START), kStart);
                ASSERT_EQ(dlg.m_sender, nullptr);
                if (random() % 2 == 0) {
                    QCoreApplication::processEvents();
                }
            }
        }
        // The last meter ends with its last second.
        EXPECT_TRUE(dlg.PumpUntil([&] { return dlg.m_meter == nullptr; }, 3000));
        EXPECT_EQ(dlg.Text(IDC_START), kStart);
    });
    EXPECT_GT(recorder_->BuffersReported(), 0u);
    // Every stream of the program leaves the server once it has played out.
    const auto begin = std::chrono::steady_clock::now();
    while (std::chrono::steady_clock::now() - begin < std::chrono::seconds(5) &&
           (ServerStreams("sink-inputs") != sinkInputsBefore ||
            ServerStreams("source-outputs") != sourceOutputsBefore)) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    EXPECT_EQ(ServerStreams("sink-inputs"), sinkInputsBefore);
    EXPECT_EQ(ServerStreams("source-outputs"), sourceOutputsBefore);
}

TEST_F(ServerLoadTest, AMessageOf999CharactersPlaysToItsEnd) {
    const std::u16string text = LongMessage();
    ASSERT_EQ(text.size(), kTextUnits);
    std::u16string symbols;
    {
        CMorseSender encoder(WAVE_MAPPER, nullptr, FALSE);
        SymbolString encoded = encoder.EncodeText(text.c_str());
        symbols = encoded.c_str();
        encoded.Release();
        encoder.Close();
    }
    ASSERT_FALSE(symbols.empty());
    ASSERT_LE(symbols.size(), SymbolString::kMaxSymbols);
    std::size_t tones = 0;
    for (const char16_t s : symbols) {
        tones += s == u'.' || s == u'-';
    }
    const long seconds = PlayingBytes(symbols) / 45000;
    ASSERT_GE(seconds, 40) << "the text should play for about a minute";
    ASSERT_LE(seconds, 80) << "the text should play for about a minute";

    MonitorRecorder monitor;
    ASSERT_TRUE(monitor.WaitForSamples(kSamplesPerSecond / 10, 3000));
    CCountingDlg::Run(*recorder_, [&](CCountingDlg& dlg) {
        dlg.GetDlgItem(IDC_TEXT)->SetWindowText(text.c_str());
        dlg.Click(IDC_START);
        ASSERT_EQ(dlg.Text(IDC_START), kStop);
        // Back to idle by itself once the last element has been played.
        EXPECT_TRUE(dlg.PumpUntil([&] { return dlg.m_sender == nullptr; },
                                  static_cast<int>(seconds + 30) * 1000));
        EXPECT_EQ(dlg.Text(IDC_START), kStart);
    });
    monitor.WaitForSamples(monitor.Samples().size() + kSamplesPerSecond / 2, 3000);
    const std::vector<SoundRun> heard = SoundRunsOf(monitor.Stop());
    const auto heardTones = static_cast<std::size_t>(
        std::count_if(heard.begin(), heard.end(), [](const SoundRun& run) { return run.tone; }));
    EXPECT_EQ(heardTones, tones) << "tones of unusual length:" << OddTones(heard);
}

}  // namespace
