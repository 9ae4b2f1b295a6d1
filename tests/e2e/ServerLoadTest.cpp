// SPDX-License-Identifier: GPL-3.0-or-later
// The dialog on the shared private sound server under sustained use: a hundred Start/Stop
// cycles in each function, and a message of 999 characters played to its end, recorded on the
// sink's monitor and compared with what it should play.
#include <gtest/gtest.h>

#include <QCoreApplication>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <memory>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "audio/BackendSelection.h"
#include "audio/pulse/PulseBackend.h"
#include "morse/MorseSender.h"
#include "morse/SoundBuffers.h"
#include "platform/Resources.h"
#include "res/resource.h"
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

// What a symbol string plays, by the queue's mapping rules: the tone from its start for a dot
// or dash, silence for the gaps.
std::vector<std::int16_t> PlayedSamples(const std::u16string& symbols, const BYTE* tone) {
    std::vector<std::int16_t> samples;
    const auto append = [&](bool sound, int bytes) {
        const std::size_t start = samples.size();
        samples.resize(start + static_cast<std::size_t>(bytes) / 2, 0);
        if (sound) {
            std::memcpy(samples.data() + start, tone, static_cast<std::size_t>(bytes / 2) * 2);
        }
    };
    for (std::size_t i = 0; i < symbols.size(); ++i) {
        const char16_t s = symbols[i];
        if (s == u'.' || s == u'-') {
            append(true, s == u'.' ? kDotBytes : kDashBytes);
            if (i + 1 < symbols.size() && symbols[i + 1] != u' ' && symbols[i + 1] != u',') {
                append(false, kElementGapBytes);
            }
        } else if (s == u',') {
            append(false, kLetterGapBytes);
        } else if (s == u' ') {
            append(false, kWordGapBytes);
        }
    }
    return samples;
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
    std::vector<std::int16_t> expected;
    {
        CMorseSender encoder(WAVE_MAPPER, nullptr, FALSE);
        SymbolString encoded = encoder.EncodeText(text.c_str());
        symbols = encoded.c_str();
        encoded.Release();
        expected = PlayedSamples(symbols, g_tone.get());
        encoder.Close();
    }
    ASSERT_FALSE(symbols.empty());
    ASSERT_LE(symbols.size(), SymbolString::kMaxSymbols);
    const std::size_t seconds = expected.size() / kSamplesPerSecond;
    ASSERT_GE(seconds, 40u) << "the text should play for about a minute";
    ASSERT_LE(seconds, 80u) << "the text should play for about a minute";
    expected.resize(expected.size() + kSamplesPerSecond / 10, 0);

    // Every element where it belongs, to the end: sample for sample where the server does not
    // resample.
    EXPECT_TRUE(PlayedWithoutFault([&] {
        return RecordTwiceAndJudge(
            [&] {
                CCountingDlg::Run(*recorder_, [&](CCountingDlg& dlg) {
                    dlg.GetDlgItem(IDC_TEXT)->SetWindowText(text.c_str());
                    dlg.Click(IDC_START);
                    ASSERT_EQ(dlg.Text(IDC_START), kStop);
                    // Back to idle by itself once the last element has been played.
                    EXPECT_TRUE(dlg.PumpUntil([&] { return dlg.m_sender == nullptr; },
                                              static_cast<int>(seconds + 30) * 1000));
                    EXPECT_EQ(dlg.Text(IDC_START), kStart);
                });
            },
            expected, kSamplesPerSecond / 2);
    }));
}

}  // namespace
