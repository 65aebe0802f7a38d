#include "pskmodem/dsp/matched_filter.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <numbers>
#include <stdexcept>

#include "pskmodem/dsp/fir_filter.h"

namespace pskmodem {

std::vector<float> pskPulse(int samplesPerSymbol) {
    if (samplesPerSymbol < 2) throw std::invalid_argument("pskPulse: needs 2 samples per symbol");
    const auto length = static_cast<std::size_t>(2 * samplesPerSymbol);
    std::vector<float> pulse(length);
    for (std::size_t i = 0; i < length; ++i) {
        const double t = (static_cast<double>(i) + 0.5) / static_cast<double>(length);
        pulse[i] = static_cast<float>(0.5 * (1.0 - std::cos(2.0 * std::numbers::pi * t)));
    }
    return pulse;
}

double pskNeighbourInterference(int samplesPerSymbol) {
    const std::vector<float> pulse = pskPulse(samplesPerSymbol);
    const auto shift = static_cast<std::size_t>(samplesPerSymbol);
    double own = 0.0;
    double neighbour = 0.0;
    for (std::size_t i = 0; i < pulse.size(); ++i) {
        own += static_cast<double>(pulse[i]) * static_cast<double>(pulse[i]);
        if (i + shift < pulse.size()) {
            neighbour += static_cast<double>(pulse[i]) * static_cast<double>(pulse[i + shift]);
        }
    }
    return neighbour / own;
}

MatchedFilter::MatchedFilter(int samplesPerSymbol, int historyOutputs)
    : taps_(pskPulse(samplesPerSymbol)),
      mask_(0),
      centreDelay_(static_cast<double>(2 * samplesPerSymbol - 1) / 2.0) {
    if (historyOutputs <= 2 * samplesPerSymbol) {
        throw std::invalid_argument("MatchedFilter: history too short");
    }
    double energy = 0.0;
    for (float t : taps_) energy += static_cast<double>(t) * static_cast<double>(t);
    const auto scale = static_cast<float>(1.0 / std::sqrt(energy));
    for (float& t : taps_) t *= scale;
    inputRe_.assign(2 * taps_.size(), 0.0F);
    inputIm_.assign(2 * taps_.size(), 0.0F);
    const std::size_t size = std::bit_ceil(static_cast<std::size_t>(historyOutputs));
    history_.assign(size, {0.0F, 0.0F});
    mask_ = static_cast<std::int64_t>(size) - 1;
}

void MatchedFilter::reset() {
    std::fill(inputRe_.begin(), inputRe_.end(), 0.0F);
    std::fill(inputIm_.begin(), inputIm_.end(), 0.0F);
    std::fill(history_.begin(), history_.end(), std::complex<float>{});
    inputPosition_ = 0;
    outputs_ = 0;
}

std::complex<float> MatchedFilter::push(std::complex<float> z) {
    const std::size_t length = taps_.size();
    inputRe_[inputPosition_] = z.real();
    inputRe_[inputPosition_ + length] = z.real();
    inputIm_[inputPosition_] = z.imag();
    inputIm_[inputPosition_ + length] = z.imag();
    inputPosition_ = inputPosition_ + 1 == length ? 0 : inputPosition_ + 1;
    // The pulse is symmetric, so the taps need no reversal.
    const std::complex<float> out{
        dotProduct(taps_.data(), inputRe_.data() + inputPosition_, length),
        dotProduct(taps_.data(), inputIm_.data() + inputPosition_, length)};
    history_[static_cast<std::size_t>(outputs_ & mask_)] = out;
    ++outputs_;
    return out;
}

std::complex<float> MatchedFilter::outputAt(double index) const {
    const auto newest = static_cast<double>(outputs_ - 1);
    const double oldest = static_cast<double>(outputs_ - mask_);
    if (!(index <= newest)) index = newest;  // also catches NaN
    if (index < oldest) index = oldest;
    const double base = std::floor(index);
    const auto frac = static_cast<float>(index - base);
    const auto k = static_cast<std::int64_t>(base);
    const std::complex<float> a = history_[static_cast<std::size_t>(k & mask_)];
    if (frac == 0.0F) return a;
    const std::complex<float> b = history_[static_cast<std::size_t>((k + 1) & mask_)];
    return {a.real() + frac * (b.real() - a.real()), a.imag() + frac * (b.imag() - a.imag())};
}

}  // namespace pskmodem
