#include "pskmodem/dsp/receiver.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <numbers>
#include <optional>
#include <vector>

#include "pskmodem/codec/coherent_viterbi.h"
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

namespace pskmodem {
namespace {

using Complex = std::complex<float>;

constexpr double kTwoPi = 2.0 * std::numbers::pi;

// Signal path: 8000 Hz audio -> mixer -> lowpass and decimation -> complex baseband of 32 samples
// per symbol, where the matched filter, the timing estimator and the AFC work: decimation by 8 to
// 1000 Hz for PSK31, by 4, 2 and 1 for the faster speeds. Everything after the decimator then
// sees each speed as it sees PSK31, and every time constant counted in symbols or baseband
// samples scales with the symbol rate by itself; what is set in hertz is scaled by the speed.
constexpr int kBasebandSamplesPerSymbol = 32;
// Matched-filter outputs kept for the symbol strobes, which read at the newest ones: the filter
// asks for more than two symbols (64 outputs); eight symbols leave ample room.
constexpr int kMatchedFilterHistory = 8 * kBasebandSamplesPerSymbol;
// Decimation filter, per step of decimation 8 taps with the -6 dB point at half the baseband
// rate: for PSK31 (64 taps, 500 Hz) flat to about 200 Hz, at least 70 dB down from 780 Hz, so
// nothing aliases onto the +-200 Hz the receiver uses; the same scaled for the faster speeds.
// PSK250 is not decimated and needs no such filter.
constexpr int kDecimatorTapsPerStep = 8;
constexpr double kDecimatorKaiserBeta = 7.0;

// Samples are clamped to this magnitude: full scale is 1, anything far beyond is garbage.
constexpr float kInputLimit = 4.0F;
// Matched-filter output power of an input at about -120 dBFS: anything weaker is silence.
constexpr float kSilencePower = 1e-11F;
// One-pole DC blocker pole (corner near 6 Hz).
constexpr float kDcPole = 0.995F;

// Carrier loop noise bandwidth per symbol and the lock indicator thresholds for coherent
// detection (entered above kLockOn, left below kLockOff).
constexpr double kCarrierBandwidthNorm = 0.03;
constexpr float kLockOn = 0.6F;
constexpr float kLockOff = 0.35F;
// Frequency discriminator weights in the carrier loop's frequency and drift integrators while
// it pulls in, and the phase detector's weight in the drift integrator (third-order loop).
constexpr double kFrequencyAssist = 0.05;
constexpr double kDriftAssist = 0.0006;
constexpr double kCarrierDriftGain = 5e-5;
// Largest drift the carrier loop follows: 3 Hz/s at PSK31 (per symbol squared the same at every
// speed: 12 Hz/s at PSK63, 48 at PSK125, 192 at PSK250).
constexpr double kCarrierDriftLimit = kTwoPi * 3.0 / (kSymbolRateBaud * kSymbolRateBaud);
// Largest residual frequency the carrier loop follows by itself: well inside the range its
// frequency discriminator tells apart (+-1/(2 M T): 7.8 Hz for BPSK31, 3.9 Hz for QPSK31), so
// that it cannot settle where the discriminator folds over. Per symbol, as at every speed.
constexpr double kCarrierFrequencyLimitBpsk = kTwoPi * 4.0 / kSymbolRateBaud;
constexpr double kCarrierFrequencyLimitQpsk = kTwoPi * 2.5 / kSymbolRateBaud;
// Without a signal the carrier loop's frequency and drift relax toward zero by this fraction per
// symbol (a time constant of about 1.6 s).
constexpr double kCarrierRelax = 0.02;

// Decision delay of the BPSK sequence detector. The two-state trellis merges within a few
// symbols; 16 leaves a wide margin.
constexpr int kDetectorDelay = 16;
// QPSK coherent decoding: averaging weight per symbol of the lock indicator, cos(4 phase error)
// of the equalised samples, and its thresholds (entered above the first, left below the second).
constexpr float kQpskLockWeight = 1.0F / 64.0F;
constexpr float kQpskLockOn = 0.05F;
constexpr float kQpskLockOff = 0.0F;
// Averaging weight per symbol of the moments the coherent samples' scale comes from.
constexpr float kCoherentMomentWeight = 1.0F / 128.0F;
// Symbols back at which the joint decoder's quadrant decisions steer the carrier loop.
constexpr std::uint32_t kQuadrantDepth = 2;
// Ones the two QPSK decoders must have agreed on, with no disagreement between, before the
// coherent one takes over.
constexpr int kAgreementBeforeCoherent = 12;
// Decision delay of the QPSK Viterbi decoder.
constexpr int kViterbiDelay = 32;
// Weight per symbol with which the residual turn the fading decoder's decisions show corrects
// the frequency its samples are turned back by (a time constant of some 10 s: slow against the
// averaging and the decision delay, fast against a mixer that wanders off).
constexpr double kDecidedFrequencyGain = 0.003;
// Symbols the per-symbol delay lines (in-phase samples, differential decisions, squelch states)
// hold: more than the longest delay at which a symbol is looked up again, the Viterbi decoder's
// plus the equaliser's one, and a power of two so that the ring index wraps with the symbol
// count.
constexpr std::uint32_t kSymbolHistory = 64;
static_assert(kSymbolHistory > kViterbiDelay + 1 && kSymbolHistory > kDetectorDelay + 1);

// Fading detectors: their common predictor order, and the Doppler spread (in PSK31's hertz: per
// symbol the same at every speed) and noise each predictor is designed for. A slow one averages
// more noise away, a fast one follows a faster path through its nulls; the receiver takes the
// decisions of whichever predicts the channel best at the time.
constexpr std::size_t kPredictorOrder = 8;
struct PredictorDesign {
    double spreadHz;
    double noise;
};
constexpr std::array<PredictorDesign, 3> kPredictorDesigns{
    {{0.7, 0.02}, {1.0, 0.01}, {1.4, 0.005}}};

std::array<PredictiveDetector, kPredictorDesigns.size()> makeFadingDetectors(int delaySymbols) {
    const auto make = [delaySymbols](const PredictorDesign& d) {
        const std::array<double, kMaxPredictorOrder> taps = fadingPredictor(
            static_cast<int>(kPredictorOrder), d.spreadHz / kSymbolRateBaud, d.noise);
        return PredictiveDetector(delaySymbols,
                                  std::span<const double>(taps).first(kPredictorOrder));
    };
    return {make(kPredictorDesigns[0]), make(kPredictorDesigns[1]), make(kPredictorDesigns[2])};
}

PredictiveQpskDecoder makePredictiveQpskDecoder() {
    // The slowest design: it averages the most noise away, and the code bridges what it
    // misses of a fast fade.
    const PredictorDesign& d = kPredictorDesigns[0];
    const std::array<double, kMaxPredictorOrder> taps =
        fadingPredictor(static_cast<int>(kPredictorOrder), d.spreadHz / kSymbolRateBaud, d.noise);
    return PredictiveQpskDecoder(kViterbiDelay,
                                 std::span<const double>(taps).first(kPredictorOrder));
}

// Symbols after a bit's own symbol at which the squelch state decides whether the bit passes:
// about the time the squelch takes to open on a clean signal at each speed.
constexpr int kFastSquelchLookahead = 4;
constexpr int kSlowSquelchLookahead = 16;

// Signal presence: averaging weight per symbol and threshold.
constexpr float kPresenceWeight = 1.0F / 32.0F;
constexpr float kPresenceThreshold = 0.3F;
// Acquisition steps up to this size (PSK31's, scaled by the speed) keep the carrier loop's state
// (moved by the step).
constexpr double kSmallStepHz = 3.0;
// A held signal is left for a stronger line only when its own line is this far below it.
constexpr double kHoldMarginDb = 12.0;
// How near (in symbol rates of the power-law spectrum) a held carrier must sit to a keying line of
// a carrier found elsewhere, and how far below that carrier's line it must stand, to count as
// that keying line.
constexpr double kKeyingLineTolerance = 0.25;
constexpr double kKeyingLineMarginDb = 6.0;
// A carrier the loop follows without lock counts as held only while its line stands this far
// over the noise: below it the spectrum shows no carrier there.
constexpr double kHeldLineMinDb = 6.0;
// Symbols after a step of the mixer onto another carrier during which the matched filter still
// holds samples from before it (its two-symbol pulse).
constexpr int kRetuneSettleSymbols = 2;

// Averaging weights per symbol.
constexpr float kPowerWeight = 1.0F / 32.0F;
constexpr float kAmplitudeWeight = 1.0F / 32.0F;

// AFC: fraction of the carrier loop's frequency handed to the mixer per symbol, the smallest
// acquisition step (PSK31's, scaled by the speed), and the acquisition FFT.
constexpr double kAfcTransfer = 0.05;
constexpr double kAfcMinStepHz = 1.0;
// 16 symbols (0.51 s of PSK31); a frame every 4 symbols at first, every 8 after that.
constexpr int kAcquisitionFftSize = 512;

int decimationOf(Speed speed) {
    return kSamplesPerSymbol / kBasebandSamplesPerSymbol / speedFactor(speed);
}

std::vector<float> decimatorTaps(Speed speed) {
    const int decimation = decimationOf(speed);
    if (decimation == 1) return {1.0F};
    const double basebandRateHz = static_cast<double>(kSampleRateHz) / decimation;
    return designLowpassFir(kDecimatorTapsPerStep * decimation, basebandRateHz / 2.0, kSampleRateHz,
                            kDecimatorKaiserBeta);
}

// Tuning indicator: centre and spoke length in 1/52 units of the 44-unit display, and the
// number of symbols it shows (each an x, y pair of the vector values).
constexpr std::int32_t kVectorCentre = 22 * 52;
constexpr float kVectorRadius = 1000.0F;
constexpr std::size_t kVectorPoints = kVectorValues / 2;

int phasesOf(Mode mode) {
    return mode == Mode::Bpsk ? 2 : 4;
}

}  // namespace

struct Receiver::Impl {
    explicit Impl(Speed speed);

    void resetSignalPath();
    void retune(double ncoHz);
    void processAudio(std::span<const float> in, CharSink& out);
    void basebandSample(Complex z, CharSink& out);
    // One symbol, in the order its steps depend on each other: the sample at the strobe, the
    // carrier loop, the equaliser, presence and squelch, the tuning indicator, the decision of
    // the mode's detector, the squelch's verdict on the decided bit, the fine AFC.
    void symbol(double strobe, CharSink& out);
    // The end of the input: decides the symbols still in the decoders' delay lines.
    void drain(CharSink& out);
    // What the decoder whose bits are handed on has decided from the symbols it has been given
    // (nothing for plain differential decisions, which need no later symbols).
    std::optional<DecidedBits> decidedByDecoderInCharge() const;
    // Records whether the symbol now pushed through the detectors carries signal; returns whether
    // the bit they decide now was decided from two symbols that do (its phase change).
    bool bitCarriesSignal(bool symbolCarries);
    struct SymbolSample {
        Complex y;        // the matched filter's output at the strobe (zero when silent)
        float power;      // |y|^2
        float amplitude;  // the root of the mean power over the last symbols
    };
    SymbolSample sampleSymbol(double strobe);
    // Runs the carrier loop on `y`; returns y derotated by the loop's phase estimate.
    Complex trackCarrier(Complex y, float trackAmplitude);
    // QPSK: phase error of a recent coherent sample against the joint decoder's decision.
    double decidedPhaseError() const;
    void updatePresence(Complex diff);
    void drawIndicator(Complex y, Complex diff, float amplitude);
    // The decided bit, or -1 while the detectors' delay lines fill.
    int detectBpsk(Complex v, Complex e, float trackAmplitude);
    int detectFading(Complex e);
    void updateSignalAmplitude(Complex v, int coherentBit);
    // `diff`: the phase change between equalised samples; `coherentSample`: the equalised
    // sample with the carrier loop's phase taken off; `equalised`: with nothing taken off.
    int detectQpsk(Complex diff, Complex coherentSample, Complex equalised);
    // The coherent sample scaled as a log-likelihood; also keeps the sample for the carrier loop
    // and updates the QPSK lock indicator.
    Complex weighCoherentSample(Complex u);
    // Records the squelch state of this symbol; returns the state that decides whether the bit
    // decided now passes.
    bool squelchOpenForBit();
    void followCarrierWithMixer();
    void acquisitionFrame();
    // Whether a carrier at `offsetHz` would sit on a keying line of the one at `carrierHz` in the
    // acquisition's power-law spectrum (one or two symbol rates from its line there).
    bool onKeyingLine(double offsetHz, double carrierHz) const;
    void emitBit(int bit, bool squelchWasOpen, bool decided, CharSink& out);
    // Three-tap symbol-rate equaliser over `last` (the two samples before y): returns the
    // equalised sample of the middle one.
    Complex equalise(Complex y, std::array<Complex, 2>& last) const;
    // Phase change from `before` to `now`, less the turn of the residual carrier offset.
    Complex phaseChange(Complex now, Complex before) const;
    Complex indicatorPhaseChange(Complex y);

    // Settings.
    const Speed speed;
    const int decimation;
    const double symbolRateBaud;
    // The symbol rate over PSK31's: what is set in hertz for PSK31 is scaled by it.
    const double hzScale;
    double centreHz = 1000.0;
    double searchRangeHz = 0.0;
    Mode mode = Mode::Bpsk;

    // Blocks.
    Nco nco{static_cast<double>(kSampleRateHz)};
    DecimatingFir decimator;
    MatchedFilter matchedFilter{kBasebandSamplesPerSymbol, kMatchedFilterHistory};
    SymbolTiming timing{kBasebandSamplesPerSymbol};
    CarrierTracker carrier{2, kCarrierBandwidthNorm};
    SequenceDetector detector{kDetectorDelay, pskNeighbourInterference(kBasebandSamplesPerSymbol),
                              SequenceDetector::Words::Varicode};
    // Its equalised input comes one symbol late, so one symbol less of delay keeps it in step.
    std::array<PredictiveDetector, kPredictorDesigns.size()> predictive =
        makeFadingDetectors(kDetectorDelay - 1);
    ViterbiDecoder viterbi{kViterbiDelay};
    CoherentViterbiDecoder coherentViterbi{kViterbiDelay};
    PredictiveQpskDecoder predictiveViterbi = makePredictiveQpskDecoder();
    VaricodeDecoder varicode;
    Squelch squelch;
    FadingDetector fadingDetector;
    FrequencyAcquisition acquisition{static_cast<double>(kSampleRateHz) / decimation,
                                     kAcquisitionFftSize, symbolRateBaud};
    double interference = pskNeighbourInterference(kBasebandSamplesPerSymbol);

    // Work buffers for the input samples of one baseband sample.
    std::vector<float> block = std::vector<float>(static_cast<std::size_t>(decimation));
    std::vector<float> mixedRe = std::vector<float>(static_cast<std::size_t>(decimation));
    std::vector<float> mixedIm = std::vector<float>(static_cast<std::size_t>(decimation));

    // State.
    float dcIn = 0.0F;
    float dcOut = 0.0F;
    Complex previous{};
    float meanPower = 0.0F;        // |y|^2 at the strobes
    float signalAmplitude = 0.0F;  // A of an isolated symbol, from the detector's decisions
    bool coherent = false;
    // Average of cos(M dphi) over about 32 symbols: a signal is present when it stands clearly
    // above the noise-only scatter (about 0.09).
    float presence = 0.0F;
    // Delay lines aligned with the sequence detector: in-phase samples and differential
    // decisions (between equalised samples) of the last symbols.
    std::array<float, kSymbolHistory> inPhase{};
    std::array<std::int8_t, kSymbolHistory> differentialBits{};
    // Squelch state at each of the last symbols: a bit passes by the state soon after its own
    // symbol came in, not by the state when it leaves the detector's delay line.
    std::array<bool, kSymbolHistory> squelchOpenAt{};
    // Whether each of the last symbols carried signal: neither silence nor one of the empty
    // symbols that push the last decisions out at the end of the input, nor one received before
    // the acquisition moved an unlocked receiver onto a carrier it did not follow, or while the
    // matched filter still held samples from before.
    std::array<bool, kSymbolHistory> carriedAt{};
    int symbolsUntilSettled = 0;
    std::uint32_t symbolCount = 0;
    // Word synchronisation of the bit stream (see emitBit).
    bool wordSync = false;
    int previousBit = 1;
    // Every bit of the word being received so far, its separator included, was decided from
    // symbols that carry signal (see emitBit).
    bool wordDecided = true;
    // QPSK equaliser: the last two symbol samples and the previous equalised one.
    std::array<Complex, 2> recent{};
    // The same for the samples with the carrier loop's phase taken off, and the QPSK lock
    // indicator on their equalised values: the average of cos(4 phase error).
    std::array<Complex, 2> recentDerotated{};
    float qpskLock = 0.0F;
    bool qpskHeld = false;  // qpskLock above its threshold (with hysteresis)
    // Mean power and mean squared power of the coherent samples (see weighCoherentSample).
    float coherentPower = 0.0F;
    float coherentPower2 = 0.0F;
    float coherentAmplitude = 0.0F;
    // The last coherent samples as the joint decoder got them (before scaling), by count.
    std::array<Complex, 8> coherentRecent{};
    std::uint32_t coherentSeen = 0;
    // Which QPSK decoder has the say, and on how many ones the two have agreed since they last
    // differed.
    bool useCoherentQpsk = false;
    int agreeingBits = 0;
    // The coherent decoder has had the say since the last reset or retuning: there is a QPSK
    // signal here, not just noise or a carrier still being pulled in.
    bool signalConfirmed = false;
    Complex equalisedPrevious{};
    // The tuning indicator's longer equaliser: the last four symbol samples and the previous
    // equalised one.
    std::array<Complex, 4> indicatorRecent{};
    Complex indicatorPrevious{};
    double carrierPhase = 0.0;  // the carrier loop's frequency, summed per symbol
    // QPSK: the residual frequency in what the fading decoder is fed, from its decisions, and
    // what of it has been taken off so far (radians per symbol).
    DecidedFrequency decidedFrequency{kViterbiDelay};
    double decidedCorrection = 0.0;
    std::array<std::int32_t, kVectorValues> vectors{};
    std::size_t vectorPosition = 0;
};

Receiver::Impl::Impl(Speed symbolSpeed)
    : speed(symbolSpeed),
      decimation(decimationOf(symbolSpeed)),
      symbolRateBaud(pskmodem::symbolRateBaud(symbolSpeed)),
      hzScale(pskmodem::symbolRateBaud(symbolSpeed) / kSymbolRateBaud),
      decimator(decimatorTaps(symbolSpeed), decimationOf(symbolSpeed)) {
    carrier.setFrequencyAssist(kFrequencyAssist, kDriftAssist);
    carrier.setDriftLimit(kCarrierDriftLimit);
    carrier.setDriftGain(kCarrierDriftGain);
    nco.setFrequency(centreHz);
    resetSignalPath();
}

void Receiver::Impl::resetSignalPath() {
    nco.reset();
    decimator.reset();
    matchedFilter.reset();
    timing.reset();
    carrier.reset();
    carrier.setPhases(phasesOf(mode));
    carrier.setFrequencyLimit(mode == Mode::Bpsk ? kCarrierFrequencyLimitBpsk
                                                 : kCarrierFrequencyLimitQpsk);
    detector.reset();
    for (PredictiveDetector& d : predictive) d.reset();
    viterbi.reset();
    coherentViterbi.reset();
    predictiveViterbi.reset();
    decidedFrequency.reset();
    decidedCorrection = 0.0;
    varicode.reset();
    squelch.reset();
    fadingDetector.reset();
    squelch.setPhases(phasesOf(mode));
    acquisition.setPower(phasesOf(mode));
    acquisition.setPassband(searchRangeHz);
    dcIn = 0.0F;
    dcOut = 0.0F;
    previous = {};
    meanPower = 0.0F;
    signalAmplitude = 0.0F;
    coherent = false;
    presence = 0.0F;
    inPhase.fill(0.0F);
    differentialBits.fill(0);
    squelchOpenAt.fill(false);
    carriedAt.fill(false);
    symbolsUntilSettled = 0;
    symbolCount = 0;
    wordSync = false;
    previousBit = 1;
    wordDecided = true;
    recent = {};
    recentDerotated = {};
    qpskLock = 0.0F;
    qpskHeld = false;
    coherentPower = 0.0F;
    coherentPower2 = 0.0F;
    coherentAmplitude = 0.0F;
    coherentRecent = {};
    coherentSeen = 0;
    useCoherentQpsk = false;
    agreeingBits = 0;
    signalConfirmed = false;
    equalisedPrevious = {};
    indicatorRecent = {};
    indicatorPrevious = {};
    carrierPhase = 0.0;
    for (std::size_t i = 0; i < vectors.size(); ++i) vectors[i] = kVectorCentre;
    vectorPosition = 0;
}

void Receiver::Impl::retune(double ncoHz) {
    nco.setFrequency(ncoHz);
    carrier.reset();
    coherent = false;
    acquisition.reset();
    // Another signal, or the same one found again: the coherent QPSK decoder must show anew that
    // it holds it.
    useCoherentQpsk = false;
    agreeingBits = 0;
    signalConfirmed = false;
    decidedCorrection = 0.0;
}

void Receiver::Impl::processAudio(std::span<const float> in, CharSink& out) {
    // Work in pieces that end where the decimator delivers a baseband sample, so that whatever
    // that sample changes (the mixer frequency, above all) takes effect at the same input sample
    // however the caller cuts the audio into blocks.
    while (!in.empty()) {
        const std::size_t n =
            std::min(in.size(), static_cast<std::size_t>(decimator.samplesUntilOutput()));
        for (std::size_t i = 0; i < n; ++i) {
            float x = in[i];
            // Garbage must not poison the filters: non-finite samples (NaN, and infinities,
            // which are no more a sound than NaN is) become silence and the rest are limited
            // to a sane range.
            if (!std::isfinite(x)) x = 0.0F;
            x = std::clamp(x, -kInputLimit, kInputLimit);
            const float y = x - dcIn + kDcPole * dcOut;
            dcIn = x;
            dcOut = std::abs(y) < 1e-20F ? 0.0F : y;
            block[i] = dcOut;
        }
        nco.mixDown(std::span<const float>(block).first(n), mixedRe, mixedIm);
        Complex z;
        const std::size_t produced =
            decimator.process(std::span<const float>(mixedRe).first(n),
                              std::span<const float>(mixedIm).first(n), {&z, 1});
        if (produced == 1) basebandSample(z, out);
        in = in.subspan(n);
    }
}

void Receiver::Impl::basebandSample(Complex z, CharSink& out) {
    const Complex u = matchedFilter.push(z);
    if (searchRangeHz > 0.0 && acquisition.push(z)) acquisitionFrame();
    if (timing.push(matchedFilter.outputs() - 1, u.real() * u.real() + u.imag() * u.imag())) {
        symbol(timing.strobe(), out);
    }
}

void Receiver::Impl::symbol(double strobe, CharSink& out) {
    const SymbolSample sample = sampleSymbol(strobe);
    const Complex y = sample.y;

    // Differential product: the phase change from the previous symbol, free of the carrier
    // phase, less the turn a residual carrier offset adds per symbol (as far as the carrier loop
    // knows it, which it does from its frequency discriminator even before phase lock).
    Complex diff = phaseChange(y, previous);
    previous = y;

    const float trackAmplitude =
        mode == Mode::Bpsk && signalAmplitude > 0.0F ? signalAmplitude : sample.amplitude;
    const Complex v = trackCarrier(y, trackAmplitude);

    // QPSK: each matched-filter sample also carries a sixth of each neighbour, which for
    // neighbours a quarter turn away tilts it by up to some 20 degrees. A three-tap equaliser at
    // the symbol rate, y_k - rho (y_{k-1} + y_{k+1}), leaves only rho^2 = 1/36 from the symbols
    // two away and, the matched filter's noise being correlated the same way, no more noise
    // than before. It needs neither the carrier nor decisions, so it works as well on a fading
    // signal; the phase change between equalised samples (one symbol late) replaces the raw
    // one. (For BPSK the neighbours only change the length, and the sequence detector deals with
    // them; the detector for fading signals works on the equalised samples.)
    const Complex e = equalise(y, recent);
    Complex coherentSample{};
    if (mode != Mode::Bpsk) {
        diff = phaseChange(e, equalisedPrevious);
        equalisedPrevious = e;
        coherentSample = equalise(v, recentDerotated);
    }

    squelch.push(diff);
    updatePresence(diff);
    drawIndicator(y, diff, sample.amplitude);

    fadingDetector.push(std::sqrt(sample.power));
    const int bit =
        mode == Mode::Bpsk ? detectBpsk(v, e, trackAmplitude) : detectQpsk(diff, coherentSample, e);
    const bool openForBit = squelchOpenForBit();
    const bool decided = bitCarriesSignal(y != Complex{});
    ++symbolCount;
    if (bit >= 0) emitBit(bit, openForBit, decided, out);

    followCarrierWithMixer();
}

void Receiver::Impl::drain(CharSink& out) {
    // The last symbols of the input are still in the decoders' decision delay. Symbols that carry
    // nothing (zero samples) push them out; nothing else runs for them, so the carrier loop,
    // timing, AFC, fading detector and squelch keep their state, and the squelch judges the last
    // bits by its state at the last real symbol. The bits the empty symbols take part in deciding
    // make no character (see emitBit).
    //
    // Nor do the newest bits of the last real symbols where the decoder's survivors still branch:
    // the symbols that would settle them never came, and the best path among the survivors is
    // only a guess there (on an idling signal, a one among the zeros is all a space takes). Only
    // the bits every survivor that could still overtake the best one agrees on are handed on;
    // the first that is not ends the output, dropping the character it would complete.
    if (symbolCount == 0) return;
    const int delay = mode == Mode::Bpsk ? kDetectorDelay : kViterbiDelay + 1;
    const float trackAmplitude =
        signalAmplitude > 0.0F ? signalAmplitude : std::sqrt(std::max(meanPower, 0.0F));
    // The coherent BPSK detector has had its last real sample; the decoders fed from the
    // equaliser get theirs with the first empty symbol, which delivers the last real one.
    std::optional<DecidedBits> decidedBits;
    const bool lastSampleIn = mode == Mode::Bpsk && !fadingDetector.fading();
    if (lastSampleIn) decidedBits = decidedByDecoderInCharge();
    for (int i = 0; i < delay; ++i) {
        // The equalisers deliver the sample before the newest, the last real one first.
        const Complex e = equalise({}, recent);
        int bit = -1;
        if (mode == Mode::Bpsk) {
            bit = detectBpsk({}, e, trackAmplitude);
        } else {
            const Complex diff = phaseChange(e, equalisedPrevious);
            equalisedPrevious = e;
            bit = detectQpsk(diff, equalise({}, recentDerotated), e);
        }
        if (i == 0 && !lastSampleIn) decidedBits = decidedByDecoderInCharge();
        const bool openForBit = squelchOpenForBit();
        const bool decided = bitCarriesSignal(false);
        ++symbolCount;
        if (bit < 0) continue;
        if (decidedBits) {
            // Depth of this bit on the path the decision was taken from (0 = its newest bit).
            const int depth = (mode == Mode::Bpsk ? kDetectorDelay - 1 : kViterbiDelay) - i;
            if (depth < decidedBits->fromDepth) return;
            bit = static_cast<int>((decidedBits->bits >> static_cast<unsigned>(depth)) & 1U);
        }
        emitBit(bit, openForBit, decided, out);
    }
}

std::optional<DecidedBits> Receiver::Impl::decidedByDecoderInCharge() const {
    // The same choice as detectBpsk and detectQpsk make.
    if (mode == Mode::Bpsk) {
        if (fadingDetector.fading()) {
            const PredictiveDetector* chosen = &predictive[0];
            for (const PredictiveDetector& d : predictive) {
                if (d.predictionError() < chosen->predictionError()) chosen = &d;
            }
            return chosen->decidedBits();
        }
        if (coherent) return detector.decidedBits();
        return std::nullopt;
    }
    if (useCoherentQpsk) return coherentViterbi.decidedBits();
    if (fadingDetector.fading() || signalConfirmed) return predictiveViterbi.decidedBits();
    // The differential products come scaled by the mean power; for products of two samples
    // of noise variance s^2 each the log-likelihood is their correlation over s^2 (at any useful
    // S/N), s^2 as the coherent samples' moments give it (see weighCoherentSample).
    const float a4 = 2.0F * coherentPower * coherentPower - coherentPower2;
    const float noise = coherentPower - (a4 > 0.0F ? std::sqrt(a4) : 0.0F);
    return viterbi.decidedBits(noise > 0.0F ? meanPower / noise : 0.0F);
}

bool Receiver::Impl::bitCarriesSignal(bool symbolCarries) {
    carriedAt[symbolCount % kSymbolHistory] = symbolCarries && symbolsUntilSettled == 0;
    if (symbolsUntilSettled > 0) --symbolsUntilSettled;
    // The bit decided now is the phase change into the symbol a decision delay back (QPSK bits
    // come one symbol later still, from the equaliser), from the symbol before it.
    const std::uint32_t delay = mode == Mode::Bpsk ? kDetectorDelay : kViterbiDelay + 1;
    const std::uint32_t own = symbolCount + kSymbolHistory - delay;
    return carriedAt[own % kSymbolHistory] && carriedAt[(own - 1) % kSymbolHistory];
}

Receiver::Impl::SymbolSample Receiver::Impl::sampleSymbol(double strobe) {
    Complex y = matchedFilter.outputAt(strobe);
    // Below about -120 dBFS there is no sound, only the dying tails of filters; everything
    // downstream is scale-free and would happily demodulate them, so they count as silence.
    if (y.real() * y.real() + y.imag() * y.imag() < kSilencePower) y = {};
    const float power = y.real() * y.real() + y.imag() * y.imag();
    meanPower += kPowerWeight * (power - meanPower);
    if (!(meanPower > 1e-30F)) meanPower = 0.0F;
    return {y, power, std::sqrt(meanPower)};
}

Complex Receiver::Impl::trackCarrier(Complex y, float trackAmplitude) {
    // QPSK while the coherent decoder has the say: the loop steers by that decoder's decisions a
    // few symbols back, which are right far more often than the nearest constellation point of
    // one sample at low S/N. Otherwise (pulling in, fading, or a signal the loop has let go) it
    // works on its own decisions, as for BPSK.
    const bool decoderDirected = mode != Mode::Bpsk && useCoherentQpsk;
    const Complex v = carrier.track(
        y, trackAmplitude, decoderDirected ? std::optional(decidedPhaseError()) : std::nullopt);
    if (decoderDirected) {
        coherent = true;
    } else {
        if (!coherent && carrier.lock() > kLockOn) coherent = true;
        if (coherent && carrier.lock() < kLockOff) coherent = false;
    }
    // The frequency discriminator pulls the loop in; once the phase detector holds the signal
    // it only adds noise and is switched off.
    if (coherent) {
        carrier.setFrequencyAssist(0.0, 0.0);
    } else {
        carrier.setFrequencyAssist(kFrequencyAssist, kDriftAssist);
        if (presence <= kPresenceThreshold) carrier.relax(kCarrierRelax);
    }
    return v;
}

double Receiver::Impl::decidedPhaseError() const {
    // The coherent sample kQuadrantDepth symbols back, turned back by the quadrant the decoder
    // now puts it in: its imaginary part over the amplitude is the phase error.
    constexpr std::array<Complex, 4> kTurnBack{Complex(1, 0), Complex(0, -1), Complex(-1, 0),
                                               Complex(0, 1)};
    if (coherentSeen <= kQuadrantDepth) return 0.0;
    const Complex u = coherentRecent[(coherentSeen - 1 - kQuadrantDepth) % coherentRecent.size()];
    const Complex e =
        u * kTurnBack[static_cast<std::size_t>(coherentViterbi.quadrantAt(kQuadrantDepth))];
    const float amplitude = coherentAmplitude > 0.0F ? coherentAmplitude : std::sqrt(coherentPower);
    return amplitude > 0.0F ? static_cast<double>(e.imag() / amplitude) : 0.0;
}

void Receiver::Impl::updatePresence(Complex diff) {
    const bool wasPresent = presence > kPresenceThreshold;
    presence += kPresenceWeight * (phaseClustering(diff, phasesOf(mode)) - presence);
    // A signal appearing out of noise gets the timing loop's fast acquisition.
    if (!wasPresent && presence > kPresenceThreshold) timing.restartAcquisition();
}

void Receiver::Impl::drawIndicator(Complex y, Complex diff, float amplitude) {
    // Tuning indicator: the phase change drawn as a spoke, 0 degrees up, 180 down, its length
    // following the geometric mean amplitude of the two symbols. For QPSK even the 1/36 that the
    // three-tap equaliser leaves of the symbols two away would lean the spokes by up to some
    // 7 degrees off the axes; a five-tap equaliser, y_k - rho (y_{k-1} + y_{k+1}) + rho^2
    // (y_{k-2} + y_{k+2}), leaves rho^3 = 1/216 and stands them on the axes within about two.
    // It costs the indicator one more symbol of delay, which nobody sees.
    const Complex shown = mode == Mode::Bpsk ? diff : indicatorPhaseChange(y);
    const float magnitude = std::sqrt(std::hypot(shown.real(), shown.imag()));
    const float length =
        amplitude > 0.0F ? kVectorRadius * std::min(1.0F, magnitude / (1.2F * amplitude)) : 0.0F;
    const float angle = std::atan2(shown.imag(), shown.real());
    const float sign = mode == Mode::QpskLsb ? -1.0F : 1.0F;
    vectors[2 * vectorPosition] =
        kVectorCentre + static_cast<std::int32_t>(std::lround(sign * length * std::sin(angle)));
    vectors[2 * vectorPosition + 1] =
        kVectorCentre - static_cast<std::int32_t>(std::lround(length * std::cos(angle)));
    vectorPosition = (vectorPosition + 1) % kVectorPoints;
}

int Receiver::Impl::detectBpsk(Complex v, Complex e, float trackAmplitude) {
    const std::size_t slot = symbolCount % kSymbolHistory;
    inPhase[slot] = v.real();
    // The equalised change of symbol k is that between k - 2 and k - 1.
    differentialBits[slot] = phaseChange(e, equalisedPrevious).real() > 0.0F ? 1 : 0;
    equalisedPrevious = e;
    const int coherentBit = detector.push(v.real(), trackAmplitude);
    const int predictedBit = detectFading(e);
    // Coherent detection gains some 2 dB in steady noise, but a fading carrier's phase moves
    // faster than any loop can follow without losing those 2 dB again; then the detector
    // that predicts the fading channel from the decided symbols is the better one.
    int bit = -1;
    // Nothing comes out while the delay line still holds symbols from before the start.
    if (coherentBit >= 0) {
        // Without lock on a steady signal (pulling in, or too weak to lock) the phase may
        // still turn by several hertz, which only the plain differential decision takes in
        // its stride.
        const int differentialBit =
            differentialBits[(symbolCount + kSymbolHistory + 1 - kDetectorDelay) % kSymbolHistory];
        if (fadingDetector.fading()) {
            bit = predictedBit;
        } else {
            bit = coherent ? coherentBit : differentialBit;
        }
    }
    updateSignalAmplitude(v, coherentBit);
    return bit;
}

int Receiver::Impl::detectFading(Complex e) {
    // The detector for fading signals sees the equalised samples (of the previous symbol)
    // with the frequency the carrier loop follows taken off, so that its channel predictor
    // has only the fading itself to follow. Its delay is one symbol shorter, so its bit is
    // the same as the coherent detector's: that between k - delay - 1 and k - delay.
    carrierPhase = std::remainder(carrierPhase + carrier.frequencyRadPerSymbol(), kTwoPi);
    const Complex derotated = e * Complex(static_cast<float>(std::cos(carrierPhase)),
                                          static_cast<float>(-std::sin(carrierPhase)));
    // The decision of whichever detector predicts the channel best.
    int predictedBit = -1;
    float bestError = 0.0F;
    for (PredictiveDetector& d : predictive) {
        const int b = d.push(derotated);
        if (predictedBit < 0 || d.predictionError() < bestError) {
            predictedBit = b;
            bestError = d.predictionError();
        }
    }
    return predictedBit;
}

void Receiver::Impl::updateSignalAmplitude(Complex v, int coherentBit) {
    // Amplitude of an isolated symbol from the decided neighbours: x = A b (1 + rho b
    // (b_prev + b_next)).
    if (coherent && coherentBit >= 0) {
        const std::size_t delayed =
            (symbolCount + kSymbolHistory - kDetectorDelay) % kSymbolHistory;
        const int b = detector.symbolAt(kDetectorDelay);
        const int around =
            detector.symbolAt(kDetectorDelay + 1) + detector.symbolAt(kDetectorDelay - 1);
        const double gain = 1.0 + interference * static_cast<double>(b * around);
        const auto sample = static_cast<float>(static_cast<double>(inPhase[delayed]) * b / gain);
        signalAmplitude += kAmplitudeWeight * (sample - signalAmplitude);
    } else {
        signalAmplitude += kAmplitudeWeight * (std::abs(v.real()) - signalAmplitude);
    }
    if (!std::isfinite(signalAmplitude) || signalAmplitude < 0.0F) signalAmplitude = 0.0F;
}

int Receiver::Impl::detectQpsk(Complex diff, Complex coherentSample, Complex equalised) {
    const float scale = meanPower > 0.0F ? 1.0F / meanPower : 0.0F;
    const int differentialBit =
        viterbi.pushDifferential({diff.real() * scale, diff.imag() * scale}, mode);
    const int coherentBit = coherentViterbi.push(weighCoherentSample(coherentSample), mode);
    // The decoder for fading signals sees the equalised samples with only the frequency the
    // carrier loop follows taken off (and what its own decisions say the loop misses): its
    // survivors follow the fading themselves.
    carrierPhase =
        std::remainder(carrierPhase + carrier.frequencyRadPerSymbol() + decidedCorrection, kTwoPi);
    const Complex fed = equalised * Complex(static_cast<float>(std::cos(carrierPhase)),
                                            static_cast<float>(-std::sin(carrierPhase)));
    const int predictedBit = predictiveViterbi.push(fed, mode);
    decidedFrequency.push(fed, predictedBit, mode);
    // The coherent decoder takes over once the loop holds the signal and its decisions have
    // agreed with the differential ones for a while, ones included (idle reversals decode as
    // zeros on either half of its trellis, so only text shows that it has settled on the right
    // one); it hands back when the loop loses the signal or the signal fades. Then the decoder
    // that predicts the channel decides: it follows a fading carrier, and a steady one that the
    // loop has let go, better than phase changes do. Before any signal has been confirmed
    // (pulling in, or noise) the differential decoder decides, which takes a residual turn of
    // the carrier in its stride.
    if (fadingDetector.fading() || !qpskHeld) {
        useCoherentQpsk = false;
        agreeingBits = 0;
    } else if (coherentBit != differentialBit) {
        agreeingBits = 0;
    } else if (coherentBit == 1 && ++agreeingBits >= kAgreementBeforeCoherent) {
        useCoherentQpsk = true;
    }
    if (useCoherentQpsk) {
        signalConfirmed = true;
        return coherentBit;
    }
    if (signalConfirmed) {
        // Below the S/N at which the carrier loop holds, its frequency wanders (and the mixer
        // follows it), and nothing that works on single samples can tell; the decisions of the
        // decoder that now decides can, and they steer its own samples back.
        decidedCorrection = std::clamp(
            decidedCorrection + kDecidedFrequencyGain * decidedFrequency.turnRadPerSymbol(),
            -kCarrierFrequencyLimitQpsk, kCarrierFrequencyLimitQpsk);
    }
    return fadingDetector.fading() || signalConfirmed ? predictedBit : differentialBit;
}

Complex Receiver::Impl::weighCoherentSample(Complex u) {
    // The joint decoder wants log-likelihoods: for a symbol of amplitude A in complex Gaussian
    // noise of variance s^2, 2 A / s^2 times the correlation. A and s^2 come from the second and
    // fourth moments of the samples, which need no decisions (and so cannot be misled by wrong
    // ones): E|u|^2 = A^2 + s^2, E|u|^4 = A^4 + 4 A^2 s^2 + 2 s^4, so A^4 = 2 (E|u|^2)^2 - E|u|^4.
    // (Kept in step with the decoder's pushes, silence included, for decidedPhaseError.)
    coherentRecent[coherentSeen % coherentRecent.size()] = u;
    ++coherentSeen;
    const float re = u.real();
    const float im = u.imag();
    const float p = re * re + im * im;
    if (!(p > 0.0F) || !std::isfinite(p)) return {};
    coherentPower += kCoherentMomentWeight * (p - coherentPower);
    coherentPower2 += kCoherentMomentWeight * (p * p - coherentPower2);
    // cos(4 phase error) without trigonometry: the lock indicator.
    const float c2 = (re * re - im * im) / p;
    qpskLock += kQpskLockWeight * ((2.0F * c2 * c2 - 1.0F) - qpskLock);
    if (!qpskHeld && qpskLock > kQpskLockOn) qpskHeld = true;
    if (qpskHeld && qpskLock < kQpskLockOff) qpskHeld = false;
    const float a4 = 2.0F * coherentPower * coherentPower - coherentPower2;
    // Noise alone gives about zero (or less): then the samples are worth nothing yet.
    const float a2 = a4 > 0.0F ? std::sqrt(a4) : 0.0F;
    coherentAmplitude = std::sqrt(a2);
    const float noise = std::max(coherentPower - a2, 0.01F * coherentPower);
    const float scale = 2.0F * coherentAmplitude / noise;
    return std::isfinite(scale) ? u * scale : Complex{};
}

bool Receiver::Impl::squelchOpenForBit() {
    // The squelch judges a bit by its state a little after the bit's symbol came in: about as
    // long as it takes to open on a new signal, so that the first characters of a transmission
    // come through while the noise before it stays out.
    squelchOpenAt[symbolCount % kSymbolHistory] = squelch.open();
    // (QPSK bits come one symbol later still, from the equaliser.)
    const int delay = mode == Mode::Bpsk ? kDetectorDelay : kViterbiDelay + 1;
    const int lookahead =
        std::min(delay, squelch.speed() == 1 ? kSlowSquelchLookahead : kFastSquelchLookahead);
    return squelchOpenAt[(symbolCount + kSymbolHistory -
                          static_cast<std::uint32_t>(delay - lookahead)) %
                         kSymbolHistory];
}

void Receiver::Impl::followCarrierWithMixer() {
    // Fine AFC: while a signal is present, the mixer slowly takes over the frequency
    // the carrier loop follows, so that the signal stays centred in the filters.
    // Together the loop and the mixer follow a drifting carrier without a standing
    // phase error. On noise alone nothing moves.
    if (searchRangeHz > 0.0 && (coherent || presence > kPresenceThreshold)) {
        const double take = kAfcTransfer * carrier.frequencyRadPerSymbol();
        const double current = nco.frequencyHz();
        const double wanted = std::clamp(current + take * symbolRateBaud / kTwoPi,
                                         centreHz - searchRangeHz, centreHz + searchRangeHz);
        const double moved = wanted - current;
        if (moved != 0.0) {
            nco.setFrequency(wanted);
            carrier.shiftFrequency(moved * kTwoPi / symbolRateBaud);
        }
    }
}

Complex Receiver::Impl::phaseChange(Complex now, Complex before) const {
    const float rawRe = now.real() * before.real() + now.imag() * before.imag();
    const float rawIm = now.imag() * before.real() - now.real() * before.imag();
    const double turn = carrier.frequencyRadPerSymbol();
    const auto c = static_cast<float>(std::cos(turn));
    const auto s = static_cast<float>(std::sin(turn));
    return {rawRe * c + rawIm * s, rawIm * c - rawRe * s};
}

Complex Receiver::Impl::indicatorPhaseChange(Complex y) {
    const auto rho = static_cast<float>(interference);
    const std::array<Complex, 4>& r = indicatorRecent;
    const Complex equalised = r[2] - rho * (r[1] + r[3]) + rho * rho * (r[0] + y);
    indicatorRecent = {r[1], r[2], r[3], y};
    const Complex change = phaseChange(equalised, indicatorPrevious);
    indicatorPrevious = equalised;
    return change;
}

Complex Receiver::Impl::equalise(Complex y, std::array<Complex, 2>& last) const {
    const auto rho = static_cast<float>(interference);
    const Complex middle = last[1];
    const Complex equalised{middle.real() - rho * (last[0].real() + y.real()),
                            middle.imag() - rho * (last[0].imag() + y.imag())};
    last = {middle, y};
    return equalised;
}

void Receiver::Impl::emitBit(int bit, bool squelchWasOpen, bool decided, CharSink& out) {
    // Only characters received entirely while the squelch was open come out: a closed squelch
    // also throws away the part of a word the noise has built up.
    if (!squelchWasOpen) {
        varicode.reset();
        wordSync = false;
        previousBit = 1;
        wordDecided = true;
        return;
    }
    // After a start or a closed squelch the word boundaries are unknown: bits count only from
    // the first gap between words ("00") on, so that a start-up glitch cannot make a character.
    if (!wordSync) {
        wordSync = bit == 0 && previousBit == 0;
        previousBit = bit;
        if (!wordSync) return;
        varicode.reset();
    }
    // Only characters whose every bit, separator included, was decided from symbols that carry
    // signal come out. Where the signal gives way to silence or to the end of the input, the
    // decoders still decide the bits in their delay, but from nothing: a one among them and the
    // zeros after it would make a space or a letter nobody sent.
    wordDecided = wordDecided && decided;
    const std::optional<std::uint8_t> code = varicode.pushBit(bit);
    if (code && wordDecided) out.character(*code);
    // Between words (after a gap) the next word starts afresh.
    if (bit == 0 && previousBit == 0) wordDecided = true;
    previousBit = bit;
}

bool Receiver::Impl::onKeyingLine(double offsetHz, double carrierHz) const {
    const double apartSymbolRates =
        std::abs(offsetHz - carrierHz) * phasesOf(mode) / symbolRateBaud;
    const double nearest = std::round(apartSymbolRates);
    return (nearest == 1.0 || nearest == 2.0) &&
           std::abs(apartSymbolRates - nearest) < kKeyingLineTolerance;
}

void Receiver::Impl::acquisitionFrame() {
    const double mixer = nco.frequencyHz();
    // A bin beyond the range as well: a carrier right at its edge may show its line there (and
    // some other bin inside would then take the line for one of its keying lines). The step onto
    // it stops at the edge.
    const double margin = acquisition.carrierResolutionHz();
    const FrequencyAcquisition::Peak peak = acquisition.strongestCarrier(
        centreHz - searchRangeHz - margin - mixer, centreHz + searchRangeHz + margin - mixer);
    if (!peak.found) return;
    // Where the carrier loop puts the signal it follows, relative to the mixer.
    const double followedHz = carrier.frequencyRadPerSymbol() * symbolRateBaud / kTwoPi;
    if (std::abs(peak.offsetHz - followedHz) < kAfcMinStepHz * hzScale) return;
    // A receiver holding a signal is moved only by its carrier loop, unless the spectrum shows
    // no carrier where it sits: then it holds a ghost (for example the symbol-rate alias of a
    // signal far off, whose phase changes look like those of one nearby).
    // Nor, while the carrier loop has not locked, does a carrier count where the receiver sits
    // when that is one of the keying lines of the carrier found: a signal a whole number of 1/M
    // symbol rates off turns by whole multiples of 2 pi / M per symbol, which its phase changes
    // cannot tell from no turn at all, and its carrier's keying lines in the power-law spectrum
    // sit just there. (A locked loop holds its signal through fades, when the keying lines of
    // the spectrum's average can outshine what it sees now.)
    const bool holding = coherent || presence > kPresenceThreshold;
    const double heldLineDb = acquisition.lineLevelDb(followedHz);
    if (holding && heldLineDb > peak.snrDb - kHoldMarginDb &&
        (coherent || heldLineDb > peak.snrDb - kKeyingLineMarginDb ||
         (heldLineDb >= kHeldLineMinDb && !onKeyingLine(followedHz, peak.offsetHz)))) {
        return;
    }
    const double target =
        std::clamp(mixer + peak.offsetHz, centreHz - searchRangeHz, centreHz + searchRangeHz);
    const bool smallStep = std::abs(target - mixer - followedHz) <= kSmallStepHz * hzScale;
    // Without lock, what the detectors decided from the symbols before a step came from a
    // carrier the receiver did not follow (it held nothing, or the step is more than its carrier
    // loop follows): a word built from them would be one nobody sent. Words count again from
    // the first whose every bit comes after the step.
    if (!coherent && (!holding || !smallStep)) {
        carriedAt.fill(false);
        symbolsUntilSettled = kRetuneSettleSymbols;
    }
    if (smallStep) {
        // A small step: the carrier loop keeps its phase and lock, its frequency moves along.
        nco.setFrequency(target);
        carrier.shiftFrequency((target - mixer) * kTwoPi / symbolRateBaud);
        acquisition.reset();
    } else {
        retune(target);
    }
}

Receiver::Receiver(Speed speed)
    : impl_(std::make_unique<Impl>(isValidSpeed(static_cast<int>(speed)) ? speed : Speed::Psk31)) {}
Receiver::~Receiver() = default;

void Receiver::finish(CharSink& out) {
    impl_->drain(out);
    impl_->resetSignalPath();
}

void Receiver::reset() {
    impl_->nco.setFrequency(impl_->centreHz);
    impl_->resetSignalPath();
}

void Receiver::setFrequency(double centreHz, double searchRangeHz) {
    Impl& s = *impl_;
    if (!std::isfinite(centreHz)) return;
    if (!std::isfinite(searchRangeHz)) searchRangeHz = 0.0;
    centreHz = std::clamp(centreHz, kMinFrequencyHz, kMaxFrequencyHz);
    searchRangeHz = std::clamp(searchRangeHz, 0.0, kMaxSearchRangeHz);
    const bool moved = std::abs(centreHz - s.centreHz) > 1e-6;
    const bool rangeChanged = searchRangeHz != s.searchRangeHz;
    s.centreHz = centreHz;
    s.searchRangeHz = searchRangeHz;
    if (rangeChanged) s.acquisition.setPassband(searchRangeHz);
    if (moved || searchRangeHz == 0.0) {
        if (std::abs(s.nco.frequencyHz() - centreHz) > 1e-6) s.retune(centreHz);
    } else if (std::abs(s.nco.frequencyHz() - centreHz) > searchRangeHz) {
        s.retune(
            std::clamp(s.nco.frequencyHz(), centreHz - searchRangeHz, centreHz + searchRangeHz));
    }
}

void Receiver::setMode(Mode mode) {
    if (!isValidMode(static_cast<int>(mode)) || mode == impl_->mode) return;
    impl_->mode = mode;
    impl_->resetSignalPath();
}

void Receiver::setSpeed(Speed speed) {
    if (!isValidSpeed(static_cast<int>(speed)) || speed == impl_->speed) return;
    // The decimation and every block's rate change: a new signal path, tuned and set as before.
    const Impl& old = *impl_;
    auto fresh = std::make_unique<Impl>(speed);
    fresh->squelch.setThreshold(old.squelch.threshold());
    fresh->squelch.setSpeed(old.squelch.speed());
    fresh->mode = old.mode;
    fresh->centreHz = old.centreHz;
    fresh->searchRangeHz = old.searchRangeHz;
    fresh->nco.setFrequency(old.centreHz);
    fresh->resetSignalPath();
    impl_ = std::move(fresh);
}

Speed Receiver::speed() const {
    return impl_->speed;
}

Mode Receiver::mode() const {
    return impl_->mode;
}

void Receiver::setSquelch(int threshold, int speed) {
    impl_->squelch.setThreshold(threshold);
    impl_->squelch.setSpeed(speed);
}

void Receiver::process(std::span<const float> in, CharSink& out) {
    impl_->processAudio(in, out);
}

double Receiver::frequencyHz() const {
    const Impl& s = *impl_;
    if (s.searchRangeHz > 0.0 && s.coherent) {
        return s.nco.frequencyHz() + s.carrier.frequencyRadPerSymbol() * s.symbolRateBaud / kTwoPi;
    }
    return s.nco.frequencyHz();
}

int Receiver::quality() const {
    return impl_->squelch.quality();
}

std::array<std::int32_t, kVectorValues> Receiver::vectors() const {
    // Oldest first: the ring's write position holds the oldest point.
    const Impl& s = *impl_;
    std::array<std::int32_t, kVectorValues> result{};
    for (std::size_t i = 0; i < kVectorPoints; ++i) {
        const std::size_t from = (s.vectorPosition + i) % kVectorPoints;
        result[2 * i] = s.vectors[2 * from];
        result[2 * i + 1] = s.vectors[2 * from + 1];
    }
    return result;
}

bool Receiver::squelchOpen() const {
    return impl_->squelch.open();
}

}  // namespace pskmodem
