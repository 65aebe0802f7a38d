#include "support/scripted_capture_devices.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <limits>
#include <numbers>

namespace pskmodem::test_support {

// ---- ScriptedDevice -------------------------------------------------------------------------

std::optional<CaptureDeviceInfo> ScriptedDevice::describe(int card) {
    if (!script_->exists || card != 0) {
        return std::nullopt;
    }
    return CaptureDeviceInfo{"Scripted card", script_->maxInputChannels, script_->defaultRateHz};
}

bool ScriptedDevice::supports(int card, double rateHz, int channels) {
    // Like many sound cards: stereo only.
    return card == 0 && channels == 2 && channels <= script_->maxInputChannels &&
           std::find(script_->supportedRates.begin(), script_->supportedRates.end(), rateHz) !=
               script_->supportedRates.end();
}

int ScriptedDevice::start(int /*card*/, double rateHz, int channels, CaptureListener& listener,
                          std::string& error) {
    stop();
    if (script_->openFails) {
        error = "Device busy";
        return 2;
    }
    script_->starts.fetch_add(1);
    script_->openedRateHz.store(rateHz);
    script_->openedChannels.store(channels);
    script_->streaming.store(true);
    samples_ = 0;
    dither_.reset();
    buffer_.assign(kFrames * static_cast<std::size_t>(channels), 0.0F);
    const std::chrono::duration<double> period(static_cast<double>(kFrames) / rateHz /
                                               script_->speed);
    thread_.start(period, [this, rateHz, channels, &listener] {
        return deliver(rateHz, channels, listener);
    });
    return 0;
}

void ScriptedDevice::stop() {
    if (!thread_.stop()) {
        return;
    }
    script_->stops.fetch_add(1);
    script_->streaming.store(false);
}

// One buffer: a tone over a little noise on the left, the other tone on the right.
bool ScriptedDevice::deliver(double rateHz, int channels, CaptureListener& listener) {
    if (script_->failNow.load()) {
        listener.streamFailed();
        return false;  // a dead stream delivers nothing more
    }
    if (!script_->delivering.load()) {
        return true;
    }
    const auto stride = static_cast<std::size_t>(channels);
    for (std::size_t i = 0; i < kFrames; ++i, ++samples_) {
        const std::uint64_t n = samples_;
        const double t = static_cast<double>(n) / rateHz;
        const double dither = dither_.next();
        float left = static_cast<float>(
            0.3 * std::sin(2.0 * std::numbers::pi * script_->leftToneHz * t) + dither);
        if (script_->poisonSamples && n % 7 == 0) {
            left = (n % 14 == 0) ? std::numeric_limits<float>::quiet_NaN()
                                 : std::numeric_limits<float>::infinity();
        }
        buffer_[i * stride] = left;
        for (std::size_t c = 1; c < stride; ++c) {
            buffer_[i * stride + c] = static_cast<float>(
                0.3 * std::sin(2.0 * std::numbers::pi * script_->rightToneHz * t));
        }
    }
    listener.captured(buffer_.data(), kFrames, channels);
    script_->framesDelivered.fetch_add(kFrames);
    return true;
}

std::unique_ptr<AudioSource> scriptedCard(const std::shared_ptr<DeviceScript>& script) {
    return makeSoundCardSource(0, std::make_unique<ScriptedDevice>(script));
}

// ---- Machine --------------------------------------------------------------------------------

std::shared_ptr<CardScript> Machine::pull(int number) {
    const std::lock_guard lock(mutex);
    auto card = cards[static_cast<std::size_t>(number - 1)];
    cards.erase(cards.begin() + number - 1);
    card->pulled = true;
    return card;
}

void Machine::plug(int number, const std::shared_ptr<CardScript>& card) {
    const std::lock_guard lock(mutex);
    card->pulled = false;
    cards.insert(cards.begin() + number - 1, card);
}

CardScript* Machine::card(int number) {
    const std::lock_guard lock(mutex);
    const int n = number == 0 ? defaultCard : number;
    if (n < 1 || n > static_cast<int>(cards.size())) {
        return nullptr;
    }
    return cards[static_cast<std::size_t>(n - 1)].get();
}

// ---- MachineDevice --------------------------------------------------------------------------

std::optional<CaptureDeviceInfo> MachineDevice::describe(int card) {
    const CardScript* script = machine_->card(card);
    if (script == nullptr) {
        return std::nullopt;
    }
    return CaptureDeviceInfo{script->name, 1, kMachineRateHz};
}

bool MachineDevice::supports(int card, double rateHz, int channels) {
    return machine_->card(card) != nullptr && rateHz == kMachineRateHz && channels == 1;
}

int MachineDevice::start(int card, double rateHz, int /*channels*/, CaptureListener& listener,
                         std::string& error) {
    stop();
    CardScript* script = machine_->card(card);
    if (script == nullptr || script->openFails) {
        error = "Device busy";
        return toInt(SourceError::DeviceUnavailable);
    }
    script->starts.fetch_add(1);
    script->streaming.store(true);
    script_ = script;
    samples_ = 0;
    dither_.reset();
    thread_.start(std::chrono::duration<double>(static_cast<double>(kFrames) / rateHz),
                  [this, rateHz, &listener] { return deliver(rateHz, listener); });
    return 0;
}

void MachineDevice::stop() {
    if (!thread_.stop()) {
        return;
    }
    script_->stops.fetch_add(1);
    script_->streaming.store(false);
}

// One buffer: the tone over a little noise, which the spectrum measures its levels against.
bool MachineDevice::deliver(double rateHz, CaptureListener& listener) {
    if (script_->pulled) {
        listener.streamFailed();
        return false;
    }
    for (float& v : buffer_) {
        const double t = static_cast<double>(samples_++) / rateHz;
        v = static_cast<float>(0.3 * std::sin(2.0 * std::numbers::pi * script_->toneHz * t) +
                               dither_.next());
    }
    listener.captured(buffer_.data(), kFrames, 1);
    return true;
}

}  // namespace pskmodem::test_support
