// Tests of the coherent QPSK31 decoder: its best path is the maximum-likelihood sequence (against
// a search over every start and every data sequence of short blocks), and a quarter-turn slip of
// the carrier reference costs no data bit.
#include "pskmodem/codec/coherent_viterbi.h"

#include <gtest/gtest.h>

#include <complex>
#include <cstdint>
#include <numbers>
#include <random>
#include <vector>

#include "pskmodem/codec/convolutional.h"

namespace pskmodem {
namespace {

using Complex = std::complex<float>;

// Symbol samples of `bits` sent from quadrant `quadrant` with the encoder in `encoderState`.
std::vector<Complex> modulate(const std::vector<int>& bits, Mode mode, int quadrant = 0,
                              unsigned encoderState = 0) {
    unsigned reg = encoderState;
    double phase = quadrant * std::numbers::pi / 2.0;
    std::vector<Complex> samples;
    for (int bit : bits) {
        reg = ((reg << 1U) | static_cast<unsigned>(bit)) & 31U;
        phase += qpskPhaseShiftRad(convolutionalSymbol(reg), mode);
        samples.push_back(std::polar(1.0F, static_cast<float>(phase)));
    }
    return samples;
}

float correlation(const std::vector<Complex>& received, const std::vector<Complex>& sent) {
    float sum = 0.0F;
    for (std::size_t i = 0; i < sent.size(); ++i) sum += (received[i] * std::conj(sent[i])).real();
    return sum;
}

TEST(CoherentViterbiDecoder, BestPathIsTheMaximumLikelihoodSequence) {
    constexpr int kBits = 9;
    std::mt19937 rng(7);
    std::normal_distribution<float> noise(0.0F, 0.8F);
    std::bernoulli_distribution coin(0.5);
    for (const Mode mode : {Mode::QpskUsb, Mode::QpskLsb}) {
        for (int block = 0; block < 20; ++block) {
            std::vector<int> sent(kBits);
            for (int& b : sent) b = coin(rng) ? 1 : 0;
            std::vector<Complex> received =
                modulate(sent, mode, block % 4, static_cast<unsigned>(block) % 16U);
            for (Complex& r : received) r += Complex(noise(rng), noise(rng));

            // Every start quadrant, encoder state and data sequence.
            float best = -1e30F;
            unsigned bestBits = 0;
            for (int q = 0; q < 4; ++q) {
                for (unsigned state = 0; state < 16U; ++state) {
                    for (unsigned word = 0; word < (1U << kBits); ++word) {
                        std::vector<int> bits;
                        for (int i = kBits - 1; i >= 0; --i) bits.push_back((word >> i) & 1U);
                        const float c = correlation(received, modulate(bits, mode, q, state));
                        if (c > best) {
                            best = c;
                            bestBits = word;
                        }
                    }
                }
            }
            // (The search knows no slips of the reference: make them prohibitive.)
            CoherentViterbiDecoder decoder;
            decoder.setSlipPenalty(1e9F);
            for (const Complex& r : received) decoder.push(r, mode);
            EXPECT_EQ(decoder.bestPath() & ((1U << kBits) - 1U), bestBits) << "block " << block;
        }
    }
}

TEST(CoherentViterbiDecoder, QuarterTurnSlipsOfTheReferenceCostNoBits) {
    // A clean stream at the scale of Es/N0 = 7 dB whose carrier reference slips by a quarter
    // turn (either way) or half a turn every 150 symbols.
    std::mt19937 rng(3);
    std::bernoulli_distribution coin(0.5);
    std::vector<int> sent(1200);
    for (int& b : sent) b = coin(rng) ? 1 : 0;
    for (const Mode mode : {Mode::QpskUsb, Mode::QpskLsb}) {
        std::vector<Complex> samples = modulate(sent, mode);
        const std::array<Complex, 3> slips{Complex(0, 1), Complex(-1, 0), Complex(0, -1)};
        Complex reference(1, 0);
        CoherentViterbiDecoder decoder;
        std::vector<int> decoded;
        for (std::size_t i = 0; i < samples.size(); ++i) {
            if (i % 150 == 149) reference *= slips[(i / 150) % 3];
            const int bit = decoder.push(10.0F * samples[i] * reference, mode);
            if (bit >= 0) decoded.push_back(bit);
        }
        ASSERT_GT(decoded.size(), 1000U);
        std::string errs;
        for (std::size_t i = 0; i < decoded.size(); ++i)
            if (decoded[i] != sent[i]) errs += std::to_string(i) + " ";
        EXPECT_EQ(errs, "");
    }
}

}  // namespace
}  // namespace pskmodem
