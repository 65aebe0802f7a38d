#include "platform/portaudio_sound_player.h"

#include <portaudio.h>

#include <QFile>
#include <algorithm>
#include <array>
#include <chrono>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <utility>

#include "pskmodem/dsp/resampler.h"
#include "pskmodem/sources/audio_file.h"
#include "pskmodem/sources/audio_source.h"
#include "pskmodem/sources/portaudio_session.h"

namespace platform {

std::unique_ptr<SoundClip> LoadSoundClip(const QString& path) {
    if (path.isEmpty()) {
        return nullptr;
    }
    // The header first: a pipe is not opened, and a clip whose rate is absurd is not read and
    // converted whole.
    const std::string name = QFile::encodeName(path).toStdString();
    if (!pskmodem::audioFileProblem(name).empty()) {
        return nullptr;
    }
    // Read to the file's real end in blocks, mixed to one channel as it comes and no longer than
    // an alarm needs: a damaged header may claim billions of frames.
    std::optional<pskmodem::AudioData> data =
        pskmodem::readAudioFile(name, kMaxClipSeconds, pskmodem::AudioChannels::MixedToOne);
    if (!data || data->sampleRateHz <= 0 || data->samples.empty()) {
        return nullptr;
    }
    auto clip = std::make_unique<SoundClip>();
    clip->sampleRateHz = data->sampleRateHz;
    clip->samples = std::move(data->samples);
    return clip;
}

std::vector<float> ConvertRate(const SoundClip& clip, double outputRateHz) {
    if (outputRateHz == clip.sampleRateHz) {
        return clip.samples;
    }
    std::vector<float> out;
    try {
        pskmodem::Resampler resampler(clip.sampleRateHz, outputRateHz);
        const std::size_t block = resampler.maxInputSamples();
        const std::span<const float> in(clip.samples);
        for (std::size_t at = 0; at < in.size(); at += block) {
            const std::span<const float> converted =
                resampler.process(in.subspan(at, std::min(block, in.size() - at)));
            out.insert(out.end(), converted.begin(), converted.end());
        }
        for (std::span<const float> rest = resampler.flush(); !rest.empty();
             rest = resampler.flush()) {
            out.insert(out.end(), rest.begin(), rest.end());
        }
    } catch (const std::exception&) {
        return {};
    }
    return out;
}

namespace {

// One sound on the default output: a PortAudio stream that plays a buffer to its end.
class Playback {
  public:
    Playback() = default;
    ~Playback() { close(); }
    Playback(const Playback&) = delete;
    Playback& operator=(const Playback&) = delete;

    bool isOpen() const { return stream_ != nullptr; }
    bool hasFinished() const { return stream_ != nullptr && Pa_IsStreamActive(stream_) != 1; }

    // Starts `clip` on the default output at its own rate or, failing that, at the device's;
    // in one channel or, failing that, in two. Returns whether it plays.
    bool start(const SoundClip& clip) {
        close();
        const PaDeviceIndex device = Pa_GetDefaultOutputDevice();
        const PaDeviceInfo* info = device == paNoDevice ? nullptr : Pa_GetDeviceInfo(device);
        if (info == nullptr || info->maxOutputChannels < 1) {
            return false;
        }
        const std::array<double, 2> rates{clip.sampleRateHz, info->defaultSampleRate};
        for (const double rate : rates) {
            for (int channels = 1; channels <= std::min(2, info->maxOutputChannels); ++channels) {
                const PaStreamParameters output{device, channels, paFloat32,
                                                info->defaultHighOutputLatency, nullptr};
                if (rate <= 0.0 ||
                    Pa_IsFormatSupported(nullptr, &output, rate) != paFormatIsSupported) {
                    continue;
                }
                const std::vector<float> samples = ConvertRate(clip, rate);
                if (samples.empty()) {
                    continue;
                }
                frames_.assign(samples.size() * static_cast<std::size_t>(channels), 0.0F);
                for (std::size_t i = 0; i < samples.size(); ++i) {
                    for (std::size_t c = 0; c < static_cast<std::size_t>(channels); ++c) {
                        frames_[i * static_cast<std::size_t>(channels) + c] = samples[i];
                    }
                }
                channels_ = static_cast<std::size_t>(channels);
                position_ = 0;
                if (Pa_OpenStream(&stream_, nullptr, &output, rate, paFramesPerBufferUnspecified,
                                  paNoFlag, &Playback::callback, this) != paNoError) {
                    stream_ = nullptr;
                    continue;
                }
                if (Pa_StartStream(stream_) != paNoError) {
                    close();
                    continue;
                }
                return true;
            }
        }
        return false;
    }

    void close() {
        if (stream_ == nullptr) {
            return;
        }
        Pa_AbortStream(stream_);
        Pa_CloseStream(stream_);
        stream_ = nullptr;
    }

  private:
    // On the audio system's thread: the next samples, silence after the end.
    static int callback(const void* /*input*/, void* output, unsigned long frameCount,
                        const PaStreamCallbackTimeInfo* /*time*/, PaStreamCallbackFlags /*status*/,
                        void* user) {
        auto* self = static_cast<Playback*>(user);
        auto* out = static_cast<float*>(output);
        const std::size_t wanted = static_cast<std::size_t>(frameCount) * self->channels_;
        const std::size_t left = self->frames_.size() - self->position_;
        const std::size_t count = std::min(wanted, left);
        std::copy_n(self->frames_.begin() + static_cast<std::ptrdiff_t>(self->position_), count,
                    out);
        std::fill(out + count, out + wanted, 0.0F);
        self->position_ += count;
        return self->position_ >= self->frames_.size() ? paComplete : paContinue;
    }

    PaStream* stream_ = nullptr;
    std::vector<float> frames_;  // interleaved; read by the callback while the stream runs
    std::size_t channels_ = 1;
    std::size_t position_ = 0;  // the callback's own once the stream runs
};

constexpr std::chrono::milliseconds kFinishedPoll{100};

}  // namespace

class PortAudioSoundPlayer::Worker {
  public:
    Worker() : thread_([this] { run(); }) {}
    ~Worker() {
        {
            const std::lock_guard lock(mutex_);
            quit_ = true;
        }
        wake_.notify_one();
        thread_.join();
    }
    Worker(const Worker&) = delete;
    Worker& operator=(const Worker&) = delete;

    void request(const QString& path) {
        {
            const std::lock_guard lock(mutex_);
            request_ = path;
        }
        wake_.notify_one();
    }

  private:
    void run() {
        std::optional<pskmodem::PortAudioSession> session;
        Playback playback;
        for (;;) {
            std::optional<QString> path;
            {
                std::unique_lock lock(mutex_);
                const auto woken = [this] { return quit_ || request_.has_value(); };
                if (playback.isOpen()) {
                    wake_.wait_for(lock, kFinishedPoll, woken);
                } else {
                    wake_.wait(lock, woken);
                }
                if (quit_) {
                    break;
                }
                path = std::exchange(request_, std::nullopt);
            }
            if (!path) {
                if (playback.hasFinished()) {
                    playback.close();  // gives the output back
                }
                continue;
            }
            playback.close();
            // Nothing may leave this thread (it would end the program): a sound that cannot be
            // read, converted or played is silent, as a missing one.
            try {
                play(*path, session, playback);
            } catch (...) {
                playback.close();
            }
        }
        playback.close();
    }

    static void play(const QString& path, std::optional<pskmodem::PortAudioSession>& session,
                     Playback& playback) {
        const std::unique_ptr<SoundClip> clip = LoadSoundClip(path);
        if (!clip) {
            return;
        }
        if (!session) {
            session.emplace();
        }
        if (!session->ok()) {
            session.reset();  // no audio system now; try again at the next sound
            return;
        }
        playback.start(*clip);
    }

    std::mutex mutex_;
    std::condition_variable wake_;
    std::optional<QString> request_;  // guarded by mutex_
    bool quit_ = false;               // guarded by mutex_
    std::thread thread_;              // last: it starts running at construction
};

PortAudioSoundPlayer::PortAudioSoundPlayer() = default;

PortAudioSoundPlayer::~PortAudioSoundPlayer() = default;

void PortAudioSoundPlayer::play(const QString& path) {
    if (!worker_) {
        worker_ = std::make_unique<Worker>();
    }
    worker_->request(path);
}

}  // namespace platform
