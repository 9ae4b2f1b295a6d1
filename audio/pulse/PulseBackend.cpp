// SPDX-License-Identifier: GPL-3.0-or-later
#include "audio/pulse/PulseBackend.h"

#include <algorithm>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "audio/pulse/CaptureStream.h"
#include "audio/pulse/PlaybackStream.h"

namespace audio {
namespace {

struct SinkEntry {
    std::string name;
    std::string description;
};

// Decodes UTF-8 as the server sends it; a malformed sequence becomes U+FFFD.
std::u16string Utf16FromUtf8(const std::string& text) {
    std::u16string result;
    std::size_t i = 0;
    while (i < text.size()) {
        const auto lead = static_cast<unsigned char>(text[i]);
        const int length = lead < 0x80 ? 1 : lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : 2;
        char32_t code = length == 1 ? lead : lead & (0x3F >> (length - 1));
        bool valid = (lead < 0x80 || lead >= 0xC2) && lead < 0xF5 && i + length <= text.size();
        for (int k = 1; valid && k < length; ++k) {
            const auto next = static_cast<unsigned char>(text[i + k]);
            valid = (next & 0xC0) == 0x80;
            code = (code << 6) | (next & 0x3F);
        }
        constexpr char32_t kSmallest[] = {0, 0, 0x80, 0x800, 0x10000};
        if (!valid || code < kSmallest[length] || code > 0x10FFFF ||
            (code >= 0xD800 && code <= 0xDFFF)) {
            result.push_back(u'\uFFFD');
            ++i;
            continue;
        }
        if (code >= 0x10000) {
            code -= 0x10000;
            result.push_back(static_cast<char16_t>(0xD800 + (code >> 10)));
            result.push_back(static_cast<char16_t>(0xDC00 + (code & 0x3FF)));
        } else {
            result.push_back(static_cast<char16_t>(code));
        }
        i += static_cast<std::size_t>(length);
    }
    return result;
}

void OnSinkInfo(pa_context*, const pa_sink_info* info, int eol, void* userdata) {
    if (eol == 0 && info != nullptr) {
        static_cast<std::vector<SinkEntry>*>(userdata)->push_back(
            {info->name, info->description != nullptr ? info->description : info->name});
    }
}

void OnServerInfo(pa_context*, const pa_server_info* info, void* userdata) {
    if (info != nullptr && info->default_sink_name != nullptr) {
        *static_cast<std::string*>(userdata) = info->default_sink_name;
    }
}

class PulseBackend final : public AudioBackend {
  public:
    ~PulseBackend() override {
        PulseLoop::Lock lock(loop_);
        outputs_.clear();
        inputs_.clear();
        closing_.clear();
    }

    // Lists the sinks anew; from now on the device ids name these sinks.
    UINT OutputDeviceCount() override {
        PulseLoop::Lock lock(loop_);
        listed_ = Sinks();
        return listed_ ? static_cast<UINT>(listed_->size()) : 0;
    }

    BackendStatus OutputDeviceName(UINT device, std::u16string& name) override {
        PulseLoop::Lock lock(loop_);
        // The mapper names the server's default sink as it is now, a device id its listed sink.
        const std::optional<std::vector<SinkEntry>> current =
            device == WAVE_MAPPER ? Sinks() : std::nullopt;
        const std::vector<SinkEntry>* sinks =
            device == WAVE_MAPPER ? (current ? &*current : nullptr) : Listed();
        if (sinks == nullptr) {
            return BackendStatus::kNoServer;
        }
        const SinkEntry* sink = nullptr;
        if (device != WAVE_MAPPER) {
            sink = device < sinks->size() ? &(*sinks)[device] : nullptr;
        } else if (const std::optional<std::string> fallback = DefaultSink()) {
            for (const SinkEntry& entry : *sinks) {
                if (entry.name == *fallback) {
                    sink = &entry;
                }
            }
        }
        if (sink == nullptr) {
            return BackendStatus::kBadDevice;
        }
        name = Utf16FromUtf8(sink->description);
        return BackendStatus::kOk;
    }

    BackendStatus Open(Direction direction, DeviceId id, UINT device,
                       CompletionSink& sink) override {
        PulseLoop::Lock lock(loop_);
        Reap();
        pa_context* context = loop_.Connect();
        if (context == nullptr) {
            return BackendStatus::kNoServer;
        }
        if (direction == Direction::kInput) {
            auto stream = std::make_unique<CaptureStream>(loop_, dispatcher_, id, sink);
            const BackendStatus status = stream->Connect(context);
            if (status == BackendStatus::kOk) {
                inputs_.emplace(id, std::move(stream));
            }
            return status;
        }
        // The mapper plays on whatever the server's default is at the time; a device id on the
        // sink it was listed for, which fails to open once that sink has gone.
        std::string sink_name;
        if (device != WAVE_MAPPER) {
            const std::vector<SinkEntry>* listed = Listed();
            if (listed == nullptr) {
                return BackendStatus::kNoServer;
            }
            if (device >= listed->size()) {
                return BackendStatus::kBadDevice;
            }
            sink_name = (*listed)[device].name;
        }
        // A message started while the end of the previous one still sounds waits for it, at
        // most the lead, so that the two never mix.
        loop_.WaitFor([this] {
            return std::all_of(closing_.begin(), closing_.end(),
                               [](const auto& closing) { return closing->Drained(); });
        });
        Reap();
        auto stream = std::make_unique<PlaybackStream>(loop_, dispatcher_, id, sink);
        const BackendStatus status =
            stream->Connect(context, sink_name.empty() ? nullptr : sink_name.c_str());
        if (status == BackendStatus::kOk) {
            outputs_.emplace(id, std::move(stream));
        }
        return status;
    }

    BackendStatus Prepare(Direction, DeviceId, const WAVEHDR&) override {
        return BackendStatus::kOk;
    }

    BackendStatus Unprepare(Direction, DeviceId, const WAVEHDR&) override {
        return BackendStatus::kOk;
    }

    BackendStatus Queue(Direction direction, DeviceId id, const QueuedBuffer& buffer) override {
        PulseLoop::Lock lock(loop_);
        if (direction == Direction::kOutput) {
            PlaybackStream* stream = Find(outputs_, id);
            return stream != nullptr ? stream->Queue(buffer) : BackendStatus::kFailed;
        }
        CaptureStream* stream = Find(inputs_, id);
        return stream != nullptr ? stream->Queue(buffer) : BackendStatus::kFailed;
    }

    BackendStatus Start(DeviceId id) override {
        PulseLoop::Lock lock(loop_);
        CaptureStream* stream = Find(inputs_, id);
        return stream != nullptr ? stream->Start() : BackendStatus::kFailed;
    }

    BackendStatus Stop(DeviceId id) override {
        PulseLoop::Lock lock(loop_);
        CaptureStream* stream = Find(inputs_, id);
        return stream != nullptr ? stream->Stop() : BackendStatus::kFailed;
    }

    BackendStatus Reset(Direction direction, DeviceId id) override {
        PulseLoop::Lock lock(loop_);
        if (direction == Direction::kOutput) {
            PlaybackStream* stream = Find(outputs_, id);
            return stream != nullptr ? stream->Reset() : BackendStatus::kFailed;
        }
        CaptureStream* stream = Find(inputs_, id);
        return stream != nullptr ? stream->Reset() : BackendStatus::kFailed;
    }

    BackendStatus Close(Direction direction, DeviceId id) override {
        PulseLoop::Lock lock(loop_);
        if (direction == Direction::kInput) {
            return inputs_.erase(id) == 1 ? BackendStatus::kOk : BackendStatus::kFailed;
        }
        const auto output = outputs_.find(id);
        if (output == outputs_.end()) {
            return BackendStatus::kFailed;
        }
        // What the server holds still plays out; the stream goes once it has.
        output->second->Drain();
        closing_.push_back(std::move(output->second));
        outputs_.erase(output);
        Reap();
        return BackendStatus::kOk;
    }

  private:
    template <typename Stream>
    static Stream* Find(std::map<DeviceId, std::unique_ptr<Stream>>& streams, DeviceId id) {
        const auto it = streams.find(id);
        return it != streams.end() ? it->second.get() : nullptr;
    }

    // Releases the closed streams that have played out.
    void Reap() {
        std::erase_if(closing_, [](const auto& stream) { return stream->Drained(); });
    }

    std::optional<std::vector<SinkEntry>> Sinks() {
        pa_context* context = loop_.Connect();
        if (context == nullptr) {
            return std::nullopt;
        }
        std::vector<SinkEntry> sinks;
        if (!loop_.Await(pa_context_get_sink_info_list(context, &OnSinkInfo, &sinks))) {
            return std::nullopt;
        }
        return sinks;
    }

    // The sinks the device ids stand for: those of the last listing, or of one made now if
    // there has been none. Null without a server.
    const std::vector<SinkEntry>* Listed() {
        if (!listed_) {
            listed_ = Sinks();
        }
        return listed_ ? &*listed_ : nullptr;
    }

    std::optional<std::string> DefaultSink() {
        pa_context* context = loop_.Connect();
        std::string name;
        if (context == nullptr ||
            !loop_.Await(pa_context_get_server_info(context, &OnServerInfo, &name))) {
            return std::nullopt;
        }
        return name;
    }

    // Declared before the loop so that it outlives the loop's thread, which posts to it.
    CompletionDispatcher dispatcher_;
    PulseLoop loop_;
    std::map<DeviceId, std::unique_ptr<PlaybackStream>> outputs_;
    std::map<DeviceId, std::unique_ptr<CaptureStream>> inputs_;
    std::vector<std::unique_ptr<PlaybackStream>> closing_;
    std::optional<std::vector<SinkEntry>> listed_;
};

}  // namespace

std::shared_ptr<AudioBackend> CreatePulseBackend() {
    return std::make_shared<PulseBackend>();
}

}  // namespace audio
