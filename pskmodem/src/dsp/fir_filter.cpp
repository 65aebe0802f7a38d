#include "pskmodem/dsp/fir_filter.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <stdexcept>

namespace pskmodem {
namespace {

// Modified Bessel function of the first kind, order 0, by its power series.
double besselI0(double x) {
    double sum = 1.0;
    double term = 1.0;
    const double quarterSquare = x * x / 4.0;
    for (int k = 1; k < 64; ++k) {
        term *= quarterSquare / (static_cast<double>(k) * static_cast<double>(k));
        sum += term;
        if (term < sum * 1e-17) break;
    }
    return sum;
}

}  // namespace

double kaiserWindow(double t, double halfWidth, double beta) {
    const double r = t / halfWidth;
    if (!(r > -1.0 && r < 1.0)) return 0.0;
    return besselI0(beta * std::sqrt(1.0 - r * r)) / besselI0(beta);
}

std::vector<float> designLowpassFir(int taps, double cutoffHz, double sampleRateHz,
                                    double kaiserBeta) {
    if (taps < 2 || !std::isfinite(sampleRateHz) || sampleRateHz <= 0.0 ||
        !std::isfinite(cutoffHz) || cutoffHz <= 0.0 || cutoffHz >= sampleRateHz / 2.0 ||
        !std::isfinite(kaiserBeta) || kaiserBeta < 0.0) {
        throw std::invalid_argument("designLowpassFir: invalid design parameters");
    }
    const double centre = static_cast<double>(taps - 1) / 2.0;
    const double fc = cutoffHz / sampleRateHz;
    std::vector<double> h(static_cast<std::size_t>(taps));
    double sum = 0.0;
    for (int i = 0; i < taps; ++i) {
        const double t = static_cast<double>(i) - centre;
        const double sinc =
            t == 0.0 ? 2.0 * fc
                     : std::sin(2.0 * std::numbers::pi * fc * t) / (std::numbers::pi * t);
        const double window = kaiserWindow(t, centre + 0.5, kaiserBeta);
        h[static_cast<std::size_t>(i)] = sinc * window;
        sum += sinc * window;
    }
    std::vector<float> result(h.size());
    for (std::size_t i = 0; i < h.size(); ++i) result[i] = static_cast<float>(h[i] / sum);
    return result;
}

DecimatingFir::DecimatingFir(std::span<const float> taps, int factor)
    : taps_(taps.rbegin(), taps.rend()), factor_(factor) {
    if (taps.empty() || factor < 1) {
        throw std::invalid_argument("DecimatingFir: needs taps and a factor of at least 1");
    }
    historyRe_.assign(2 * taps_.size(), 0.0F);
    historyIm_.assign(2 * taps_.size(), 0.0F);
}

void DecimatingFir::setTaps(std::span<const float> taps) {
    const std::size_t n = taps_.size();
    for (std::size_t i = 0; i < n; ++i) taps_[n - 1 - i] = i < taps.size() ? taps[i] : 0.0F;
}

void DecimatingFir::reset() {
    std::fill(historyRe_.begin(), historyRe_.end(), 0.0F);
    std::fill(historyIm_.begin(), historyIm_.end(), 0.0F);
    position_ = 0;
    phase_ = 0;
}

std::size_t DecimatingFir::process(std::span<const float> inRe, std::span<const float> inIm,
                                   std::span<std::complex<float>> out) {
    const std::size_t length = taps_.size();
    const std::size_t n = std::min(inRe.size(), inIm.size());
    std::size_t written = 0;
    for (std::size_t i = 0; i < n; ++i) {
        historyRe_[position_] = inRe[i];
        historyRe_[position_ + length] = inRe[i];
        historyIm_[position_] = inIm[i];
        historyIm_[position_ + length] = inIm[i];
        position_ = position_ + 1 == length ? 0 : position_ + 1;
        if (++phase_ < factor_) continue;
        phase_ = 0;
        // The newest `length` samples now sit, oldest first, at history[position_ ...].
        const float re = dotProduct(taps_.data(), historyRe_.data() + position_, length);
        const float im = dotProduct(taps_.data(), historyIm_.data() + position_, length);
        if (written < out.size()) out[written++] = {re, im};
    }
    return written;
}

}  // namespace pskmodem
