// The building blocks of the receiver, each against exact formulas or synthetic signals whose
// answer is known.

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <complex>
#include <numbers>
#include <random>
#include <span>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "pskmodem/codec/convolutional.h"
#include "pskmodem/codec/varicode.h"
#include "pskmodem/codec/viterbi.h"
#include "pskmodem/dsp/afc.h"
#include "pskmodem/dsp/carrier_tracker.h"
#include "pskmodem/dsp/decided_frequency.h"
#include "pskmodem/dsp/fading_detector.h"
#include "pskmodem/dsp/fir_filter.h"
#include "pskmodem/dsp/matched_filter.h"
#include "pskmodem/dsp/nco.h"
#include "pskmodem/dsp/predictive_detector.h"
#include "pskmodem/dsp/predictive_qpsk_decoder.h"
#include "pskmodem/dsp/sequence_detector.h"
#include "pskmodem/dsp/squelch.h"
#include "pskmodem/dsp/symbol_timing.h"
#include "pskmodem/signals/hf_channel.h"

namespace pskmodem {
namespace {

using Complex = std::complex<double>;
constexpr double kPi = std::numbers::pi;

double responseDb(const std::vector<float>& taps, double hz, double rateHz) {
    Complex sum = 0.0;
    for (std::size_t i = 0; i < taps.size(); ++i) {
        sum += static_cast<double>(taps[i]) *
               std::polar(1.0, -2.0 * kPi * hz * static_cast<double>(i) / rateHz);
    }
    return 20.0 * std::log10(std::abs(sum));
}

// --- Nco ------------------------------------------------------------------------------------

TEST(Nco, MixesItsFrequencyToZeroAndStaysOnTheUnitCircle) {
    for (double hz : {100.0, 1000.0, 2345.6, 3500.0}) {
        Nco nco(8000.0);
        nco.setFrequency(hz);
        const std::size_t n = 80000;  // ten seconds, a whole number of cycles of every tone
        std::vector<float> in(n);
        for (std::size_t i = 0; i < n; ++i) {
            in[i] = static_cast<float>(std::cos(2.0 * kPi * hz * static_cast<double>(i) / 8000.0));
        }
        std::vector<float> re(n);
        std::vector<float> im(n);
        nco.mixDown(in, re, im);
        // cos(wt) exp(-jwt) = 1/2 + 1/2 exp(-2jwt): the mean is 1/2.
        double sumRe = 0.0;
        double sumIm = 0.0;
        for (std::size_t i = 0; i < n; ++i) {
            sumRe += static_cast<double>(re[i]);
            sumIm += static_cast<double>(im[i]);
        }
        EXPECT_NEAR(sumRe / n, 0.5, 1e-4) << hz;
        EXPECT_NEAR(sumIm / n, 0.0, 1e-4) << hz;
    }
    // A constant input shows the oscillator itself: unit magnitude after many renormalisations.
    Nco nco(8000.0);
    nco.setFrequency(1234.5);
    std::vector<float> ones(1 << 20, 1.0F);
    std::vector<float> re(ones.size());
    std::vector<float> im(ones.size());
    nco.mixDown(ones, re, im);
    EXPECT_NEAR(std::hypot(re.back(), im.back()), 1.0, 1e-6);
}

TEST(Nco, ReducesFrequenciesIntoTheBandAndIgnoresNonFinite) {
    Nco nco(8000.0);
    nco.setFrequency(9000.0);
    EXPECT_DOUBLE_EQ(nco.frequencyHz(), 1000.0);
    nco.setFrequency(-5000.0);
    EXPECT_DOUBLE_EQ(nco.frequencyHz(), 3000.0 - 0.0);
    nco.setFrequency(std::nan(""));
    EXPECT_DOUBLE_EQ(nco.frequencyHz(), 3000.0);
    EXPECT_THROW(Nco(0.0), std::invalid_argument);
}

// --- FIR design and decimation -----------------------------------------------------------------

struct LowpassCase {
    int taps;
    double cutoffHz;
    double rateHz;
    double beta;
    double passEdgeHz;  // flat within 0.1 dB up to here
    double stopEdgeHz;  // at least minStopDb down from here to half the rate
    double minStopDb;
};

class LowpassDesign : public ::testing::TestWithParam<LowpassCase> {};

TEST_P(LowpassDesign, MeetsItsSpectralMask) {
    const LowpassCase& c = GetParam();
    const std::vector<float> taps = designLowpassFir(c.taps, c.cutoffHz, c.rateHz, c.beta);
    ASSERT_EQ(taps.size(), static_cast<std::size_t>(c.taps));
    for (std::size_t i = 0; i < taps.size(); ++i) {
        EXPECT_FLOAT_EQ(taps[i], taps[taps.size() - 1 - i]) << "linear phase";
    }
    for (double f = 0.0; f <= c.passEdgeHz; f += c.passEdgeHz / 20.0) {
        EXPECT_NEAR(responseDb(taps, f, c.rateHz), 0.0, 0.1) << f << " Hz";
    }
    for (double f = c.stopEdgeHz; f <= c.rateHz / 2.0; f += 5.0) {
        EXPECT_LT(responseDb(taps, f, c.rateHz), -c.minStopDb) << f << " Hz";
    }
}

INSTANTIATE_TEST_SUITE_P(ReceiverFilters, LowpassDesign,
                         ::testing::Values(
                             // The decimator in front of the 1000 Hz baseband: flat over the +-200
                             // Hz used, and nothing folds onto it from 780 Hz up.
                             LowpassCase{64, 500.0, 8000.0, 7.0, 200.0, 780.0, 65.0},
                             // The AFC acquisition filter for a 50 Hz search range.
                             LowpassCase{49, 90.0, 1000.0, 5.0, 40.0, 175.0, 45.0}));

TEST(LowpassDesign, RejectsImpossibleDesigns) {
    EXPECT_THROW(designLowpassFir(1, 100.0, 1000.0, 5.0), std::invalid_argument);
    EXPECT_THROW(designLowpassFir(31, 0.0, 1000.0, 5.0), std::invalid_argument);
    EXPECT_THROW(designLowpassFir(31, 500.0, 1000.0, 5.0), std::invalid_argument);
    EXPECT_THROW(designLowpassFir(31, 100.0, 1000.0, -1.0), std::invalid_argument);
}

TEST(DecimatingFir, KeepsEveryFactorthOutputWhateverTheBlocks) {
    const std::vector<float> taps = {0.5F, 0.25F, -0.125F, 1.0F, 2.0F};
    std::mt19937_64 rng(5);
    std::normal_distribution<float> gauss;
    std::vector<float> re(1000);
    std::vector<float> im(1000);
    for (std::size_t i = 0; i < re.size(); ++i) {
        re[i] = gauss(rng);
        im[i] = gauss(rng);
    }
    DecimatingFir whole(taps, 3);
    std::vector<std::complex<float>> expected(400);
    const std::size_t count = whole.process(re, im, expected);
    ASSERT_EQ(count, 333U);
    // Direct convolution: output j is the full-rate output at input 3j + 2.
    for (std::size_t j = 0; j < count; ++j) {
        const std::size_t at = 3 * j + 2;
        double sr = 0.0;
        double si = 0.0;
        for (std::size_t k = 0; k < taps.size() && k <= at; ++k) {
            sr += static_cast<double>(taps[k]) * static_cast<double>(re[at - k]);
            si += static_cast<double>(taps[k]) * static_cast<double>(im[at - k]);
        }
        EXPECT_NEAR(expected[j].real(), sr, 1e-4);
        EXPECT_NEAR(expected[j].imag(), si, 1e-4);
    }
    DecimatingFir pieces(taps, 3);
    std::vector<std::complex<float>> got;
    std::size_t at = 0;
    std::size_t chunk = 1;
    while (at < re.size()) {
        const std::size_t n = std::min(chunk, re.size() - at);
        std::vector<std::complex<float>> out(n / 3 + 1);
        const std::size_t made = pieces.process(std::span<const float>(re).subspan(at, n),
                                                std::span<const float>(im).subspan(at, n), out);
        got.insert(got.end(), out.begin(), out.begin() + static_cast<std::ptrdiff_t>(made));
        at += n;
        chunk = chunk % 7 + 1;
    }
    ASSERT_EQ(got.size(), count);
    for (std::size_t j = 0; j < count; ++j) EXPECT_EQ(got[j], expected[j]);
}

// --- Pulse and matched filter -------------------------------------------------------------------

TEST(PskPulse, IsAHannPulseTwoSymbolsLongWithOneSixthNeighbourInterference) {
    const std::vector<float> p = pskPulse(32);
    ASSERT_EQ(p.size(), 64U);
    for (std::size_t i = 0; i < p.size(); ++i) EXPECT_FLOAT_EQ(p[i], p[63 - i]);
    EXPECT_NEAR(p[31], 1.0, 0.003);
    EXPECT_NEAR(p[0], 0.0, 0.003);
    // (p * p)(T) / (p * p)(0) = (T/8) / (3T/4) for the continuous pulse.
    EXPECT_NEAR(pskNeighbourInterference(32), 1.0 / 6.0, 1e-3);
    EXPECT_NEAR(pskNeighbourInterference(256), 1.0 / 6.0, 1e-4);
}

TEST(MatchedFilter, PeaksAtThePulseCentreAndInterpolatesBetweenOutputs) {
    MatchedFilter filter(32, 256);
    const std::vector<float> p = pskPulse(32);
    double energy = 0.0;
    for (float v : p) energy += static_cast<double>(v) * static_cast<double>(v);
    // A pulse rotated by 30 degrees, then silence.
    const Complex rotation = std::polar(1.0, kPi / 6.0);
    std::vector<std::complex<float>> outputs;
    for (int i = 0; i < 160; ++i) {
        const double v = i < 64 ? static_cast<double>(p[static_cast<std::size_t>(i)]) : 0.0;
        const Complex z = v * rotation;
        outputs.push_back(
            filter.push({static_cast<float>(z.real()), static_cast<float>(z.imag())}));
    }
    const auto peak = std::max_element(outputs.begin(), outputs.end(),
                                       [](auto a, auto b) { return std::abs(a) < std::abs(b); });
    EXPECT_EQ(peak - outputs.begin(), 63);  // the whole pulse inside the filter
    EXPECT_NEAR(std::abs(*peak), std::sqrt(energy), 1e-4);
    EXPECT_NEAR(std::arg(*peak), kPi / 6.0, 1e-5);
    EXPECT_DOUBLE_EQ(filter.centreDelay(), 31.5);
    const std::complex<float> between = filter.outputAt(70.25);
    const std::complex<float> expected = 0.75F * outputs[70] + 0.25F * outputs[71];
    EXPECT_NEAR(between.real(), expected.real(), 1e-6);
    EXPECT_NEAR(between.imag(), expected.imag(), 1e-6);
    EXPECT_THROW(MatchedFilter(32, 64), std::invalid_argument);
}

// --- Symbol timing ----------------------------------------------------------------------------

// Matched-filter output power of continuous reversals whose symbol centres fall at
// firstCentre + k * period.
float idlePower(std::int64_t index, double firstCentre, double period) {
    return static_cast<float>(
        0.5 * (1.0 + std::cos(2.0 * kPi * (static_cast<double>(index) - firstCentre) / period)));
}

struct TimingCase {
    double firstCentre;
    double clockErrorPpm;
};

class SymbolTimingTrack : public ::testing::TestWithParam<TimingCase> {};

TEST_P(SymbolTimingTrack, PutsItsStrobesOnTheSymbolCentres) {
    const TimingCase& c = GetParam();
    const double period = 32.0 / (1.0 + c.clockErrorPpm * 1e-6);
    SymbolTiming timing(32);
    double worstLearning = 0.0;  // while the clock rate is being learnt
    double worstSettled = 0.0;
    int symbols = 0;
    for (std::int64_t m = 0; m < 32 * 3000; ++m) {
        if (!timing.push(m, idlePower(m, c.firstCentre, period))) continue;
        ++symbols;
        const double error = std::abs(std::remainder(timing.strobe() - c.firstCentre, period));
        if (symbols > 1000) {
            worstSettled = std::max(worstSettled, error);
        } else if (symbols > 100) {
            worstLearning = std::max(worstLearning, error);
        }
    }
    EXPECT_LT(worstLearning, 0.8) << "samples off the centre";
    EXPECT_LT(worstSettled, 0.1) << "samples off the centre";
    EXPECT_NEAR(timing.clockErrorPpm(), c.clockErrorPpm, 60.0);
    EXPECT_NEAR(symbols, 3000 * (1.0 + c.clockErrorPpm * 1e-6), 2.0);
}

INSTANTIATE_TEST_SUITE_P(Idle, SymbolTimingTrack,
                         ::testing::Values(TimingCase{11.3, 0.0}, TimingCase{27.9, 0.0},
                                           TimingCase{16.0, 0.0},  // half a symbol from start
                                           TimingCase{5.5, 1000.0}, TimingCase{20.2, -1000.0}));

TEST(SymbolTiming, CoastsThroughASteadyCarrierAndAcquiresQuickly) {
    SymbolTiming timing(32);
    std::vector<double> strobes;
    for (std::int64_t m = 0; m < 32 * 400; ++m) {
        // Idle for 100 symbols, then a steady carrier (constant power), then idle again.
        const bool steady = m >= 32 * 100 && m < 32 * 300;
        const float power = steady ? 1.0F : idlePower(m, 9.7, 32.0);
        if (timing.push(m, power)) strobes.push_back(timing.strobe());
    }
    ASSERT_GE(strobes.size(), 390U);
    for (std::size_t k = 40; k < strobes.size(); ++k) {
        EXPECT_LT(std::abs(std::remainder(strobes[k] - 9.7, 32.0)), 0.5) << "symbol " << k;
    }
    EXPECT_THROW(SymbolTiming(2), std::invalid_argument);
}

// --- Carrier tracking ---------------------------------------------------------------------------

struct CarrierCase {
    int phases;
    double phaseRad;
    double frequencyRadPerSymbol;
    double driftRadPerSymbol2;
};

class CarrierTrack : public ::testing::TestWithParam<CarrierCase> {};

TEST_P(CarrierTrack, LocksOntoPhaseFrequencyAndDrift) {
    const CarrierCase& c = GetParam();
    CarrierTracker tracker(c.phases, 0.03);
    tracker.setFrequencyLimit(1.0);
    tracker.setDriftLimit(0.01);
    tracker.setDriftGain(5e-5);
    tracker.setFrequencyAssist(0.05, 0.0006);
    std::mt19937_64 rng(3);
    std::uniform_int_distribution<int> symbol(0, c.phases - 1);
    double phase = c.phaseRad;
    double frequency = c.frequencyRadPerSymbol;
    double worst = 0.0;
    for (int k = 0; k < 3000; ++k) {
        const double data = 2.0 * kPi * symbol(rng) / c.phases;
        const Complex y = std::polar(1.0, phase + data);
        if (k == 1500) tracker.setFrequencyAssist(0.0, 0.0);  // as the receiver does once locked
        const std::complex<float> v =
            tracker.track({static_cast<float>(y.real()), static_cast<float>(y.imag())}, 1.0F);
        // Phase error against the nearest constellation point.
        const double err =
            std::remainder(std::arg(Complex(v.real(), v.imag())) - data, 2.0 * kPi / c.phases);
        if (k > 1000) worst = std::max(worst, std::abs(err));
        phase += frequency;
        frequency += c.driftRadPerSymbol2;
    }
    EXPECT_LT(worst, 0.05) << "radians";
    EXPECT_GT(tracker.lock(), 0.99);
    EXPECT_NEAR(tracker.frequencyRadPerSymbol(), std::remainder(frequency, 2.0 * kPi), 0.01);
}

INSTANTIATE_TEST_SUITE_P(
    Signals, CarrierTrack,
    ::testing::Values(CarrierCase{2, 1.0, 0.0, 0.0}, CarrierCase{2, -2.5, 0.05, 0.0},
                      CarrierCase{2, 0.3, 0.5, 0.0},    // 2.5 Hz off: the discriminator pulls in
                      CarrierCase{2, 0.0, -0.2, 1e-4},  // drifting about 0.5 Hz/s
                      CarrierCase{4, 0.4, 0.03, 0.0}, CarrierCase{4, -0.4, -0.1, -5e-5}));

TEST(CarrierTracker, RejectsOtherConstellations) {
    EXPECT_THROW(CarrierTracker(3, 0.03), std::invalid_argument);
    EXPECT_THROW(CarrierTracker(2, 0.0), std::invalid_argument);
    CarrierTracker tracker(2, 0.03);
    const std::complex<float> v = tracker.track({std::nanf(""), 1.0F}, 1.0F);
    (void)v;
    EXPECT_TRUE(std::isfinite(tracker.frequencyRadPerSymbol()));
}

// --- Sequence detector ------------------------------------------------------------------------

TEST(SequenceDetector, UndoesTheNeighbourInterferenceExactlyWithoutNoise) {
    const double rho = 1.0 / 6.0;
    std::mt19937_64 rng(11);
    std::vector<int> b(2000);
    for (int& v : b) v = (rng() & 1U) != 0 ? 1 : -1;
    SequenceDetector detector(16, rho);
    int compared = 0;
    for (std::size_t k = 1; k + 1 < b.size(); ++k) {
        const double x = 0.8 * (b[k] + rho * (b[k - 1] + b[k + 1]));
        const int bit = detector.push(static_cast<float>(x), 0.8F);
        if (bit < 0 || k < 40) continue;
        const std::size_t at = k - 16;  // the bit between symbols at - 1 and at
        EXPECT_EQ(bit, b[at] == b[at - 1] ? 1 : 0) << "symbol " << at;
        ++compared;
    }
    EXPECT_GT(compared, 1900);
}

TEST(SequenceDetector, MakesFarFewerErrorsThanSymbolBySymbolDecisions) {
    const double rho = 1.0 / 6.0;
    std::mt19937_64 rng(12);
    std::normal_distribution<double> noise(0.0, 0.33);
    const std::size_t n = 40000;
    std::vector<int> b(n);
    for (int& v : b) v = (rng() & 1U) != 0 ? 1 : -1;
    std::vector<double> x(n, 0.0);
    for (std::size_t k = 1; k + 1 < n; ++k) x[k] = b[k] + rho * (b[k - 1] + b[k + 1]) + noise(rng);
    SequenceDetector detector(16, rho);
    int sequenceErrors = 0;
    int symbolErrors = 0;
    for (std::size_t k = 1; k + 1 < n; ++k) {
        const int bit = detector.push(static_cast<float>(x[k]), 1.0F);
        if (k < 40) continue;
        const std::size_t at = k - 16;
        const int truth = b[at] == b[at - 1] ? 1 : 0;
        if (bit != truth) ++sequenceErrors;
        const int naive = ((x[at] > 0.0) == (x[at - 1] > 0.0)) ? 1 : 0;
        if (naive != truth) ++symbolErrors;
    }
    EXPECT_GT(symbolErrors, 3 * sequenceErrors)
        << symbolErrors << " symbol-by-symbol against " << sequenceErrors;
}

// --- Sequence detector with the word structure ------------------------------------------------

// Symbols (+-1) of `text` in Varicode, each character followed by its two-zero gap, after a
// stretch of idle reversals; then `carrier` symbols of unmodulated carrier and `text` again.
std::vector<int> varicodeSymbols(const std::string& text, int carrier = 0) {
    std::vector<int> symbols(40);
    for (std::size_t i = 0; i < symbols.size(); ++i) symbols[i] = i % 2 == 0 ? 1 : -1;
    const auto send = [&symbols](int bit) {
        const int last = symbols.back();
        symbols.push_back(bit != 0 ? last : -last);
    };
    const auto sendText = [&send, &text] {
        for (const char c : text) {
            for (const char bit : varicodeBits(static_cast<std::uint8_t>(c))) send(bit == '1');
            send(0);
            send(0);
        }
    };
    sendText();
    if (carrier > 0) {
        for (int i = 0; i < carrier; ++i) send(1);
        send(0);
        send(0);
        sendText();
    }
    for (int i = 0; i < 40; ++i) send(0);
    return symbols;
}

// The text decoded from matched-filter samples `x` (amplitude 1) by `detector`.
template <typename Detector>
std::string decodeText(Detector& detector, const std::vector<double>& x) {
    VaricodeDecoder varicode;
    std::string text;
    bool synced = false;
    int previous = 1;
    for (const double sample : x) {
        const int bit = detector.push(static_cast<float>(sample), 1.0F);
        if (bit < 0) continue;
        if (!synced) {
            synced = bit == 0 && previous == 0;
            previous = bit;
            continue;
        }
        if (const auto c = varicode.pushBit(bit)) text.push_back(static_cast<char>(*c));
    }
    return text;
}

std::vector<double> filtered(const std::vector<int>& b, double rho) {
    std::vector<double> x(b.size(), 0.0);
    for (std::size_t k = 1; k + 1 < b.size(); ++k) x[k] = b[k] + rho * (b[k - 1] + b[k + 1]);
    return x;
}

TEST(SequenceDetector, WithTheWordStructurePassesEveryCharacterThroughInNoise) {
    // All 256 characters, the twelve-bit ones included, in random order and at an S/N where
    // the detector still makes no errors, twice, with an unmodulated carrier between: the word
    // structure must never cost a valid character, nor make one of a carrier.
    const double rho = 1.0 / 6.0;
    std::string text;
    for (int c = 0; c < 256; ++c) text.push_back(static_cast<char>(c));
    std::mt19937_64 rng(21);
    std::shuffle(text.begin(), text.end(), rng);
    std::vector<double> x = filtered(varicodeSymbols(text, 600), rho);
    std::normal_distribution<double> noise(0.0, 0.2);
    for (double& v : x) v += noise(rng);
    SequenceDetector detector(16, rho, SequenceDetector::Words::Varicode);
    EXPECT_EQ(decodeText(detector, x), text + text);
}

TEST(SequenceDetector, WithTheWordStructureKeepsTwoCharactersApartWhereOneSymbolSaysMerge) {
    // One doubtful symbol in the gap between two digits (eight or nine bits each): decided
    // alone it joins them into a word no character has, and both are lost; the constraint keeps
    // them.
    const double rho = 1.0 / 6.0;
    const std::string text = "702743556695";
    const std::vector<int> sent = varicodeSymbols(text);
    int kept = 0;
    int gaps = 0;
    for (std::size_t k = 41; k + 1 < sent.size() - 40; ++k) {
        if (sent[k] == sent[k - 1] || sent[k + 1] == sent[k]) continue;  // not inside a gap
        std::vector<double> x = filtered(sent, rho);
        x[k] = -0.6 * sent[k];
        SequenceDetector plain(16, rho);
        SequenceDetector constrained(16, rho, SequenceDetector::Words::Varicode);
        ++gaps;
        if (decodeText(constrained, x) == text) ++kept;
        EXPECT_NE(decodeText(plain, x), text) << "symbol " << k;
    }
    // (After the last digit idle follows, and a digit with a one more is still a character.)
    EXPECT_EQ(gaps, 12);
    EXPECT_EQ(kept, gaps - 1);
}

// --- Frequency from decisions ----------------------------------------------------------------

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

// --- Predictive detector ----------------------------------------------------------------------

std::complex<float> toFloat(Complex z) {
    return {static_cast<float>(z.real()), static_cast<float>(z.imag())};
}

TEST(FadingPredictor, FollowsASlowChannelAndShrinksTowardZeroInNoise) {
    // A channel that hardly moves: the taps add up to nearly 1 and predict a straight line
    // through the recent past.
    const std::array<double, 16> slow = fadingPredictor(8, 0.001, 1e-6);
    double sum = 0.0;
    double ramp = 0.0;
    for (std::size_t j = 0; j < 8; ++j) {
        sum += slow[j];
        ramp += slow[j] * -static_cast<double>(j + 1);  // the values of t at t = -1, -2, ...
    }
    EXPECT_NEAR(sum, 1.0, 1e-3);
    EXPECT_NEAR(ramp, 0.0, 0.05);  // ... extrapolated to t = 0
    // Noise on the past values: the prediction averages more and shrinks.
    const std::array<double, 16> noisy = fadingPredictor(8, 0.032, 0.1);
    double noisySum = 0.0;
    double noiseGain = 0.0;
    for (std::size_t j = 0; j < 8; ++j) {
        noisySum += noisy[j];
        noiseGain += noisy[j] * noisy[j];
    }
    EXPECT_LT(noisySum, 1.0);
    EXPECT_GT(noisySum, 0.5);
    EXPECT_LT(noiseGain, 0.5);
    for (std::size_t j = 8; j < 16; ++j) EXPECT_EQ(noisy[j], 0.0);
    EXPECT_EQ(fadingPredictor(0, 0.032, 0.01)[0], 0.0);
    EXPECT_EQ(fadingPredictor(17, 0.032, 0.01)[0], 0.0);
}

TEST(PredictiveDetector, RejectsBadSettings) {
    const std::array<double, 2> taps{2.0, -1.0};
    EXPECT_THROW(PredictiveDetector(0, taps), std::invalid_argument);
    EXPECT_THROW(PredictiveDetector(61, taps), std::invalid_argument);
    EXPECT_THROW(PredictiveDetector(15, std::span<const double>()), std::invalid_argument);
    const std::array<double, 2> bad{1.0, std::nan("")};
    EXPECT_THROW(PredictiveDetector(15, bad), std::invalid_argument);
}

// A channel whose gain swings through a null every 40 symbols, halfway between two symbols, its
// phase reversing there (and slowly turning besides), on random data.
TEST(PredictiveDetector, FollowsTheCarrierThroughNullsWhereDifferentialDetectionFails) {
    std::mt19937_64 rng(21);
    const std::array<double, 16> taps = fadingPredictor(8, 0.032, 0.01);
    PredictiveDetector detector(15, std::span<const double>(taps).first(8));
    int b = 1;
    Complex previousSample = 1.0;
    std::vector<int> truth;
    int errors = 0;
    int differentialErrors = 0;
    int compared = 0;
    for (int k = 0; k < 4000; ++k) {
        const int previousB = b;
        if ((rng() & 1U) != 0) b = -b;
        truth.push_back(b == previousB ? 1 : 0);
        const double t = static_cast<double>(k) + 0.5;
        const Complex gain = std::cos(kPi * t / 40.0) * std::polar(1.0, 0.01 * k);
        const Complex sample = gain * static_cast<double>(b);
        const int differential = (sample * std::conj(previousSample)).real() > 0.0 ? 1 : 0;
        previousSample = sample;
        if (k > 40 && differential != truth.back()) ++differentialErrors;
        const int bit = detector.push(toFloat(sample));
        if (bit < 0 || k < 40) continue;
        if (bit != truth[static_cast<std::size_t>(k - 15)]) ++errors;
        ++compared;
    }
    EXPECT_GT(compared, 3900);
    EXPECT_EQ(errors, 0);
    EXPECT_GT(differentialErrors, 90);  // one at each null
}

TEST(PredictiveDetector, BeatsDifferentialDetectionThroughRayleighFading) {
    std::mt19937_64 rng(22);
    std::normal_distribution<double> gauss;
    const std::array<double, 16> taps = fadingPredictor(8, 0.032, 0.01);
    PredictiveDetector detector(15, std::span<const double>(taps).first(8));
    // Rayleigh fading with the Gaussian Doppler spectrum of the Watterson model, 1 Hz spread, at
    // 25 dB mean SNR per symbol.
    FadingTap channel(1.0, 31.25, 23);
    int b = 1;
    Complex previousSample = 0.0;
    std::vector<int> truth;
    int errors = 0;
    int differentialErrors = 0;
    for (int k = 0; k < 60000; ++k) {
        const int previousB = b;
        if ((rng() & 1U) != 0) b = -b;
        truth.push_back(b == previousB ? 1 : 0);
        const Complex sample = channel.next() * static_cast<double>(b) +
                               0.056 * Complex(gauss(rng), gauss(rng)) / std::sqrt(2.0);
        const int differential = (sample * std::conj(previousSample)).real() > 0.0 ? 1 : 0;
        previousSample = sample;
        if (k > 100 && differential != truth.back()) ++differentialErrors;
        const int bit = detector.push(toFloat(sample));
        if (k > 100 && bit != truth[static_cast<std::size_t>(k - 15)]) ++errors;
    }
    EXPECT_GT(differentialErrors, 50);
    EXPECT_LT(2 * errors, differentialErrors)
        << errors << " predictive against " << differentialErrors << " differential";
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

TEST(PredictiveDetector, ItsPredictionErrorTellsWhichPredictorSuitsTheChannel) {
    // The same signals to a predictor for slow fading in noise and one for fast fading: on a
    // steady carrier in noise the slow one predicts better, through fast fading the fast one.
    const auto run = [](double spreadHz, double noise, std::uint64_t seed) {
        const std::array<double, 16> slowTaps = fadingPredictor(8, 0.3 / 31.25, 0.05);
        const std::array<double, 16> fastTaps = fadingPredictor(8, 2.0 / 31.25, 0.002);
        PredictiveDetector slow(15, std::span<const double>(slowTaps).first(8));
        PredictiveDetector fast(15, std::span<const double>(fastTaps).first(8));
        FadingTap channel(spreadHz, 31.25, seed);
        std::mt19937_64 rng(seed);
        std::normal_distribution<double> gauss;
        for (int k = 0; k < 3000; ++k) {
            const double b = (rng() & 1U) != 0 ? 1.0 : -1.0;
            const Complex gain = spreadHz > 0.0 ? channel.next() : Complex(1.0);
            const Complex sample =
                gain * b + noise * Complex(gauss(rng), gauss(rng)) / std::sqrt(2.0);
            slow.push(toFloat(sample));
            fast.push(toFloat(sample));
        }
        return std::pair(slow.predictionError(), fast.predictionError());
    };
    const auto [steadySlow, steadyFast] = run(0.0, 0.3, 31);
    EXPECT_LT(steadySlow, steadyFast);
    const auto [fadingSlow, fadingFast] = run(2.0, 0.01, 32);
    EXPECT_LT(fadingFast, fadingSlow);
}

TEST(PredictiveDetector, ResetStartsOver) {
    const std::array<double, 16> taps = fadingPredictor(4, 0.032, 0.01);
    PredictiveDetector detector(15, std::span<const double>(taps).first(4));
    for (int k = 0; k < 40; ++k) detector.push({k % 2 == 0 ? 1.0F : -1.0F, 0.0F});
    detector.reset();
    for (int k = 0; k < 16; ++k) EXPECT_EQ(detector.push({1.0F, 0.0F}), -1) << k;
    EXPECT_EQ(detector.push({1.0F, 0.0F}), 1);
    // Garbage does no harm.
    detector.push({std::nanf(""), 1.0F});
    for (int k = 0; k < 40; ++k) detector.push({1.0F, 0.0F});
    EXPECT_EQ(detector.push({1.0F, 0.0F}), 1);
}

// --- AFC acquisition --------------------------------------------------------------------------

// 1000 Hz complex baseband of a BPSK31 signal with Hann keying, offset by offsetHz; idle
// (reversals) or random data, in complex Gaussian noise of the given total power.
std::vector<std::complex<float>> bpskBaseband(double offsetHz, bool idle, double noisePower,
                                              std::size_t n, std::uint64_t seed) {
    std::mt19937_64 rng(seed);
    std::normal_distribution<double> gauss(0.0, std::sqrt(noisePower / 2.0));
    std::vector<std::complex<float>> z(n);
    int previous = 1;
    int current = 1;
    for (std::size_t i = 0; i < n; ++i) {
        const std::size_t inSymbol = i % 32;
        if (inSymbol == 0) {
            previous = current;
            current = idle ? -current : ((rng() & 1U) != 0 ? -current : current);
        }
        const double w = 0.5 * (1.0 + std::cos(kPi * static_cast<double>(inSymbol) / 32.0));
        const double envelope = previous * w + current * (1.0 - w);
        const Complex v =
            envelope * std::polar(1.0, 2.0 * kPi * offsetHz * static_cast<double>(i) / 1000.0) +
            Complex(gauss(rng), gauss(rng));
        z[i] = {static_cast<float>(v.real()), static_cast<float>(v.imag())};
    }
    return z;
}

struct AcquisitionCase {
    double offsetHz;
    bool idle;
    double noisePower;
    double lowHz;
    double highHz;
    bool found;
};

class Acquisition : public ::testing::TestWithParam<AcquisitionCase> {};

TEST_P(Acquisition, FindsTheCarrierLineOnlyWhereItIs) {
    const AcquisitionCase& c = GetParam();
    FrequencyAcquisition acquisition(1000.0, 512);
    acquisition.setPassband(50.0);
    const auto z = bpskBaseband(c.offsetHz, c.idle, c.noisePower, 4000, 9);
    FrequencyAcquisition::Peak peak;
    for (const auto& v : z) {
        if (acquisition.push(v)) peak = acquisition.strongestCarrier(c.lowHz, c.highHz);
    }
    EXPECT_EQ(peak.found, c.found) << "line at " << peak.offsetHz << " Hz, " << peak.snrDb << " dB";
    if (c.found) {
        EXPECT_NEAR(peak.offsetHz, c.offsetHz, 0.3);
        EXPECT_GT(acquisition.lineLevelDb(c.offsetHz), 9.0);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Lines, Acquisition,
    ::testing::Values(AcquisitionCase{23.4, false, 0.1, -50.0, 50.0, true},
                      AcquisitionCase{-41.7, true, 0.1, -50.0, 50.0, true},
                      AcquisitionCase{7.0, false, 3.0, -50.0, 50.0, true},   // weak
                      AcquisitionCase{0.0, false, 1e9, -50.0, 50.0, false},  // noise only
                      // The carrier is outside the window; a keying line of it (15.6 Hz in)
                      // is inside and must not be taken for a carrier.
                      AcquisitionCase{40.0, true, 0.01, -30.0, 30.0, false}));

// --- Squelch -----------------------------------------------------------------------------------

TEST(Squelch, PhaseClusteringFollowsTheConstellation) {
    const std::complex<float> quarter{0.0F, 2.0F};
    const std::complex<float> eighth{1.0F, 1.0F};
    EXPECT_FLOAT_EQ(phaseClustering({3.0F, 0.0F}, 2), 1.0F);
    EXPECT_FLOAT_EQ(phaseClustering({-3.0F, 0.0F}, 2), 1.0F);
    EXPECT_FLOAT_EQ(phaseClustering(quarter, 2), -1.0F);
    EXPECT_FLOAT_EQ(phaseClustering(quarter, 4), 1.0F);
    EXPECT_NEAR(phaseClustering(eighth, 4), -1.0F, 1e-6);
    EXPECT_FLOAT_EQ(phaseClustering({0.0F, 0.0F}, 2), 0.0F);
}

TEST(Squelch, QualityAndHysteresis) {
    for (int speed : {0, 1}) {
        Squelch squelch;
        squelch.setSpeed(speed);
        squelch.setThreshold(50);
        std::mt19937_64 rng(4);
        std::uniform_real_distribution<double> angle(-kPi, kPi);
        double sum = 0.0;
        for (int k = 0; k < 2000; ++k) {
            const Complex d = std::polar(1.0, angle(rng));
            squelch.push({static_cast<float>(d.real()), static_cast<float>(d.imag())});
            sum += squelch.quality();
            EXPECT_FALSE(squelch.open());
        }
        EXPECT_LT(sum / 2000.0, 6.0) << "speed " << speed;
        for (int k = 0; k < 400; ++k) squelch.push({k % 3 == 0 ? -1.0F : 1.0F, 0.0F});
        EXPECT_EQ(squelch.quality(), 100);
        EXPECT_TRUE(squelch.open());
        // Falling quality: open down to threshold - 5, closed below.
        bool closed = false;
        for (int k = 0; k < 400 && !closed; ++k) {
            const Complex d = std::polar(1.0, angle(rng));
            squelch.push({static_cast<float>(d.real()), static_cast<float>(d.imag())});
            if (!squelch.open()) {
                closed = true;
                EXPECT_LT(squelch.quality(), 45);
            } else {
                EXPECT_GE(squelch.quality(), 45);
            }
        }
        EXPECT_TRUE(closed);
    }
    Squelch open;
    open.setThreshold(0);
    EXPECT_TRUE(open.open());
    open.setThreshold(250);
    EXPECT_EQ(open.threshold(), 99);

    // A low threshold still closes again (half the threshold below it).
    Squelch low;
    low.setSpeed(1);
    low.setThreshold(4);
    for (int k = 0; k < 400; ++k) low.push({1.0F, 0.0F});
    EXPECT_TRUE(low.open());
    for (int k = 0; k < 400; ++k) low.push({0.0F, 1.0F});  // quarter turns: worst for BPSK
    EXPECT_EQ(low.quality(), 0);
    EXPECT_FALSE(low.open());
}

// --- Fading detector -------------------------------------------------------------------------

TEST(FadingDetector, TellsRayleighFadingFromNoiseAndGentleQsb) {
    std::mt19937_64 rng(17);
    std::normal_distribution<double> gauss;
    // Symbol magnitudes of a steady signal (with the +-1/3 the neighbours add) in noise at the
    // sensitivity limit: not fading.
    FadingDetector steady;
    for (int k = 0; k < 3000; ++k) {
        const double pattern = 1.0 + (k % 3 == 0 ? 0.33 : (k % 3 == 1 ? -0.33 : 0.0));
        const Complex y = Complex(pattern, 0.0) + 0.3 * Complex(gauss(rng), gauss(rng));
        steady.push(static_cast<float>(std::abs(y)));
        if (k > 200) {
            EXPECT_FALSE(steady.fading()) << "symbol " << k;
        }
    }
    // A strong signal under gentle QSB (6 dB, 30 s period): still not fading.
    FadingDetector qsb;
    for (int k = 0; k < 3000; ++k) {
        const double depth = std::pow(10.0, -0.3 * (0.5 + 0.5 * std::sin(2.0 * kPi * k / 938.0)));
        const Complex y = depth * Complex(1.0, 0.0) + 0.01 * Complex(gauss(rng), gauss(rng));
        qsb.push(static_cast<float>(std::abs(y)));
    }
    EXPECT_FALSE(qsb.fading());
    // Rayleigh fading with a Doppler spread near 1 Hz: a complex Gaussian gain lowpass
    // filtered to about a 1 s correlation time.
    FadingDetector rayleigh;
    Complex gain(1.0, 0.0);
    int fadingSymbols = 0;
    for (int k = 0; k < 3000; ++k) {
        gain = 0.97 * gain + 0.243 * Complex(gauss(rng), gauss(rng)) / std::sqrt(2.0);
        const Complex y = gain + 0.1 * Complex(gauss(rng), gauss(rng));
        rayleigh.push(static_cast<float>(std::abs(y)));
        if (k > 500 && rayleigh.fading()) ++fadingSymbols;
    }
    EXPECT_GT(fadingSymbols, 2000);
    rayleigh.reset();
    EXPECT_FALSE(rayleigh.fading());
    EXPECT_EQ(rayleigh.index(), 0.0F);
}

}  // namespace
}  // namespace pskmodem
