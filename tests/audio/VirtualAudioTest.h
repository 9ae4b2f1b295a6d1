// SPDX-License-Identifier: GPL-3.0-or-later
// A test fixture with the virtual backend installed and a window that records completions.
#pragma once

#include <gtest/gtest.h>

#include <cstddef>
#include <memory>
#include <vector>

#include "audio/AudioFormat.h"
#include "audio/BackendSelection.h"
#include "audio/virtual/VirtualBackend.h"
#include "tests/audio/AudioNames.h"
#include "tests/support/MessageSink.h"

// A header over its own sample memory; it stays where it is, as prepared headers must.
struct TestBuffer {
    explicit TestBuffer(std::size_t bytes) : data(bytes) {
        for (std::size_t i = 0; i < bytes; ++i) {
            data[i] = static_cast<char>(i * 7 + 1);
        }
        header.lpData = data.data();
        header.dwBufferLength = static_cast<DWORD>(bytes);
    }
    TestBuffer(const TestBuffer&) = delete;
    TestBuffer& operator=(const TestBuffer&) = delete;

    std::vector<char> data;
    WAVEHDR header{};
};

class VirtualAudioTest : public ::testing::Test {
  protected:
    void SetUp() override {
        backend_->SetOutputDevices({u"Speaker", u"Headset"});
        audio::SetAudioBackend(backend_);
    }

    HWAVEOUT OpenOutput(UINT device = 0) {
        HWAVEOUT handle = nullptr;
        EXPECT_EQ(
            CodeName(waveOutOpen(&handle, device, &g_audioFormat,
                                 reinterpret_cast<DWORD_PTR>(sink_.hwnd()), 0, CALLBACK_WINDOW)),
            CodeName(MMSYSERR_NOERROR));
        return handle;
    }

    HWAVEIN OpenInput() {
        HWAVEIN handle = nullptr;
        EXPECT_EQ(
            CodeName(waveInOpen(&handle, WAVE_MAPPER, &g_audioFormat,
                                reinterpret_cast<DWORD_PTR>(sink_.hwnd()), 0, CALLBACK_WINDOW)),
            CodeName(MMSYSERR_NOERROR));
        return handle;
    }

    // The messages delivered so far once `count` have arrived (or a second has passed).
    std::vector<std::string> Delivered(std::size_t count) {
        sink_.WaitForMessages(count, 1000);
        return MessageTexts(sink_.messages());
    }

    // Whether more than `count` messages arrive within a short while.
    bool MoreThan(std::size_t count) { return sink_.WaitForMessages(count + 1, 50); }

    std::shared_ptr<audio::VirtualBackend> backend_ = std::make_shared<audio::VirtualBackend>();
    MessageSink sink_;
};
