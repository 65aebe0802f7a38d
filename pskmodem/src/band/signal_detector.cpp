#include "pskmodem/band/signal_detector.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <numbers>
#include <stdexcept>
#include <vector>

#include "pskmodem/dsp/fft.h"
#include "pskmodem/types.h"

namespace pskmodem {
namespace {

constexpr int kBins = SignalDetector::kFftSize / 2 + 1;
constexpr double kBinHz = static_cast<double>(kSampleRateHz) / SignalDetector::kFftSize;

constexpr double kMinLowHz = 50.0;
constexpr double kMaxHighHz = 3800.0;

// Newest frame's weight in the average once it has filled (time constant about six frames).
constexpr double kFrameWeight = 1.0 / 6.0;
// Single periodograms scatter too widely to look for signals in: the first few frames only fill
// the average.
constexpr std::size_t kFramesBeforeDetection = 3;

// Noise floor: the kFloorQuantile point of the averaged bins within kFloorHalfWindowHz, taken
// every kFloorStepBins and interpolated in between. For white noise averaged like this the
// quantile sits at kFloorQuantileRatio of the mean, which the floor is corrected by; where signals
// crowd the window the quantile rises towards the mean, which errs on the safe side.
constexpr double kFloorHalfWindowHz = 200.0;
constexpr int kFloorStepBins = 16;
constexpr double kFloorQuantile = 0.2;
constexpr double kFloorQuantileRatio = 0.79;

// Band of the detection sum (the idle lines at +-15.625 Hz and most of the data spectrum), band
// of the centroid, and the main lobe of the PSK31 spectrum.
constexpr double kDetectHalfWidthHz = 18.0;
constexpr double kCentroidHalfWidthHz = 25.0;
constexpr double kLobeHalfWidthHz = 31.25;
// Shape of a PSK31 spectrum: rms width about 10 Hz for data and 15.6 Hz for idle.
constexpr double kMinWidthHz = 5.0;
constexpr double kMaxWidthHz = 22.0;
// A signal must show at least this far above the noise within 18 Hz in the newest frame too: the
// average remembers a signal for some seconds after it stops.
constexpr double kMinNewestSnrDb = 3.0;
// Weaker half of the main lobe over the stronger.
constexpr double kMinSymmetry = 0.35;
// The SNR of a signal is given in 3000 Hz.
constexpr double kSnrBandwidthHz = 3000.0;
// Samples are limited to 24 dB above full scale, as everywhere else in the library.
constexpr float kMaxSampleMagnitude = 16.0F;
constexpr double kMinPower = 1e-30;

int halfWidthBins(double hz) {
    return static_cast<int>(std::lround(hz / kBinHz));
}

}  // namespace

struct SignalDetector::Impl {
    Impl(double lowHz, double highHz);

    void reset();
    void analyse();
    void updateFloor();
    double excess(int bin) const { return average[idx(bin)] - floor[idx(bin)]; }
    double positiveExcess(int bin) const { return std::max(0.0, excess(bin)); }
    static std::size_t idx(int bin) { return static_cast<std::size_t>(bin); }
    void findSignals();
    double newestSnrDb(double frequencyHz) const;
    bool describe(int peakBin, DetectedSignal& out) const;

    int lowBin;
    int highBin;
    double thresholdRatio = std::pow(10.0, kDefaultThresholdDb / 10.0);

    std::vector<float> history = std::vector<float>(kFftSize, 0.0F);
    std::size_t writePos = 0;
    int sinceFrame = 0;
    std::vector<float> window = std::vector<float>(kFftSize);
    RealFft fft{kFftSize};

    std::vector<double> average = std::vector<double>(kBins, 0.0);
    std::vector<double> latest = std::vector<double>(kBins, 0.0);  // the newest frame alone
    std::vector<double> floor = std::vector<double>(kBins, 0.0);
    std::vector<double> detect = std::vector<double>(kBins, 0.0);  // excess within 18 Hz
    std::vector<double> scratch = std::vector<double>(kBins, 0.0);
    std::vector<int> gridBins;
    std::vector<double> gridFloor;

    struct Candidate {
        int bin;
        double strength;
        DetectedSignal signal;
    };
    std::vector<Candidate> candidates;
    std::vector<DetectedSignal> found;
    std::size_t frameCount = 0;
    bool ready = false;
};

SignalDetector::Impl::Impl(double lowHz, double highHz) {
    if (!std::isfinite(lowHz) || !std::isfinite(highHz) || !(lowHz < highHz)) {
        throw std::invalid_argument("SignalDetector: the band must run from low to high");
    }
    lowHz = std::clamp(lowHz, kMinLowHz, kMaxHighHz);
    highHz = std::clamp(highHz, kMinLowHz, kMaxHighHz);
    lowBin = static_cast<int>(std::ceil(lowHz / kBinHz));
    highBin = static_cast<int>(std::floor(highHz / kBinHz));

    for (std::size_t i = 0; i < window.size(); ++i) {
        window[i] = static_cast<float>(
            0.5 - 0.5 * std::cos(2.0 * std::numbers::pi * (static_cast<double>(i) + 0.5) /
                                 static_cast<double>(kFftSize)));
    }
    // Floor grid over the whole band the sums can reach.
    const int reach = halfWidthBins(kLobeHalfWidthHz) + kFloorStepBins;
    for (int bin = std::max(1, lowBin - reach); bin < highBin + reach + kFloorStepBins;
         bin += kFloorStepBins) {
        gridBins.push_back(std::min(bin, kBins - 2));
        if (bin >= kBins - 2) break;
    }
    gridFloor.assign(gridBins.size(), 0.0);
    candidates.reserve(static_cast<std::size_t>(kBins));
    found.reserve(kMaxSignals);
}

void SignalDetector::Impl::reset() {
    std::fill(history.begin(), history.end(), 0.0F);
    writePos = 0;
    sinceFrame = 0;
    std::fill(average.begin(), average.end(), 0.0);
    std::fill(latest.begin(), latest.end(), 0.0);
    std::fill(floor.begin(), floor.end(), 0.0);
    std::fill(detect.begin(), detect.end(), 0.0);
    found.clear();
    frameCount = 0;
    ready = false;
}

void SignalDetector::Impl::analyse() {
    const std::span<float> fftIn = fft.input();
    for (std::size_t i = 0; i < history.size(); ++i) {
        fftIn[i] = history[(writePos + i) % history.size()] * window[i];
    }
    fft.execute();
    const std::span<const std::complex<float>> fftOut = fft.output();
    ++frameCount;
    const double weight = std::max(kFrameWeight, 1.0 / static_cast<double>(frameCount));
    for (std::size_t k = 0; k < static_cast<std::size_t>(kBins); ++k) {
        const double re = static_cast<double>(fftOut[k].real());
        const double im = static_cast<double>(fftOut[k].imag());
        const double power = re * re + im * im;
        average[k] += weight * (power - average[k]);
        if (!(average[k] > kMinPower)) average[k] = kMinPower;
        latest[k] = power;
    }
    updateFloor();
    if (frameCount >= kFramesBeforeDetection) {
        findSignals();
    } else {
        found.clear();
    }
}

void SignalDetector::Impl::updateFloor() {
    const int half = halfWidthBins(kFloorHalfWindowHz);
    for (std::size_t g = 0; g < gridBins.size(); ++g) {
        const int first = std::max(1, gridBins[g] - half);
        const int last = std::min(kBins - 2, gridBins[g] + half);
        const auto count = static_cast<std::size_t>(last - first + 1);
        std::copy(average.begin() + first, average.begin() + last + 1, scratch.begin());
        const auto nth = static_cast<std::size_t>(kFloorQuantile * static_cast<double>(count));
        std::nth_element(scratch.begin(), scratch.begin() + static_cast<std::ptrdiff_t>(nth),
                         scratch.begin() + static_cast<std::ptrdiff_t>(count));
        gridFloor[g] = scratch[nth] / kFloorQuantileRatio;
    }
    // Linear interpolation between grid points; flat beyond the ends.
    std::size_t g = 0;
    for (int bin = 0; bin < kBins; ++bin) {
        while (g + 1 < gridBins.size() && gridBins[g + 1] <= bin) ++g;
        double value = gridFloor[g];
        if (bin > gridBins[g] && g + 1 < gridBins.size()) {
            const double t = static_cast<double>(bin - gridBins[g]) /
                             static_cast<double>(gridBins[g + 1] - gridBins[g]);
            value += t * (gridFloor[g + 1] - gridFloor[g]);
        } else if (bin < gridBins[g]) {
            value = gridFloor[0];
        }
        floor[idx(bin)] = value;
    }
}

void SignalDetector::Impl::findSignals() {
    const int half = halfWidthBins(kDetectHalfWidthHz);
    const int from = std::max(half + 1, lowBin - half);
    const int to = std::min(kBins - half - 2, highBin + half);
    // Running sum of the excess over 2 * half + 1 bins.
    double sum = 0.0;
    for (int bin = from - half; bin <= from + half; ++bin) sum += excess(bin);
    for (int bin = from; bin <= to; ++bin) {
        detect[idx(bin)] = sum;
        sum += excess(bin + half + 1) - excess(bin - half);
    }

    candidates.clear();
    for (int bin = std::max(lowBin, from); bin <= std::min(highBin, to); ++bin) {
        const double s = detect[idx(bin)];
        double noise = 0.0;
        for (int j = -half; j <= half; ++j) noise += floor[idx(bin + j)];
        if (!(s >= thresholdRatio * noise)) continue;
        // A local maximum over the detection band; the first bin of a plateau wins.
        bool peak = true;
        for (int j = 1; j <= half && peak; ++j) {
            if (bin - j >= from && !(s > detect[idx(bin - j)])) peak = false;
            if (bin + j <= to && !(s >= detect[idx(bin + j)])) peak = false;
        }
        if (!peak) continue;
        DetectedSignal signal;
        if (describe(bin, signal) && newestSnrDb(signal.frequencyHz) >= kMinNewestSnrDb) {
            candidates.push_back({bin, s, signal});
        }
    }

    // The strongest of peaks closer than the minimum spacing.
    std::sort(candidates.begin(), candidates.end(),
              [](const Candidate& a, const Candidate& b) { return a.strength > b.strength; });
    found.clear();
    for (const Candidate& c : candidates) {
        if (found.size() >= kMaxSignals) break;
        const bool clear = std::none_of(found.begin(), found.end(), [&](const DetectedSignal& s) {
            return std::abs(s.frequencyHz - c.signal.frequencyHz) < kMinSpacingHz;
        });
        if (clear) found.push_back(c.signal);
    }
    std::sort(found.begin(), found.end(), [](const DetectedSignal& a, const DetectedSignal& b) {
        return a.frequencyHz < b.frequencyHz;
    });
}

double SignalDetector::Impl::newestSnrDb(double frequencyHz) const {
    const int half = halfWidthBins(kDetectHalfWidthHz);
    if (!std::isfinite(frequencyHz) || frameCount == 0) return -30.0;
    const int centre =
        std::clamp(static_cast<int>(std::lround(frequencyHz / kBinHz)), half + 1, kBins - half - 2);
    double power = 0.0;
    double noise = 0.0;
    for (int bin = centre - half; bin <= centre + half; ++bin) {
        power += latest[idx(bin)] - floor[idx(bin)];
        noise += floor[idx(bin)];
    }
    if (!(noise > 0.0) || !(power > 0.0)) return -30.0;
    return std::max(-30.0, 10.0 * std::log10(power / noise));
}

bool SignalDetector::Impl::describe(int peakBin, DetectedSignal& out) const {
    const int lastBin = kBins - 2;
    // Centroid of the excess power, twice, starting from the peak of the detection sum.
    double centreBin = static_cast<double>(peakBin);
    const double centroidHalf = kCentroidHalfWidthHz / kBinHz;
    for (int pass = 0; pass < 2; ++pass) {
        const int first = std::max(1, static_cast<int>(std::ceil(centreBin - centroidHalf)));
        const int last = std::min(lastBin, static_cast<int>(std::floor(centreBin + centroidHalf)));
        double weight = 0.0;
        double moment = 0.0;
        for (int bin = first; bin <= last; ++bin) {
            const double e = positiveExcess(bin);
            weight += e;
            moment += e * static_cast<double>(bin);
        }
        if (!(weight > 0.0)) return false;
        centreBin = moment / weight;
    }

    // Width, symmetry and power over the main lobe.
    const double lobeHalf = kLobeHalfWidthHz / kBinHz;
    const int first = std::max(1, static_cast<int>(std::ceil(centreBin - lobeHalf)));
    const int last = std::min(lastBin, static_cast<int>(std::floor(centreBin + lobeHalf)));
    double weight = 0.0;
    double second = 0.0;
    double lower = 0.0;
    double upper = 0.0;
    double power = 0.0;
    double noise = 0.0;
    for (int bin = first; bin <= last; ++bin) {
        const double e = positiveExcess(bin);
        const double offset = static_cast<double>(bin) - centreBin;
        weight += e;
        second += e * offset * offset;
        if (offset < 0.0) {
            lower += e;
        } else {
            upper += e;
        }
        power += excess(bin);
        noise += floor[idx(bin)];
    }
    if (!(weight > 0.0) || !(power > 0.0) || !(noise > 0.0)) return false;
    const double widthHz = std::sqrt(second / weight) * kBinHz;
    if (widthHz < kMinWidthHz || widthHz > kMaxWidthHz) return false;
    if (std::min(lower, upper) < kMinSymmetry * std::max(lower, upper)) return false;

    const double noisePerHz = noise / (static_cast<double>(last - first + 1) * kBinHz);
    out.frequencyHz = centreBin * kBinHz;
    out.widthHz = widthHz;
    out.snrDb = 10.0 * std::log10(power / (noisePerHz * kSnrBandwidthHz));
    return true;
}

SignalDetector::SignalDetector(double lowHz, double highHz)
    : impl_(std::make_unique<Impl>(lowHz, highHz)) {}

SignalDetector::~SignalDetector() = default;

void SignalDetector::reset() {
    impl_->reset();
}

void SignalDetector::setThresholdDb(double thresholdDb) {
    if (std::isfinite(thresholdDb)) impl_->thresholdRatio = std::pow(10.0, thresholdDb / 10.0);
}

std::size_t SignalDetector::consume(std::span<const float> in) {
    Impl& s = *impl_;
    s.ready = false;
    std::size_t used = 0;
    while (used < in.size()) {
        float x = in[used++];
        if (!std::isfinite(x)) x = 0.0F;
        s.history[s.writePos] = std::clamp(x, -kMaxSampleMagnitude, kMaxSampleMagnitude);
        s.writePos = (s.writePos + 1) % s.history.size();
        if (++s.sinceFrame >= kHopSamples) {
            s.sinceFrame = 0;
            s.analyse();
            s.ready = true;
            break;
        }
    }
    return used;
}

bool SignalDetector::frameReady() const {
    return impl_->ready;
}

std::span<const DetectedSignal> SignalDetector::signals() const {
    return impl_->found;
}

double SignalDetector::bandSnrDb(double frequencyHz) const {
    return impl_->newestSnrDb(frequencyHz);
}

std::size_t SignalDetector::frames() const {
    return impl_->frameCount;
}

}  // namespace pskmodem
