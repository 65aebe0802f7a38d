// Sound-card capture: the source that opens a card through the CaptureDevice seam and hands
// the captured audio to the DSP thread through a lock-free ring, and the device list's lookups.
// The audio system itself is behind the seam, in portaudio_device.cpp.

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <exception>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "pskmodem/sources/audio_source.h"
#include "pskmodem/sources/spsc_ring.h"

namespace pskmodem {
namespace {

class SoundCardSource final : public AudioSource, private CaptureListener {
  public:
    SoundCardSource(int card, std::unique_ptr<CaptureDevice> device)
        : card_(card), device_(std::move(device)) {}
    ~SoundCardSource() override { stop(); }
    SoundCardSource(const SoundCardSource&) = delete;
    SoundCardSource& operator=(const SoundCardSource&) = delete;

    int start() override {
        if (running_) {
            return 0;
        }
        error_.clear();
        if (!device_) {
            error_ = "No audio system is available.";
            return toInt(SourceError::Failed);
        }
        const int card = currentCard();
        const std::optional<CaptureDeviceInfo> info =
            card >= 0 ? device_->describe(card) : std::nullopt;
        if (!info || info->maxInputChannels < 1) {
            error_ = card_ == 0 ? std::string("There is no sound card input.")
                     : known_   ? "The sound card \"" + name_ + "\" is not there."
                                : "There is no sound card number " + std::to_string(card_) + ".";
            return toInt(SourceError::NoDevice);
        }

        std::vector<double> rates(std::begin(kPreferredCaptureRatesHz),
                                  std::end(kPreferredCaptureRatesHz));
        if (info->defaultSampleRateHz > 0.0 &&
            std::find(rates.begin(), rates.end(), info->defaultSampleRateHz) == rates.end()) {
            rates.push_back(info->defaultSampleRateHz);
        }
        // Mono if offered; many devices only open in stereo or with all their channels.
        std::vector<int> channelCounts{1};
        for (const int c : {2, info->maxInputChannels}) {
            if (c <= info->maxInputChannels &&
                std::find(channelCounts.begin(), channelCounts.end(), c) == channelCounts.end()) {
                channelCounts.push_back(c);
            }
        }

        std::string deviceError;
        int result = toInt(SourceError::DeviceUnavailable);
        bool anySupported = false;
        for (const double rate : rates) {
            for (const int channels : channelCounts) {
                if (!device_->supports(card, rate, channels)) {
                    continue;
                }
                anySupported = true;
                result = startAt(card, rate, channels, deviceError);
                if (result == 0 || result == toInt(SourceError::NoAudio)) {
                    break;
                }
            }
            if (result == 0 || result == toInt(SourceError::NoAudio)) {
                break;
            }
        }
        if (result != 0) {
            if (!anySupported) {
                error_ = "The sound card \"" + info->name + "\" offers no usable sample format.";
            } else if (result == toInt(SourceError::NoAudio)) {
                error_ = "The sound card \"" + info->name + "\" delivers no audio.";
            } else {
                error_ = deviceError.empty() ? "The sound card cannot be opened." : deviceError;
            }
            return result;
        }
        running_ = true;
        return 0;
    }

    void stop() override {
        if (device_) {
            device_->stop();
        }
        running_ = false;
    }

    double sampleRateHz() const override { return rateHz_; }

    ReadResult read(std::span<float> out, std::chrono::milliseconds timeout) override {
        if (!running_ || !ring_) {
            return {0, ReadStatus::DeviceLost};
        }
        const auto deadline = Clock::now() + timeout;
        for (;;) {
            const std::size_t count = ring_->pop(out);
            const auto now = Clock::now();
            if (count > 0) {
                lastAudio_ = now;
                return {count, ReadStatus::Ok};
            }
            if (failed_.load(std::memory_order_acquire) || now - lastAudio_ > kDeviceSilenceLimit) {
                return {0, ReadStatus::DeviceLost};
            }
            if (now >= deadline || out.empty()) {
                return {0, ReadStatus::Ok};
            }
            // The capture callback may not signal (no locks, no system calls there), so the
            // reader polls; a few milliseconds are nothing against the device's buffering.
            std::this_thread::sleep_for(std::min<Clock::duration>(kPollInterval, deadline - now));
        }
    }

    std::string lastError() const override { return error_; }

    std::uint64_t droppedSamples() const override {
        return dropped_.load(std::memory_order_relaxed);
    }

    bool reopenable() const override { return true; }

  private:
    using Clock = std::chrono::steady_clock;
    static constexpr std::chrono::milliseconds kPollInterval{3};
    // Audio the ring between the capture thread and the DSP thread holds: far more than a busy
    // DSP thread ever lags, and still little memory at any device rate.
    static constexpr double kRingSeconds = 2.0;
    // Frames of a multi-channel buffer taken apart at a time into the left channel.
    static constexpr std::size_t kScratchFrames = 512;

    // The card number that opens this source's input now, -1 when it is gone. The first start
    // takes card_ as given and remembers which device that is; every later start lists the
    // devices afresh and finds that one again by name and host API.
    int currentCard() {
        if (attempted_) {
            device_->refresh();
        }
        attempted_ = true;
        if (card_ == 0) {
            return 0;  // the system's default input, whichever device that is now
        }
        const std::vector<InputDeviceInfo> devices = device_->inputDevices();
        if (!known_) {
            const auto it =
                std::find_if(devices.begin(), devices.end(),
                             [this](const InputDeviceInfo& d) { return d.card == card_; });
            if (it != devices.end() && !it->name.empty()) {
                name_ = it->name;
                hostApi_ = it->hostApi;
                known_ = true;
            }
            return card_;
        }
        // Within a run the device comes back through the same host API; a namesake through
        // another one is a different device.
        const auto found = std::find_if(devices.begin(), devices.end(), [this](const auto& d) {
            return d.name == name_ && d.hostApi == hostApi_;
        });
        return found != devices.end() ? found->card : -1;
    }

    int startAt(int card, double rateHz, int channels, std::string& error) {
        const auto capacity = static_cast<std::size_t>(rateHz * kRingSeconds);
        try {
            if (!ring_ || ring_->capacity() < capacity) {
                ring_ = std::make_unique<SpscRing<float>>(capacity);
            }
        } catch (const std::exception&) {
            error = "Out of memory for the capture buffer.";
            return toInt(SourceError::Failed);
        }
        ring_->clear();
        failed_.store(false, std::memory_order_relaxed);
        dropped_.store(0, std::memory_order_relaxed);
        framesCaptured_.store(0, std::memory_order_relaxed);
        rateHz_ = rateHz;

        const int result = device_->start(card, rateHz, channels, *this, error);
        if (result != 0) {
            return result;
        }
        // Audio counts as flowing only when the first buffer has really arrived.
        const auto giveUp = Clock::now() + kFirstAudioTimeout;
        while (framesCaptured_.load(std::memory_order_acquire) == 0 &&
               !failed_.load(std::memory_order_acquire) && Clock::now() < giveUp) {
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        if (framesCaptured_.load(std::memory_order_acquire) == 0) {
            device_->stop();
            return toInt(SourceError::NoAudio);
        }
        lastAudio_ = Clock::now();
        return 0;
    }

    // Capture thread: left channel into the ring, without locks or allocation.
    void captured(const float* interleaved, std::size_t frames, int channels) noexcept override {
        std::size_t lost = 0;
        if (channels <= 1) {
            lost = frames - ring_->push(std::span<const float>(interleaved, frames));
        } else {
            const auto stride = static_cast<std::size_t>(channels);
            for (std::size_t done = 0; done < frames;) {
                const std::size_t n = std::min(kScratchFrames, frames - done);
                for (std::size_t i = 0; i < n; ++i) {
                    scratch_[i] = interleaved[(done + i) * stride];
                }
                lost += n - ring_->push(std::span<const float>(scratch_.data(), n));
                done += n;
            }
        }
        if (lost > 0) {
            dropped_.fetch_add(lost, std::memory_order_relaxed);
        }
        framesCaptured_.fetch_add(frames, std::memory_order_release);
    }

    void streamFailed() noexcept override { failed_.store(true, std::memory_order_release); }

    const int card_;
    std::unique_ptr<CaptureDevice> device_;
    // The device card_ named at the first start, found again by these at every later one.
    bool attempted_ = false;
    bool known_ = false;
    std::string name_;
    std::string hostApi_;
    std::unique_ptr<SpscRing<float>> ring_;
    std::array<float, kScratchFrames> scratch_{};  // capture thread only
    std::atomic<std::uint64_t> framesCaptured_{0};
    std::atomic<std::uint64_t> dropped_{0};
    std::atomic<bool> failed_{false};
    double rateHz_ = 0.0;
    bool running_ = false;
    Clock::time_point lastAudio_{};  // reader only
    std::string error_;
};

}  // namespace

std::vector<InputDeviceInfo> CaptureDevice::inputDevices() {
    // Far more than any machine has; it only bounds the search of a device that answers for
    // every number.
    constexpr int kMaxCards = 256;
    std::vector<InputDeviceInfo> devices;
    const std::optional<CaptureDeviceInfo> defaultInput = describe(0);
    bool defaultSeen = false;
    for (int card = 1; card <= kMaxCards; ++card) {
        const std::optional<CaptureDeviceInfo> info = describe(card);
        if (!info) {
            break;
        }
        InputDeviceInfo device;
        device.name = info->name;
        device.card = card;
        device.isDefault = !defaultSeen && defaultInput && defaultInput->name == info->name;
        defaultSeen = defaultSeen || device.isDefault;
        device.maxInputChannels = info->maxInputChannels;
        device.defaultSampleRateHz = info->defaultSampleRateHz;
        devices.push_back(std::move(device));
    }
    return devices;
}

std::vector<InputDeviceInfo> listInputDevices(CaptureDevice& device) {
    return device.inputDevices();
}

std::optional<InputDeviceInfo> findInputDevice(const std::vector<InputDeviceInfo>& devices,
                                               std::string_view name, std::string_view hostApi) {
    if (name.empty()) {
        return std::nullopt;
    }
    const auto named = [name](const InputDeviceInfo& d) { return d.name == name; };
    const auto exact = std::find_if(devices.begin(), devices.end(), [&](const InputDeviceInfo& d) {
        return named(d) && d.hostApi == hostApi;
    });
    if (exact != devices.end()) {
        return *exact;
    }
    const auto byName = std::find_if(devices.begin(), devices.end(), named);
    if (byName != devices.end()) {
        return *byName;
    }
    return std::nullopt;
}

std::string inputDeviceCaption(const InputDeviceInfo& device) {
    return device.hostApi.empty() ? device.name : device.name + " [" + device.hostApi + "]";
}

std::optional<InputDeviceInfo> findInputDeviceNamed(const std::vector<InputDeviceInfo>& devices,
                                                    std::string_view text) {
    // A name may itself end in brackets: the caption of a listed device is tried first.
    for (const InputDeviceInfo& device : devices) {
        if (!device.hostApi.empty() && inputDeviceCaption(device) == text) {
            return device;
        }
    }
    return findInputDevice(devices, text, {});
}

std::unique_ptr<AudioSource> makeSoundCardSource(int card) {
    return std::make_unique<SoundCardSource>(card, makePortAudioCaptureDevice());
}

std::unique_ptr<AudioSource> makeSoundCardSource(int card, std::unique_ptr<CaptureDevice> device) {
    return std::make_unique<SoundCardSource>(card, std::move(device));
}

}  // namespace pskmodem
