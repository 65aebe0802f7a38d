#pragma once

// quorvin-decode's input: choosing a sound card by name, and reading audio at 8000 samples/s from
// any source, opening a lost or missing sound card again until it is back.

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "pskmodem/dsp/resampler.h"
#include "pskmodem/sources/audio_source.h"

namespace quorvin::decode {

// What --list-devices prints: one line per input device, "card<TAB>name<TAB>host API<TAB>default"
// (the last field empty for every device but the system's default input).
std::string deviceListText(const std::vector<pskmodem::InputDeviceInfo>& devices);

// The card --device NAME opens: 0 for "default", otherwise the device named so (by caption or by
// name, pskmodem::findInputDeviceNamed). `error` says why there is none.
struct DeviceChoice {
    int card = 0;
    std::string error;
};
DeviceChoice chooseDevice(const std::vector<pskmodem::InputDeviceInfo>& devices,
                          std::string_view name);

// Reads a source and converts its audio to 8000 samples/s, up to a limit of audio time. A source
// that can come back (a sound card, AudioSource::reopenable) and fails to start or is lost is
// opened again every `reopenInterval` until it delivers; each change is told through `note`, once.
// Used by one thread.
class InputReader {
  public:
    using Note = std::function<void(const std::string&)>;

    InputReader(std::unique_ptr<pskmodem::AudioSource> source, std::size_t chunkSamples,
                std::chrono::milliseconds reopenInterval, Note note);
    ~InputReader();
    InputReader(const InputReader&) = delete;
    InputReader& operator=(const InputReader&) = delete;

    // Stop after this much audio (counted at the source's rate); unlimited by default.
    void limitSeconds(double seconds) { limitSeconds_ = seconds; }

    // Opens the source. Returns an empty string, or why the input cannot be read at all (a
    // source that cannot come back failed). A source that can come back and does not open now is
    // told about through `note` and opened again by read().
    std::string start();

    // Waits at most about `timeout` for audio and returns it at 8000 samples/s (possibly none).
    // The span stays valid until the next call.
    std::span<const float> read(std::chrono::milliseconds timeout);
    // True once the input has ended (the end of a file, the audio time limit, or a source that
    // cannot come back was lost); then the rest of the conversion is in flush().
    bool ended() const { return ended_; }
    // The converter's last samples after the end; empty when there are none left.
    std::span<const float> flush();
    void stop();

    // Samples of the input lost because the decoding fell behind, over every opening.
    std::uint64_t droppedSamples() const;

    // Whether the source delivers now (false while a sound card is being opened again).
    bool flowing() const { return flowing_; }
    // Audio delivered so far, in seconds.
    double seconds() const { return seconds_; }

  private:
    bool open();
    void lost();

    std::unique_ptr<pskmodem::AudioSource> source_;
    std::size_t chunk_;
    std::chrono::milliseconds reopenInterval_;
    Note note_;
    std::optional<double> limitSeconds_;
    std::unique_ptr<pskmodem::Resampler> resampler_;
    std::vector<float> buffer_;
    double rateHz_ = 0.0;
    std::uint64_t samplesAtRate_ = 0;  // delivered since the source last opened
    double secondsBefore_ = 0.0;       // delivered before that
    double seconds_ = 0.0;
    bool flowing_ = false;
    bool ended_ = false;
    bool unusableRate_ = false;
    std::uint64_t droppedBefore_ = 0;  // lost in the openings before this one  // the input opened
                                       // at a rate no decoder can take
    std::chrono::steady_clock::time_point nextAttempt_{};
};

}  // namespace quorvin::decode
