#include "pskmodem/codec/viterbi.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <stdexcept>
#include <string>

namespace pskmodem {

ViterbiDecoder::ViterbiDecoder(int tracebackSymbols) : traceback_(tracebackSymbols) {
    if (tracebackSymbols < 1 || tracebackSymbols > kMaxTracebackSymbols) {
        throw std::invalid_argument("ViterbiDecoder: tracebackSymbols must be 1.." +
                                    std::to_string(kMaxTracebackSymbols) + ", got " +
                                    std::to_string(tracebackSymbols));
    }
    for (unsigned reg = 0; reg < 32U; ++reg) {
        branchSymbol_[reg] = static_cast<std::uint8_t>(convolutionalSymbol(reg));
    }
    reset();
}

void ViterbiDecoder::reset() {
    symbolsSeen_ = 0;
    best_ = 0;
    metrics_.fill(0.0F);
    paths_.fill(0U);
}

int ViterbiDecoder::push(const std::array<float, 4>& rawMetrics) {
    // A non-finite metric carries no information and would poison every path metric for good;
    // absurdly large ones are clipped so that sums stay finite.
    constexpr float kMetricLimit = 1.0e30F;
    std::array<float, 4> symbolMetrics = rawMetrics;
    for (float& metric : symbolMetrics) {
        metric = std::isfinite(metric) ? std::clamp(metric, -kMetricLimit, kMetricLimit) : 0.0F;
    }
    // A state is the four data bits before the newest, newest of them in bit 0. Entering state
    // `next` with data bit b = next & 1 comes from one of two predecessors that differ only in the
    // oldest bit x, which is shifted out: the encoder register is then (x << 4) | next.
    std::array<float, kStates> newMetrics{};
    std::array<std::uint64_t, kStates> newPaths{};
    float best = -std::numeric_limits<float>::infinity();
    unsigned bestState = 0;
    for (unsigned next = 0; next < static_cast<unsigned>(kStates); ++next) {
        const unsigned pred0 = next >> 1U;
        const unsigned pred1 = pred0 | 8U;
        const float m0 = metrics_[pred0] + symbolMetrics[branchSymbol_[next]];
        const float m1 = metrics_[pred1] + symbolMetrics[branchSymbol_[next | 16U]];
        const unsigned pred = m1 > m0 ? pred1 : pred0;
        const float m = m1 > m0 ? m1 : m0;
        newMetrics[next] = m;
        newPaths[next] = (paths_[pred] << 1U) | (next & 1U);
        if (m > best) {
            best = m;
            bestState = next;
        }
    }
    // Renormalise: only differences between path metrics matter.
    for (unsigned s = 0; s < static_cast<unsigned>(kStates); ++s) {
        metrics_[s] = newMetrics[s] - best;
    }
    paths_ = newPaths;
    best_ = bestState;

    ++symbolsSeen_;
    if (symbolsSeen_ <= traceback_) {
        return -1;
    }
    return static_cast<int>((paths_[bestState] >> static_cast<unsigned>(traceback_)) & 1U);
}

DecidedBits ViterbiDecoder::decidedBits(float logLikelihoodPerUnit) const {
    std::array<float, kStates> deficits{};
    for (std::size_t s = 0; s < deficits.size(); ++s) deficits[s] = -metrics_[s];
    return pskmodem::decidedBits(deficits, paths_, best_,
                                 logLikelihoodPerUnit > 0.0F
                                     ? kDecidedLogLikelihood / logLikelihoodPerUnit
                                     : std::numeric_limits<float>::infinity());
}

std::array<float, 4> ViterbiDecoder::differentialMetrics(std::complex<float> diff, Mode mode) {
    // Re(d * exp(-j theta)) for theta = 180, -90, 0, +90 degrees (upper sideband):
    // -Re d, -Im d, Re d, Im d. The lower sideband swaps the two quadrature shifts.
    const float re = diff.real();
    const float im = diff.imag();
    if (mode == Mode::QpskLsb) {
        return {-re, im, re, -im};
    }
    return {-re, -im, re, im};
}

int ViterbiDecoder::pushDifferential(std::complex<float> diff, Mode mode) {
    return push(differentialMetrics(diff, mode));
}

}  // namespace pskmodem
