// SPDX-License-Identifier: GPL-3.0-or-later
// The dialog on a private sound server: Morse typed into the field is heard on the test sink,
// and a signal played into the sink is measured by the meter (its monitor is the default
// source).
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "morse/MorseSender.h"
#include "morse/SoundBuffers.h"
#include "platform/Resources.h"
#include "res/resource.h"
#include "tests/app/DialogRun.h"
#include "tests/e2e/MonitorRecorder.h"
#include "tests/e2e/SoundRuns.h"

namespace {

constexpr std::size_t kSamplesPerSecond = 22500;

struct Element {
    bool tone;
    int bytes;
};

// The samples a chain of elements plays: whole samples of each, the tone from its start.
std::vector<std::int16_t> Expected(const std::vector<Element>& elements,
                                   const std::vector<std::int16_t>& tone) {
    std::vector<std::int16_t> samples;
    for (const Element& e : elements) {
        const std::size_t n = static_cast<std::size_t>(e.bytes) / 2;
        for (std::size_t i = 0; i < n; ++i) {
            samples.push_back(e.tone ? tone[i] : 0);
        }
    }
    return samples;
}

class DialogSoundTest : public ::testing::Test {
  protected:
    void SetUp() override { platform::setResourceTable(g_resources); }

    // The tone every dot and dash is cut from, as the sender synthesises it.
    static std::vector<std::int16_t> Tone() {
        CMorseSender sender(WAVE_MAPPER, nullptr, FALSE);
        std::vector<std::int16_t> tone(static_cast<std::size_t>(g_dashBytes) / 2);
        std::memcpy(tone.data(), g_tone.get(), tone.size() * 2);
        sender.Close();
        return tone;
    }
};

TEST_F(DialogSoundTest, TypedTextIsHeardAsMorseAndTheDialogReturnsToIdle) {
    const std::vector<std::int16_t> tone = Tone();
    const Element dot{true, 1875}, dash{true, 5475}, element{false, 1800}, letter{false, 5475},
        word{false, 14400};
    // "SOS E": ...,---,... then a word gap and a dot.
    const std::vector<Element> elements = {
        dot,  element, dot, element, dot, letter,  dash, element, dash, element,
        dash, letter,  dot, element, dot, element, dot,  word,    dot};
    const std::vector<std::int16_t> expected = Expected(elements, tone);

    std::vector<std::int16_t> thenSilence = expected;
    thenSilence.resize(expected.size() + kSamplesPerSecond / 10, 0);
    // Sample for sample where the server does not resample: a gap anywhere would shift
    // everything after it.
    EXPECT_TRUE(PlayedWithoutFault([&] {
        return RecordTwiceAndJudge(
            [] {
                CTestMainDlg::Run([&](CTestMainDlg& dlg) {
                    ASSERT_GE(dlg.Send(IDC_DEVICE, CB_GETCOUNT), 1);
                    dlg.GetDlgItem(IDC_TEXT)->SetWindowText(u"SOS E");
                    dlg.Click(IDC_START);
                    EXPECT_EQ(dlg.Text(IDC_START), u"停止");
                    EXPECT_TRUE(dlg.PumpUntil([&] { return dlg.m_sender == nullptr; }, 5000));
                    EXPECT_EQ(dlg.Text(IDC_START), u"启动");
                });
            },
            thenSilence, kSamplesPerSecond / 5);
    }));
}

TEST_F(DialogSoundTest, StopSilencesTheSinkAtOnce) {
    MonitorRecorder recorder;
    ASSERT_TRUE(recorder.WaitForSamples(kSamplesPerSecond / 10, 3000));
    std::size_t stoppedAt = 0;
    CTestMainDlg::Run([&](CTestMainDlg& dlg) {
        dlg.GetDlgItem(IDC_TEXT)->SetWindowText(u"TTTTTTTTTT");
        dlg.Click(IDC_START);
        dlg.PumpUntil([] { return false; }, 500);
        stoppedAt = recorder.Samples().size();
        dlg.Click(IDC_START);
        EXPECT_EQ(dlg.m_sender, nullptr);
    });
    recorder.WaitForSamples(stoppedAt + kSamplesPerSecond / 2, 2000);
    const std::vector<std::int16_t> recording = recorder.Stop();
    std::size_t last = recording.size();
    while (last > 0 && recording[last - 1] == 0) {
        --last;
    }
    ASSERT_GT(last, FirstSound(recording));
    // Eight of the ten dashes were still to come at the click. At most the one sounding then
    // and the next may follow it: the recorder may lag the sink by a few tenths of a second on
    // a busy machine. How soon the sink falls silent is a figure for the benchmarks.
    std::size_t tonesAfter = 0;
    for (const SoundRun& run : SoundRunsOf(recording)) {
        tonesAfter += run.tone && run.start + run.length > stoppedAt;
    }
    EXPECT_LE(tonesAfter, 2u);
    const double silentAfterMs =
        1000.0 * (static_cast<double>(last) - stoppedAt) / kSamplesPerSecond;
    RecordProperty("silent_after_stop_ms", std::to_string(silentAfterMs));
}

// Plays a half-scale 1 kHz sine into the sink for a few seconds, as another program would.
class SinePlayer {
  public:
    SinePlayer() {
        std::vector<std::int16_t> samples(kSamplesPerSecond * 6);
        for (std::size_t i = 0; i < samples.size(); ++i) {
            samples[i] = static_cast<std::int16_t>(
                16384.0 *
                std::sin(2.0 * M_PI * 1000.0 * static_cast<double>(i) / kSamplesPerSecond));
        }
        m_samples = samples;
        char path[] = "/tmp/tessivo-sine-XXXXXX";
        const int fd = mkstemp(path);
        m_path = path;
        EXPECT_EQ(write(fd, samples.data(), samples.size() * 2),
                  static_cast<ssize_t>(samples.size() * 2));
        close(fd);
        m_pid = fork();
        if (m_pid == 0) {
            execlp("pacat", "pacat", "--playback", "--raw", "--rate=22500", "--channels=1",
                   "--format=s16le", "--latency-msec=20", m_path.c_str(), nullptr);
            _exit(127);
        }
    }
    ~SinePlayer() {
        kill(m_pid, SIGTERM);
        waitpid(m_pid, nullptr, 0);
        unlink(m_path.c_str());
    }
    const std::vector<std::int16_t>& Samples() const { return m_samples; }

  private:
    std::vector<std::int16_t> m_samples;
    std::string m_path;
    pid_t m_pid = -1;
};

// The level of one second as the meter defines it, in tenths of a decibel.
int LevelOf(const std::int16_t* samples) {
    double positive = 0, negative = 0;
    int countPositive = 1, countNegative = 1;
    for (std::size_t i = 0; i < kSamplesPerSecond; ++i) {
        if (samples[i] > 0) {
            positive += samples[i];
            ++countPositive;
        } else if (samples[i] < 0) {
            negative += samples[i];
            ++countNegative;
        }
    }
    return static_cast<int>(200.0 *
                            std::log10(positive / countPositive - negative / countNegative));
}

int ShownLevel(const std::u16string& text) {
    // "当前:L.T dB | 平均:…"
    const std::size_t colon = text.find(u':');
    const std::size_t dot = text.find(u'.', colon);
    std::string whole(text.begin() + static_cast<long>(colon) + 1,
                      text.begin() + static_cast<long>(dot));
    const int tenth = text[dot + 1] - u'0';
    const int value = std::abs(std::stoi(whole)) * 10 + tenth;
    return whole.front() == '-' ? -value : value;
}

TEST_F(DialogSoundTest, MeterShowsTheLevelOfASinePlayedIntoTheSink) {
    SinePlayer player;
    const int offline = LevelOf(player.Samples().data());
    CTestMainDlg::Run([&](CTestMainDlg& dlg) {
        dlg.UserSelects(IDC_FUNCTION, 1);
        dlg.Click(IDC_START);
        ASSERT_TRUE(dlg.PumpUntil([&] { return dlg.m_levelCount >= 2; }, 5000));
        const int shown = ShownLevel(dlg.Text(IDC_LEVEL));
        EXPECT_NEAR(shown, offline, 10) << "offline " << offline;
        // The trace of a sine reaches well away from the frame's centre line.
        CWnd* frame = dlg.GetDlgItem(IDC_WAVEFORM);
        RECT rect{};
        frame->GetWindowRect(&rect);
        const int height = rect.bottom - rect.top - 25;
        HDC dc = frame->GetDC();
        int blackRows = 0;
        for (int y = 20; y < 20 + height; ++y) {
            for (int x = 5; x < 5 + rect.right - rect.left - 10; ++x) {
                if ((GetPixel(dc, x, y) & 0xFFFFFF) == 0) {
                    ++blackRows;
                    break;
                }
            }
        }
        frame->ReleaseDC(dc);
        EXPECT_GT(blackRows, height / 3);
        dlg.Click(IDC_START);
        dlg.PumpUntil([&] { return dlg.m_meter == nullptr; }, 3000);
    });
}

}  // namespace
