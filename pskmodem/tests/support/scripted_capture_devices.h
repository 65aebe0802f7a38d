#pragma once

// Two scripted capture devices that the engine's tests hand to the sound-card source in place of
// the audio system: one stereo card whose behaviour a script sets and reads back, and a machine
// of named mono cards that are plugged in and pulled while the engine runs. Both deliver a tone
// over a little seeded noise on their own thread, at the pace of the card's clock.

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "pskmodem/sources/audio_source.h"
#include "support/capture_thread.h"

namespace pskmodem::test_support {

// The little noise under a scripted card's tone: the same seeded sequence at every start.
class Dither {
  public:
    void reset() { state_ = 12345; }
    // The next value, within +-0.01.
    double next() {
        state_ = state_ * 1664525U + 1013904223U;
        return (static_cast<double>(state_ >> 8) / 16777216.0 - 0.5) * 0.02;
    }

  private:
    std::uint32_t state_ = 12345;
};

// ---- A scripted stereo card -----------------------------------------------------------------

// What the test tells the device and what the device reports back; shared with the device,
// which the engine owns.
struct DeviceScript {
    // Fixed before start.
    bool exists = true;
    int maxInputChannels = 2;
    double defaultRateHz = 44100.0;
    std::vector<double> supportedRates{44100.0};
    bool openFails = false;
    double speed = 1.0;           // delivery pace relative to real time
    bool poisonSamples = false;   // every 7th left sample is NaN or infinite
    double leftToneHz = 1000.0;   // the left channel carries this tone (and a little noise);
    double rightToneHz = 2000.0;  // the right channel this one, which must never show

    // Changed while running.
    std::atomic<bool> delivering{true};
    std::atomic<bool> failNow{false};

    // Reported by the device.
    std::atomic<int> starts{0};
    std::atomic<int> stops{0};
    std::atomic<bool> streaming{false};
    std::atomic<double> openedRateHz{0.0};
    std::atomic<int> openedChannels{0};
    std::atomic<std::uint64_t> framesDelivered{0};
};

// Card 0 only, opened in stereo only, at the script's rates.
class ScriptedDevice final : public CaptureDevice {
  public:
    explicit ScriptedDevice(std::shared_ptr<DeviceScript> script) : script_(std::move(script)) {}
    ~ScriptedDevice() override { stop(); }
    ScriptedDevice(const ScriptedDevice&) = delete;
    ScriptedDevice& operator=(const ScriptedDevice&) = delete;

    std::optional<CaptureDeviceInfo> describe(int card) override;
    bool supports(int card, double rateHz, int channels) override;
    int start(int card, double rateHz, int channels, CaptureListener& listener,
              std::string& error) override;
    void stop() override;

  private:
    static constexpr std::size_t kFrames = 441;

    bool deliver(double rateHz, int channels, CaptureListener& listener);

    std::shared_ptr<DeviceScript> script_;
    // The stream's own state, used by its thread only.
    std::uint64_t samples_ = 0;
    Dither dither_;
    std::vector<float> buffer_;
    CaptureThread thread_;
};

// The sound-card source on card 0 of a scripted stereo card.
std::unique_ptr<AudioSource> scriptedCard(const std::shared_ptr<DeviceScript>& script);

// ---- A scripted machine with named input devices --------------------------------------------

struct CardScript {
    std::string name;
    std::string hostApi;
    double toneHz = 1000.0;  // what the card hears
    std::atomic<bool> openFails{false};
    std::atomic<bool> pulled{false};  // its stream dies
    std::atomic<int> starts{0};
    std::atomic<int> stops{0};
    std::atomic<bool> streaming{false};
};

// Cards 1..N of the machine; card 0 is the system's default input, `defaultCard`. Cards are
// plugged in and pulled while the engine runs (under the lock).
struct Machine {
    std::mutex mutex;
    std::vector<std::shared_ptr<CardScript>> cards;
    int defaultCard = 1;

    std::shared_ptr<CardScript> pull(int number);
    void plug(int number, const std::shared_ptr<CardScript>& card);
    CardScript* card(int number);
};

// The one rate and channel count every card of the machine opens at.
inline constexpr double kMachineRateHz = 8000.0;

class MachineDevice final : public CaptureDevice {
  public:
    explicit MachineDevice(std::shared_ptr<Machine> machine) : machine_(std::move(machine)) {}
    ~MachineDevice() override { stop(); }
    MachineDevice(const MachineDevice&) = delete;
    MachineDevice& operator=(const MachineDevice&) = delete;

    std::optional<CaptureDeviceInfo> describe(int card) override;
    bool supports(int card, double rateHz, int channels) override;
    int start(int card, double rateHz, int channels, CaptureListener& listener,
              std::string& error) override;
    void stop() override;

  private:
    static constexpr std::size_t kFrames = 256;

    bool deliver(double rateHz, CaptureListener& listener);

    std::shared_ptr<Machine> machine_;
    CardScript* script_ = nullptr;
    // The stream's own state, used by its thread only.
    std::uint64_t samples_ = 0;
    Dither dither_;
    std::array<float, kFrames> buffer_{};
    CaptureThread thread_;
};

}  // namespace pskmodem::test_support
