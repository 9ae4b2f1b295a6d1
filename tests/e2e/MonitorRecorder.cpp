// SPDX-License-Identifier: GPL-3.0-or-later
#include "tests/e2e/MonitorRecorder.h"

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <string>

extern char** environ;

MonitorRecorder::MonitorRecorder(const char* source) {
    int fds[2];
    if (pipe(fds) != 0) {
        return;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, fds[0]);
    posix_spawn_file_actions_addclose(&actions, fds[1]);
    // A short latency, so that what reaches the monitor is read promptly.
    const std::string device = std::string("--device=") + source;
    const char* argv[] = {"parec",        "--raw",          "--rate=22500",
                          "--channels=1", "--format=s16le", "--latency-msec=10",
                          device.c_str(), nullptr};
    if (posix_spawnp(&pid_, "parec", &actions, nullptr, const_cast<char**>(argv), environ) != 0) {
        pid_ = -1;
    }
    posix_spawn_file_actions_destroy(&actions);
    close(fds[1]);
    reader_ = std::thread([this, fd = fds[0]] { Read(fd); });
}

MonitorRecorder::~MonitorRecorder() {
    Stop();
}

void MonitorRecorder::Read(int fd) {
    char buffer[4096];
    std::size_t carried = 0;
    while (true) {
        const ssize_t got = read(fd, buffer + carried, sizeof(buffer) - carried);
        if (got <= 0) {
            break;
        }
        const std::size_t bytes = carried + static_cast<std::size_t>(got);
        const std::size_t whole = bytes / 2;
        {
            std::lock_guard lock(mutex_);
            const std::size_t old = samples_.size();
            samples_.resize(old + whole);
            std::memcpy(samples_.data() + old, buffer, whole * 2);
        }
        arrived_.notify_all();
        carried = bytes % 2;
        if (carried != 0) {
            buffer[0] = buffer[bytes - 1];
        }
    }
    close(fd);
}

bool MonitorRecorder::WaitForSamples(std::size_t count, int timeoutMs) {
    std::unique_lock lock(mutex_);
    return arrived_.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                             [&] { return samples_.size() >= count; });
}

bool MonitorRecorder::WaitPastFirstSound(std::size_t count, int timeoutMs) {
    std::unique_lock lock(mutex_);
    return arrived_.wait_for(lock, std::chrono::milliseconds(timeoutMs), [&] {
        const std::size_t first = FirstSound(samples_);
        return first < samples_.size() && samples_.size() - first >= count;
    });
}

std::vector<std::int16_t> MonitorRecorder::Samples() {
    std::lock_guard lock(mutex_);
    return samples_;
}

std::vector<std::int16_t> MonitorRecorder::Stop() {
    if (pid_ > 0) {
        kill(pid_, SIGTERM);
        waitpid(pid_, nullptr, 0);
        pid_ = -1;
    }
    if (reader_.joinable()) {
        reader_.join();
    }
    return Samples();
}

std::size_t FirstSound(const std::vector<std::int16_t>& recording) {
    std::size_t i = 0;
    while (i < recording.size() && recording[i] == 0) {
        ++i;
    }
    return i;
}
