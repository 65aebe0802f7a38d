#include "pskmodem/signals/simulator.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <optional>
#include <stdexcept>

#include "pskmodem/codec/convolutional.h"
#include "pskmodem/codec/varicode.h"
#include "pskmodem/signals/channel.h"
#include "pskmodem/signals/modulator.h"

namespace pskmodem {

namespace {

constexpr double kRateHz = kSampleRateHz;
constexpr int kGapSymbols = 48;             // idle between repeats of a text, about 1.5 s
constexpr std::size_t kRefillBelow = 64;    // queue the next repeat when fewer symbols remain
constexpr std::size_t kBlockSamples = 256;  // drift and mixing step, 32 ms

std::vector<int> dataBits(std::string_view text, int idleBefore) {
    std::vector<int> bits(static_cast<std::size_t>(idleBefore), 0);
    for (char c : text) {
        for (char b : varicodeBits(static_cast<std::uint8_t>(c))) bits.push_back(b == '1' ? 1 : 0);
        bits.push_back(0);
        bits.push_back(0);
    }
    return bits;
}

// Mean power of a unit-amplitude transmission of `bits`, repeated. Over a symbol whose phase
// turns by d the cosine passage gives a mean squared envelope of 3/4 + cos(d)/4, and the carrier
// halves it.
double meanUnitPower(const std::vector<int>& bits, Mode mode, Keying keying) {
    if (keying == Keying::Hard) return 0.5;  // the envelope never dips
    if (bits.empty()) return 0.25;           // idle only
    ConvolutionalEncoder encoder;
    // Warm the encoder up over one pass so that the register holds the repeat's own history.
    for (int bit : bits) encoder.encode(bit);
    double sum = 0.0;
    for (int bit : bits) {
        const double shift = mode == Mode::Bpsk ? (bit == 0 ? std::numbers::pi : 0.0)
                                                : qpskPhaseShiftRad(encoder.encode(bit), mode);
        sum += 0.5 * (0.75 + 0.25 * std::cos(shift));
    }
    return sum / static_cast<double>(bits.size());
}

}  // namespace

struct BandSimulator::Impl {
    struct Voice {
        Modulator modulator;
        std::string text;
        double centreHz;
        double driftHzPerSecond;
        double offsetHz = 0.0;
        double direction = 1.0;
        std::optional<TransmitterDistortion> distortion;
        std::optional<HarmonicDistortion> harmonic;
    };

    explicit Impl(const SimulatorConfig& config)
        : noise(config.noiseRms, config.seed), block(kBlockSamples) {
        if (!std::isfinite(config.noiseRms) || config.noiseRms <= 0.0) {
            throw std::invalid_argument("BandSimulator: noise rms must be positive");
        }
        // Noise power that falls into 3000 Hz of the band.
        const double noiseIn3000Hz = config.noiseRms * config.noiseRms * 3000.0 / (kRateHz / 2.0);
        voices.reserve(config.signals.size());
        int index = 0;
        for (const SimulatedSignal& signal : config.signals) {
            if (!std::isfinite(signal.snrDb) || !std::isfinite(signal.driftHzPerSecond) ||
                (!std::isnan(signal.imdDb) &&
                 !(signal.imdDb < 0.0 && std::isfinite(signal.imdDb))) ||
                (!std::isnan(signal.harmonicDb) &&
                 !(signal.harmonicDb < 0.0 && std::isfinite(signal.harmonicDb) &&
                   3.0 * (signal.carrierHz + kMaxDriftHz) < kRateHz / 2.0))) {
                throw std::invalid_argument("BandSimulator: invalid signal");
            }
            const double power = noiseIn3000Hz * std::pow(10.0, signal.snrDb / 10.0);
            ModulatorConfig modulatorConfig;
            modulatorConfig.carrierHz = signal.carrierHz;
            modulatorConfig.mode = signal.mode;
            modulatorConfig.speed = signal.speed;
            modulatorConfig.keying = signal.keying;
            modulatorConfig.amplitude =
                std::sqrt(power / meanUnitPower(dataBits(signal.text, kGapSymbols), signal.mode,
                                                signal.keying));
            modulatorConfig.initialPhaseRad = 0.9 * index;
            voices.push_back(Voice{Modulator(modulatorConfig), signal.text, signal.carrierHz,
                                   signal.driftHzPerSecond, 0.0, 1.0, std::nullopt, std::nullopt});
            if (!std::isnan(signal.imdDb)) {
                voices.back().distortion.emplace(signal.imdDb, modulatorConfig.amplitude);
            }
            if (!std::isnan(signal.harmonicDb)) {
                voices.back().harmonic.emplace(signal.harmonicDb, modulatorConfig.amplitude);
            }

            // Signals come up one after another rather than all at once. Queue enough repeats
            // now that later refills fit into the queue without growing it.
            Modulator& modulator = voices.back().modulator;
            modulator.queueSilence(16 + 24 * index);
            const std::size_t repeatSymbols = dataBits(signal.text, kGapSymbols).size();
            while (modulator.pendingSymbols() < 2 * repeatSymbols + 2 * kRefillBelow) {
                modulator.queueIdle(kGapSymbols);
                modulator.queueText(signal.text);
            }
            ++index;
        }
    }

    void generate(std::span<float> out) {
        std::size_t at = 0;
        while (at < out.size()) {
            // Work on a fixed grid of blocks, so the drift steps fall on the same samples
            // whatever sizes the caller asks for.
            const std::size_t intoBlock = static_cast<std::size_t>(samplesDone % kBlockSamples);
            const std::size_t n = std::min(kBlockSamples - intoBlock, out.size() - at);
            const std::span<float> target = out.subspan(at, n);
            std::fill(target.begin(), target.end(), 0.0f);
            const std::span<float> scratch(block.data(), n);
            for (Voice& voice : voices) {
                if (intoBlock == 0) startBlock(voice);
                voice.modulator.process(scratch);
                if (voice.harmonic) voice.harmonic->process(scratch);
                if (voice.distortion) voice.distortion->process(scratch);
                for (std::size_t i = 0; i < n; ++i) target[i] += scratch[i];
            }
            noise.add(target);
            at += n;
            samplesDone += n;
        }
    }

    static void startBlock(Voice& voice) {
        if (voice.modulator.pendingSymbols() < kRefillBelow) {
            voice.modulator.queueIdle(kGapSymbols);
            voice.modulator.queueText(voice.text);
        }
        if (voice.driftHzPerSecond == 0.0) return;
        voice.offsetHz += voice.direction * std::abs(voice.driftHzPerSecond) *
                          static_cast<double>(kBlockSamples) / kRateHz;
        if (std::abs(voice.offsetHz) >= kMaxDriftHz) {
            voice.offsetHz = std::clamp(voice.offsetHz, -kMaxDriftHz, kMaxDriftHz);
            voice.direction = -voice.direction;
        }
        voice.modulator.setCarrierHz(voice.centreHz +
                                     std::copysign(1.0, voice.driftHzPerSecond) * voice.offsetHz);
    }

    std::vector<Voice> voices;
    NoiseSource noise;
    std::vector<float> block;
    std::uint64_t samplesDone = 0;
};

BandSimulator::BandSimulator(const SimulatorConfig& config)
    : impl_(std::make_unique<Impl>(config)) {}

BandSimulator::~BandSimulator() = default;

void BandSimulator::generate(std::span<float> out) {
    impl_->generate(out);
}

SimulatorConfig demoBand() {
    SimulatorConfig band;
    band.noiseRms = 0.02;
    band.seed = 31;
    band.signals = {
        {620.0, Mode::Bpsk, 12.0, 0.0,
         "CQ CQ CQ DE QR9ZZ QR9ZZ QR9ZZ\r\nCQ CQ CQ DE QR9ZZ QR9ZZ QR9ZZ PSE K\r\n"},
        {1500.0, Mode::Bpsk, 20.0, 0.0,
         "QR9ZZ DE QX2ABC QX2ABC\r\nGood evening OM, thanks for the call. Your RST is 599 599.\r\n"
         "Name here is Pat, QTH is Lake Ardmoor. Rig is a 50 W transceiver into a dipole.\r\n"
         "How copy? QR9ZZ DE QX2ABC KN\r\n"},
        {1075.0, Mode::QpskUsb, 9.0, 0.0,
         "CQ CQ DE QT5MK QT5MK QPSK31 test\r\nRST 579, name Robin, QTH Northfell.\r\n"
         "Rig homebrew 10 W, antenna end-fed wire. WX cloudy and cold. 73 QT5MK K\r\n"},
        {1890.0, Mode::Bpsk, 3.0, 0.05, "CQ DX CQ DX DE QA7XYZ QA7XYZ QA7XYZ DX K\r\n"},
        {2330.0, Mode::Bpsk, 6.0, 0.0,
         "QB4NN DE QH1JK\r\nTNX fer the nice QSO Sam, RST 559 here. Rig is an old 100 W radio,\r\n"
         "antenna vertical. QSL via bureau. 73 and good DX. QB4NN DE QH1JK SK\r\n"},
        {860.0, Mode::Bpsk, 10.0, 0.0,
         "CQ TEST CQ TEST DE QS6PQ QS6PQ BPSK63 contest\r\nQS6PQ DE QF2LM 599 014 TU\r\n"
         "TU 599 021 QS6PQ TEST\r\n"},
        {1290.0, Mode::QpskUsb, 14.0, 0.0,
         "CQ CQ DE QC8RS QC8RS QPSK63 net control\r\nAll stations, check in with call and "
         "traffic. Net meets daily at 1800 UTC. QC8RS K\r\n"},
    };
    // One station works a contest at twice PSK31's speed, another runs a net at that speed.
    band.signals[5].speed = Speed::Psk63;
    band.signals[6].speed = Speed::Psk63;
    return band;
}

}  // namespace pskmodem
