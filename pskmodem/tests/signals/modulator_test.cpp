#include "pskmodem/signals/modulator.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <complex>
#include <numbers>
#include <random>
#include <string>
#include <vector>

#include "pskmodem/codec/convolutional.h"
#include "pskmodem/codec/varicode.h"
#include "pskmodem/signals/channel.h"

namespace pskmodem {
namespace {

using Complex = std::complex<double>;
constexpr double kPi = std::numbers::pi;

// Hann-windowed power spectrum by direct DFT, bins of sampleRateHz / n up to half the rate.
std::vector<double> powerSpectrum(std::span<const float> x) {
    const std::size_t n = x.size();
    std::vector<double> windowed(n);
    for (std::size_t i = 0; i < n; ++i) {
        const double w =
            0.5 - 0.5 * std::cos(2.0 * kPi * static_cast<double>(i) / static_cast<double>(n));
        windowed[i] = w * static_cast<double>(x[i]);
    }
    std::vector<double> power(n / 2);
    for (std::size_t k = 0; k < n / 2; ++k) {
        const Complex step =
            std::polar(1.0, -2.0 * kPi * static_cast<double>(k) / static_cast<double>(n));
        Complex rot = 1.0;
        Complex acc = 0.0;
        for (std::size_t i = 0; i < n; ++i) {
            acc += windowed[i] * rot;
            rot *= step;
        }
        power[k] = std::norm(acc);
    }
    return power;
}

double sumBins(const std::vector<double>& p, double loHz, double hiHz, double binHz) {
    double sum = 0.0;
    for (std::size_t k = 0; k < p.size(); ++k) {
        const double f = static_cast<double>(k) * binHz;
        if (f >= loHz && f <= hiHz) sum += p[k];
    }
    return sum;
}

// Complex baseband points at the symbol boundaries, recovered by mixing the signal down with
// the known carrier and averaging over one symbol centred on each boundary. The point of symbol
// k lies at sample (k + 1) * samplesPerSymbol.
std::vector<Complex> boundaryPoints(std::span<const float> x, double carrierHz, double sampleRateHz,
                                    int samplesPerSymbol) {
    std::vector<Complex> points;
    const int half = samplesPerSymbol / 2;
    for (std::size_t centre = static_cast<std::size_t>(samplesPerSymbol);
         centre + static_cast<std::size_t>(half) <= x.size();
         centre += static_cast<std::size_t>(samplesPerSymbol)) {
        Complex acc = 0.0;
        for (std::size_t i = centre - static_cast<std::size_t>(half);
             i < centre + static_cast<std::size_t>(half); ++i) {
            const double phase = 2.0 * kPi * carrierHz * static_cast<double>(i) / sampleRateHz;
            acc += 2.0 * static_cast<double>(x[i]) * std::polar(1.0, -phase);
        }
        points.push_back(acc / static_cast<double>(samplesPerSymbol));
    }
    return points;
}

std::string varicodeBitsOf(std::string_view text) {
    std::string bits;
    for (char c : text) {
        bits += varicodeBits(static_cast<std::uint8_t>(c));
        bits += "00";
    }
    return bits;
}

TEST(Modulator, RejectsInvalidConfiguration) {
    ModulatorConfig bad;
    bad.sampleRateHz = 0.0;
    EXPECT_THROW(Modulator{bad}, std::invalid_argument);
    bad = {};
    bad.carrierHz = 4000.0;
    EXPECT_THROW(Modulator{bad}, std::invalid_argument);
    bad = {};
    bad.amplitude = std::nan("");
    EXPECT_THROW(Modulator{bad}, std::invalid_argument);
    bad = {};
    bad.mode = static_cast<Mode>(7);
    EXPECT_THROW(Modulator{bad}, std::invalid_argument);
    bad = {};
    bad.speed = static_cast<Speed>(4);
    EXPECT_THROW(Modulator{bad}, std::invalid_argument);
    bad = {};
    bad.speed = Speed::Psk250;  // four samples per symbol at 1000 Hz: too few to key
    bad.sampleRateHz = 1000.0;
    bad.carrierHz = 200.0;
    EXPECT_THROW(Modulator{bad}, std::invalid_argument);
}

TEST(Modulator, OnesGiveASteadyCarrierOfTheConfiguredAmplitude) {
    ModulatorConfig config;
    config.carrierHz = 1000.0;
    config.amplitude = 0.5;
    Modulator modulator(config);
    modulator.queueBits(std::string(40, '1'));
    std::vector<float> out(40 * kSamplesPerSymbol);
    modulator.process(out);
    // Skip the first symbol, where the carrier rises from silence.
    const std::span<const float> steady(out.data() + kSamplesPerSymbol, 38 * kSamplesPerSymbol);
    EXPECT_NEAR(meanPower(steady), 0.125, 1e-4);
    float peak = 0.0f;
    for (float v : steady) peak = std::max(peak, std::abs(v));
    EXPECT_NEAR(peak, 0.5f, 1e-3f);
    EXPECT_EQ(modulator.pendingSymbols(), 0u);
}

TEST(Modulator, ReversalEnvelopeFollowsACosineThroughZero) {
    // Ones, one reversal, ones: around the reversal the envelope is |cos(pi t / T)|.
    ModulatorConfig config;
    config.carrierHz = 1000.0;
    Modulator modulator(config);
    modulator.queueBits(
        "1111"
        "0"
        "1111");
    std::vector<float> out(9 * kSamplesPerSymbol);
    modulator.process(out);
    const auto points = boundaryPoints(out, config.carrierHz, 8000.0, kSamplesPerSymbol);
    // Symbol 4 (the zero) turns the phase by 180 degrees.
    EXPECT_GT(std::real(points[3] * std::conj(points[2])), 0.5);
    EXPECT_LT(std::real(points[4] * std::conj(points[3])), -0.5);
    EXPECT_GT(std::real(points[5] * std::conj(points[4])), 0.5);
    // Inside the reversal symbol the carrier is cos(wt) scaled by exactly cos(pi t / T): divide
    // the carrier out wherever it is not near a zero crossing.
    const std::size_t start = 4 * kSamplesPerSymbol;
    for (std::size_t i = start; i < start + kSamplesPerSymbol; ++i) {
        const double carrier = std::cos(2.0 * kPi * 1000.0 * static_cast<double>(i) / 8000.0);
        if (std::abs(carrier) < 0.3) continue;
        const double t = static_cast<double>(i - start) / kSamplesPerSymbol;
        EXPECT_NEAR(static_cast<double>(out[i]) / carrier, std::cos(kPi * t), 1e-5) << i;
    }
}

class ModulatorAtEachSpeed : public ::testing::TestWithParam<Speed> {};

TEST_P(ModulatorAtEachSpeed, IdleIsTwoTonesAtHalfTheSymbolRate) {
    ModulatorConfig config;
    config.carrierHz = 1500.0;
    config.speed = GetParam();
    Modulator modulator(config);
    std::vector<float> out(8192 + 4 * kSamplesPerSymbol);
    modulator.process(out);  // the empty queue sends idle
    const std::span<const float> window(out.data() + 4 * kSamplesPerSymbol, 8192);
    const auto p = powerSpectrum(window);
    const double binHz = 8000.0 / 8192.0;
    const double tone = symbolRateBaud(GetParam()) / 2.0;  // 15.625 Hz for PSK31
    const double total = sumBins(p, 0.0, 4000.0, binHz);
    const double lower = sumBins(p, 1500.0 - tone - 3.0, 1500.0 - tone + 3.0, binHz);
    const double upper = sumBins(p, 1500.0 + tone - 3.0, 1500.0 + tone + 3.0, binHz);
    EXPECT_GT((lower + upper) / total, 0.999);
    EXPECT_NEAR(lower / upper, 1.0, 0.01);
    EXPECT_LT(sumBins(p, 1497.0, 1503.0, binHz) / total, 1e-4);  // no carrier
    EXPECT_NEAR(meanPower(window), 0.25, 0.005);
}

TEST_P(ModulatorAtEachSpeed, TextTakesItsSymbolsAtTheSymbolRate) {
    ModulatorConfig config;
    config.speed = GetParam();
    // 300 'e' = 300 x "1100" plus 128 idle symbols, 256 samples each at PSK31.
    const auto out = modulateText(config, std::string(300, 'e'), 64, 64);
    EXPECT_EQ(out.size(),
              (300u * 4u + 128u) * static_cast<std::size_t>(samplesPerSymbol(GetParam())));
}

INSTANTIATE_TEST_SUITE_P(Speeds, ModulatorAtEachSpeed,
                         ::testing::Values(Speed::Psk31, Speed::Psk63, Speed::Psk125,
                                           Speed::Psk250));

TEST(Modulator, HardKeyingJumpsToTheNewPhaseAndSplatters) {
    ModulatorConfig config;
    config.carrierHz = 1500.0;
    config.keying = Keying::Hard;
    Modulator modulator(config);
    std::vector<float> out(8192 + 4 * kSamplesPerSymbol);
    modulator.process(out);  // idle: a reversal every symbol, the envelope never dips
    const std::span<const float> window(out.data() + 4 * kSamplesPerSymbol, 8192);
    EXPECT_NEAR(meanPower(window), 0.5, 0.005);
    // The carrier times a square wave: lines at odd multiples of 15.625 Hz falling as 1/n^2 in
    // power, where the raised-cosine keying has only the two at +-15.625 Hz.
    const auto p = powerSpectrum(window);
    const double binHz = 8000.0 / 8192.0;
    const auto line = [&](double offsetHz) {
        return sumBins(p, 1500.0 + offsetHz - 3.0, 1500.0 + offsetHz + 3.0, binHz);
    };
    EXPECT_NEAR(line(3.0 * 15.625) / line(15.625), 1.0 / 9.0, 0.005);
    EXPECT_NEAR(line(-5.0 * 15.625) / line(-15.625), 1.0 / 25.0, 0.005);
    EXPECT_GT(line(13.0 * 15.625) / line(15.625), 1.0 / 200.0);
    config.keying = static_cast<Keying>(5);
    EXPECT_THROW(Modulator{config}, std::invalid_argument);
}

TEST(Modulator, RandomTextStaysWithinItsBandwidth) {
    std::mt19937_64 rng(99);
    std::uniform_int_distribution<int> printable(32, 126);
    std::string text;
    for (int i = 0; i < 200; ++i) text += static_cast<char>(printable(rng));
    for (Mode mode : {Mode::Bpsk, Mode::QpskUsb}) {
        ModulatorConfig config;
        config.carrierHz = 2000.0;
        config.mode = mode;
        const auto out = modulateText(config, text, 8, 8);
        ASSERT_GE(out.size(), 16384u);
        const std::span<const float> window(out.data() + 4096, 16384);
        const auto p = powerSpectrum(window);
        const double binHz = 8000.0 / 16384.0;
        const double total = sumBins(p, 0.0, 4000.0, binHz);
        // The raised-cosine keying keeps the spectrum narrow: about -56 dB beyond 100 Hz from
        // the carrier and -41 dB beyond 50 Hz.
        const double outside = total - sumBins(p, 1900.0, 2100.0, binHz);
        EXPECT_LT(outside / total, 1e-5) << "mode " << static_cast<int>(mode);
        const double wide = total - sumBins(p, 1950.0, 2050.0, binHz);
        EXPECT_LT(wide / total, 3e-4) << "mode " << static_cast<int>(mode);
    }
}

TEST(Modulator, OutputIsTheSameWhateverTheBlockSizes) {
    ModulatorConfig config;
    config.carrierHz = 873.0;
    config.clockErrorPpm = 250.0;
    config.mode = Mode::QpskUsb;
    const std::string text = "CQ CQ DE QR9ZZ";
    const auto whole = modulateText(config, text, 16, 16);

    Modulator modulator(config);
    modulator.queueIdle(16);
    modulator.queueText(text);
    modulator.queueIdle(16);
    std::vector<float> pieces(whole.size());
    std::mt19937_64 rng(3);
    std::uniform_int_distribution<std::size_t> blockSize(0, 700);
    for (std::size_t at = 0; at < pieces.size();) {
        const std::size_t n = std::min(blockSize(rng), pieces.size() - at);
        modulator.process(std::span<float>(pieces.data() + at, n));
        at += n;
    }
    EXPECT_EQ(pieces, whole);
}

TEST(Modulator, CarrierPhaseIsContinuous) {
    // The largest step between samples of a unit carrier at f is 2 sin(pi f / fs); the keying
    // only slows the envelope, so no step may exceed it, also when the frequency changes.
    ModulatorConfig config;
    config.carrierHz = 1000.0;
    Modulator modulator(config);
    modulator.queueText("the quick brown fox jumps over the lazy dog 0123456789");
    std::vector<float> out(64 * kSamplesPerSymbol);
    double maxStep = 0.0;
    float previous = 0.0f;
    bool first = true;
    for (int block = 0; block < 64; ++block) {
        modulator.setCarrierHz(1000.0 + 3.0 * block);
        std::span<float> chunk(out.data() + block * kSamplesPerSymbol, kSamplesPerSymbol);
        modulator.process(chunk);
        for (float v : chunk) {
            if (!first) maxStep = std::max(maxStep, std::abs(static_cast<double>(v - previous)));
            previous = v;
            first = false;
        }
    }
    const double limit = 2.0 * std::sin(kPi * (1000.0 + 3.0 * 63) / 8000.0);
    EXPECT_LE(maxStep, limit * 1.01);
    EXPECT_GT(maxStep, limit * 0.8);
    EXPECT_DOUBLE_EQ(modulator.carrierHz(), 1000.0 + 3.0 * 63);
}

TEST(Modulator, ClockErrorChangesTheDurationProportionally) {
    const std::string text(300, 'e');
    ModulatorConfig config;
    const auto nominal = modulateText(config, text, 64, 64);
    config.clockErrorPpm = 1000.0;
    const auto fast = modulateText(config, text, 64, 64);
    config.clockErrorPpm = -1000.0;
    const auto slow = modulateText(config, text, 64, 64);
    const double n = static_cast<double>(nominal.size());
    EXPECT_NEAR(static_cast<double>(fast.size()) / n, 1.0 / 1.001, 2.0 / n);
    EXPECT_NEAR(static_cast<double>(slow.size()) / n, 1.0 / 0.999, 2.0 / n);
    // 300 'e' = 300 x "1100" plus 128 idle symbols at 256 samples each.
    EXPECT_EQ(nominal.size(), (300u * 4u + 128u) * 256u);
}

TEST(Modulator, OtherSampleRatesKeepTheSymbolRate) {
    ModulatorConfig config;
    config.sampleRateHz = 48000.0;
    config.carrierHz = 1200.0;
    const auto out = modulateText(config, "hello", 10, 10);
    const std::size_t bits = varicodeBitsOf("hello").size();
    EXPECT_EQ(out.size(), (bits + 20u) * 1536u);
}

// Reference demodulation of the boundary points: BPSK text decodes bit-exactly.
TEST(Modulator, BpskPhaseChangesCarryTheVaricodeBits) {
    const std::string text = "RST 599 QTH Springfield, name Alex\r\n";
    ModulatorConfig config;
    config.carrierHz = 1000.0;
    config.initialPhaseRad = 0.7;
    const auto out = modulateText(config, text, 8, 8);
    const auto points = boundaryPoints(out, config.carrierHz, 8000.0, kSamplesPerSymbol);
    VaricodeDecoder decoder;
    std::string decoded;
    for (std::size_t k = 1; k < points.size(); ++k) {
        const int bit = std::real(points[k] * std::conj(points[k - 1])) > 0.0 ? 1 : 0;
        if (auto c = decoder.pushBit(bit)) decoded += static_cast<char>(*c);
    }
    EXPECT_EQ(decoded, text);
}

// QPSK: every data bit's phase change is the encoder's symbol, mirrored on the lower sideband.
TEST(Modulator, QpskPhaseChangesFollowTheConvolutionalCode) {
    const std::string text = "QPSK test 73";
    const std::string bits = std::string(8, '0') + varicodeBitsOf(text) + std::string(8, '0');
    for (Mode mode : {Mode::QpskUsb, Mode::QpskLsb}) {
        ModulatorConfig config;
        config.carrierHz = 1250.0;
        config.mode = mode;
        const auto out = modulateText(config, text, 8, 8);
        const auto points = boundaryPoints(out, config.carrierHz, 8000.0, kSamplesPerSymbol);
        ASSERT_EQ(points.size() + 1, bits.size());  // the last point lies at the very end
        ConvolutionalEncoder encoder;
        for (std::size_t k = 0; k < points.size(); ++k) {
            const double expected = qpskPhaseShiftRad(encoder.encode(bits[k] - '0'), mode);
            if (k == 0) continue;  // the first symbol rises from silence
            const double measured = std::arg(points[k] * std::conj(points[k - 1]));
            const double error = std::remainder(measured - expected, 2.0 * kPi);
            ASSERT_LT(std::abs(error), 0.5) << "mode " << static_cast<int>(mode) << " bit " << k;
        }
    }
}

TEST(Modulator, SilenceHasNoCarrierAndTheCarrierReturnsSmoothly) {
    ModulatorConfig config;
    Modulator modulator(config);
    modulator.queueIdle(4);
    modulator.queueSilence(6);
    modulator.queueIdle(4);
    EXPECT_EQ(modulator.pendingSymbols(), 14u);
    std::vector<float> out(14 * kSamplesPerSymbol);
    modulator.process(out);
    // Symbol 4 fades out; symbols 5..9 are silent.
    const std::span<const float> silent(out.data() + 5 * kSamplesPerSymbol, 5 * kSamplesPerSymbol);
    EXPECT_EQ(meanPower(silent), 0.0);
    const std::span<const float> after(out.data() + 11 * kSamplesPerSymbol, 3 * kSamplesPerSymbol);
    EXPECT_NEAR(meanPower(after), 0.25, 0.01);
}

}  // namespace
}  // namespace pskmodem
