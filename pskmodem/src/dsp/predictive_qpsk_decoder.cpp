#include "pskmodem/dsp/predictive_qpsk_decoder.h"

#include <cmath>
#include <limits>
#include <stdexcept>

#include "pskmodem/codec/convolutional.h"

namespace pskmodem {
namespace {

using Complex = std::complex<float>;

// exp(j q pi / 2) for the quadrants q = 0..3.
constexpr std::array<Complex, 4> kQuadrant{Complex(1, 0), Complex(0, 1), Complex(-1, 0),
                                           Complex(0, -1)};

}  // namespace

PredictiveQpskDecoder::PredictiveQpskDecoder(int tracebackSymbols,
                                             std::span<const double> predictor)
    : traceback_(tracebackSymbols), order_(static_cast<int>(predictor.size())) {
    if (tracebackSymbols < 1 || tracebackSymbols > kMaxTracebackSymbols) {
        throw std::invalid_argument("PredictiveQpskDecoder: traceback out of range");
    }
    if (order_ < 1 || order_ > kMaxOrder) {
        throw std::invalid_argument("PredictiveQpskDecoder: predictor order out of range");
    }
    for (std::size_t j = 0; j < predictor.size(); ++j) {
        if (!std::isfinite(predictor[j])) {
            throw std::invalid_argument("PredictiveQpskDecoder: non-finite predictor tap");
        }
        taps_[j] = static_cast<float>(predictor[j]);
    }
    reset();
}

void PredictiveQpskDecoder::reset() {
    for (auto& set : survivors_) set.fill(Survivor{});
    current_ = 0;
    at_ = 0;
    symbolsSeen_ = 0;
    best_ = 0;
    meanCost_ = 0.0F;
}

int PredictiveQpskDecoder::push(std::complex<float> sample, Mode mode) {
    if (!std::isfinite(sample.real()) || !std::isfinite(sample.imag())) sample = {};
    const std::array<std::uint8_t, 32>& turn = qpskRegisterTurns(mode);

    const std::array<Survivor, kStates>& survivors = survivors_[static_cast<std::size_t>(current_)];
    std::array<Survivor, kStates>& following = survivors_[static_cast<std::size_t>(1 - current_)];
    // Each survivor's prediction of the channel for this symbol, sum_j p_j z_{k-j}: the taps
    // laid over the ring once, so that each prediction is a plain dot product.
    std::array<float, kMaxOrder> ringTaps{};
    for (int j = 0; j < order_; ++j) {
        ringTaps[static_cast<std::size_t>((at_ - j + kMaxOrder) % kMaxOrder)] =
            taps_[static_cast<std::size_t>(j)];
    }
    std::array<Complex, kStates> predicted{};
    for (std::size_t s = 0; s < predicted.size(); ++s) {
        const std::array<Complex, kMaxOrder>& z = survivors[s].channel;
        float re = 0.0F;
        float im = 0.0F;
        for (std::size_t i = 0; i < ringTaps.size(); ++i) {
            re += ringTaps[i] * z[i].real();
            im += ringTaps[i] * z[i].imag();
        }
        predicted[s] = {re, im};
    }

    const int slot = (at_ + 1) % kMaxOrder;
    float best = -std::numeric_limits<float>::infinity();
    for (unsigned q = 0; q < 4U; ++q) {
        const Complex s = kQuadrant[q];
        for (unsigned next = 0; next < 16U; ++next) {
            const unsigned from0 = (((q - turn[next]) & 3U) << 4U) | (next >> 1U);
            const unsigned from1 = (((q - turn[next | 16U]) & 3U) << 4U) | (next >> 1U) | 8U;
            const float m0 = survivors[from0].metric - std::norm(sample - predicted[from0] * s);
            const float m1 = survivors[from1].metric - std::norm(sample - predicted[from1] * s);
            const unsigned from = m1 > m0 ? from1 : from0;
            Survivor& to = following[(q << 4U) | next];
            to = survivors[from];
            to.metric = m1 > m0 ? m1 : m0;
            to.bits = (to.bits << 1U) | (next & 1U);
            // What this symbol says of the channel: the sample turned back by its phase.
            to.channel[static_cast<std::size_t>(slot)] = sample * std::conj(s);
            if (to.metric > best) best = to.metric;
        }
    }
    at_ = slot;
    std::size_t bestState = 0;
    for (std::size_t s = 0; s < following.size(); ++s) {
        following[s].metric -= best;
        if (following[s].metric == 0.0F) bestState = s;
    }
    current_ = 1 - current_;
    best_ = bestState;
    // The survivors' metrics were relative to the best one, which stood at 0: what the best path
    // pays now is about the noise and prediction error of one sample (an empty one pays nothing).
    constexpr float kCostWeight = 1.0F / 32.0F;
    if (sample != Complex{} && std::isfinite(best)) meanCost_ += kCostWeight * (-best - meanCost_);

    ++symbolsSeen_;
    if (symbolsSeen_ <= traceback_) return -1;
    return static_cast<int>((following[bestState].bits >> static_cast<unsigned>(traceback_)) & 1U);
}

}  // namespace pskmodem

namespace pskmodem {

DecidedBits PredictiveQpskDecoder::decidedBits() const {
    const std::array<Survivor, kStates>& survivors = survivors_[static_cast<std::size_t>(current_)];
    std::array<float, kStates> deficits{};
    std::array<std::uint64_t, kStates> data{};
    for (std::size_t s = 0; s < survivors.size(); ++s) {
        deficits[s] = -survivors[s].metric;
        data[s] = survivors[s].bits;
    }
    return pskmodem::decidedBits(deficits, data, best_, kDecidedLogLikelihood * meanCost_);
}

}  // namespace pskmodem
