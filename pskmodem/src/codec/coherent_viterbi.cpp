#include "pskmodem/codec/coherent_viterbi.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <stdexcept>
#include <string>

#include "pskmodem/codec/convolutional.h"

namespace pskmodem {

CoherentViterbiDecoder::CoherentViterbiDecoder(int tracebackSymbols)
    : traceback_(tracebackSymbols) {
    if (tracebackSymbols < 1 || tracebackSymbols > kMaxTracebackSymbols) {
        throw std::invalid_argument("CoherentViterbiDecoder: tracebackSymbols must be 1.." +
                                    std::to_string(kMaxTracebackSymbols) + ", got " +
                                    std::to_string(tracebackSymbols));
    }
    reset();
}

void CoherentViterbiDecoder::reset() {
    symbolsSeen_ = 0;
    metrics_.fill(0.0F);
    paths_.fill(0U);
    quadrants_.fill(0U);
    best_ = 0;
}

int CoherentViterbiDecoder::push(std::complex<float> sample, Mode mode) {
    // Correlation of the sample with each quadrant's phase: Re(u exp(-j q pi/2)). A non-finite
    // sample carries nothing; an absurd one is clipped so that sums stay finite.
    const auto sane = [](float x) {
        constexpr float kLimit = 1.0e30F;
        return std::isfinite(x) ? std::clamp(x, -kLimit, kLimit) : 0.0F;
    };
    const float re = sane(sample.real());
    const float im = sane(sample.imag());
    const std::array<float, 4> quadrantMetric{re, im, -re, -im};
    const std::array<std::uint8_t, 32>& turn = qpskRegisterTurns(mode);

    // Entering state (q, next) with data bit next & 1 comes from encoder state next >> 1 with the
    // oldest bit x = 0 or 1; the register (x << 4) | next turns the phase by turn[reg] quarters,
    // so the predecessor's quadrant is q - turn.
    std::array<float, kStates> newMetrics{};
    std::array<std::uint64_t, kStates> newPaths{};
    std::array<std::uint64_t, kStates> newQuadrants{};
    float best = -std::numeric_limits<float>::infinity();
    unsigned bestState = 0;
    for (unsigned q = 0; q < 4U; ++q) {
        for (unsigned next = 0; next < 16U; ++next) {
            const unsigned from0 = (((q - turn[next]) & 3U) << 4U) | (next >> 1U);
            const unsigned from1 = (((q - turn[next | 16U]) & 3U) << 4U) | (next >> 1U) | 8U;
            const float m0 = metrics_[from0];
            const float m1 = metrics_[from1];
            const unsigned from = m1 > m0 ? from1 : from0;
            const float m = std::max(m0, m1) + quadrantMetric[q];
            const unsigned state = (q << 4U) | next;
            newMetrics[state] = m;
            newPaths[state] = (paths_[from] << 1U) | (next & 1U);
            newQuadrants[state] = (quadrants_[from] << 2U) | q;
            if (m > best) {
                best = m;
                bestState = state;
            }
        }
    }
    // A slip of the reference by a quarter or half turn: every state may also be reached from
    // the states with the same encoder bits in the other quadrants, at the slip's cost.
    for (unsigned state = 0; state < static_cast<unsigned>(kStates); ++state) {
        float m = newMetrics[state];
        unsigned from = state;
        for (const unsigned side : {16U, 32U, 48U}) {
            const unsigned other = (state + side) & 63U;
            if (newMetrics[other] - slipPenalty_ > m) {
                m = newMetrics[other] - slipPenalty_;
                from = other;
            }
        }
        metrics_[state] = m - best;
        paths_[state] = newPaths[from];
        quadrants_[state] = (newQuadrants[from] & ~std::uint64_t{3}) | (state >> 4U);
    }
    best_ = bestState;

    ++symbolsSeen_;
    if (symbolsSeen_ <= traceback_) return -1;
    return static_cast<int>((paths_[best_] >> static_cast<unsigned>(traceback_)) & 1U);
}

DecidedBits CoherentViterbiDecoder::decidedBits() const {
    std::array<float, kStates> deficits{};
    for (std::size_t s = 0; s < deficits.size(); ++s) deficits[s] = -metrics_[s];
    return pskmodem::decidedBits(deficits, paths_, best_, kDecidedLogLikelihood);
}

int CoherentViterbiDecoder::quadrantAt(int depth) const {
    const int d = std::clamp(depth, 0, kQuadrantHistory - 1);
    return static_cast<int>((quadrants_[best_] >> (2U * static_cast<unsigned>(d))) & 3U);
}

}  // namespace pskmodem
