// The QPSK decoder that predicts the channel on each survivor.

#include "pskmodem/dsp/predictive_qpsk_decoder.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <complex>
#include <cstddef>
#include <random>
#include <span>
#include <vector>

#include "pskmodem/codec/convolutional.h"
#include "pskmodem/codec/viterbi.h"
#include "pskmodem/dsp/predictive_detector.h"
#include "pskmodem/signals/hf_channel.h"

namespace pskmodem {
namespace {

using Complex = std::complex<double>;

std::complex<float> toFloat(Complex z) {
    return {static_cast<float>(z.real()), static_cast<float>(z.imag())};
}

TEST(PredictiveQpskDecoder, BeatsDifferentialDecodingThroughRayleighFading) {
    // QPSK31 through the same kind of fading, 1 Hz spread, at 14 dB mean SNR per symbol, on both
    // sidebands: the decoder that predicts the channel on each survivor against the Viterbi
    // decoder fed with the phase changes.
    const std::array<double, 16> taps = fadingPredictor(8, 0.7 / 31.25, 0.02);
    for (const Mode mode : {Mode::QpskUsb, Mode::QpskLsb}) {
        std::mt19937_64 rng(31);
        std::normal_distribution<double> gauss;
        FadingTap channel(1.0, 31.25, 29);
        PredictiveQpskDecoder decoder(32, std::span<const double>(taps).first(8));
        ViterbiDecoder differential(32);
        ConvolutionalEncoder encoder;
        std::vector<int> sent;
        double phase = 0.0;
        Complex previousSample = 0.0;
        int errors = 0;
        int differentialErrors = 0;
        for (int k = 0; k < 40000; ++k) {
            sent.push_back(static_cast<int>(rng() & 1U));
            phase += qpskPhaseShiftRad(encoder.encode(sent.back()), mode);
            const Complex sample = channel.next() * std::polar(1.0, phase) +
                                   0.2 * Complex(gauss(rng), gauss(rng)) / std::sqrt(2.0);
            const int bit = decoder.push(toFloat(sample), mode);
            const int other =
                differential.pushDifferential(toFloat(sample * std::conj(previousSample)), mode);
            previousSample = sample;
            if (k < 200) continue;
            const int truth = sent[static_cast<std::size_t>(k - 32)];
            if (bit != truth) ++errors;
            if (other != truth) ++differentialErrors;
        }
        EXPECT_GT(differentialErrors, 200);
        EXPECT_LT(4 * errors, 3 * differentialErrors)
            << errors << " predictive against " << differentialErrors << " differential";
    }
}

}  // namespace
}  // namespace pskmodem
