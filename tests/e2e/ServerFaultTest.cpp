// The dialog when the sound server fails under it: killed during playback or capture, missing at
// start-up, or a selected device taken away. The program neither crashes nor hangs, Stop brings
// it back to idle, and once a server runs again on the same socket a new Start plays or captures
// again. Each test runs a server of its own, so that killing it leaves the shared server of the
// other tests alone.
#include <gtest/gtest.h>

#include <QCoreApplication>

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "audio/BackendSelection.h"
#include "audio/pulse/PulseBackend.h"
#include "platform/Resources.h"
#include "res/resource.h"
#include "tests/e2e/MonitorRecorder.h"
#include "tests/load/CountingDlg.h"
#include "tests/load/RecordingBackend.h"

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;

const std::u16string kStart = u"启动";
const std::u16string kStop = u"停止";
constexpr std::size_t kSamplesPerSecond = 22500;
// A dialog call or a round of the event loop taking longer than this is taken for a hang. The
// backend gives up on a silent server after one second.
constexpr double kHangBoundMs = 3000;
// Without a server nothing may block the user interface noticeably.
constexpr double kNoServerBoundMs = 100;

double MsSince(Clock::time_point begin) {
    return std::chrono::duration<double, std::milli>(Clock::now() - begin).count();
}

// Runs a program to its end and returns its exit status, or -1 if it could not run.
int RunProgram(const std::vector<std::string>& arguments) {
    std::vector<char*> argv;
    for (const std::string& argument : arguments) {
        argv.push_back(const_cast<char*>(argument.c_str()));
    }
    argv.push_back(nullptr);
    pid_t pid = -1;
    if (posix_spawnp(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0) {
        return -1;
    }
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// A sound server on a socket of its own, run by the project's test server script. Its directory
// belongs to this build tree, so that a server left behind by a crash is stopped by the next
// start or by the cleanup step of the test run.
class PrivateServer {
  public:
    PrivateServer() : dir_(TESSIVO_FAULT_SERVER_DIR) {}
    ~PrivateServer() { Stop(); }
    PrivateServer(const PrivateServer&) = delete;
    PrivateServer& operator=(const PrivateServer&) = delete;

    std::string Address() const { return "unix:" + dir_ + "/pulse.sock"; }
    // Starts the server, stopping one left over on the same socket first.
    bool Start() { return RunProgram({TESSIVO_PULSE_SCRIPT, "start", dir_}) == 0; }
    // Stops every process started for the server, by PID.
    void Stop() { RunProgram({TESSIVO_PULSE_SCRIPT, "stop", dir_}); }

    // Kills the daemon as a crash would, and waits until it is gone.
    bool Kill() {
        pid_t pid = 0;
        std::ifstream(dir_ + "/daemon.pid") >> pid;
        if (pid <= 0 || kill(pid, SIGKILL) != 0) {
            return false;
        }
        // The daemon is not this process's child; a zombie counts as gone.
        const auto begin = Clock::now();
        while (MsSince(begin) < 5000) {
            std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
            std::string ignored, state;
            if (!(stat >> ignored >> ignored >> state) || state == "Z") {
                return true;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return false;
    }

    // Loads a second null sink and returns its module index, or an empty string.
    std::string LoadSecondSink() {
        const std::string command =
            "PULSE_SERVER=" + Address() +
            " pactl load-module module-null-sink sink_name=second_sink format=s16le rate=22500"
            " channels=1 sink_properties=device.description=Second_Sink";
        std::string index;
        if (FILE* output = popen(command.c_str(), "r")) {
            char line[64] = {};
            if (fgets(line, sizeof(line), output) != nullptr) {
                index = std::to_string(std::atoi(line));
            }
            pclose(output);
        }
        return index;
    }

    bool UnloadModule(const std::string& index) {
        return RunProgram({"pactl", "--server=" + Address(), "unload-module", index}) == 0;
    }

  private:
    std::string dir_;
};

// Clicks Start/Stop and returns how long the dialog took to handle it, in milliseconds.
double TimedClick(CTestMainDlg& dlg) {
    const auto begin = Clock::now();
    dlg.Click(IDC_START);
    return MsSince(begin);
}

struct Pumped {
    bool done;
    double longestMs;  // the longest round of the loop: the handlers of what it delivered
};

// Runs the event loop until `done` holds or `timeoutMs` has passed.
Pumped PumpTimed(const std::function<bool()>& done, int timeoutMs) {
    Pumped pumped{false, 0};
    const auto begin = Clock::now();
    while (!(pumped.done = done()) && MsSince(begin) < timeoutMs) {
        const auto round = Clock::now();
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        pumped.longestMs = std::max(pumped.longestMs, MsSince(round));
    }
    return pumped;
}

// The number of samples well away from silence.
std::size_t Loud(const std::vector<std::int16_t>& samples) {
    std::size_t loud = 0;
    for (const std::int16_t sample : samples) {
        loud += sample > 4000 || sample < -4000;
    }
    return loud;
}

class ServerFaultTest : public ::testing::Test {
  protected:
    void SetUp() override {
        platform::setResourceTable(g_resources);
        // The backend reads the address when it first connects, which is after this.
        setenv("PULSE_SERVER", server_.Address().c_str(), 1);
        audio::SetAudioBackend(recorder_);
    }

    void TearDown() override {
        for (const std::string& breach : recorder_->Breaches()) {
            ADD_FAILURE() << breach;
        }
        // The backend lets go of the server before the server stops.
        audio::SetAudioBackend(nullptr);
        recorder_.reset();
        server_.Stop();
    }

    // A Start that is heard on the sink, and the dialog back to idle once the text has played.
    void PlaysAndReturnsToIdle(CCountingDlg& dlg) {
        MonitorRecorder monitor;
        ASSERT_TRUE(monitor.WaitForSamples(kSamplesPerSecond / 10, 3000));
        dlg.UserSelects(IDC_FUNCTION, 0);
        dlg.GetDlgItem(IDC_TEXT)->SetWindowText(u"SOS");
        EXPECT_LT(TimedClick(dlg), kHangBoundMs);
        EXPECT_TRUE(PumpTimed([&] { return dlg.m_sender == nullptr; }, 10000).done);
        EXPECT_EQ(dlg.Text(IDC_START), kStart);
        monitor.WaitForSamples(monitor.Samples().size() + kSamplesPerSecond / 5, 2000);
        // Nine tones of at least 900 samples each, nearly all of them loud.
        EXPECT_GT(Loud(monitor.Stop()), 9u * 600);
    }

    // A meter Start that measures a second, then Stop and the meter released. Returns the text
    // the second left.
    static std::u16string CapturesAgain(CCountingDlg& dlg) {
        dlg.UserSelects(IDC_FUNCTION, 1);
        EXPECT_LT(TimedClick(dlg), kHangBoundMs);
        EXPECT_TRUE(PumpTimed([&] { return dlg.m_levelCount >= 1; }, 5000).done);
        const std::u16string level = dlg.Text(IDC_LEVEL);
        EXPECT_LT(TimedClick(dlg), kHangBoundMs);
        EXPECT_TRUE(PumpTimed([&] { return dlg.m_meter == nullptr; }, 3000).done);
        EXPECT_EQ(dlg.Text(IDC_START), kStart);
        return level;
    }

    // After the failure: the handlers return promptly, the dialog runs on silently until Stop,
    // and Stop makes it idle with sender and meter released.
    static void StopsCleanlyAfterTheFailure(CCountingDlg& dlg) {
        const Pumped after = PumpTimed([] { return false; }, 1500);
        EXPECT_LT(after.longestMs, kHangBoundMs);
        EXPECT_EQ(dlg.Text(IDC_START), kStop);
        EXPECT_LT(TimedClick(dlg), kHangBoundMs);
        EXPECT_EQ(dlg.Text(IDC_START), kStart);
        EXPECT_EQ(dlg.m_sender, nullptr);
        EXPECT_EQ(dlg.m_meter, nullptr);
        EXPECT_TRUE(dlg.Enabled(IDC_FUNCTION));
    }

    PrivateServer server_;
    std::shared_ptr<RecordingBackend> recorder_ =
        std::make_shared<RecordingBackend>(audio::CreatePulseBackend());
};

TEST_F(ServerFaultTest, KilledDuringPlaybackThenPlaysOnARestartedServer) {
    ASSERT_TRUE(server_.Start());
    CCountingDlg::Run(*recorder_, [&](CCountingDlg& dlg) {
        ASSERT_EQ(dlg.Send(IDC_DEVICE, CB_GETCOUNT), 1);
        {
            MonitorRecorder monitor;
            ASSERT_TRUE(monitor.WaitForSamples(kSamplesPerSecond / 10, 3000));
            dlg.GetDlgItem(IDC_TEXT)->SetWindowText(u"TTTTTTTTTTTTTTTTTTTT");
            EXPECT_LT(TimedClick(dlg), kHangBoundMs);
            ASSERT_TRUE(PumpTimed([&] { return Loud(monitor.Samples()) > 0; }, 3000).done);
            ASSERT_TRUE(server_.Kill());
        }
        StopsCleanlyAfterTheFailure(dlg);
        // While the server is gone, Start runs silently until Stop and nothing blocks.
        EXPECT_LT(TimedClick(dlg), kNoServerBoundMs);
        EXPECT_EQ(dlg.Text(IDC_START), kStop);
        EXPECT_LT(TimedClick(dlg), kNoServerBoundMs);
        EXPECT_EQ(dlg.m_sender, nullptr);
        ASSERT_TRUE(server_.Start());
        PlaysAndReturnsToIdle(dlg);
    });
}

TEST_F(ServerFaultTest, KilledDuringCaptureThenCapturesOnARestartedServer) {
    ASSERT_TRUE(server_.Start());
    CCountingDlg::Run(*recorder_, [&](CCountingDlg& dlg) {
        dlg.UserSelects(IDC_FUNCTION, 1);
        EXPECT_LT(TimedClick(dlg), kHangBoundMs);
        ASSERT_NE(dlg.m_meter, nullptr);
        ASSERT_TRUE(dlg.m_meter->IsCapturing());
        // Killed within the first second: the device returns the buffer only partly filled.
        ASSERT_TRUE(server_.Kill());
        const Pumped failed = PumpTimed([&] { return dlg.m_levelCount == 1; }, 3000);
        EXPECT_TRUE(failed.done);
        EXPECT_LT(failed.longestMs, kHangBoundMs);
        const std::u16string partial = dlg.Text(IDC_LEVEL);
        StopsCleanlyAfterTheFailure(dlg);
        ASSERT_TRUE(server_.Start());
        // The sink is silent, so what was captured is silence, and the rest of the buffer must
        // read as silence too: the partial second shows the level of a silent one.
        EXPECT_EQ(CapturesAgain(dlg), partial);
    });
}

TEST_F(ServerFaultTest, MissingAtStartUpNothingBlocksAndStartRunsSilentlyUntilStop) {
    CCountingDlg::Run(*recorder_, [&](CCountingDlg& dlg) {
        EXPECT_LT(dlg.m_initDialogMs, kNoServerBoundMs);
        EXPECT_EQ(dlg.Send(IDC_DEVICE, CB_GETCOUNT), 0);
        for (int function : {0, 1}) {
            SCOPED_TRACE("function " + std::to_string(function));
            dlg.UserSelects(IDC_FUNCTION, function);
            EXPECT_LT(TimedClick(dlg), kNoServerBoundMs);
            EXPECT_EQ(dlg.Text(IDC_START), kStop);
            const Pumped running = PumpTimed([] { return false; }, 300);
            EXPECT_LT(running.longestMs, kNoServerBoundMs);
            EXPECT_EQ(dlg.Text(IDC_START), kStop);
            EXPECT_LT(TimedClick(dlg), kNoServerBoundMs);
            EXPECT_EQ(dlg.Text(IDC_START), kStart);
            EXPECT_EQ(dlg.m_sender, nullptr);
            EXPECT_EQ(dlg.m_meter, nullptr);
        }
        EXPECT_EQ(recorder_->BuffersQueued(), 0u);
        // A server that appears later is found by the next Start, on its default device.
        ASSERT_TRUE(server_.Start());
        PlaysAndReturnsToIdle(dlg);
        CapturesAgain(dlg);
    });
}

TEST_F(ServerFaultTest, SelectedDeviceGoneBeforeStartFailsQuietly) {
    ASSERT_TRUE(server_.Start());
    const std::string module = server_.LoadSecondSink();
    ASSERT_FALSE(module.empty());
    CCountingDlg::Run(*recorder_, [&](CCountingDlg& dlg) {
        ASSERT_EQ(dlg.Send(IDC_DEVICE, CB_GETCOUNT), 2);
        dlg.Send(IDC_DEVICE, CB_SETCURSEL, 1);
        ASSERT_EQ(dlg.Text(IDC_DEVICE), u"Second_Sink");
        ASSERT_TRUE(server_.UnloadModule(module));
        EXPECT_LT(TimedClick(dlg), kHangBoundMs);
        ASSERT_NE(dlg.m_sender, nullptr);
        EXPECT_EQ(dlg.m_sender->GetDevice(), nullptr);
        StopsCleanlyAfterTheFailure(dlg);
        EXPECT_EQ(recorder_->BuffersQueued(), 0u);
    });
}

TEST_F(ServerFaultTest, SelectedDeviceGoneDuringPlayback) {
    ASSERT_TRUE(server_.Start());
    const std::string module = server_.LoadSecondSink();
    ASSERT_FALSE(module.empty());
    CCountingDlg::Run(*recorder_, [&](CCountingDlg& dlg) {
        dlg.Send(IDC_DEVICE, CB_SETCURSEL, 1);
        ASSERT_EQ(dlg.Text(IDC_DEVICE), u"Second_Sink");
        dlg.GetDlgItem(IDC_TEXT)->SetWindowText(u"TTTTTTTTTTTTTTTTTTTT");
        EXPECT_LT(TimedClick(dlg), kHangBoundMs);
        ASSERT_TRUE(PumpTimed([&] { return recorder_->BuffersReported() >= 3; }, 3000).done);
        ASSERT_TRUE(server_.UnloadModule(module));
        StopsCleanlyAfterTheFailure(dlg);
        // The remaining device still plays.
        dlg.Send(IDC_DEVICE, CB_SETCURSEL, 0);
        PlaysAndReturnsToIdle(dlg);
    });
}

}  // namespace
