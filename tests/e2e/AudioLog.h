// SPDX-License-Identifier: GPL-3.0-or-later
// Collects what the audio layer writes to its log, from any thread, while the object lives. Logs
// may nest: an inner one collects for the outer ones too.
#pragma once

#include <mutex>
#include <string>
#include <string_view>
#include <vector>

class AudioLog {
  public:
    // Starts collecting; every message still goes on to stderr as well.
    AudioLog();
    ~AudioLog();
    AudioLog(const AudioLog&) = delete;
    AudioLog& operator=(const AudioLog&) = delete;

    std::vector<std::string> Lines() const;
    // How many lines so far contain `text`.
    int Count(std::string_view text) const;
    void Clear();
    void Add(std::string line);

  private:
    AudioLog* outer_;
    mutable std::mutex mutex_;
    std::vector<std::string> lines_;
};
