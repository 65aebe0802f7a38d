#include "pskmodem/band/signal_detector.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <cstdint>
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
constexpr double kMaxWidthHz = SignalDetector::kMaxWidthHz;
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

// Power of a bin of white noise of unit variance: the sum of the squared window.
constexpr double kWindowPower = 3.0 * SignalDetector::kFftSize / 8.0;

// Noise for the signal measurements: the mean of the averaged bins nearest the carrier that no
// signal found occupies, at least kMinNoiseBins of them and all those within kNoiseHalfWindowHz
// (in a band crowded with signals the nearest free bins may lie some hundreds of hertz away).
// A signal occupies the bins within kNoiseGuardHz of its carrier (a PSK31 spectrum has all but
// 0.05 % of its power within 35 Hz) and beyond them the bins on which its keying sidebands, as a
// PSK31 spectrum has them, would put more than kSidebandShare of the bin's averaged power: a
// strong signal's sidebands stand above the noise 100 Hz and more from its carrier, and between
// strong signals 50 Hz apart no bin shows the noise alone. Of the free bins, those above
// kNoiseTrim times their median (lines, signals too weak to be reported or not found yet) are
// left out. Averaged noise bins scatter little, so the trim takes next to nothing of the noise
// itself and no correction is needed. With fewer than kMinNoiseBins free bins the floor stands in.
constexpr double kNoiseHalfWindowHz = 250.0;
constexpr double kNoiseGuardHz = 40.0;
constexpr double kNoiseTrim = 2.5;
constexpr std::size_t kMinNoiseBins = 64;
constexpr double kSidebandShare = 0.03;
// Keying sidebands of BPSK31 and QPSK31 (idle or random text) outside kNoiseGuardHz: an averaged
// bin at kNoiseGuardHz from the carrier holds at most kSidebandAtGuardDb of the signal's power,
// and the sidebands fall by kSidebandDbPerDecade beyond (measured on the modulator's signals,
// which both stay 2..8 dB under this line out to 200 Hz). They are followed out to kSidebandHz.
constexpr double kSidebandAtGuardDb = -40.0;
constexpr double kSidebandDbPerDecade = 60.0;
constexpr double kSidebandHz = 500.0;

// Idle lines and third-order products: within kLineHalfWidthHz of +-15.625 Hz and +-46.875 Hz
// (a Hann window puts a tone's power into +-2 bins, and the carrier is only known to about 1 Hz).
// A frame shows idle when the lines carry kIdleFraction of the power within kSignalHalfWidthHz and
// that power stands kIdleMinSnrDb over the noise in the same band. The products are clear when no
// other signal found lies within kProductsClearHz (their distance plus a PSK31 main lobe).
constexpr double kIdleLineHz = 15.625;
constexpr double kProductHz = 3.0 * kIdleLineHz;
constexpr double kLineHalfWidthHz = 6.0;
constexpr double kIdleFraction = 0.95;
constexpr double kIdleMinSnrDb = 13.0;
constexpr double kProductsClearHz = kProductHz + kLobeHalfWidthHz + kLineHalfWidthHz;

int halfWidthBins(double hz) {
    return static_cast<int>(std::lround(hz / kBinHz));
}

}  // namespace

struct SignalDetector::Impl {
    Impl(double lowHz, double highHz, Speed speed);

    void reset();
    void analyse();
    void updateFloor();
    double excess(int bin) const { return average[idx(bin)] - floor[idx(bin)]; }
    double positiveExcess(int bin) const { return std::max(0.0, excess(bin)); }
    static std::size_t idx(int bin) { return static_cast<std::size_t>(bin); }
    void findSignals();
    double newestSnrDb(double frequencyHz) const;
    bool describe(int peakBin, DetectedSignal& out) const;
    void markOccupied();
    double noisePerBin(double centreBin) const;
    double sumAbove(const std::vector<double>& spectrum, double centreBin, double halfWidthHz,
                    double noise) const;
    SignalMeasurement measure(double frequencyHz) const;

    // The signals' speed over PSK31's: every width and distance set for PSK31 scales with it.
    double scale;
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
    double floorMin = 0.0;  // the dynamic range and absolute limits of the floor
    // Bins a signal found in the newest frame occupies with its main lobe or its sidebands.
    std::vector<std::uint8_t> occupied = std::vector<std::uint8_t>(kBins, 0);
    // The sidebands the signals found would put on each bin (in the averaged spectrum's units),
    // and the share of a signal's power an averaged bin holds at each distance from its carrier.
    std::vector<double> sidebands = std::vector<double>(kBins, 0.0);
    std::vector<double> sidebandShape;
    // The free bins noisePerBin() takes the noise from.
    mutable std::vector<double> noiseBins = std::vector<double>(kBins, 0.0);

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

SignalDetector::Impl::Impl(double lowHz, double highHz, Speed speed)
    : scale(isValidSpeed(static_cast<int>(speed)) ? speedFactor(speed) : 1.0) {
    if (!std::isfinite(lowHz) || !std::isfinite(highHz) || !(lowHz < highHz) ||
        !isValidSpeed(static_cast<int>(speed))) {
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
    const int reach = halfWidthBins((kLobeHalfWidthHz * scale)) + kFloorStepBins;
    for (int bin = std::max(1, lowBin - reach); bin < highBin + reach + kFloorStepBins;
         bin += kFloorStepBins) {
        gridBins.push_back(std::min(bin, kBins - 2));
        if (bin >= kBins - 2) break;
    }
    gridFloor.assign(gridBins.size(), 0.0);
    candidates.reserve(static_cast<std::size_t>(kBins));
    found.reserve(kMaxSignals);
    const int guard = halfWidthBins((kNoiseGuardHz * scale));
    for (int offset = 0; offset <= halfWidthBins((kSidebandHz * scale)); ++offset) {
        const double hz =
            std::max(static_cast<double>(offset), static_cast<double>(guard)) * kBinHz;
        sidebandShape.push_back(std::pow(
            10.0,
            (kSidebandAtGuardDb - kSidebandDbPerDecade * std::log10(hz / (kNoiseGuardHz * scale))) /
                10.0));
    }
}

void SignalDetector::Impl::reset() {
    std::fill(history.begin(), history.end(), 0.0F);
    writePos = 0;
    sinceFrame = 0;
    std::fill(average.begin(), average.end(), 0.0);
    std::fill(latest.begin(), latest.end(), 0.0);
    std::fill(floor.begin(), floor.end(), 0.0);
    std::fill(detect.begin(), detect.end(), 0.0);
    std::fill(occupied.begin(), occupied.end(), std::uint8_t{0});
    floorMin = 0.0;
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
    markOccupied();
    // The SNR of each signal found, from the averaged spectrum with the noise no signal occupies.
    for (DetectedSignal& signal : found) {
        const double centreBin = signal.frequencyHz / kBinHz;
        const double noise = noisePerBin(centreBin);
        const double power =
            std::max(kMinPower, sumAbove(average, centreBin, (kSignalHalfWidthHz * scale), noise));
        signal.snrDb = 10.0 * std::log10(power / (noise * kSnrBandwidthHz / kBinHz));
    }
}

void SignalDetector::Impl::updateFloor() {
    const int half = halfWidthBins((kFloorHalfWindowHz * scale));
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
    // Limits of the floor: the dynamic range under the strongest bin the sums can reach, and
    // white noise at kMinNoiseDbfs.
    const int reach = halfWidthBins((kLobeHalfWidthHz * scale));
    const int first = std::max(1, lowBin - reach);
    const int last = std::min(kBins - 2, highBin + reach);
    const double strongest = *std::max_element(average.begin() + first, average.begin() + last + 1);
    const double noiseRms = std::pow(10.0, kMinNoiseDbfs / 20.0);
    floorMin = std::max(noiseRms * noiseRms * kWindowPower,
                        strongest * std::pow(10.0, -kDynamicRangeDb / 10.0));
    for (double& value : gridFloor) value = std::max(value, floorMin);
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
    const int half = halfWidthBins((kDetectHalfWidthHz * scale));
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
            return std::abs(s.frequencyHz - c.signal.frequencyHz) < (kMinSpacingHz * scale);
        });
        if (clear) found.push_back(c.signal);
    }
    std::sort(found.begin(), found.end(), [](const DetectedSignal& a, const DetectedSignal& b) {
        return a.frequencyHz < b.frequencyHz;
    });
}

double SignalDetector::Impl::newestSnrDb(double frequencyHz) const {
    const int half = halfWidthBins((kDetectHalfWidthHz * scale));
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
    const double centroidHalf = (kCentroidHalfWidthHz * scale) / kBinHz;
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
    const double lobeHalf = (kLobeHalfWidthHz * scale) / kBinHz;
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
    if (widthHz < (kMinWidthHz * scale) || widthHz > (kMaxWidthHz * scale)) return false;
    if (std::min(lower, upper) < kMinSymmetry * std::max(lower, upper)) return false;

    const double noisePerHz = noise / (static_cast<double>(last - first + 1) * kBinHz);
    out.frequencyHz = centreBin * kBinHz;
    out.widthHz = widthHz;
    out.snrDb = 10.0 * std::log10(power / (noisePerHz * kSnrBandwidthHz));
    return true;
}

void SignalDetector::Impl::markOccupied() {
    std::fill(occupied.begin(), occupied.end(), std::uint8_t{0});
    std::fill(sidebands.begin(), sidebands.end(), 0.0);
    const int guard = halfWidthBins((kNoiseGuardHz * scale));
    const int reach = static_cast<int>(sidebandShape.size()) - 1;
    for (const DetectedSignal& signal : found) {
        const int centre = static_cast<int>(std::lround(signal.frequencyHz / kBinHz));
        for (int bin = std::max(0, centre - guard); bin <= std::min(kBins - 1, centre + guard);
             ++bin) {
            occupied[idx(bin)] = 1;
        }
        // The signal's power with the noise under it: a little more than its own, which only
        // widens what it occupies.
        double power = 0.0;
        const int half = halfWidthBins((kSignalHalfWidthHz * scale));
        for (int bin = std::max(0, centre - half); bin <= std::min(kBins - 1, centre + half);
             ++bin) {
            power += average[idx(bin)];
        }
        for (int bin = std::max(0, centre - reach); bin <= std::min(kBins - 1, centre + reach);
             ++bin) {
            sidebands[idx(bin)] += power * sidebandShape[idx(std::abs(bin - centre))];
        }
    }
    for (std::size_t k = 0; k < occupied.size(); ++k) {
        if (sidebands[k] > kSidebandShare * average[k]) occupied[k] = 1;
    }
}

double SignalDetector::Impl::noisePerBin(double centreBin) const {
    // The free bins nearest the carrier, out to kNoiseHalfWindowHz at least, within the band the
    // signals are looked for in; never those within kNoiseGuardHz of the carrier, where the signal
    // measured lies even when it is too weak to be found.
    const int reach = halfWidthBins((kNoiseHalfWindowHz * scale));
    const int lowest = std::max(1, lowBin - reach);
    const int highest = std::min(kBins - 2, highBin + reach);
    const int centre = std::clamp(static_cast<int>(std::lround(centreBin)), 1, kBins - 2);
    std::size_t count = 0;
    for (int distance = halfWidthBins((kNoiseGuardHz * scale)) + 1; distance < kBins; ++distance) {
        if (distance > reach && count >= kMinNoiseBins) break;
        const int below = centre - distance;
        const int above = centre + distance;
        if (below < lowest && above > highest) break;
        if (below >= lowest && occupied[idx(below)] == 0) noiseBins[count++] = average[idx(below)];
        if (above <= highest && occupied[idx(above)] == 0) noiseBins[count++] = average[idx(above)];
    }
    if (count < kMinNoiseBins) return std::max(floor[idx(centre)], kMinPower);
    // The mean of those not far above their median: a signal not (yet) found among them, however
    // strong, moves the median by no more than its share of the bins.
    const auto middle = noiseBins.begin() + static_cast<std::ptrdiff_t>(count / 2);
    const auto end = noiseBins.begin() + static_cast<std::ptrdiff_t>(count);
    std::nth_element(noiseBins.begin(), middle, end);
    const double limit = kNoiseTrim * *middle;
    double sum = 0.0;
    int kept = 0;
    for (auto it = noiseBins.begin(); it != end; ++it) {
        if (*it > limit) continue;
        sum += *it;
        ++kept;
    }
    return std::max({sum / kept, floorMin, kMinPower});
}

double SignalDetector::Impl::sumAbove(const std::vector<double>& spectrum, double centreBin,
                                      double halfWidthHz, double noise) const {
    const double half = halfWidthHz / kBinHz;
    const int first = std::max(1, static_cast<int>(std::ceil(centreBin - half)));
    const int last = std::min(kBins - 2, static_cast<int>(std::floor(centreBin + half)));
    double sum = 0.0;
    for (int bin = first; bin <= last; ++bin) sum += spectrum[idx(bin)] - noise;
    return sum;
}

SignalMeasurement SignalDetector::Impl::measure(double frequencyHz) const {
    SignalMeasurement m;
    if (frameCount == 0 || !std::isfinite(frequencyHz)) return m;
    const double centreBin = std::clamp(frequencyHz / kBinHz, 1.0, kBins - 2.0);
    const double noise = noisePerBin(centreBin);
    m.signalPower = sumAbove(latest, centreBin, (kSignalHalfWidthHz * scale), noise);
    m.noisePower = noise * kSnrBandwidthHz / kBinHz;
    const double lineBins = (kIdleLineHz * scale) / kBinHz;
    const double productBins = (kProductHz * scale) / kBinHz;
    m.tonePower = sumAbove(latest, centreBin - lineBins, kLineHalfWidthHz, noise) +
                  sumAbove(latest, centreBin + lineBins, kLineHalfWidthHz, noise);
    m.productPower = sumAbove(latest, centreBin - productBins, kLineHalfWidthHz, noise) +
                     sumAbove(latest, centreBin + productBins, kLineHalfWidthHz, noise);
    const double lobeNoise = noise * (2.0 * (kSignalHalfWidthHz * scale) / kBinHz);
    m.idle = m.signalPower >= std::pow(10.0, kIdleMinSnrDb / 10.0) * lobeNoise &&
             m.tonePower >= kIdleFraction * m.signalPower;
    m.productsClear = std::none_of(found.begin(), found.end(), [&](const DetectedSignal& s) {
        const double distance = std::abs(s.frequencyHz - frequencyHz);
        return distance > (kMinSpacingHz * scale) / 2.0 && distance < (kProductsClearHz * scale);
    });
    return m;
}

SignalDetector::SignalDetector(double lowHz, double highHz, Speed speed)
    : impl_(std::make_unique<Impl>(lowHz, highHz, speed)) {}

double SignalDetector::minSpacingHz() const {
    return kMinSpacingHz * impl_->scale;
}

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

SignalMeasurement SignalDetector::measure(double frequencyHz) const {
    return impl_->measure(frequencyHz);
}

std::size_t SignalDetector::frames() const {
    return impl_->frameCount;
}

}  // namespace pskmodem
