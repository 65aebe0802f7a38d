#include "pskmodem/codec/decided_bits.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <limits>

namespace pskmodem {

DecidedBits decidedBits(std::span<const float> deficits, std::span<const std::uint64_t> data,
                        std::size_t best, float reach) {
    constexpr int kBits = 64;
    DecidedBits result;
    if (best >= data.size() || data.size() != deficits.size()) {
        result.fromDepth = kBits;
        return result;
    }
    result.bits = data[best];
    // The newest bit on which a survivor within reach disagrees: it and all newer are open.
    std::uint64_t open = 0;
    for (std::size_t s = 0; s < data.size(); ++s) {
        if (deficits[s] < reach || !(deficits[s] >= 0.0F)) open |= data[s] ^ result.bits;
    }
    result.fromDepth = open == 0U ? 0 : kBits - std::countl_zero(open);
    return result;
}

void SampleScale::reset() {
    power_ = 0.0F;
    power2_ = 0.0F;
    count_ = 0;
}

void SampleScale::push(float sample) {
    // Running means over the last some 32 samples, plain ones until that many have come; empty
    // samples (silence, or the end of the input) say nothing.
    constexpr int kSamples = 32;
    const float power = sample * sample;
    if (!(power > 0.0F) || !std::isfinite(power)) return;
    count_ = std::min(count_ + 1, kSamples);
    const float weight = 1.0F / static_cast<float>(count_);
    power_ += weight * (power - power_);
    power2_ += weight * (power * power - power2_);
}

float SampleScale::decisiveDifference() const {
    const float a4 = (3.0F * power_ * power_ - power2_) / 2.0F;
    const float a2 = a4 > 0.0F ? std::sqrt(a4) : 0.0F;
    if (count_ == 0 || !(a2 > 0.0F) || !std::isfinite(a2)) {
        return std::numeric_limits<float>::infinity();
    }
    const float noise = std::max(power_ - a2, 1e-6F * a2);
    return kDecidedLogLikelihood * noise / std::sqrt(a2);
}

}  // namespace pskmodem
