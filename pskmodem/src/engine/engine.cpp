#include "pskmodem/engine/engine.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cmath>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <system_error>
#include <thread>
#include <utility>
#include <vector>

#include "pskmodem/dsp/resampler.h"
#include "pskmodem/engine/pipeline.h"
#include "pskmodem/sources/audio_source.h"

namespace pskmodem {
namespace {

// How long one read waits for audio; bounds how long stop() waits for the DSP thread.
constexpr std::chrono::milliseconds kReadTimeout{40};
// Source blocks of about one PSK31 symbol: small enough for a smooth waterfall, large enough
// that per-block overhead does not matter.
constexpr double kBlockSeconds = 0.032;
constexpr std::size_t kMinBlockSamples = 64;
constexpr std::size_t kMaxBlockSamples = 8192;
// Anything beyond this is not audio; it is clipped so that squares and sums stay finite.
constexpr float kSampleLimit = 1000.0f;
// Overrun reports are limited to one per second.
constexpr std::chrono::seconds kOverrunReportInterval{1};
// How often a wait for the next attempt to reopen the input looks whether it should end.
constexpr std::chrono::milliseconds kReopenPoll{20};

std::intptr_t statusValue(Status status) {
    return static_cast<std::intptr_t>(status);
}

// Everything the caller may set. Each group carries a sequence number so that the DSP thread
// applies exactly the groups that were set, even when set to the value they already had
// (setting the same frequency again re-tunes a receiver the AFC has moved).
struct Settings {
    double frequencyHz = 1000.0;
    double searchRangeHz = 50.0;
    Mode mode = Mode::Bpsk;
    Speed speed = Speed::Psk31;
    int smoothing = WaterfallFft::kDefaultSmoothing;
    int sensitivity = WaterfallFft::kDefaultSensitivity;
    int squelchThreshold = 0;
    int squelchSpeed = 0;
    double clockPpm = 0.0;
    std::uint32_t frequencySeq = 0;
    std::uint32_t modeSeq = 0;
    std::uint32_t fftSeq = 0;
    std::uint32_t squelchSeq = 0;
};

}  // namespace

struct Engine::Impl final : PipelineListener {
    Impl() {
        published.vectors = pipeline.receiver().vectors();
        // The defaults above become the pipeline's own settings straight away.
        applySettings(true);
    }

    // ---- Control side (any thread) ----------------------------------------------------------

    int start(MessageSink* newSink, std::unique_ptr<AudioSource> newSource);
    void stop();
    int restartCapture(std::unique_ptr<AudioSource> newSource);
    void joinFinishedFlow();
    void releaseFlow();
    void prepareConversion(double rateHz);

    template <typename Change>
    void updateSettings(Change change) {
        const std::lock_guard lock(settingsMutex);
        change(pending);
        settingsVersion.fetch_add(1, std::memory_order_release);
    }

    void setError(std::string text) {
        const std::lock_guard lock(errorMutex);
        lastError = std::move(text);
    }

    std::chrono::milliseconds reopenInterval() const {
        return std::chrono::milliseconds(reopenIntervalMs.load(std::memory_order_relaxed));
    }
    bool mayReopen(const AudioSource& input) const {
        return reopenInterval() > std::chrono::milliseconds::zero() && input.reopenable();
    }

    // ---- DSP thread -------------------------------------------------------------------------

    void run(bool resume);
    bool leaving() const;
    void announce(bool flowing);
    void tryReopen();
    void processBlock(std::span<float> block);
    void processAudio(std::span<const float> audio);
    void runBand(std::span<const float> audio);
    void flushResampler();
    void applySettings(bool force);
    void reportOverruns();

    void spectrumReady(const WaterfallFft& spectrum, const Receiver& receiver) override {
        {
            const std::lock_guard lock(publishMutex);
            published.levels = spectrum.levels();
            published.vectors = receiver.vectors();
        }
        sink->post(kMsgSpectrum, std::lround(receiver.frequencyHz()), receiver.quality());
    }

    void character(std::uint8_t code) override { sink->post(kMsgCharacter, code, 0); }

    // ---- State ------------------------------------------------------------------------------

    // Start and stop are serialised; `thread`, `source` and `sink` change only under this
    // lock and only while no DSP thread runs.
    std::mutex lifecycleMutex;
    std::thread thread;
    std::unique_ptr<AudioSource> source;
    MessageSink* sink = nullptr;
    std::atomic<bool> stopRequested{false};
    // The DSP thread leaves its loop without ending the flow, for a restart of the capture.
    std::atomic<bool> pauseRequested{false};
    std::atomic<std::int64_t> reopenIntervalMs{0};

    mutable std::mutex errorMutex;
    std::string lastError;

    // Whether a flow is on; the DSP thread clears it when it ends.
    mutable std::mutex finishMutex;
    mutable std::condition_variable finishCv;
    bool flowActive = false;

    // Settings handed to the DSP thread: setters write `pending` under the mutex and bump the
    // version; the DSP thread notices the version change and copies them without waiting.
    std::mutex settingsMutex;
    Settings pending;
    std::atomic<std::uint32_t> settingsVersion{0};

    // The newest results, for getFftData() and getVectorData().
    mutable std::mutex publishMutex;
    struct Published {
        std::array<std::int32_t, kSpectrumValues> levels{};
        std::array<std::int32_t, kVectorValues> vectors{};
    } published;

    std::atomic<std::uint64_t> samplesProcessed{0};

    // Whole-band decoding: wanted by the control side, run by the DSP thread, which hands its
    // snapshots over under bandMutex, taken by both sides only when free (try_lock).
    std::atomic<bool> bandWanted{false};
    mutable std::mutex bandMutex;
    BandActivitySnapshot bandPublished;

    // Owned by the DSP thread while a flow runs (prepared by start() before it begins).
    Pipeline pipeline;
    Settings applied;
    std::uint32_t appliedVersion = 0;
    std::vector<float> block;
    std::unique_ptr<Resampler> resampler;
    std::unique_ptr<BandActivity> band;
    BandActivitySnapshot bandStaging;
    double bandSnapshotDue = 0.0;
    bool bandStagingReady = false;
    std::uint64_t droppedReported = 0;
    std::chrono::steady_clock::time_point lastOverrunReport{};
    // Whether the source delivers audio now (false while it is being reopened), and what the
    // sink was last told about it (Started or Reopening; nothing yet in a new flow). Also
    // touched by the control side, but only while no DSP thread runs.
    bool capturing = false;
    std::optional<bool> announced;
};

// ---- Control side ---------------------------------------------------------------------------

int Engine::Impl::start(MessageSink* newSink, std::unique_ptr<AudioSource> newSource) {
    const std::lock_guard lock(lifecycleMutex);
    if (thread.joinable()) {
        {
            const std::lock_guard finish(finishMutex);
            if (flowActive) {
                return 0;  // already running: nothing changes
            }
        }
        joinFinishedFlow();
    }
    if (newSink == nullptr || !newSource) {
        setError("No message sink or no audio source was given.");
        return kErrorInvalidArgument;
    }

    // An input that may come back is waited for; any other failure ends the start.
    const int result = newSource->start();
    if (result != 0) {
        setError(newSource->lastError());
        newSource->stop();
        if (!mayReopen(*newSource)) {
            return result;
        }
    }

    try {
        capturing = result == 0;
        announced.reset();
        if (capturing) {
            prepareConversion(newSource->sampleRateHz());
        }
        source = std::move(newSource);
        sink = newSink;
        stopRequested.store(false, std::memory_order_relaxed);
        droppedReported = 0;
        lastOverrunReport = {};
        samplesProcessed.store(0, std::memory_order_relaxed);
        {
            const std::lock_guard finish(finishMutex);
            flowActive = true;
        }
        thread = std::thread([this] { run(false); });
    } catch (const std::exception& e) {
        {
            const std::lock_guard finish(finishMutex);
            flowActive = false;
        }
        AudioSource* failed = source ? source.get() : newSource.get();
        if (failed != nullptr) {
            failed->stop();
        }
        source.reset();
        sink = nullptr;
        setError(std::string("The receiver cannot start: ") + e.what());
        return kErrorInternal;
    }
    if (result == 0) {
        setError({});
    }
    return result;
}

void Engine::Impl::stop() {
    const std::lock_guard lock(lifecycleMutex);
    if (!thread.joinable()) {
        return;
    }
    stopRequested.store(true, std::memory_order_release);
    joinFinishedFlow();
}

int Engine::Impl::restartCapture(std::unique_ptr<AudioSource> newSource) {
    const std::lock_guard lock(lifecycleMutex);
    if (!thread.joinable()) {
        return kErrorNotRunning;
    }
    pauseRequested.store(true, std::memory_order_release);
    thread.join();
    pauseRequested.store(false, std::memory_order_relaxed);
    {
        const std::lock_guard finish(finishMutex);
        if (!flowActive) {
            // The source ended the flow before the pause took hold; finish it as stop() would.
            source->stop();
            source.reset();
            sink = nullptr;
            finishCv.notify_all();
            return kErrorNotRunning;
        }
    }

    int result = 0;
    if (newSource) {
        // Stopped first: the new input may be the same device under another name.
        source->stop();
        result = newSource->start();
        if (result == 0) {
            source = std::move(newSource);
            capturing = true;
        } else {
            setError(newSource->lastError());
            newSource->stop();
            newSource.reset();
            capturing = source->start() == 0;
            if (!capturing) {
                source->stop();
                if (!mayReopen(*source)) {
                    sink->post(kMsgStatus, statusValue(Status::DeviceLost), 0);
                    releaseFlow();
                    return result;
                }
            }
        }
        // A started source counts its dropped samples afresh.
        droppedReported = 0;
        lastOverrunReport = {};
    }
    try {
        if (capturing) {
            prepareConversion(source->sampleRateHz());
        }
        thread = std::thread([this] { run(true); });
    } catch (const std::exception& e) {
        setError(std::string("The receiver cannot go on: ") + e.what());
        sink->post(kMsgStatus, statusValue(Status::DeviceLost), 0);
        releaseFlow();
        return kErrorInternal;
    }
    if (result == 0) {
        setError({});
    }
    return result;
}

// With lifecycleMutex held: waits for the DSP thread and releases the flow's resources.
void Engine::Impl::joinFinishedFlow() {
    thread.join();
    releaseFlow();
}

// With lifecycleMutex held and no DSP thread running: releases the flow's resources.
void Engine::Impl::releaseFlow() {
    source->stop();
    source.reset();
    sink = nullptr;
    const std::lock_guard finish(finishMutex);
    flowActive = false;
    finishCv.notify_all();
}

// With no DSP thread running: blocks of the source's rate and their conversion to 8000 Hz with
// the current clock correction.
void Engine::Impl::prepareConversion(double rateHz) {
    double ppm = 0.0;
    {
        const std::lock_guard settingsLock(settingsMutex);
        ppm = pending.clockPpm;
    }
    const auto blockSamples =
        std::clamp(static_cast<std::size_t>(std::lround(std::max(rateHz, 1.0) * kBlockSeconds)),
                   kMinBlockSamples, kMaxBlockSamples);
    block.assign(blockSamples, 0.0f);
    if (rateHz != static_cast<double>(kSampleRateHz) || ppm != 0.0) {
        resampler = std::make_unique<Resampler>(rateHz, kSampleRateHz, ppm, blockSamples);
    } else {
        resampler.reset();
    }
}

// ---- DSP thread -----------------------------------------------------------------------------

void Engine::Impl::run(bool resume) {
    Status endStatus = Status::Started;  // Started here means: no end reported by the source
    try {
        // A flow that goes on after a restart of its capture keeps the DSP state.
        if (!resume) {
            pipeline.reset();
            band.reset();
            bandStagingReady = false;
            applySettings(true);
            {
                const std::lock_guard lock(publishMutex);
                published.levels = pipeline.spectrum().levels();
                published.vectors = pipeline.receiver().vectors();
            }
        }
        if (capturing) {
            announce(true);
        }

        while (!leaving()) {
            if (!capturing) {
                if (!mayReopen(*source)) {
                    endStatus = Status::DeviceLost;
                    break;
                }
                announce(false);
                tryReopen();
                continue;
            }
            announce(true);
            applySettings(false);
            const ReadResult result = source->read(block, kReadTimeout);
            const std::size_t count = std::min(result.count, block.size());
            if (count > 0) {
                processBlock(std::span(block).first(count));
            }
            reportOverruns();
            if (result.status == ReadStatus::EndOfInput) {
                flushResampler();
                pipeline.finish(*this);
                endStatus = Status::EndOfInput;
                break;
            }
            if (result.status == ReadStatus::DeviceLost) {
                // The receiver keeps its state while the input is away.
                source->stop();
                capturing = false;
            }
        }
    } catch (const std::exception&) {
        // A failure inside the processing ends the flow like a lost device would.
        endStatus = Status::DeviceLost;
    }
    if (endStatus != Status::Started) {
        sink->post(kMsgStatus, statusValue(endStatus), 0);
    } else if (pauseRequested.load(std::memory_order_acquire) &&
               !stopRequested.load(std::memory_order_acquire)) {
        return;  // paused for a restart of the capture: the flow goes on
    }
    const std::lock_guard finish(finishMutex);
    flowActive = false;
    finishCv.notify_all();
}

bool Engine::Impl::leaving() const {
    return stopRequested.load(std::memory_order_acquire) ||
           pauseRequested.load(std::memory_order_acquire);
}

// Tells the sink when audio begins or stops flowing, once per change.
void Engine::Impl::announce(bool flowing) {
    if (announced != flowing) {
        announced = flowing;
        sink->post(kMsgStatus, statusValue(flowing ? Status::Started : Status::Reopening), 0);
    }
}

// Waits one reopen interval (or less, should the flow end or pause) and opens the source again.
void Engine::Impl::tryReopen() {
    const auto due = std::chrono::steady_clock::now() + reopenInterval();
    for (auto now = std::chrono::steady_clock::now(); now < due;
         now = std::chrono::steady_clock::now()) {
        if (leaving()) {
            return;
        }
        std::this_thread::sleep_for(
            std::min<std::chrono::steady_clock::duration>(kReopenPoll, due - now));
    }
    if (leaving()) {
        return;
    }
    if (source->start() != 0) {
        source->stop();
        return;
    }
    prepareConversion(source->sampleRateHz());
    droppedReported = 0;
    lastOverrunReport = {};
    capturing = true;
}

void Engine::Impl::processBlock(std::span<float> samples) {
    for (float& v : samples) {
        if (!std::isfinite(v)) {
            v = 0.0f;
        }
        v = std::clamp(v, -kSampleLimit, kSampleLimit);
    }
    std::span<const float> audio = samples;
    if (resampler) {
        audio = resampler->process(samples);
    }
    processAudio(audio);
}

void Engine::Impl::processAudio(std::span<const float> audio) {
    pipeline.process(audio, *this);
    runBand(audio);
    samplesProcessed.fetch_add(audio.size(), std::memory_order_relaxed);
}

void Engine::Impl::runBand(std::span<const float> audio) {
    if (!bandWanted.load(std::memory_order_acquire)) {
        if (band) {
            band.reset();
            bandStagingReady = false;
        }
        return;
    }
    if (!band) {
        band = std::make_unique<BandActivity>();
        bandSnapshotDue = kBandSnapshotSeconds;
    }
    band->process(audio);
    if (!bandStagingReady && band->seconds() >= bandSnapshotDue) {
        band->snapshot(bandStaging);
        bandStagingReady = true;
        bandSnapshotDue = band->seconds() + kBandSnapshotSeconds;
    }
    // A reader copying the previous snapshot is not waited for: the staged one goes next time.
    if (bandStagingReady) {
        const std::unique_lock lock(bandMutex, std::try_to_lock);
        if (lock.owns_lock()) {
            const std::uint64_t serial = bandPublished.serial + 1;
            std::swap(bandPublished, bandStaging);
            bandPublished.serial = serial;
            bandStagingReady = false;
        }
    }
}

void Engine::Impl::flushResampler() {
    if (!resampler) {
        return;
    }
    for (auto tail = resampler->flush(); !tail.empty(); tail = resampler->flush()) {
        processAudio(tail);
    }
}

void Engine::Impl::applySettings(bool force) {
    if (!force && settingsVersion.load(std::memory_order_acquire) == appliedVersion) {
        return;
    }
    Settings next;
    {
        // The DSP thread never waits for a setter: when one holds the lock, the change is
        // picked up with the next block.
        std::unique_lock lock(settingsMutex, std::try_to_lock);
        if (!lock.owns_lock()) {
            if (!force) {
                return;
            }
            lock.lock();
        }
        next = pending;
        appliedVersion = settingsVersion.load(std::memory_order_relaxed);
    }
    Receiver& receiver = pipeline.receiver();
    if (force || next.frequencySeq != applied.frequencySeq) {
        receiver.setFrequency(next.frequencyHz, next.searchRangeHz);
    }
    if (force || next.modeSeq != applied.modeSeq) {
        receiver.setMode(next.mode);
        // Only a change of speed rebuilds the receiver's signal path (and allocates).
        receiver.setSpeed(next.speed);
    }
    if (force || next.squelchSeq != applied.squelchSeq) {
        receiver.setSquelch(next.squelchThreshold, next.squelchSpeed);
    }
    if (force || next.fftSeq != applied.fftSeq) {
        pipeline.spectrum().setMode(next.smoothing, next.sensitivity);
    }
    applied = next;
}

void Engine::Impl::reportOverruns() {
    const std::uint64_t dropped = source->droppedSamples();
    if (dropped <= droppedReported) {
        return;
    }
    const auto now = std::chrono::steady_clock::now();
    if (lastOverrunReport != std::chrono::steady_clock::time_point{} &&
        now - lastOverrunReport < kOverrunReportInterval) {
        return;
    }
    droppedReported = dropped;
    lastOverrunReport = now;
    sink->post(kMsgStatus, statusValue(Status::Overrun), 0);
}

// ---- Engine ---------------------------------------------------------------------------------

Engine::Engine() : impl_(std::make_unique<Impl>()) {}

Engine::~Engine() {
    impl_->stop();
}

int Engine::start(MessageSink* sink, std::unique_ptr<AudioSource> source) {
    return impl_->start(sink, std::move(source));
}

void Engine::stop() {
    impl_->stop();
}

int Engine::restartCapture(std::unique_ptr<AudioSource> source) {
    return impl_->restartCapture(std::move(source));
}

void Engine::setReopenInterval(std::chrono::milliseconds interval) {
    impl_->reopenIntervalMs.store(std::max<std::int64_t>(interval.count(), 0),
                                  std::memory_order_relaxed);
}

bool Engine::running() const {
    const std::lock_guard lock(impl_->finishMutex);
    return impl_->flowActive;
}

bool Engine::waitUntilFinished(std::chrono::milliseconds timeout) const {
    std::unique_lock lock(impl_->finishMutex);
    return impl_->finishCv.wait_for(lock, timeout, [this] { return !impl_->flowActive; });
}

std::string Engine::lastError() const {
    const std::lock_guard lock(impl_->errorMutex);
    return impl_->lastError;
}

void Engine::setFrequency(double centreHz, double searchRangeHz) {
    const double hz = std::isfinite(centreHz) ? centreHz : kMinFrequencyHz;
    const double range = std::isfinite(searchRangeHz) ? searchRangeHz : 0.0;
    impl_->updateSettings([&](Settings& s) {
        s.frequencyHz = std::clamp(hz, kMinFrequencyHz, kMaxFrequencyHz);
        s.searchRangeHz = std::clamp(range, 0.0, kMaxSearchRangeHz);
        ++s.frequencySeq;
    });
}

void Engine::setMode(Mode mode) {
    if (!isValidMode(static_cast<int>(mode))) {
        return;
    }
    impl_->updateSettings([&](Settings& s) {
        s.mode = mode;
        ++s.modeSeq;
    });
}

void Engine::setSpeed(Speed speed) {
    if (!isValidSpeed(static_cast<int>(speed))) {
        return;
    }
    impl_->updateSettings([&](Settings& s) {
        s.speed = speed;
        ++s.modeSeq;
    });
}

void Engine::setFftMode(int smoothing, int sensitivity) {
    impl_->updateSettings([&](Settings& s) {
        s.smoothing = std::clamp(smoothing, kMinSmoothing, kMaxSmoothing);
        s.sensitivity = std::clamp(sensitivity, kMinSensitivity, kMaxSensitivity);
        ++s.fftSeq;
    });
}

void Engine::setSquelch(int threshold, int speed) {
    impl_->updateSettings([&](Settings& s) {
        s.squelchThreshold = std::clamp(threshold, 0, kMaxSquelchThreshold);
        s.squelchSpeed = speed != 0 ? 1 : 0;
        ++s.squelchSeq;
    });
}

void Engine::setClockCorrectionPpm(double ppm) {
    const double value = std::isfinite(ppm) ? ppm : 0.0;
    impl_->updateSettings([&](Settings& s) {
        s.clockPpm = std::clamp(value, -Resampler::kMaxClockPpm, Resampler::kMaxClockPpm);
    });
}

int Engine::getFftData(std::int32_t* dest, int first, int last) const {
    if (dest == nullptr) {
        return 0;
    }
    first = std::clamp(first, 0, kSpectrumValues - 1);
    last = std::clamp(last, 0, kSpectrumValues - 1);
    if (last < first) {
        return 0;
    }
    const int count = last - first + 1;
    const std::lock_guard lock(impl_->publishMutex);
    std::copy_n(impl_->published.levels.begin() + first, count, dest);
    return count;
}

int Engine::getVectorData(std::int32_t* dest) const {
    if (dest == nullptr) {
        return 0;
    }
    const std::lock_guard lock(impl_->publishMutex);
    std::copy(impl_->published.vectors.begin(), impl_->published.vectors.end(), dest);
    return kVectorValues;
}

std::uint64_t Engine::samplesProcessed() const {
    return impl_->samplesProcessed.load(std::memory_order_relaxed);
}

void Engine::setBandActivity(bool on) {
    impl_->bandWanted.store(on, std::memory_order_release);
    if (!on) {
        // What was published no longer holds; the serial goes on so readers see the change.
        const std::lock_guard lock(impl_->bandMutex);
        impl_->bandPublished.signals.clear();
        ++impl_->bandPublished.serial;
    }
}

bool Engine::bandActivity(BandActivitySnapshot& out) const {
    const std::unique_lock lock(impl_->bandMutex, std::try_to_lock);
    if (!lock.owns_lock() || impl_->bandPublished.serial == out.serial) {
        return false;
    }
    out = impl_->bandPublished;
    return true;
}

}  // namespace pskmodem
