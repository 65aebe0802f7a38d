#include "pskmodem/dsp/afc.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <stdexcept>

namespace pskmodem {
namespace {

constexpr int kFilterTaps = 49;
constexpr double kFilterKaiserBeta = 5.0;
// Half-width of a PSK31 signal's main lobe that the acquisition filter passes beyond the
// carrier search range, and the narrowest passband; both scale with the symbol rate.
constexpr double kSignalHalfWidthHz = 40.0;
constexpr double kMinCutoffHz = 20.0;
// Newest spectrum's weight in the average once it has filled: about eight frames (2 s).
constexpr float kMinFrameWeight = 1.0F / 8.0F;
// Frames taken at twice the usual rate after a reset (a quarter of the FFT apart), the frames
// averaged before a line is judged at all (three overlapping ones: a span of one and a half
// FFTs), those after which a slightly weaker line is believed (a span of 1.75 FFTs) and those
// after which a weaker one still is (a span of 3.5 FFTs).
constexpr int kFastFrames = 4;
constexpr int kFirstJudgedFrames = 3;
constexpr int kLongerFrames = 4;
constexpr int kSettledFrames = 6;
// Time constant of the level normalisation before the power law, in samples.
constexpr float kLevelWeight = 1.0F / 256.0F;

// The FFT size, once the rates and the size have been checked; throws std::invalid_argument.
int checkedFftSize(double sampleRateHz, int fftSize, double symbolRateHz) {
    if (!std::isfinite(sampleRateHz) || sampleRateHz <= 0.0 || fftSize < 64 ||
        (fftSize & (fftSize - 1)) != 0 || !std::isfinite(symbolRateHz) || symbolRateHz <= 0.0 ||
        symbolRateHz >= sampleRateHz) {
        throw std::invalid_argument("FrequencyAcquisition: invalid rate or FFT size");
    }
    return fftSize;
}

}  // namespace

FrequencyAcquisition::FrequencyAcquisition(double sampleRateHz, int fftSize, double symbolRateHz)
    : sampleRateHz_(sampleRateHz),
      symbolRateHz_(symbolRateHz),
      widthScale_(symbolRateHz / kSymbolRateBaud),
      fftSize_(fftSize),
      filter_(std::vector<float>(kFilterTaps, 0.0F), 1),
      taps_(kFilterTaps, 0.0F),
      fft_(checkedFftSize(sampleRateHz, fftSize, symbolRateHz)) {
    const auto n = static_cast<std::size_t>(fftSize);
    ring_.assign(n, {});
    average_.assign(n, 0.0F);
    scratch_.assign(n, 0.0F);
    window_.resize(n);
    for (std::size_t i = 0; i < n; ++i) {
        window_[i] = static_cast<float>(
            0.5 - 0.5 * std::cos(2.0 * std::numbers::pi * (static_cast<double>(i) + 0.5) /
                                 static_cast<double>(n)));
    }
    setPassband(50.0);
}

void FrequencyAcquisition::reset() {
    std::fill(ring_.begin(), ring_.end(), std::complex<float>{});
    std::fill(average_.begin(), average_.end(), 0.0F);
    ringPosition_ = 0;
    sinceFrame_ = 0;
    frames_ = 0;
    filled_ = 0;
    filter_.reset();
    level_ = 0.0F;
}

void FrequencyAcquisition::setPower(int power) {
    if (power != 2 && power != 4) throw std::invalid_argument("FrequencyAcquisition: power");
    power_ = power;
    reset();
}

void FrequencyAcquisition::setPassband(double halfWidthHz) {
    if (!std::isfinite(halfWidthHz)) return;
    const double cutoff = std::clamp(std::abs(halfWidthHz) + kSignalHalfWidthHz * widthScale_,
                                     kMinCutoffHz * widthScale_, 0.45 * sampleRateHz_);
    const std::vector<float> taps =
        designLowpassFir(kFilterTaps, cutoff, sampleRateHz_, kFilterKaiserBeta);
    std::copy(taps.begin(), taps.end(), taps_.begin());
    filter_.setTaps(taps_);
}

bool FrequencyAcquisition::push(std::complex<float> z) {
    const float inRe = z.real();
    const float inIm = z.imag();
    std::complex<float> a;
    filter_.process({&inRe, 1}, {&inIm, 1}, {&a, 1});

    // Normalise the level first so that the fourth power of a quiet signal cannot underflow.
    const float magnitude2 = a.real() * a.real() + a.imag() * a.imag();
    if (level_ > 0.0F) {
        level_ += kLevelWeight * (magnitude2 - level_);
    } else {
        level_ = magnitude2;  // the first sound sets the level at once
    }
    if (!(level_ > 1e-30F) || !std::isfinite(level_)) level_ = 0.0F;
    const float scale = level_ > 0.0F ? 1.0F / std::sqrt(level_) : 0.0F;
    float re = a.real() * scale;
    float im = a.imag() * scale;
    for (int m = power_; m > 1; m /= 2) {  // square once (M = 2) or twice (M = 4)
        const float r = re * re - im * im;
        im = 2.0F * re * im;
        re = r;
    }
    if (!std::isfinite(re) || !std::isfinite(im)) re = im = 0.0F;
    ring_[ringPosition_] = {re, im};
    ringPosition_ = ringPosition_ + 1 == ring_.size() ? 0 : ringPosition_ + 1;

    if (filled_ < fftSize_) ++filled_;
    // Frames every quarter of the FFT until the first few are in, so that a carrier is found
    // early in a transmission's idle preamble; every half of it after that.
    const int hop = frames_ < kFastFrames ? fftSize_ / 4 : fftSize_ / 2;
    if (++sinceFrame_ < hop) return false;
    sinceFrame_ = 0;
    // A ring still partly empty since the reset would give a periodogram of half the resolution,
    // whose line stands lower and only dilutes the average: the first frame waits for a full one.
    if (filled_ < fftSize_) return false;
    const std::size_t n = ring_.size();
    const std::span<std::complex<float>> fftIn = fft_.input();
    for (std::size_t i = 0; i < n; ++i) {
        const std::complex<float> v = ring_[(ringPosition_ + i) % n];
        fftIn[i] = {v.real() * window_[i], v.imag() * window_[i]};
    }
    fft_.execute();
    const std::span<const std::complex<float>> fftOut = fft_.output();
    // Each frame joins the average scaled to unit mean power, so that a burst or a change of
    // level cannot dominate it.
    double total = 0.0;
    for (std::size_t k = 0; k < n; ++k) {
        total += static_cast<double>(fftOut[k].real() * fftOut[k].real() +
                                     fftOut[k].imag() * fftOut[k].imag());
    }
    if (!(total > 0.0) || !std::isfinite(total)) return false;
    const auto norm = static_cast<float>(static_cast<double>(n) / total);
    ++frames_;
    const float weight = std::max(1.0F / static_cast<float>(frames_), kMinFrameWeight);
    for (std::size_t k = 0; k < n; ++k) {
        const float p =
            norm * (fftOut[k].real() * fftOut[k].real() + fftOut[k].imag() * fftOut[k].imag());
        average_[k] += weight * (p - average_[k]);
    }
    return true;
}

float FrequencyAcquisition::binPower(int bin) const {
    const int n = fftSize_;
    return average_[static_cast<std::size_t>(((bin % n) + n) % n)];
}

FrequencyAcquisition::Peak FrequencyAcquisition::strongestCarrier(double lowHz, double highHz) {
    Peak peak;
    const double limit = 0.95 * sampleRateHz_ / (2.0 * power_);
    lowHz = std::max(lowHz, -limit);
    highHz = std::min(highHz, limit);
    // A single periodogram (and the filter start-up inside it) is too unreliable to act on.
    if (frames_ < kFirstJudgedFrames || !(lowHz <= highHz)) return peak;

    // Carrier offset f shows at power_ * f in the power-law spectrum.
    const double spectrumBinHz = sampleRateHz_ / static_cast<double>(fftSize_);
    const int first = static_cast<int>(std::ceil(power_ * lowHz / spectrumBinHz));
    const int last = static_cast<int>(std::floor(power_ * highHz / spectrumBinHz));
    if (first > last) return peak;
    int best = first;
    for (int k = first; k <= last; ++k) {
        if (binPower(k) > binPower(best)) best = k;
    }
    const float top = binPower(best);
    if (!(top > 0.0F)) return peak;

    // A keying sideband sits a multiple of the symbol rate from a stronger carrier line.
    for (int harmonic = 1; harmonic <= 2; ++harmonic) {
        const int distance =
            static_cast<int>(std::lround(harmonic * symbolRateHz_ / spectrumBinHz));
        for (int side : {-1, 1}) {
            for (int k = best + side * distance - 2; k <= best + side * distance + 2; ++k) {
                if (binPower(k) > top) return peak;
            }
        }
    }

    const float noise = noiseAround(best);

    // Refine between bins with a parabola through the magnitudes around the peak.
    const double a = std::sqrt(static_cast<double>(binPower(best - 1)));
    const double b = std::sqrt(static_cast<double>(top));
    const double c = std::sqrt(static_cast<double>(binPower(best + 1)));
    const double curvature = a - 2.0 * b + c;
    const double delta = curvature < 0.0 ? std::clamp(0.5 * (a - c) / curvature, -0.5, 0.5) : 0.0;

    peak.offsetHz = (static_cast<double>(best) + delta) * spectrumBinHz / power_;
    peak.snrDb = noise > 0.0F ? 10.0 * std::log10(static_cast<double>(top / noise)) : 99.0;
    // The first frames are single noisy periodograms: demand more of them.
    const double thresholdDb = frames_ >= kSettledFrames  ? 9.0
                               : frames_ >= kLongerFrames ? 10.0
                                                          : 11.0;
    peak.found = peak.snrDb >= thresholdDb;
    return peak;
}

float FrequencyAcquisition::noiseAround(int bin) {
    // The median of the bins around the line (two symbol rates either side, the line's own bins
    // left out). The power law shapes the noise into a hump around the mixer frequency, and a
    // strong signal nearby raises its own surroundings, so only a local level tells a line from
    // what lies around it.
    const double spectrumBinHz = sampleRateHz_ / static_cast<double>(fftSize_);
    const int margin = static_cast<int>(std::lround(2.0 * symbolRateHz_ / spectrumBinHz));
    std::size_t count = 0;
    for (int k = bin - margin; k <= bin + margin; ++k) {
        if (std::abs(k - bin) > 2) scratch_[count++] = binPower(k);
    }
    const auto middle = scratch_.begin() + static_cast<std::ptrdiff_t>(count / 2);
    std::nth_element(scratch_.begin(), middle,
                     scratch_.begin() + static_cast<std::ptrdiff_t>(count));
    return *middle;
}

double FrequencyAcquisition::carrierResolutionHz() const {
    return sampleRateHz_ / static_cast<double>(fftSize_) / power_;
}

double FrequencyAcquisition::lineLevelDb(double offsetHz) {
    if (frames_ == 0 || !std::isfinite(offsetHz)) return -99.0;
    const double spectrumBinHz = sampleRateHz_ / static_cast<double>(fftSize_);
    const auto centre = static_cast<int>(std::lround(power_ * offsetHz / spectrumBinHz));
    float level = 0.0F;
    for (int k = centre - 1; k <= centre + 1; ++k) level = std::max(level, binPower(k));
    const float noise = noiseAround(centre);
    if (!(level > 0.0F) || !(noise > 0.0F)) return -99.0;
    return 10.0 * std::log10(static_cast<double>(level / noise));
}

}  // namespace pskmodem
