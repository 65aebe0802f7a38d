#pragma once

// Where the engine's audio comes from: the sound card, an audio file or the built-in band
// simulator. Every source delivers mono samples (the left channel of multi-channel input) at
// its own native rate; the engine converts them to 8000 samples/s.

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "pskmodem/signals/simulator.h"

namespace pskmodem {

// Codes returned by AudioSource::start() (0 = audio flows).
enum class SourceError : int {
    None = 0,
    NoDevice = 1,           // no such input device (or no input device at all)
    DeviceUnavailable = 2,  // the device exists but could not be opened (busy, no usable format)
    NoAudio = 3,            // the stream opened but delivered nothing
    FileUnreadable = 4,     // missing, unreadable or not an audio file
    Failed = 5,             // anything else (out of memory, library failure)
};

constexpr int toInt(SourceError error) {
    return static_cast<int>(error);
}

enum class ReadStatus {
    Ok,          // `count` samples were written (possibly 0 when the timeout passed)
    EndOfInput,  // the input is exhausted; nothing more will come
    DeviceLost,  // the device disappeared or stopped delivering; nothing more will come
};

struct ReadResult {
    std::size_t count = 0;
    ReadStatus status = ReadStatus::Ok;
};

class AudioSource {
  public:
    virtual ~AudioSource() = default;

    // Opens the input and starts the flow. Returns 0 once audio really flows, otherwise a
    // SourceError code with lastError() saying why. A second call while started returns 0.
    virtual int start() = 0;
    // Ends the flow and releases the input. Safe to call at any time, also more than once.
    virtual void stop() = 0;
    // The rate read() delivers at; valid after a successful start().
    virtual double sampleRateHz() const = 0;
    // Called by one consumer thread between start() and stop(): writes up to out.size() mono
    // samples, waiting at most about `timeout` for them.
    virtual ReadResult read(std::span<float> out, std::chrono::milliseconds timeout) = 0;
    // Human-readable reason of the last failed start(), empty after a successful one.
    virtual std::string lastError() const = 0;
    // Samples lost because the consumer fell behind, since start(). Any thread.
    virtual std::uint64_t droppedSamples() const { return 0; }
    // Whether an input that could not be opened, or was lost, may come back: then stop() and a
    // later start() open the same input again (a sound card whose sound server restarts, a USB
    // interface plugged in again). A file or the simulator never comes back.
    virtual bool reopenable() const { return false; }
};

// How a file or the simulator is paced: like a live input, or as fast as the reader takes it.
enum class Pace { RealTime, AsFastAsPossible };

// ---- Sound card capture -------------------------------------------------------------------

// Receives a capture stream's audio on the device's own thread. Implementations must neither
// block nor allocate.
class CaptureListener {
  public:
    virtual ~CaptureListener() = default;
    // `interleaved` holds frames x channels samples, full scale +-1.
    virtual void captured(const float* interleaved, std::size_t frames, int channels) noexcept = 0;
    // The stream ended without being asked to (device removed, driver failure).
    virtual void streamFailed() noexcept = 0;
};

struct CaptureDeviceInfo {
    std::string name;
    int maxInputChannels = 0;
    double defaultSampleRateHz = 0.0;
};

// One input device as the audio system lists it. A device is found again in a later run by
// its name and host API (findInputDevice): the audio system's numbers change when devices come
// and go, the names do not.
struct InputDeviceInfo {
    std::string name;
    std::string hostApi;     // the audio system's driver layer ("ALSA", "JACK", "WASAPI" ...)
    int card = 0;            // the card number that opens it (see CaptureDevice), 1..
    int index = -1;          // the audio system's own device index, -1 when it has none
    bool isDefault = false;  // the system's default input, which card 0 opens
    int maxInputChannels = 0;
    double defaultSampleRateHz = 0.0;
};

// The narrow waist between the sound-card source and the audio system, so that tests can
// script a device. Card numbers: 0 = the system's default input device; N > 0 = the N-th
// device that has inputs, in the audio system's order.
class CaptureDevice {
  public:
    virtual ~CaptureDevice() = default;
    // What card `card` is, or nothing when there is no such input device.
    virtual std::optional<CaptureDeviceInfo> describe(int card) = 0;
    virtual bool supports(int card, double sampleRateHz, int channels) = 0;
    // Opens and starts a capture stream that feeds `listener`. Returns 0 or a non-zero code
    // with `error` set; at most one stream at a time.
    virtual int start(int card, double sampleRateHz, int channels, CaptureListener& listener,
                      std::string& error) = 0;
    // Stops and closes the stream. Once it returns, the listener is not called again.
    virtual void stop() = 0;
    // Every device with inputs, in card-number order. By default: the cards describe() knows,
    // from 1 until the first it does not, without host API or index; the one named like card 0
    // is the default.
    virtual std::vector<InputDeviceInfo> inputDevices();
    // Forgets what the audio system listed, so that the next call sees the devices as they are
    // now (after a device came or went). Only between streams; by default nothing to forget.
    virtual void refresh() {}
};

// The audio system's devices through PortAudio.
std::unique_ptr<CaptureDevice> makePortAudioCaptureDevice();

// The input devices of the audio system through PortAudio, in card-number order; empty when
// there are none or the audio system cannot start.
std::vector<InputDeviceInfo> listInputDevices();
std::vector<InputDeviceInfo> listInputDevices(CaptureDevice& device);

// The device of `devices` with this name and host API; when no device has both, the first with
// this name (a device may move to another host API between runs). Nothing for an empty name
// or when no device has the name.
std::optional<InputDeviceInfo> findInputDevice(const std::vector<InputDeviceInfo>& devices,
                                               std::string_view name, std::string_view hostApi);

// How a device is named to the user (the Audio Input window, quorvin-decode): its name and, when
// known, its host API in brackets, "pulse [ALSA]".
std::string inputDeviceCaption(const InputDeviceInfo& device);

// The device a user names by its caption ("pulse [ALSA]", found by name and host API as
// findInputDevice finds them) or by its name alone. Nothing when no device is named so.
std::optional<InputDeviceInfo> findInputDeviceNamed(const std::vector<InputDeviceInfo>& devices,
                                                    std::string_view text);

// Sample rates a sound card is tried at, in order of preference; the device's own default
// rate comes last. 8000 first saves the conversion when the audio system offers it.
inline constexpr double kPreferredCaptureRatesHz[] = {8000.0,  48000.0, 44100.0, 11025.0,
                                                      22050.0, 16000.0, 96000.0};
// How long start() waits for the first audio, and how long a running device may be silent
// before it counts as lost (so that a loss is known within two seconds; a running stream
// delivers a buffer at least every few hundred milliseconds). A sound server that has just
// started (PulseAudio or PipeWire reached through ALSA's plugins) takes up to about three
// seconds to deliver its first buffer.
inline constexpr std::chrono::milliseconds kFirstAudioTimeout{5000};
inline constexpr std::chrono::milliseconds kDeviceSilenceLimit{1500};

// Capture from sound card `card` (see CaptureDevice for the numbering). The source opens the
// device only in start(). It can be reopened (AudioSource::reopenable): a card other than the
// default is then looked up again by the name and host API it had at the first start, since
// the audio system's numbers change when devices come and go.
std::unique_ptr<AudioSource> makeSoundCardSource(int card);
std::unique_ptr<AudioSource> makeSoundCardSource(int card, std::unique_ptr<CaptureDevice> device);

// ---- Files and the simulator --------------------------------------------------------------

// A regular audio file that libsndfile reads (WAV, FLAC, OGG, ...), any channel count, at a rate
// from kMinAudioFileRateHz to kMaxAudioFileRateHz (audio_file.h); the left channel is used.
// read() reports EndOfInput after the last sample.
std::unique_ptr<AudioSource> makeFileSource(std::string path, Pace pace);

// The built-in band simulator at 8000 samples/s. It never ends.
std::unique_ptr<AudioSource> makeSimulatorSource(SimulatorConfig config, Pace pace);

}  // namespace pskmodem
