#include "pskmodem/codec/decided_bits.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <complex>
#include <cstdint>
#include <limits>
#include <random>
#include <vector>

#include "pskmodem/codec/convolutional.h"
#include "pskmodem/codec/viterbi.h"

namespace pskmodem {
namespace {

constexpr float kNone = std::numeric_limits<float>::infinity();

struct SurvivorCase {
    const char* name;
    std::array<float, 3> deficits;
    std::array<std::uint64_t, 3> data;
    std::size_t best;
    float reach;
    int fromDepth;
};

class DecidedBitsOfSurvivors : public ::testing::TestWithParam<SurvivorCase> {};

TEST_P(DecidedBitsOfSurvivors, OpenFromTheNewestBitANearSurvivorDisputes) {
    const SurvivorCase& c = GetParam();
    const DecidedBits decided = decidedBits(c.deficits, c.data, c.best, c.reach);
    EXPECT_EQ(decided.fromDepth, c.fromDepth);
    if (c.best < c.data.size()) {
        EXPECT_EQ(decided.bits, c.data[c.best]);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, DecidedBitsOfSurvivors,
    ::testing::Values(
        SurvivorCase{"merged", {0.0F, 1.0F, 2.0F}, {0b1011, 0b1011, 0b1011}, 0, 7.0F, 0},
        SurvivorCase{"near", {0.0F, 3.0F, 9.0F}, {0b1011, 0b0011, 0b1011}, 0, 7.0F, 4},
        SurvivorCase{"far", {0.0F, 7.5F, 9.0F}, {0b1011, 0b0011, 0b1111'1011}, 0, 7.0F, 0},
        SurvivorCase{"nearest", {2.0F, 0.0F, 8.0F}, {0b110, 0b111, 0b1110}, 1, 7.0F, 1},
        SurvivorCase{
            "unreachable", {0.0F, kNone, 1.0F}, {0b1, std::uint64_t{1} << 60, 0b1}, 0, kNone, 0},
        SurvivorCase{"garbage", {0.0F, std::nanf(""), 9.0F}, {0b1, 0b100, 0b1}, 0, 7.0F, 3},
        SurvivorCase{"no best", {0.0F, 0.0F, 0.0F}, {0, 0, 0}, 3, 7.0F, 64}),
    [](const ::testing::TestParamInfo<SurvivorCase>& param) {
        std::string name = param.param.name;
        for (char& ch : name) {
            if (ch == ' ') ch = '_';
        }
        return name;
    });

// A clean QPSK31 stream through the differential decoder: all it has received is decided when
// each symbol is worth much; when it is worth little the newest bits stay open, and while its
// worth is unknown only those where every survivor has merged count.
TEST(ViterbiDecoder, DecidesWhatTheReceivedSymbolsAreWorth) {
    std::mt19937 rng(5);
    std::bernoulli_distribution coin(0.5);
    ConvolutionalEncoder encoder;
    ViterbiDecoder decoder;
    std::vector<int> sent;
    for (int i = 0; i < 100; ++i) {
        sent.push_back(coin(rng) ? 1 : 0);
        const double turn = qpskPhaseShiftRad(encoder.encode(sent.back()), Mode::QpskUsb);
        decoder.pushDifferential(
            {static_cast<float>(std::cos(turn)), static_cast<float>(std::sin(turn))},
            Mode::QpskUsb);
    }
    const DecidedBits sure = decoder.decidedBits(100.0F);
    EXPECT_EQ(sure.fromDepth, 0);
    for (int depth = 0; depth < 64; ++depth) {
        EXPECT_EQ(static_cast<int>((sure.bits >> depth) & 1U),
                  sent[sent.size() - 1 - static_cast<std::size_t>(depth)]);
    }
    const DecidedBits doubtful = decoder.decidedBits(1.0F);
    const DecidedBits unknown = decoder.decidedBits(0.0F);
    EXPECT_GT(doubtful.fromDepth, 0);
    EXPECT_LE(doubtful.fromDepth, unknown.fromDepth);
    // Where every survivor has merged the bits are decided whatever they are worth.
    EXPECT_LT(unknown.fromDepth, 32);
    EXPECT_EQ(unknown.bits >> unknown.fromDepth, sure.bits >> unknown.fromDepth);
}

// Noise alone carries no signal to decide by; a clean keyed signal is decided by the smallest
// difference.
TEST(SampleScale, NoiseDecidesNothingASignalDecidesByLittle) {
    SampleScale noise;
    std::mt19937 rng(9);
    std::normal_distribution<float> gauss(0.0F, 1.0F);
    for (int i = 0; i < 64; ++i) noise.push(gauss(rng));
    EXPECT_GT(noise.decisiveDifference(), 5.0F);

    SampleScale signal;
    EXPECT_EQ(signal.decisiveDifference(), kNone);
    for (int i = 0; i < 64; ++i) signal.push((i % 3 == 0 ? -1.0F : 1.0F) + 0.05F * gauss(rng));
    EXPECT_LT(signal.decisiveDifference(), 0.1F);
    signal.reset();
    EXPECT_EQ(signal.decisiveDifference(), kNone);
}

}  // namespace
}  // namespace pskmodem
