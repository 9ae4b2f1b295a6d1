// SPDX-License-Identifier: GPL-3.0-or-later
#include "tests/e2e/AudioLog.h"

#include <QString>
#include <QtGlobal>

#include <algorithm>
#include <cstring>
#include <utility>

namespace {

AudioLog* g_log = nullptr;
QtMessageHandler g_previous = nullptr;

void Collect(QtMsgType type, const QMessageLogContext& context, const QString& message);

}  // namespace

AudioLog::AudioLog() : outer_(g_log) {
    if (outer_ == nullptr) {
        g_previous = qInstallMessageHandler(&Collect);
    }
    g_log = this;
}

AudioLog::~AudioLog() {
    g_log = outer_;
    if (outer_ == nullptr) {
        qInstallMessageHandler(g_previous);
    }
}

std::vector<std::string> AudioLog::Lines() const {
    std::lock_guard lock(mutex_);
    return lines_;
}

int AudioLog::Count(std::string_view text) const {
    std::lock_guard lock(mutex_);
    return static_cast<int>(std::count_if(
        lines_.begin(), lines_.end(),
        [&](const std::string& line) { return line.find(text) != std::string::npos; }));
}

void AudioLog::Clear() {
    std::lock_guard lock(mutex_);
    lines_.clear();
}

void AudioLog::Add(std::string line) {
    if (outer_ != nullptr) {
        outer_->Add(line);
    }
    std::lock_guard lock(mutex_);
    lines_.push_back(std::move(line));
}

namespace {

void Collect(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    if (g_log != nullptr && context.category != nullptr &&
        std::strcmp(context.category, "tessivo.audio") == 0) {
        g_log->Add(message.toStdString());
    }
    if (g_previous != nullptr) {
        g_previous(type, context, message);
    }
}

}  // namespace
