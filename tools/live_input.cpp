#include "live_input.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <thread>

#include "pskmodem/types.h"

namespace quorvin::decode {
namespace {

// "2 s", "0.5 s".
std::string intervalText(std::chrono::milliseconds interval) {
    char text[32];
    std::snprintf(text, sizeof text, "%g s", static_cast<double>(interval.count()) / 1000.0);
    return text;
}

}  // namespace

std::string deviceListText(const std::vector<pskmodem::InputDeviceInfo>& devices) {
    std::string text;
    for (const pskmodem::InputDeviceInfo& device : devices) {
        text += std::to_string(device.card) + '\t' + device.name + '\t' + device.hostApi + '\t' +
                (device.isDefault ? "default" : "") + '\n';
    }
    return text;
}

DeviceChoice chooseDevice(const std::vector<pskmodem::InputDeviceInfo>& devices,
                          std::string_view name) {
    if (name == "default") {
        return {};
    }
    if (const auto found = pskmodem::findInputDeviceNamed(devices, name)) {
        return {found->card, {}};
    }
    return {-1, "no input device is named \"" + std::string(name) +
                    "\" (quorvin-decode --list-devices lists them)"};
}

InputReader::InputReader(std::unique_ptr<pskmodem::AudioSource> source, std::size_t chunkSamples,
                         std::chrono::milliseconds reopenInterval, Note note)
    : source_(std::move(source)),
      chunk_(std::max<std::size_t>(chunkSamples, 1)),
      reopenInterval_(reopenInterval),
      note_(std::move(note)),
      buffer_(chunk_) {}

InputReader::~InputReader() {
    stop();
}

std::string InputReader::start() {
    if (open()) {
        return {};
    }
    const std::string reason = source_->lastError();
    source_->stop();
    if (unusableRate_) {
        ended_ = true;
        return "the input has no usable sample rate";
    }
    if (!source_->reopenable()) {
        ended_ = true;
        return reason.empty() ? "cannot open the input" : reason;
    }
    note_("cannot open the sound card (" + (reason.empty() ? std::string("no audio") : reason) +
          "); trying again every " + intervalText(reopenInterval_));
    nextAttempt_ = std::chrono::steady_clock::now() + reopenInterval_;
    return {};
}

bool InputReader::open() {
    if (source_->start() != 0) {
        return false;
    }
    const double rateHz = source_->sampleRateHz();
    if (!(rateHz >= 1.0)) {
        unusableRate_ = true;
        return false;
    }
    secondsBefore_ = seconds_;
    samplesAtRate_ = 0;
    rateHz_ = rateHz;
    resampler_.reset();
    if (rateHz != static_cast<double>(pskmodem::kSampleRateHz)) {
        resampler_ = std::make_unique<pskmodem::Resampler>(
            rateHz, static_cast<double>(pskmodem::kSampleRateHz), 0.0, chunk_);
    }
    flowing_ = true;
    return true;
}

void InputReader::lost() {
    droppedBefore_ += source_->droppedSamples();
    source_->stop();
    flowing_ = false;
    if (!source_->reopenable()) {
        ended_ = true;
        return;
    }
    note_("the sound card was lost; opening it again every " + intervalText(reopenInterval_));
    nextAttempt_ = std::chrono::steady_clock::now() + reopenInterval_;
}

std::span<const float> InputReader::read(std::chrono::milliseconds timeout) {
    if (ended_) {
        return {};
    }
    if (!flowing_) {
        const auto now = std::chrono::steady_clock::now();
        if (now < nextAttempt_) {
            std::this_thread::sleep_for(
                std::min<std::chrono::steady_clock::duration>(timeout, nextAttempt_ - now));
            return {};
        }
        if (!open()) {
            source_->stop();
            nextAttempt_ = std::chrono::steady_clock::now() + reopenInterval_;
            return {};
        }
        note_("the sound card is back");
    }
    std::size_t wanted = chunk_;
    if (limitSeconds_) {
        // The limit in samples at the source's present rate, counting what came before.
        const double left = std::max(0.0, *limitSeconds_ - secondsBefore_);
        const auto limit = static_cast<std::uint64_t>(left * rateHz_ + 0.5);
        if (samplesAtRate_ >= limit) {
            ended_ = true;
            return {};
        }
        wanted = static_cast<std::size_t>(std::min<std::uint64_t>(wanted, limit - samplesAtRate_));
    }
    const pskmodem::ReadResult got = source_->read(std::span(buffer_).first(wanted), timeout);
    const std::size_t count = std::min(got.count, wanted);
    samplesAtRate_ += count;
    seconds_ = secondsBefore_ + static_cast<double>(samplesAtRate_) / rateHz_;
    const std::span<const float> samples = std::span(buffer_).first(count);
    const std::span<const float> audio = resampler_ ? resampler_->process(samples) : samples;
    if (got.status == pskmodem::ReadStatus::EndOfInput) {
        ended_ = true;
    } else if (got.status == pskmodem::ReadStatus::DeviceLost) {
        lost();
    }
    return audio;
}

std::span<const float> InputReader::flush() {
    return resampler_ ? resampler_->flush() : std::span<const float>();
}

void InputReader::stop() {
    if (source_ && flowing_) {
        droppedBefore_ += source_->droppedSamples();
    }
    if (source_) {
        source_->stop();
    }
    flowing_ = false;
}

std::uint64_t InputReader::droppedSamples() const {
    return droppedBefore_ + (source_ && flowing_ ? source_->droppedSamples() : 0);
}

}  // namespace quorvin::decode
