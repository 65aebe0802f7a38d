// The frequency measured from the decided symbols.

#include "pskmodem/dsp/decided_frequency.h"

#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <random>
#include <string>
#include <vector>

#include "pskmodem/codec/convolutional.h"

namespace pskmodem {
namespace {

TEST(DecidedFrequency, MeasuresTheResidualTurnOnBothSidebandsAtLowSnr) {
    // QPSK31 symbols turning by `turn` per symbol, at 5 dB Es/N0 (below where a carrier loop
    // holds), with the right decisions coming 32 pushes late as from the decoder. Each reading
    // is noisy; the receiver integrates them, and so does the test.
    constexpr int kDelay = 32;
    for (const Mode mode : {Mode::QpskUsb, Mode::QpskLsb}) {
        for (const double turn : {-0.3, 0.0, 0.12}) {
            SCOPED_TRACE(std::to_string(static_cast<int>(mode)) + " " + std::to_string(turn));
            std::mt19937_64 rng(31);
            std::normal_distribution<double> noise(0.0, std::sqrt(0.5 / std::pow(10.0, 0.5)));
            ConvolutionalEncoder encoder;
            DecidedFrequency frequency(kDelay);
            std::vector<int> bits;
            double phase = 0.4;
            double sum = 0.0;
            for (int k = 0; k < 3000; ++k) {
                bits.push_back(static_cast<int>(rng() & 1U));
                phase += qpskPhaseShiftRad(encoder.encode(bits.back()), mode) + turn;
                const std::complex<double> sample =
                    std::polar(2.0, phase) + std::complex<double>(noise(rng), noise(rng)) * 2.0;
                frequency.push(std::complex<float>(sample),
                               k >= kDelay ? bits[bits.size() - 1 - kDelay] : -1, mode);
                if (k >= 1000) sum += frequency.turnRadPerSymbol();
            }
            EXPECT_NEAR(sum / 2000.0, turn, 0.02);
        }
    }
}

}  // namespace
}  // namespace pskmodem
