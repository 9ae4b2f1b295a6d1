// SPDX-License-Identifier: GPL-3.0-or-later
// The dialog when the sound server fails under it: killed during playback or capture, missing at
// start-up, or a selected device taken away. The program neither crashes nor hangs, the run ends
// by itself with the reason in the audio log, and once a server runs again on the same socket a
// new Start plays or captures again. Each test runs a server of its own, so that killing it leaves
// the shared server of the other tests alone.
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
#include "tests/e2e/AudioLog.h"
#include "tests/e2e/MonitorRecorder.h"
#include "tests/load/CountingDlg.h"
#include "tests/load/RecordingBackend.h"

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;

const std::u16string kStart = u"启动";
const std::u16string kStop = u"停止";
constexpr std::size_t kSamplesPerSecond = 22500;
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
    bool Start() { return RunProgram({TESSIVO_SERVER_SCRIPT, "start", dir_}) == 0; }
    // Stops every process started for the server, by PID.
    void Stop() { RunProgram({TESSIVO_SERVER_SCRIPT, "stop", dir_}); }

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

    // What pactl prints for `arguments` on this server.
    std::string Pactl(const std::string& arguments) {
        std::string printed;
        const std::string command = "pactl --server=" + Address() + " " + arguments;
        if (FILE* output = popen(command.c_str(), "r")) {
            char chunk[4096];
            std::size_t got = 0;
            while ((got = fread(chunk, 1, sizeof(chunk), output)) > 0) {
                printed.append(chunk, got);
            }
            pclose(output);
        }
        return printed;
    }

    // Loads a null sink `name` (described as `description`) and returns its module index, or an
    // empty string.
    std::string LoadSink(const std::string& name, const std::string& description) {
        const std::string printed = Pactl("load-module module-null-sink sink_name=" + name +
                                          " format=s16le rate=22500 channels=1 norewinds=1"
                                          " sink_properties=device.description=" +
                                          description);
        return printed.empty() ? std::string() : std::to_string(std::atoi(printed.c_str()));
    }

    // Whether the program has a capture stream on the server.
    bool Captures() {
        return Pactl("list source-outputs").find("application.name = \"Tessivo\"") !=
               std::string::npos;
    }

    bool UnloadModule(const std::string& index) {
        return RunProgram({"pactl", "--server=" + Address(), "unload-module", index}) == 0;
    }

  private:
    std::string dir_;
};

// Runs the event loop until `done` holds or `timeoutMs` has passed; true if it holds. The
// timeout only ends a wait for what never comes.
bool Pump(const std::function<bool()>& done, int timeoutMs) {
    const auto begin = Clock::now();
    while (!done() && MsSince(begin) < timeoutMs) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    return done();
}

// The number of samples well away from silence.
std::size_t Loud(const std::vector<std::int16_t>& samples) {
    std::size_t loud = 0;
    for (const std::int16_t sample : samples) {
        loud += sample > 4000 || sample < -4000;
    }
    return loud;
}

// Whether the dialog is idle with everything released.
bool Idle(CCountingDlg& dlg) {
    return dlg.Text(IDC_START) == kStart && dlg.m_sender == nullptr && dlg.m_meter == nullptr;
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

    // A Start that is heard on the sink, and the dialog back to idle once the text has played;
    // a run that goes well writes nothing to the log.
    void PlaysAndReturnsToIdle(CCountingDlg& dlg) {
        MonitorRecorder monitor;
        ASSERT_TRUE(monitor.WaitForSamples(kSamplesPerSecond / 10, 3000));
        log_.Clear();
        dlg.UserSelects(IDC_FUNCTION, 0);
        dlg.GetDlgItem(IDC_TEXT)->SetWindowText(u"SOS");
        dlg.Click(IDC_START);
        EXPECT_TRUE(Pump([&] { return dlg.m_sender == nullptr; }, 10000));
        EXPECT_EQ(dlg.Text(IDC_START), kStart);
        monitor.WaitForSamples(monitor.Samples().size() + kSamplesPerSecond / 5, 2000);
        // Nine tones of at least 900 samples each, nearly all of them loud.
        EXPECT_GT(Loud(monitor.Stop()), 9u * 600);
        EXPECT_EQ(log_.Lines(), std::vector<std::string>{});
    }

    // A meter Start that measures a second, then Stop and the meter released. Returns the text
    // the second left.
    std::u16string CapturesAgain(CCountingDlg& dlg) {
        log_.Clear();
        dlg.UserSelects(IDC_FUNCTION, 1);
        dlg.Click(IDC_START);
        EXPECT_TRUE(Pump([&] { return dlg.m_levelCount >= 1; }, 5000));
        const std::u16string level = dlg.Text(IDC_LEVEL);
        dlg.Click(IDC_START);
        EXPECT_TRUE(Pump([&] { return dlg.m_meter == nullptr; }, 3000));
        EXPECT_EQ(dlg.Text(IDC_START), kStart);
        EXPECT_EQ(log_.Lines(), std::vector<std::string>{});
        return level;
    }

    // After the failure the run ends by itself, without a click: idle, everything released,
    // the inputs enabled, and the reason told once in the log.
    void EndsByItselfSaying(CCountingDlg& dlg, const std::string& reason) {
        EXPECT_TRUE(Pump([&] { return Idle(dlg); }, 5000));
        EXPECT_EQ(dlg.Text(IDC_START), kStart);
        EXPECT_EQ(dlg.m_sender, nullptr);
        EXPECT_EQ(dlg.m_meter, nullptr);
        EXPECT_TRUE(dlg.Enabled(IDC_FUNCTION));
        EXPECT_EQ(log_.Count(reason), 1) << ::testing::PrintToString(log_.Lines());
    }

    // A Start that cannot open its device is over at once, with the reason in the log.
    void StartFailsAtOnceSaying(CCountingDlg& dlg, int function, const std::string& reason) {
        log_.Clear();
        dlg.UserSelects(IDC_FUNCTION, function);
        dlg.Click(IDC_START);
        EXPECT_TRUE(Idle(dlg));
        EXPECT_TRUE(dlg.Enabled(IDC_FUNCTION));
        EXPECT_EQ(log_.Count(reason), 1) << ::testing::PrintToString(log_.Lines());
    }

    AudioLog log_;
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
            dlg.Click(IDC_START);
            ASSERT_TRUE(Pump([&] { return Loud(monitor.Samples()) > 0; }, 3000));
            ASSERT_TRUE(server_.Kill());
        }
        EndsByItselfSaying(dlg, "lost the connection to the sound server");
        // While the server is gone, each Start is over at once and says why.
        StartFailsAtOnceSaying(dlg, 0, "cannot connect to the sound server");
        StartFailsAtOnceSaying(dlg, 1, "cannot connect to the sound server");
        ASSERT_TRUE(server_.Start());
        PlaysAndReturnsToIdle(dlg);
    });
}

TEST_F(ServerFaultTest, KilledDuringCaptureThenCapturesOnARestartedServer) {
    ASSERT_TRUE(server_.Start());
    CCountingDlg::Run(*recorder_, [&](CCountingDlg& dlg) {
        dlg.UserSelects(IDC_FUNCTION, 1);
        dlg.Click(IDC_START);
        ASSERT_NE(dlg.m_meter, nullptr);
        ASSERT_TRUE(dlg.m_meter->IsCapturing());
        // Killed within the first second: the device returns the buffer only partly filled.
        ASSERT_TRUE(server_.Kill());
        EndsByItselfSaying(dlg, "lost the connection to the sound server");
        EXPECT_EQ(dlg.m_levelCount, 1);
        const std::u16string partial = dlg.Text(IDC_LEVEL);
        ASSERT_TRUE(server_.Start());
        // The sink is silent, so what was captured is silence, and the rest of the buffer must
        // read as silence too: the partial second shows the level of a silent one.
        EXPECT_EQ(CapturesAgain(dlg), partial);
    });
}

TEST_F(ServerFaultTest, MissingAtStartUpEachStartIsOverAtOnceAndSaysWhy) {
    CCountingDlg::Run(*recorder_, [&](CCountingDlg& dlg) {
        EXPECT_EQ(dlg.Send(IDC_DEVICE, CB_GETCOUNT), 0);
        for (int function : {0, 1}) {
            SCOPED_TRACE("function " + std::to_string(function));
            StartFailsAtOnceSaying(dlg, function, "cannot connect to the sound server");
        }
        EXPECT_EQ(recorder_->BuffersQueued(), 0u);
        // A server that appears later is found by the next Start, on its default device.
        ASSERT_TRUE(server_.Start());
        PlaysAndReturnsToIdle(dlg);
        CapturesAgain(dlg);
    });
}

TEST_F(ServerFaultTest, SelectedDeviceGoneBeforeStartFailsAtOnce) {
    ASSERT_TRUE(server_.Start());
    const std::string module = server_.LoadSink("second_sink", "Second_Sink");
    ASSERT_FALSE(module.empty());
    CCountingDlg::Run(*recorder_, [&](CCountingDlg& dlg) {
        ASSERT_EQ(dlg.Send(IDC_DEVICE, CB_GETCOUNT), 2);
        dlg.Send(IDC_DEVICE, CB_SETCURSEL, 1);
        ASSERT_EQ(dlg.Text(IDC_DEVICE), u"Second_Sink");
        ASSERT_TRUE(server_.UnloadModule(module));
        StartFailsAtOnceSaying(dlg, 0, "playback stream on second_sink failed");
        EXPECT_EQ(recorder_->BuffersQueued(), 0u);
    });
}

TEST_F(ServerFaultTest, SelectedDeviceGoneDuringPlaybackEndsTheRun) {
    ASSERT_TRUE(server_.Start());
    const std::string module = server_.LoadSink("second_sink", "Second_Sink");
    ASSERT_FALSE(module.empty());
    CCountingDlg::Run(*recorder_, [&](CCountingDlg& dlg) {
        dlg.Send(IDC_DEVICE, CB_SETCURSEL, 1);
        ASSERT_EQ(dlg.Text(IDC_DEVICE), u"Second_Sink");
        dlg.GetDlgItem(IDC_TEXT)->SetWindowText(u"TTTTTTTTTTTTTTTTTTTT");
        dlg.Click(IDC_START);
        ASSERT_TRUE(Pump([&] { return recorder_->BuffersReported() >= 3; }, 3000));
        ASSERT_TRUE(server_.UnloadModule(module));
        // The stream ends with its sink instead of moving to the other one.
        EndsByItselfSaying(dlg, "playback stream on second_sink failed");
        // The remaining device still plays.
        dlg.Send(IDC_DEVICE, CB_SETCURSEL, 0);
        PlaysAndReturnsToIdle(dlg);
    });
}

// The list names sinks, not positions: with the first of two added sinks gone, the second's
// entry still plays on the second, and its stream tells mixers who plays.
TEST_F(ServerFaultTest, ChosenSinkStaysChosenWhenAnEarlierOneGoes) {
    ASSERT_TRUE(server_.Start());
    const std::string first = server_.LoadSink("first_sink", "First_Sink");
    ASSERT_FALSE(first.empty());
    ASSERT_FALSE(server_.LoadSink("second_sink", "Second_Sink").empty());
    CCountingDlg::Run(*recorder_, [&](CCountingDlg& dlg) {
        ASSERT_EQ(dlg.Send(IDC_DEVICE, CB_GETCOUNT), 3);
        ASSERT_TRUE(server_.UnloadModule(first));
        dlg.Send(IDC_DEVICE, CB_SETCURSEL, 2);
        ASSERT_EQ(dlg.Text(IDC_DEVICE), u"Second_Sink");
        MonitorRecorder chosen("second_sink.monitor");
        MonitorRecorder other;
        ASSERT_TRUE(chosen.WaitForSamples(kSamplesPerSecond / 10, 3000));
        ASSERT_TRUE(other.WaitForSamples(kSamplesPerSecond / 10, 3000));
        dlg.GetDlgItem(IDC_TEXT)->SetWindowText(u"SOS");
        dlg.Click(IDC_START);
        ASSERT_NE(dlg.m_sender, nullptr);
        const std::string streams = server_.Pactl("list sink-inputs");
        for (const char* property :
             {"application.name = \"Tessivo\"", "application.id = \"tessivo\"",
              "application.icon_name = \"tessivo\"", "application.version = \"1.0.0.1\""}) {
            EXPECT_NE(streams.find(property), std::string::npos) << property << "\n" << streams;
        }
        EXPECT_TRUE(Pump([&] { return dlg.m_sender == nullptr; }, 10000));
        chosen.WaitForSamples(chosen.Samples().size() + kSamplesPerSecond / 5, 2000);
        other.WaitForSamples(other.Samples().size() + kSamplesPerSecond / 5, 2000);
        EXPECT_GT(Loud(chosen.Stop()), 9u * 600);
        EXPECT_EQ(Loud(other.Stop()), 0u);
    });
}

// A meter stopped during its second and a message started 0.3 s later: the meter's capture is
// gone when the message starts, and stays gone throughout.
TEST_F(ServerFaultTest, StoppedMeterLeavesNoCaptureDuringASend) {
    ASSERT_TRUE(server_.Start());
    CCountingDlg::Run(*recorder_, [&](CCountingDlg& dlg) {
        dlg.UserSelects(IDC_FUNCTION, 1);
        dlg.Click(IDC_START);
        ASSERT_NE(dlg.m_meter, nullptr);
        ASSERT_TRUE(server_.Captures());
        dlg.Click(IDC_START);
        Pump([] { return false; }, 300);
        dlg.UserSelects(IDC_FUNCTION, 0);
        dlg.GetDlgItem(IDC_TEXT)->SetWindowText(u"TTTTTTTTTT");
        dlg.Click(IDC_START);
        ASSERT_NE(dlg.m_sender, nullptr);
        int polls = 0;
        bool captured = false;
        Pump(
            [&] {
                captured = captured || server_.Captures();
                ++polls;
                return dlg.m_sender == nullptr;
            },
            15000);
        EXPECT_EQ(dlg.m_sender, nullptr);
        EXPECT_GT(polls, 10);
        EXPECT_FALSE(captured);
        EXPECT_EQ(dlg.m_meter, nullptr);
        EXPECT_EQ(dlg.m_levelCount, 0);
    });
}

}  // namespace
