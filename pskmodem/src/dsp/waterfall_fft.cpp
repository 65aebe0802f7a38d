#include "pskmodem/dsp/waterfall_fft.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <complex>
#include <numbers>
#include <vector>

#include "pskmodem/dsp/fft.h"

namespace pskmodem {
namespace {

// Exponential averaging of each bin's level in dB across frames: weight of the newest frame for
// smoothing 1..10. At 15.6 frames/s the time constant grows from none (1) to about 0.9 s (10).
// Averaging in dB rather than in power treats rises and falls alike, so a click or a burst of
// overload fades as fast as a new signal appears.
constexpr std::array<float, WaterfallFft::kMaxSmoothing> kSmoothingWeight = {
    1.0F, 0.7F, 0.5F, 0.37F, 0.28F, 0.21F, 0.16F, 0.12F, 0.09F, 0.07F};

// Level mapping. For a bin d dB above the noise floor:
//     level = clamp(slope * (d + kFloorOffsetDb), 0, 255),
//     slope = 1 + sensitivity / 330 levels per dB (1.3 at 100, 5.5 at 1500, 8.6 at 2500).
// The floor itself therefore shows as 6 x slope: 33 at the default sensitivity 1500 (dark, with
// the noise speckle visible), 8 at 100 and 51 at 2500. At 1500 a bin 20 dB above the floor shows
// 144 and 40 dB saturates to white; a PSK31 signal 10 dB above the noise in 3000 Hz stands about
// 30..35 dB above the per-bin floor (the FFT's 3.9 Hz bins see a small part of the noise), so it
// shows around 200..230, and one at 0 dB around 160. At 100 the same signals are a dull 40..60;
// at 2500 they saturate.
// Bins more than 6 dB below the floor are 0 at every sensitivity, so levels rise monotonically
// with sensitivity.
constexpr float kFloorOffsetDb = 6.0F;
constexpr float kBaseSlopePerDb = 1.0F;
constexpr float kSensitivityPerSlopeStep = 330.0F;

// The floor is the median bin, in dB, over the usual audio passband of a receiver, so that a
// recording band-limited by an SSB filter still gives the floor inside the passband; a handful of
// signals cannot move the median much. It is taken from each frame before smoothing.
constexpr int kFloorFirstBin = 51;  // 200 Hz
constexpr int kFloorLastBin = 768;  // 3000 Hz
constexpr int kFloorBins = kFloorLastBin - kFloorFirstBin + 1;
// Averaging of the floor over frames (time constant about 0.3 s) keeps the picture steady when
// strong signals come and go. A jump of more than kFloorJumpDb is a new input level (a gain
// change, sound after silence) rather than a fluctuation, and is taken at once.
constexpr float kFloorWeight = 0.2F;
constexpr float kFloorJumpDb = 20.0F;
// Bin levels are held within this range around the floor before and after averaging. Nothing
// outside it can show differently (below is black, above is white even at the lowest
// sensitivity's useful range), and it bounds how long heavy smoothing takes to forget
// silence or an overload.
constexpr float kBelowFloorDb = 20.0F;
constexpr float kAboveFloorDb = 60.0F;
// Digital silence has no floor; keep every value finite and far below any real noise.
constexpr float kMinPower = 1e-30F;
constexpr float kMinFloorDb = -160.0F;
// Samples are limited to 24 dB above full scale: real sources never get there, and it keeps the
// power sums far from overflow.
constexpr float kMaxSampleMagnitude = 16.0F;

// 10 * log10(x) for positive normal floats: the exponent gives the integer part of log2 and a
// quadratic the fraction (error below 0.02 dB, far below one display level).
inline float fastPowerToDb(float x) {
    const auto bits = std::bit_cast<std::uint32_t>(x);
    const auto exponent = static_cast<float>(static_cast<int>((bits >> 23U) & 0xFFU) - 127);
    const float mantissa = std::bit_cast<float>((bits & 0x007FFFFFU) | 0x3F800000U);  // [1, 2)
    const float log2Mantissa = (-0.34484843F * mantissa + 2.02466578F) * mantissa - 0.67487759F;
    constexpr float kDbPerOctave = 3.0102999566F;  // 10 * log10(2)
    return kDbPerOctave * (exponent + log2Mantissa);
}

}  // namespace

struct WaterfallFft::Impl {
    Impl();

    void computeFrame();

    // Settings.
    int smoothing = kDefaultSmoothing;
    int sensitivity = kDefaultSensitivity;

    // Sample history: a ring of the last kFftSize samples.
    std::vector<float> history = std::vector<float>(kFftSize, 0.0F);
    std::size_t writePos = 0;
    int samplesSinceFrame = 0;

    std::vector<float> window = std::vector<float>(kFftSize);
    float powerToDbOffset = 0.0F;  // makes a full-scale sine centred on a bin read 0 dB

    RealFft fft{kFftSize};

    std::vector<float> frameDb = std::vector<float>(kBins, 0.0F);     // this frame
    std::vector<float> averagedDb = std::vector<float>(kBins, 0.0F);  // smoothed over frames
    std::vector<float> floorScratch = std::vector<float>(kFloorBins, 0.0F);
    bool haveAverage = false;
    bool haveFloor = false;
    float floorDb = kMinFloorDb;

    bool ready = false;
    std::array<std::int32_t, kBins> levels{};
};

WaterfallFft::Impl::Impl() {
    // 4-term Blackman-Harris window (periodic form): sidelobes below -92 dB keep strong signals
    // from smearing over the waterfall; the main lobe is 4 bins either side.
    constexpr double a0 = 0.35875;
    constexpr double a1 = 0.48829;
    constexpr double a2 = 0.14128;
    constexpr double a3 = 0.01168;
    double windowSum = 0.0;
    for (int n = 0; n < kFftSize; ++n) {
        const double phase = 2.0 * std::numbers::pi * n / kFftSize;
        const double w =
            a0 - a1 * std::cos(phase) + a2 * std::cos(2.0 * phase) - a3 * std::cos(3.0 * phase);
        window[static_cast<std::size_t>(n)] = static_cast<float>(w);
        windowSum += w;
    }
    // A sine of amplitude 1 centred on bin k gives |X[k]| = sum(w) / 2.
    const double fullScalePower = (windowSum / 2.0) * (windowSum / 2.0);
    powerToDbOffset = static_cast<float>(-10.0 * std::log10(fullScalePower));
}

void WaterfallFft::Impl::computeFrame() {
    // Oldest sample first: the ring from the write position to its end, then from its start.
    const std::size_t size = history.size();
    const std::size_t firstPart = size - writePos;
    const std::span<float> fftIn = fft.input();
    for (std::size_t i = 0; i < firstPart; ++i) {
        fftIn[i] = history[writePos + i] * window[i];
    }
    for (std::size_t i = 0; i < writePos; ++i) {
        fftIn[firstPart + i] = history[i] * window[firstPart + i];
    }
    fft.execute();

    const std::span<const std::complex<float>> fftOut = fft.output();
    for (std::size_t k = 0; k < static_cast<std::size_t>(kBins); ++k) {
        const float re = fftOut[k].real();
        const float im = fftOut[k].imag();
        frameDb[k] = fastPowerToDb(std::max(re * re + im * im, kMinPower)) + powerToDbOffset;
    }

    // Noise floor: median bin of the passband, then averaged over frames.
    std::copy_n(frameDb.begin() + kFloorFirstBin, kFloorBins, floorScratch.begin());
    const auto middle = floorScratch.begin() + kFloorBins / 2;
    std::nth_element(floorScratch.begin(), middle, floorScratch.end());
    const float frameFloorDb = std::max(*middle, kMinFloorDb);
    if (haveFloor && std::fabs(frameFloorDb - floorDb) <= kFloorJumpDb) {
        floorDb += kFloorWeight * (frameFloorDb - floorDb);
    } else {
        floorDb = frameFloorDb;
    }
    haveFloor = true;

    const float lowDb = floorDb - kBelowFloorDb;
    const float highDb = floorDb + kAboveFloorDb;
    const float weight =
        haveAverage ? kSmoothingWeight[static_cast<std::size_t>(smoothing - 1)] : 1.0F;
    haveAverage = true;
    const float slope =
        kBaseSlopePerDb + static_cast<float>(sensitivity) / kSensitivityPerSlopeStep;
    const float zeroDb = floorDb - kFloorOffsetDb;  // the dB value shown as level 0
    for (std::size_t k = 0; k < static_cast<std::size_t>(kBins); ++k) {
        const float db = std::clamp(frameDb[k], lowDb, highDb);
        const float previous = std::clamp(averagedDb[k], lowDb, highDb);
        const float averaged = previous + weight * (db - previous);
        averagedDb[k] = averaged;
        const float level = std::clamp(slope * (averaged - zeroDb), 0.0F, 255.0F);
        levels[k] = static_cast<std::int32_t>(level + 0.5F);
    }
}

WaterfallFft::WaterfallFft() : impl_(std::make_unique<Impl>()) {}
WaterfallFft::~WaterfallFft() = default;

void WaterfallFft::setMode(int smoothing, int sensitivity) {
    impl_->smoothing = std::clamp(smoothing, kMinSmoothing, kMaxSmoothing);
    impl_->sensitivity = std::clamp(sensitivity, kMinSensitivity, kMaxSensitivity);
}

int WaterfallFft::smoothing() const {
    return impl_->smoothing;
}

int WaterfallFft::sensitivity() const {
    return impl_->sensitivity;
}

void WaterfallFft::reset() {
    Impl& s = *impl_;
    std::fill(s.history.begin(), s.history.end(), 0.0F);
    s.writePos = 0;
    s.samplesSinceFrame = 0;
    std::fill(s.averagedDb.begin(), s.averagedDb.end(), 0.0F);
    s.haveAverage = false;
    s.haveFloor = false;
    s.floorDb = kMinFloorDb;
    s.ready = false;
    s.levels.fill(0);
}

std::size_t WaterfallFft::consume(std::span<const float> in) {
    Impl& s = *impl_;
    s.ready = false;
    const std::size_t wanted = static_cast<std::size_t>(kHopSamples - s.samplesSinceFrame);
    const std::size_t count = std::min(wanted, in.size());
    const std::size_t size = s.history.size();
    for (std::size_t i = 0; i < count; ++i) {
        float x = in[i];
        // NaN and infinities become silence; huge finite values are limited.
        if (!(std::fabs(x) <= kMaxSampleMagnitude)) {
            x = std::isfinite(x) ? std::copysign(kMaxSampleMagnitude, x) : 0.0F;
        }
        s.history[s.writePos] = x;
        s.writePos = s.writePos + 1 == size ? 0 : s.writePos + 1;
    }
    s.samplesSinceFrame += static_cast<int>(count);
    if (s.samplesSinceFrame == kHopSamples) {
        s.samplesSinceFrame = 0;
        s.computeFrame();
        s.ready = true;
    }
    return count;
}

bool WaterfallFft::frameReady() const {
    return impl_->ready;
}

const std::array<std::int32_t, WaterfallFft::kBins>& WaterfallFft::levels() const {
    return impl_->levels;
}

float WaterfallFft::noiseFloorDb() const {
    return impl_->floorDb;
}

}  // namespace pskmodem
