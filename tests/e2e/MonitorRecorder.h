// SPDX-License-Identifier: GPL-3.0-or-later
// Records a sink's monitor with parec while a test plays into the sink.
#pragma once

#include <sys/types.h>

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <thread>
#include <vector>

class MonitorRecorder {
  public:
    // Starts parec on `source`, the default source unless named, in the program's format.
    explicit MonitorRecorder(const char* source = "@DEFAULT_SOURCE@");
    // Stops parec if it still runs.
    ~MonitorRecorder();
    MonitorRecorder(const MonitorRecorder&) = delete;
    MonitorRecorder& operator=(const MonitorRecorder&) = delete;

    // Waits until `count` samples have arrived in total; true if they have within `timeoutMs`.
    bool WaitForSamples(std::size_t count, int timeoutMs);
    // Waits until `count` samples have arrived from the first non-zero one on; true if they have
    // within `timeoutMs`. The monitor reaches the recorder late by however long the server and a
    // busy machine take, so a wait for what was played counts from where it was heard.
    bool WaitPastFirstSound(std::size_t count, int timeoutMs);
    // The samples recorded so far.
    std::vector<std::int16_t> Samples();
    // Stops recording and returns every sample recorded.
    std::vector<std::int16_t> Stop();

  private:
    void Read(int fd);

    pid_t pid_ = -1;
    std::mutex mutex_;
    std::condition_variable arrived_;
    std::vector<std::int16_t> samples_;
    std::thread reader_;
};

// The index of the first non-zero sample of a recording; its size when all of it is silent.
std::size_t FirstSound(const std::vector<std::int16_t>& recording);
