#include "pskmodem/dsp/resampler.h"

#include <soxr.h>

#include <algorithm>
#include <cmath>
#include <stdexcept>
#include <string>

namespace pskmodem {

Resampler::Resampler(double inputRateHz, double outputRateHz, double clockPpm,
                     std::size_t maxInputSamples)
    : inputRateHz_(inputRateHz),
      outputRateHz_(outputRateHz),
      clockPpm_(std::clamp(std::isfinite(clockPpm) ? clockPpm : 0.0, -kMaxClockPpm, kMaxClockPpm)),
      maxInputSamples_(std::max<std::size_t>(maxInputSamples, 1)) {
    if (!(inputRateHz > 0.0) || !(outputRateHz > 0.0) || !std::isfinite(inputRateHz) ||
        !std::isfinite(outputRateHz)) {
        throw std::invalid_argument("Resampler: sample rates must be positive");
    }
    // Room for one full input block's worth of output plus what libsoxr may hold back from
    // earlier blocks (it works in DFT blocks, so output comes in bursts).
    const double ratio = outputRateHz_ / (inputRateHz_ * (1.0 - kMaxClockPpm * 1e-6));
    const auto blockOut =
        static_cast<std::size_t>(std::ceil(static_cast<double>(maxInputSamples_) * ratio));
    output_.resize(blockOut + 16384);

    const double actualInputRateHz = inputRateHz_ * (1.0 + clockPpm_ * 1e-6);
    const soxr_io_spec_t io = soxr_io_spec(SOXR_FLOAT32_I, SOXR_FLOAT32_I);
    // 20-bit precision, linear phase: far below the noise of any receiver input, and cheap.
    const soxr_quality_spec_t quality = soxr_quality_spec(SOXR_HQ, 0);
    // Smaller DFT blocks than libsoxr's default: output then comes in bursts of tens of
    // milliseconds instead of up to 150 ms, so spectrum frames stay evenly spaced; the cost
    // stays far below a millisecond of CPU per second of audio.
    soxr_runtime_spec_t runtime = soxr_runtime_spec(1);
    runtime.log2_min_dft_size = 8;
    runtime.log2_large_dft_size = 10;
    soxr_error_t error = nullptr;
    soxr_ = soxr_create(actualInputRateHz, outputRateHz_, 1, &error, &io, &quality, &runtime);
    if (error != nullptr || soxr_ == nullptr) {
        soxr_delete(soxr_);
        soxr_ = nullptr;
        throw std::runtime_error(std::string("Resampler: ") + soxr_strerror(error));
    }
}

Resampler::~Resampler() {
    soxr_delete(soxr_);
}

std::span<const float> Resampler::process(std::span<const float> in) {
    if (in.size() > maxInputSamples_) {
        throw std::length_error("Resampler::process: block larger than maxInputSamples");
    }
    if (flushing_) {
        soxr_clear(soxr_);
        flushing_ = false;
    }
    std::size_t produced = 0;
    // Without an `idone` pointer libsoxr takes the whole input block and emits what fits;
    // anything more stays inside it for the next call.
    const soxr_error_t error = soxr_process(soxr_, in.data(), in.size(), nullptr, output_.data(),
                                            output_.size(), &produced);
    if (error != nullptr) {
        throw std::runtime_error(std::string("Resampler: ") + soxr_strerror(error));
    }
    return {output_.data(), produced};
}

std::span<const float> Resampler::flush() {
    flushing_ = true;
    std::size_t produced = 0;
    const soxr_error_t error =
        soxr_process(soxr_, nullptr, 0, nullptr, output_.data(), output_.size(), &produced);
    if (error != nullptr) {
        throw std::runtime_error(std::string("Resampler: ") + soxr_strerror(error));
    }
    return {output_.data(), produced};
}

void Resampler::reset() {
    soxr_clear(soxr_);
    flushing_ = false;
}

double Resampler::delaySamples() const {
    return soxr_delay(soxr_);
}

}  // namespace pskmodem
