#include "pskmodem/dsp/predictive_detector.h"

#include <cmath>
#include <numbers>
#include <stdexcept>

namespace pskmodem {
namespace {

// Averaging weight per symbol of the prediction error.
constexpr float kErrorWeight = 1.0F / 32.0F;

}  // namespace

std::array<double, kMaxPredictorOrder> fadingPredictor(int order, double dopplerSpreadTimesSymbol,
                                                       double noiseToSignal) {
    constexpr std::size_t kMax = PredictiveDetector::kMaxOrder;
    std::array<double, kMax> taps{};
    if (order < 1 || order > static_cast<int>(kMax)) return taps;
    const auto n = static_cast<std::size_t>(order);
    const double sigma = dopplerSpreadTimesSymbol / 2.0;
    const auto correlation = [sigma](std::size_t i, std::size_t j) {
        const double x =
            std::numbers::pi * sigma * (static_cast<double>(i) - static_cast<double>(j));
        return std::exp(-2.0 * x * x);
    };
    // Normal equations (R + noise I) p = r, solved by Gaussian elimination with partial pivoting.
    std::array<std::array<double, kMax + 1>, kMax> a{};
    for (std::size_t i = 0; i < n; ++i) {
        for (std::size_t j = 0; j < n; ++j) {
            a[i][j] = correlation(i, j) + (i == j ? noiseToSignal : 0.0);
        }
        a[i][n] = correlation(i + 1, 0);
    }
    for (std::size_t col = 0; col < n; ++col) {
        std::size_t pivot = col;
        for (std::size_t row = col + 1; row < n; ++row) {
            if (std::abs(a[row][col]) > std::abs(a[pivot][col])) pivot = row;
        }
        std::swap(a[col], a[pivot]);
        if (a[col][col] == 0.0) return {};
        for (std::size_t row = col + 1; row < n; ++row) {
            const double f = a[row][col] / a[col][col];
            for (std::size_t k = col; k <= n; ++k) a[row][k] -= f * a[col][k];
        }
    }
    for (std::size_t row = n; row-- > 0;) {
        double sum = a[row][n];
        for (std::size_t k = row + 1; k < n; ++k) sum -= a[row][k] * taps[k];
        taps[row] = sum / a[row][row];
    }
    return taps;
}

PredictiveDetector::PredictiveDetector(int delaySymbols, std::span<const double> predictor)
    : delay_(delaySymbols), order_(static_cast<int>(predictor.size())) {
    if (delaySymbols < 1 || delaySymbols > kMaxDelaySymbols) {
        throw std::invalid_argument("PredictiveDetector: delay out of range");
    }
    if (order_ < 1 || order_ > kMaxOrder) {
        throw std::invalid_argument("PredictiveDetector: predictor order out of range");
    }
    for (int j = 0; j < order_; ++j) {
        if (!std::isfinite(predictor[static_cast<std::size_t>(j)])) {
            throw std::invalid_argument("PredictiveDetector: non-finite predictor tap");
        }
        taps_[static_cast<std::size_t>(j)] =
            static_cast<float>(predictor[static_cast<std::size_t>(j)]);
    }
    reset();
}

void PredictiveDetector::reset() {
    survivors_.fill(Survivor{});
    next_.fill(Survivor{});
    predictionError_ = 0.0F;
    at_ = 0;
    filled_ = 0;
    best_ = 0;
}

int PredictiveDetector::push(std::complex<float> sample) {
    if (!std::isfinite(sample.real()) || !std::isfinite(sample.imag())) sample = {};
    // Channel predicted by each survivor from the samples it has explained.
    std::array<std::complex<float>, kStates> predicted{};
    std::array<float, kStates> predictedPower{};
    for (std::size_t s = 0; s < kStates; ++s) {
        const Survivor& survivor = survivors_[s];
        float re = 0.0F;
        float im = 0.0F;
        int position = at_;
        for (int j = 0; j < order_; ++j) {
            const std::complex<float> z = survivor.channel[static_cast<std::size_t>(position)];
            re += taps_[static_cast<std::size_t>(j)] * z.real();
            im += taps_[static_cast<std::size_t>(j)] * z.imag();
            position = position == 0 ? order_ - 1 : position - 1;
        }
        predicted[s] = {re, im};
        predictedPower[s] = re * re + im * im;
    }
    const float samplePower = sample.real() * sample.real() + sample.imag() * sample.imag();
    const int newest = at_ + 1 == order_ ? 0 : at_ + 1;

    // State: the last kStateBits data bits, newest in bit 0. A new state is reached from the two
    // states that differ only in the bit that leaves.
    constexpr std::size_t kStateMask = kStates - 1;
    float best = 0.0F;
    std::size_t bestState = 0;
    for (std::size_t to = 0; to < kStates; ++to) {
        const std::uint64_t bit = to & 1U;
        const float change = bit != 0U ? 1.0F : -1.0F;
        std::size_t chosen = 0;
        float chosenMetric = 0.0F;
        for (std::size_t high = 0; high < 2; ++high) {
            const std::size_t from = ((to >> 1U) | (high << (kStateBits - 1))) & kStateMask;
            const Survivor& survivor = survivors_[from];
            const float b = survivor.sign * change;
            // |e b - c^|^2 = |e|^2 + |c^|^2 - 2 b Re(e conj(c^))
            const float cross =
                sample.real() * predicted[from].real() + sample.imag() * predicted[from].imag();
            const float metric =
                survivor.metric + samplePower + predictedPower[from] - 2.0F * b * cross;
            if (high == 0 || metric < chosenMetric) {
                chosen = from;
                chosenMetric = metric;
            }
        }
        Survivor& out = next_[to];
        out = survivors_[chosen];
        out.sign = out.sign * change;
        out.metric = chosenMetric;
        out.bits = (out.bits << 1U) | bit;
        out.channel[static_cast<std::size_t>(newest)] = sample * out.sign;
        if (to == 0 || chosenMetric < best) {
            best = chosenMetric;
            bestState = to;
        }
    }
    // The survivors' metrics were relative to the best one, which stood at 0: the best metric
    // now is what the best path paid for this symbol.
    if (std::isfinite(best)) predictionError_ += kErrorWeight * (best - predictionError_);
    // Only differences of the metrics matter; keep them small (and sane after garbage input).
    for (Survivor& s : next_) {
        s.metric -= best;
        if (!std::isfinite(s.metric)) s.metric = 0.0F;
    }
    survivors_ = next_;
    at_ = newest;
    best_ = bestState;

    if (filled_ < delay_ + 1) {
        ++filled_;
        return -1;
    }
    return static_cast<int>((survivors_[bestState].bits >> static_cast<unsigned>(delay_)) & 1U);
}

}  // namespace pskmodem

namespace pskmodem {

DecidedBits PredictiveDetector::decidedBits() const {
    std::array<float, kStates> deficits{};
    std::array<std::uint64_t, kStates> data{};
    for (std::size_t s = 0; s < kStates; ++s) {
        deficits[s] = survivors_[s].metric;
        data[s] = survivors_[s].bits;
    }
    return pskmodem::decidedBits(deficits, data, best_, kDecidedLogLikelihood * predictionError_);
}

}  // namespace pskmodem
