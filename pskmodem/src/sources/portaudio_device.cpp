// The audio system through PortAudio: its process-wide initialisation, the input devices it
// lists and the capture streams it opens, behind the CaptureDevice seam of the sound-card source.

#include <portaudio.h>

#if defined(__linux__)
#include <dlfcn.h>

#include <cstdlib>
#endif

#include <atomic>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "pskmodem/sources/audio_source.h"
#include "pskmodem/sources/portaudio_session.h"

namespace pskmodem {

// ---- PortAudio's lifetime -------------------------------------------------------------------

namespace {

// PortAudio itself is process-wide state whose initialisation is not thread-safe; this count,
// guarded by its mutex, is the one place that tracks it.
struct PortAudioUsers {
    std::mutex mutex;
    int count = 0;
};

PortAudioUsers& portAudioUsers() {
    // Never destroyed: a session may still end during static destruction at exit (an engine
    // that was not stopped), after a function-local static would already be gone.
    static auto* users = new PortAudioUsers;
    return *users;
}

#if defined(__linux__)
// Handlers that drop what ALSA and JACK print while PortAudio probes them.
void DropAlsaMessage(const char* /*file*/, int /*line*/, const char* /*function*/, int /*error*/,
                     const char* /*format*/, ...) {}
void DropJackMessage(const char* /*message*/) {}

// The sound libraries report every device they probe and cannot open (about 65 lines on a
// machine without a sound card) on stderr. The user needs none of it: what matters comes back
// as PortAudio's result and reaches the user once, from the program. Their handlers are set
// through the libraries PortAudio has loaded, so a build without ALSA or JACK needs nothing.
// Probing must not start a JACK server either; a user who wants that sets the variable.
void QuietAudioLibraries() {
    using AlsaHandler = void (*)(const char*, int, const char*, int, const char*, ...);
    using JackHandler = void (*)(const char*);
    if (auto* setAlsa = reinterpret_cast<int (*)(AlsaHandler)>(
            dlsym(RTLD_DEFAULT, "snd_lib_error_set_handler"))) {
        setAlsa(&DropAlsaMessage);
    }
    for (const char* name : {"jack_set_error_function", "jack_set_info_function"}) {
        if (auto* setJack = reinterpret_cast<void (*)(JackHandler)>(dlsym(RTLD_DEFAULT, name))) {
            setJack(&DropJackMessage);
        }
    }
    setenv("JACK_NO_START_SERVER", "1", 0);
}
#else
void QuietAudioLibraries() {}
#endif

}  // namespace

PortAudioSession::PortAudioSession() {
    PortAudioUsers& users = portAudioUsers();
    const std::lock_guard lock(users.mutex);
    if (users.count == 0) {
        QuietAudioLibraries();
        const PaError result = Pa_Initialize();
        if (result != paNoError) {
            error_ = std::string("The audio system cannot start: ") + Pa_GetErrorText(result);
            return;
        }
    }
    ++users.count;
    ok_ = true;
}

PortAudioSession::~PortAudioSession() {
    if (!ok_) {
        return;
    }
    PortAudioUsers& users = portAudioUsers();
    const std::lock_guard lock(users.mutex);
    if (--users.count == 0) {
        Pa_Terminate();
    }
}

// ---- PortAudio capture device ---------------------------------------------------------------

namespace {

class PortAudioCaptureDevice final : public CaptureDevice {
  public:
    PortAudioCaptureDevice() = default;
    ~PortAudioCaptureDevice() override { stop(); }
    PortAudioCaptureDevice(const PortAudioCaptureDevice&) = delete;
    PortAudioCaptureDevice& operator=(const PortAudioCaptureDevice&) = delete;

    std::optional<CaptureDeviceInfo> describe(int card) override {
        if (!ensureSession()) {
            return std::nullopt;
        }
        const PaDeviceIndex index = deviceIndex(card);
        if (index == paNoDevice) {
            return std::nullopt;
        }
        const PaDeviceInfo* info = Pa_GetDeviceInfo(index);
        if (info == nullptr || info->maxInputChannels < 1) {
            return std::nullopt;
        }
        CaptureDeviceInfo result;
        result.name = info->name != nullptr ? info->name : "";
        result.maxInputChannels = info->maxInputChannels;
        result.defaultSampleRateHz = info->defaultSampleRate;
        return result;
    }

    bool supports(int card, double sampleRateHz, int channels) override {
        if (!ensureSession()) {
            return false;
        }
        const PaDeviceIndex index = deviceIndex(card);
        if (index == paNoDevice) {
            return false;
        }
        const PaStreamParameters parameters = inputParameters(index, channels);
        return Pa_IsFormatSupported(&parameters, nullptr, sampleRateHz) == paFormatIsSupported;
    }

    int start(int card, double sampleRateHz, int channels, CaptureListener& listener,
              std::string& error) override {
        stop();
        if (!ensureSession()) {
            error = session_->error();
            return toInt(SourceError::Failed);
        }
        const PaDeviceIndex index = deviceIndex(card);
        if (index == paNoDevice) {
            error = "There is no sound card number " + std::to_string(card) + ".";
            return toInt(SourceError::NoDevice);
        }
        listener_ = &listener;
        channels_ = channels;
        stopping_.store(false, std::memory_order_relaxed);
        const PaStreamParameters parameters = inputParameters(index, channels);
        PaError result = Pa_OpenStream(&stream_, &parameters, nullptr, sampleRateHz,
                                       paFramesPerBufferUnspecified, paClipOff, &onAudio, this);
        if (result == paNoError) {
            result = Pa_SetStreamFinishedCallback(stream_, &onFinished);
        }
        if (result == paNoError) {
            result = Pa_StartStream(stream_);
        }
        if (result != paNoError) {
            error = std::string("The sound card cannot be opened: ") + Pa_GetErrorText(result);
            if (stream_ != nullptr) {
                Pa_CloseStream(stream_);
                stream_ = nullptr;
            }
            return toInt(SourceError::DeviceUnavailable);
        }
        return 0;
    }

    std::vector<InputDeviceInfo> inputDevices() override {
        std::vector<InputDeviceInfo> devices;
        if (!ensureSession()) {
            return devices;
        }
        const PaDeviceIndex defaultIndex = Pa_GetDefaultInputDevice();
        const PaDeviceIndex count = Pa_GetDeviceCount();
        int card = 0;
        for (PaDeviceIndex i = 0; i < count; ++i) {
            const PaDeviceInfo* info = Pa_GetDeviceInfo(i);
            if (info == nullptr || info->maxInputChannels < 1) {
                continue;
            }
            InputDeviceInfo device;
            device.name = info->name != nullptr ? info->name : "";
            const PaHostApiInfo* hostApi = Pa_GetHostApiInfo(info->hostApi);
            device.hostApi = hostApi != nullptr && hostApi->name != nullptr ? hostApi->name : "";
            device.card = ++card;
            device.index = i;
            device.isDefault = i == defaultIndex;
            device.maxInputChannels = info->maxInputChannels;
            device.defaultSampleRateHz = info->defaultSampleRate;
            devices.push_back(std::move(device));
        }
        return devices;
    }

    void stop() override {
        if (stream_ == nullptr) {
            return;
        }
        // The finished callback also runs after a requested stop; this tells it apart from a
        // stream that dies on its own.
        stopping_.store(true, std::memory_order_release);
        Pa_AbortStream(stream_);  // returns after the callback has run for the last time
        Pa_CloseStream(stream_);
        stream_ = nullptr;
    }

    void refresh() override {
        // PortAudio lists the devices when it starts; ending this object's session lets it
        // start afresh (once no other session holds it) and see the devices as they are now.
        if (stream_ == nullptr) {
            session_.reset();
        }
    }

  private:
    bool ensureSession() {
        if (!session_) {
            session_.emplace();
        }
        return session_->ok();
    }

    static PaDeviceIndex deviceIndex(int card) {
        if (card == 0) {
            return Pa_GetDefaultInputDevice();
        }
        if (card < 0) {
            return paNoDevice;
        }
        const PaDeviceIndex devices = Pa_GetDeviceCount();
        int inputsSeen = 0;
        for (PaDeviceIndex i = 0; i < devices; ++i) {
            const PaDeviceInfo* info = Pa_GetDeviceInfo(i);
            if (info != nullptr && info->maxInputChannels > 0 && ++inputsSeen == card) {
                return i;
            }
        }
        return paNoDevice;
    }

    static PaStreamParameters inputParameters(PaDeviceIndex index, int channels) {
        PaStreamParameters parameters{};
        parameters.device = index;
        parameters.channelCount = channels;
        parameters.sampleFormat = paFloat32;
        const PaDeviceInfo* info = Pa_GetDeviceInfo(index);
        // A receiver has no use for low latency; the longer buffers survive a busy machine.
        parameters.suggestedLatency = info != nullptr ? info->defaultHighInputLatency : 0.1;
        parameters.hostApiSpecificStreamInfo = nullptr;
        return parameters;
    }

    static int onAudio(const void* input, void* /*output*/, unsigned long frames,
                       const PaStreamCallbackTimeInfo* /*time*/, PaStreamCallbackFlags /*flags*/,
                       void* user) {
        auto* self = static_cast<PortAudioCaptureDevice*>(user);
        if (input != nullptr && frames > 0) {
            self->listener_->captured(static_cast<const float*>(input),
                                      static_cast<std::size_t>(frames), self->channels_);
        }
        return paContinue;
    }

    static void onFinished(void* user) {
        auto* self = static_cast<PortAudioCaptureDevice*>(user);
        if (!self->stopping_.load(std::memory_order_acquire)) {
            self->listener_->streamFailed();
        }
    }

    std::optional<PortAudioSession> session_;
    PaStream* stream_ = nullptr;
    CaptureListener* listener_ = nullptr;
    int channels_ = 1;
    std::atomic<bool> stopping_{false};
};

}  // namespace

std::unique_ptr<CaptureDevice> makePortAudioCaptureDevice() {
    return std::make_unique<PortAudioCaptureDevice>();
}

std::vector<InputDeviceInfo> listInputDevices() {
    PortAudioCaptureDevice device;
    return device.inputDevices();
}

}  // namespace pskmodem
