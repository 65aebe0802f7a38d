#include "pskmodem/band/band_decoder.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "pskmodem/band/signal_detector.h"
#include "pskmodem/band/text_score.h"
#include "pskmodem/dsp/receiver.h"

namespace pskmodem {
namespace {

// Housekeeping runs once per detector frame.
constexpr std::size_t kTickSamples = SignalDetector::kHopSamples;
constexpr double kTickSeconds = static_cast<double>(kTickSamples) / kSampleRateHz;

// Audio kept for the receivers of a new signal to start on: the detector needs a second or two
// to be sure of a signal, and the text sent meanwhile is decoded from here. The receivers of a
// slot may come from another signal, so they first settle on the older part of the history
// (their squelch and timing forget the old signal, the AFC finds the new one); only characters
// from the newest kReplaySamples are kept.
constexpr std::size_t kHistorySamples = 6 * static_cast<std::size_t>(kSampleRateHz);
constexpr std::size_t kReplaySamples = 3 * static_cast<std::size_t>(kSampleRateHz);

// A detection becomes a signal to examine once it has been seen in this many frames, each
// within kCandidateMatchHz of the last and with at most kCandidateMaxMisses frames missing.
constexpr int kCandidateHits = 3;
constexpr double kCandidateMatchHz = 6.0;
constexpr int kCandidateMaxMisses = 2;
constexpr std::size_t kMaxCandidates = 64;

// Frequencies left alone after a signal that fitted no mode (or another than the one given) was
// dropped there: within kBlockedHz, for a while. A signal that vanished is not held against its
// frequency.
constexpr std::size_t kMaxBlocked = 64;
constexpr double kBlockedHz = 20.0;
constexpr double kBlockUndecidedSeconds = 20.0;
constexpr double kBlockOtherModeSeconds = 60.0;
// Where a signal examined at one speed beside a faster one was dropped, read as garbage, the
// faster signal is remembered for kFasterMemorySeconds: once it sends text it looks as narrow as
// a slower one, and a signal examined there again at the slower speed must read as text first
// too. Each such drop renews it.
constexpr double kFasterMemorySeconds = 180.0;
// The detector of PSK63 sees a PSK63 signal sending text as narrow as an idling PSK31 one: every
// signal it finds is examined at PSK63. A receiver at PSK63 reads a PSK31 signal as garbage, or
// with a quality fit for no mode: a slot examining a signal at a faster speed is dropped once
// every decoder's text scores as garbage (kSplatterTextScore), or when none found a character
// while its mode fitted after kSilentTrialSeconds (its decoders ran over the last seconds of
// audio first). A slower slot counts a faster one beside it as a faster signal once one of its
// decoders' text scores kFasterTextScore as text.
constexpr double kSilentTrialSeconds = 3.0;
constexpr double kFasterTextScore = 4.0;
// A faster signal whose frequency the next slower speed's detector sees as two signals or more
// in kCrowdFrames frames in a row is taken for a crowd of slower signals (slowerCrowd()); a
// faster signal's own spectrum splits so only now and then, while it turns from idle to text.
constexpr int kCrowdFrames = 3;

// Adds `entry` to `places` (reserved for kMaxBlocked); when full, it replaces the entry that runs
// out first.
template <typename Place>
void remember(std::vector<Place>& places, const Place& entry) {
    if (places.size() < kMaxBlocked) {
        places.push_back(entry);
        return;
    }
    *std::min_element(places.begin(), places.end(), [](const Place& a, const Place& b) {
        return a.untilSample < b.untilSample;
    }) = entry;
}

// Two channels closer than this are on the same signal.
constexpr double kDuplicateHz = 20.0;

// Smoothing of the receivers' quality figures per frame (time constant about one second).
constexpr double kQualityWeight = 0.25;

// Mode evidence. A BPSK character counts when the BPSK quality is at least kBpskFitQuality and
// not below the QPSK quality (less kBpskFitTolerance: on a strong signal both reach 100); a QPSK
// character when the QPSK quality stands kQpskFitMargin above the BPSK one. A mode is chosen once
// kDecideChars characters count for it and at least kDecideRatio times as many as for the other
// one; a sideband when its text score leads by kSidebandMargin, or by any amount after
// kSidebandForceChars characters.
constexpr double kBpskFitQuality = 25.0;
constexpr double kBpskFitTolerance = 5.0;
constexpr double kQpskFitMargin = 12.0;
constexpr int kDecideChars = 10;
constexpr int kFinishDecideChars = 4;
constexpr int kDecideRatio = 3;
constexpr double kSidebandMargin = 8.0;
constexpr int kSidebandForceChars = 60;
constexpr double kMaxTrialSeconds = 30.0;
constexpr double kTrialGoneSeconds = 3.0;
constexpr std::size_t kTrialChars = 512;

// A signal is there while the newest spectrum frame shows it at least kPresentSnrDb above the
// noise within 18 Hz, and no more than kFadeDb below its usual level (followed with weight
// kLevelWeight per frame while it is there): a frame that holds only the last moments of a
// transmission at its edge, where the window weighs little, does not count. A channel lives on
// while its signal is there or its receiver's smoothed quality is at least kPresentQuality.
constexpr double kPresentSnrDb = 3.0;
constexpr double kFadeDb = 13.0;
constexpr double kLevelWeight = 0.2;
constexpr double kPresentQuality = 30.0;
// A character leaves the decoder some time after its symbols arrived (the BPSK sequence
// detector's decision delay is half a second, the QPSK Viterbi decoder's one second), so it is
// checked against the spectrum frames that saw it sent: for BPSK the newest one, for QPSK the
// one or two before. The characters a receiver makes of the noise after a signal stops, before
// its squelch closes, are so not reported.
constexpr unsigned kBpskFrames = 0b1U;
constexpr unsigned kQpskFrames = 0b110U;
// A few characters, then a pause, just as a signal starts are what a receiver makes of the
// signal while it locks on, not text: up to kOnsetChars characters within kOnsetSamples of the
// signal's first sighting, followed by kOnsetGapSamples without any, are left out.
constexpr std::size_t kOnsetChars = 6;
constexpr std::uint64_t kOnsetSamples = 20000;    // 2.5 s
constexpr std::uint64_t kOnsetGapSamples = 5600;  // 0.7 s
// A channel whose signal is there but whose receiver's smoothed quality has stayed below
// kMismatchQuality for kMismatchSeconds ends: another station, in another mode, has taken the
// frequency. The signal is then examined afresh. That holds only for a signal whose usual level
// is at least kMismatchLevelDb over the noise within 18 Hz (about 0 dB in 3000 Hz): a receiver
// in the right mode reads such a signal with a quality far above kMismatchQuality, while on a
// weaker one the noise alone keeps the quality that low much of the time.
constexpr double kMismatchQuality = 20.0;
constexpr double kMismatchSeconds = 6.0;
constexpr double kMismatchLevelDb = 18.0;
// A channel's signal is still there, though the newest frame may not show it, while the mean of
// the newest kHoldFrames frames' power within 18 Hz stands kHoldSnrDb over the noise: a lower
// bar than the one a signal has to clear to be found, so that a weak signal the spectrum loses
// in a frame now and then keeps its channel. Over 2 s of noise alone the mean stays far below.
constexpr std::size_t kHoldFrames = 8;
constexpr double kHoldSnrDb = 1.5;
// A channel whose carrier has moved this far from where its receiver was tuned is tuned anew, so
// that a drifting signal never reaches the edge of the AFC search range.
constexpr double kRecentreHz = 7.0;

// A transmitter that keys its phase hard, or is driven into splatter, spreads keying sidebands
// hundreds of hertz either side of its carrier: their power within a PSK31 signal's bandwidth at
// a distance d falls as 1/d^2, to 200/d^2 (d in Hz) of the signal's power when it idles (the
// lines of a square wave's phase reversals) and less with data, across the whole band. What the
// detector finds at most kSplatterMarginDb above that, with the mirror frequency on the other
// side of the stronger signal showing at least kMirrorShare of its power (keying sidebands are
// symmetric; a clean transmitter leaves both sides empty), may be that signal's splatter and
// not a station: it gets a channel only once its text scores as text, kSplatterTextScore (nats)
// in all over at least kSplatterTextChars characters of the chosen decoder. Garbage drifts away
// from that (about -0.55 a character), text towards it (+0.2 to +0.4), so a real station there
// starts some seconds later, with all of its text. Such a signal is dropped as soon as its text
// scores kSplatterTextScore as garbage, or when no decoder reads it with a quality fit for its mode
// after kSplatterTrialSeconds (a hard-keyed station's idle lines look like dozens of idling signals
// across the band).
constexpr double kSplatterIdlePower = 200.0;  // times 1/d^2
constexpr double kSplatterMarginDb = 10.0;
constexpr double kSplatterTextScore = 8.0;
constexpr int kSplatterTextChars = 30;
constexpr double kSplatterTrialSeconds = 6.0;
constexpr double kMirrorShare = 0.1;
// The mirror comparison holds only for a signal that stands clear above the noise: its power at
// least the noise's within the 58 Hz it is measured in (the weakest signal the detector finds has
// about three times that). The detector's noise is the mean of the bins near the carrier that no
// signal it found occupies; where a hard-keyed station's splatter fills the band, those bins hold
// the splatter itself, against which one of its lines stands only about 1 dB and its mirror near
// nothing: both figures then show the splatter's texture, and their ratio tells nothing.
constexpr double kSignalBandShare = 2.0 * SignalDetector::kSignalHalfWidthHz / 3000.0;
// Mirror frequencies the detector's spectrum covers.
constexpr double kMinMirrorHz = 60.0;
constexpr double kMaxMirrorHz = 3800.0;

// An overdriven station's audio carries its harmonics, which its transmitter sends along: a
// signal at about k times a stronger one's frequency (k = 2..kMaxHarmonic, within
// kHarmonicHz times k) whose text repeats that station's (at least kImageShare of its
// kImageGram-character pieces found in the newest kImageTextChars characters of the stronger
// one's text) is that station's harmonic and gets no channel. The comparison waits until each
// has kImageMinChars characters, unless the candidate has kImageLeadFactor times as many as the
// stronger one (a harmonic's text comes with its station's).
constexpr int kMaxHarmonic = 5;
constexpr double kHarmonicHz = 3.0;
constexpr std::size_t kImageGram = 4;
constexpr std::size_t kImageMinChars = 16;
constexpr std::size_t kImageTextChars = 2048;
constexpr double kImageShare = 0.3;
constexpr std::size_t kImageLeadFactor = 4;

// Signal-to-noise ratio and intermodulation of a channel: the powers the detector measures in
// each frame are averaged (over the frames so far, at most the last kSnrFrames or kImdFrames),
// the SNR's over every frame that shows the signal or one of the two before it (so that a weak
// signal's readings are not chosen by the noise), the IMD's over the frames in which the signal
// idles. The SNR is so the mean power of the signal, text and idle alike, over about 16 s.
constexpr double kSnrFrames = 64.0;
constexpr double kImdFrames = 16.0;
constexpr unsigned kSnrPresence = 0b111U;
// Readings lost in the noise show as the lowest figures.
constexpr double kMinSnrDb = -30.0;
constexpr double kMinImdDb = -60.0;

// The slot's three receivers, one per mode, indexed by the mode's number.
constexpr std::size_t kBpsk = static_cast<std::size_t>(Mode::Bpsk);
constexpr std::size_t kUsb = static_cast<std::size_t>(Mode::QpskUsb);
constexpr std::size_t kLsb = static_cast<std::size_t>(Mode::QpskLsb);
constexpr std::size_t kDecoders = 3;
constexpr std::array<Mode, kDecoders> kDecoderModes = {Mode::Bpsk, Mode::QpskUsb, Mode::QpskLsb};

}  // namespace

struct BandDecoder::Impl {
    struct Slot;

    // Passes a receiver's characters to the decoder, saying where they come from.
    class DecoderSink final : public CharSink {
      public:
        void attach(Impl* impl, Slot* slot, std::size_t decoder) {
            impl_ = impl;
            slot_ = slot;
            decoder_ = decoder;
        }
        void character(std::uint8_t code) override { impl_->onCharacter(*slot_, decoder_, code); }

      private:
        Impl* impl_ = nullptr;
        Slot* slot_ = nullptr;
        std::size_t decoder_ = 0;
    };

    struct TrialDecoder {
        explicit TrialDecoder(Speed speed) : receiver(speed) {}
        Receiver receiver;
        DecoderSink sink;
        bool running = false;
        std::vector<std::uint8_t> chars;      // received while examining, in order
        std::vector<std::uint8_t> qualities;  // the receiver's quality at each of them
        std::vector<std::uint64_t> stamps;    // and when they came
        int fitChars = 0;                     // characters received while the mode fitted
        double score = 0.0;                   // text score of those characters
        std::uint8_t previous = ' ';
    };

    enum class State { Free, Trial, Active };

    struct Slot {
        // The decoder of mode `d` (kBpsk, kUsb, kLsb) at the slot's speed.
        TrialDecoder& decoder(std::size_t d) { return *decoders[base + d]; }
        const TrialDecoder& decoder(std::size_t d) const { return *decoders[base + d]; }

        State state = State::Free;
        // Three decoders, one per mode, for each speed looked for, the speeds in the order of
        // Impl::speeds; the slot's speed is the one its signal was found at, its decoders from
        // `base` on. `winner` indexes `decoders`.
        std::vector<std::unique_ptr<TrialDecoder>> decoders;
        std::size_t speedIndex = 0;
        std::size_t base = 0;
        std::size_t winner = kBpsk;
        int id = 0;
        double centreHz = 0.0;     // where the receivers were tuned
        double frequencyHz = 0.0;  // the carrier, as last seen with the signal there
        std::uint64_t startSample = 0;
        double trialSeconds = 0.0;
        double absentSeconds = 0.0;
        double mismatchSeconds = 0.0;
        double bpskQuality = 0.0;  // smoothed
        double qpskQuality = 0.0;  // smoothed, the better sideband
        double qualitySum = 0.0;
        std::uint64_t qualityCount = 0;
        bool settling = false;       // running over the old part of the history: characters ignored
        std::uint32_t presence = 0;  // signal seen in the newest frames, newest in bit 0
        double level = 0.0;          // usual power over the noise within 18 Hz
        // Power over the noise within 18 Hz in the newest kHoldFrames frames, and their mean.
        std::array<double, kHoldFrames> recentSnr{};
        std::size_t recentPos = 0;
        double recentMeanSnr = 0.0;
        double signalPower = 0.0;  // averaged SignalMeasurement figures
        double noisePower = 0.0;
        double snrFrames = 0.0;
        double tonePower = 0.0;
        double productPower = 0.0;
        double imdFrames = 0.0;
        // While examined: the stronger signal whose keying sidebands could reach this one, the
        // power at the mirror frequency on its other side (averaged like signalPower), and
        // whether this signal may be that one's splatter.
        double maskerHz = 0.0;
        double mirrorPower = 0.0;
        double mirrorFrames = 0.0;
        bool splatter = false;
        // A faster signal was found where this one is: this may be its lines or lobe, read as
        // garbage at this speed. `fasterRead` holds once a faster channel or a faster slot whose
        // text reads as text was there (or a faster signal was remembered here); `fasterWide`
        // while the next faster speed's signal was last seen wide there, not as a crowd of
        // signals of this speed (fasterWideNear()).
        bool fasterNearby = false;
        bool fasterRead = false;
        bool fasterWide = false;
        // The signal was seen idling at the slot's speed (SignalMeasurement::idle): its idle
        // lines show it to be a signal of that speed, which no faster one seen wide explains.
        bool idled = false;
        bool wide = false;  // found wider than a signal of the next slower speed can be
        // Found where the next slower speed's detector sees a crowd (slowerCrowd()) in
        // kCrowdFrames frames in a row, and the frames in a row so far.
        bool crowd = false;
        int crowdFrames = 0;
        std::string text;
    };

    struct Candidate {
        std::size_t speedIndex;
        double frequencyHz;
        std::uint64_t firstSample;
        int hits;
        int misses;
        bool seen;
        bool wide;   // seen wider than a signal of the next slower speed can be
        bool crowd;  // as Slot::crowd
        int crowdFrames;
    };

    struct Blocked {
        std::size_t speedIndex;
        double frequencyHz;
        std::uint64_t untilSample;
    };

    explicit Impl(const BandDecoderConfig& c);

    void reset();
    void process(std::span<const float> in);
    void pushHistory(std::span<const float> in);
    void runReceivers(Slot& slot, std::span<const float> in);
    void tick();
    void updateQualities(Slot& slot);
    // Whether a faster signal may be where the slot examines its signal (Slot::fasterNearby),
    // and whether the slot's own signal is a crowd of slower ones (Slot::crowd).
    void updateFaster(Slot& slot);
    void updatePresence(Slot& slot);
    void updateEstimates(Slot& slot);
    bool signalThere(const Slot& slot, std::size_t decoder) const;
    void stepTrial(Slot& slot);
    void stepActive(Slot& slot);
    void removeDuplicates();
    void findNewSignals();
    bool startTrial(const Candidate& candidate);
    void catchUp(Slot& slot);
    std::optional<std::size_t> decide(const Slot& slot, int minChars, bool& otherMode) const;
    enum class Verdict { Station, Wait, Image, Splatter };
    Verdict judge(const Slot& slot, std::size_t winner) const;
    void updateSplatter(Slot& slot);
    Verdict harmonicOf(const Slot& slot, std::size_t winner, const Slot& other) const;
    void activate(Slot& slot, std::size_t winner);
    void endChannel(Slot& slot);
    void drop(Slot& slot, double blockSeconds);
    void freeSlot(Slot& slot);
    void block(std::size_t speedIndex, double frequencyHz, double seconds);
    bool isBlocked(std::size_t speedIndex, double frequencyHz) const;
    bool fasterRemembered(std::size_t speedIndex, double frequencyHz) const;
    const SignalDetector& detectorOf(const Slot& slot) const { return *detectors[slot.speedIndex]; }
    double factorOf(std::size_t speedIndex) const { return speedFactor(speeds[speedIndex]); }
    // Whether a signal at `frequencyHz` found at the speed `speedIndex` is already in hand: a
    // channel runs on it, or a slot examines it at that speed.
    bool taken(std::size_t speedIndex, double frequencyHz) const;
    // Whether a signal the detector of speed `speedIndex` found may be at that speed: a faster
    // speed's detector sees slower signals too, as they are, no wider than the next slower
    // speed's widest; only one seen wider than that is examined at the faster speed.
    bool wideAt(std::size_t speedIndex, const DetectedSignal& signal) const {
        return speedIndex == 0 ||
               signal.widthHz > SignalDetector::kMaxWidthHz * factorOf(speedIndex - 1);
    }
    // Whether the next slower speed's detector finds two signals or more within the main lobe of
    // a signal at `frequencyHz` of the speed `speedIndex`, or one that idles (its own idle lines
    // carry its power, SignalMeasurement::idle): slower signals packed closer than this speed's
    // spacing, or one idling between neighbours, look to its detector as one wide signal, while a
    // signal of this speed shows to the slower detector as one signal at most (sending text) or
    // as none (idling: its two lines are too narrow for a signal), but for a frame now and then
    // (kCrowdFrames).
    bool slowerCrowd(std::size_t speedIndex, double frequencyHz) const;
    // Counts a frame in which a slot or candidate was (`now`) or was not seen on a crowd.
    static void countCrowd(int& frames, bool& crowd, bool now);
    // The most characters any of the slot's decoders found while its mode fitted.
    int trialFitChars(const Slot& slot) const {
        int chars = 0;
        for (std::size_t d = 0; d < kDecoders; ++d) {
            chars = std::max(chars, slot.decoder(d).fitChars);
        }
        return chars;
    }
    // The best text score of the slot's decoders while it is examined.
    double trialScore(const Slot& slot) const {
        double score = -1e300;
        for (std::size_t d = 0; d < kDecoders; ++d) {
            score = std::max(score, slot.decoder(d).score);
        }
        return score;
    }
    // How far from a slot a signal found at the speed `speedIndex` may reach it.
    double reachHz(const Slot& slot, std::size_t speedIndex) const;
    // Whether a faster channel, or a faster slot whose text reads as text (not one on a crowd of
    // slower signals: its receivers may lock on one of them), is within reach of the slot.
    bool fasterReadNear(const Slot& slot) const;
    // What the next faster speed shows within reach of the slot: +1 a signal seen wide (now, or
    // by a slot or candidate before), -1 a slot or candidate of the next faster speed found on a
    // crowd of signals of the slot's speed (which outweighs the rest), 0 neither.
    int fasterWideNear(const Slot& slot) const;
    double slotFrequency(const Slot& slot) const;
    void sortChannels();
    void onCharacter(Slot& slot, std::size_t decoder, std::uint8_t code);
    bool fits(const Slot& slot, std::size_t decoder) const;
    void appendText(Slot& slot, std::uint8_t code);
    BandChannel view(const Slot& slot) const;
    std::uint64_t afterSeconds(double seconds) const {
        return samples + static_cast<std::uint64_t>(seconds * kSampleRateHz);
    }

    BandDecoderConfig config;
    // The speeds looked for, and a detector for each (the first drives the frames).
    std::vector<Speed> speeds;
    std::vector<std::unique_ptr<SignalDetector>> detectors;
    TextScore textScore;
    std::vector<std::unique_ptr<Slot>> slots;
    std::vector<std::size_t> active;  // indices of the active slots, by frequency
    std::vector<Candidate> candidates;
    std::vector<Blocked> blocked;
    std::vector<Blocked> fasterPlaces;  // kFasterMemorySeconds after each drop
    std::vector<float> history = std::vector<float>(kHistorySamples, 0.0F);
    std::size_t historyPos = 0;
    std::size_t historyFill = 0;
    std::uint64_t samples = 0;
    std::uint64_t receiverClock = 0;  // where in the audio the receivers run now
    int nextId = 1;
    BandListener* listener = nullptr;
};

BandDecoder::Impl::Impl(const BandDecoderConfig& c) : config(c) {
    if (!std::isfinite(c.lowHz) || !std::isfinite(c.highHz) || c.lowHz < kMinFrequencyHz ||
        c.highHz > kMaxFrequencyHz || !(c.lowHz < c.highHz)) {
        throw std::invalid_argument("BandDecoder: the band must lie within 100..3500 Hz");
    }
    if (c.mode && !isValidMode(static_cast<int>(*c.mode))) {
        throw std::invalid_argument("BandDecoder: unknown mode");
    }
    if (c.speed && !isValidSpeed(static_cast<int>(*c.speed))) {
        throw std::invalid_argument("BandDecoder: unknown speed");
    }
    if (c.speed) {
        speeds = {*c.speed};
    } else {
        speeds = {Speed::Psk31, Speed::Psk63, Speed::Psk125, Speed::Psk250};
    }
    for (const Speed speed : speeds) {
        detectors.push_back(std::make_unique<SignalDetector>(c.lowHz, c.highHz, speed));
    }
    if (!std::isfinite(c.searchRangeHz) || c.searchRangeHz < 0.0 || c.searchRangeHz > 40.0) {
        throw std::invalid_argument("BandDecoder: the search range must be 0..40 Hz");
    }
    if (c.squelchThreshold < 0 || c.squelchThreshold > 99 || c.squelchSpeed < 0 ||
        c.squelchSpeed > 1) {
        throw std::invalid_argument("BandDecoder: squelch threshold 0..99, speed 0 or 1");
    }
    if (!std::isfinite(c.retireSeconds) || c.retireSeconds < kTickSeconds ||
        c.retireSeconds > 3600.0) {
        throw std::invalid_argument("BandDecoder: retire time out of range");
    }
    if (c.maxChannels < 1 || c.maxChannels > 256) {
        throw std::invalid_argument("BandDecoder: 1..256 channels");
    }

    const auto slotCount = static_cast<std::size_t>(c.maxChannels);
    slots.reserve(slotCount);
    for (std::size_t i = 0; i < slotCount; ++i) {
        auto slot = std::make_unique<Slot>();
        slot->text.reserve(kTextCapacity);
        for (std::size_t d = 0; d < kDecoders * speeds.size(); ++d) {
            slot->decoders.push_back(std::make_unique<TrialDecoder>(speeds[d / kDecoders]));
            TrialDecoder& decoder = *slot->decoders.back();
            decoder.sink.attach(this, slot.get(), d);
            decoder.chars.reserve(kTrialChars);
            decoder.qualities.reserve(kTrialChars);
            decoder.stamps.reserve(kTrialChars);
            // Speed, mode and search range stay as set here, so that nothing has to be rebuilt
            // later.
            decoder.receiver.setMode(kDecoderModes[d % kDecoders]);
            decoder.receiver.setFrequency(1000.0, c.searchRangeHz);
            decoder.receiver.setSquelch(0, c.squelchSpeed);
        }
        slots.push_back(std::move(slot));
    }
    active.reserve(slotCount);
    candidates.reserve(kMaxCandidates);
    blocked.reserve(kMaxBlocked);
    fasterPlaces.reserve(kMaxBlocked);
}

void BandDecoder::Impl::reset() {
    for (auto& slot : slots) {
        freeSlot(*slot);
        for (auto& decoder : slot->decoders) decoder->receiver.reset();
    }
    active.clear();
    candidates.clear();
    blocked.clear();
    fasterPlaces.clear();
    for (auto& detector : detectors) detector->reset();
    std::fill(history.begin(), history.end(), 0.0F);
    historyPos = 0;
    historyFill = 0;
    samples = 0;
    receiverClock = 0;
    nextId = 1;
}

void BandDecoder::Impl::process(std::span<const float> in) {
    while (!in.empty()) {
        // Up to the end of the next detector frame, so that housekeeping follows every frame.
        const std::size_t n = detectors.front()->consume(in);
        const std::span<const float> chunk = in.first(n);
        for (std::size_t i = 1; i < detectors.size(); ++i) detectors[i]->consume(chunk);
        pushHistory(chunk);
        receiverClock = samples + n;
        for (auto& slot : slots) {
            if (slot->state != State::Free) runReceivers(*slot, chunk);
        }
        samples += n;
        if (detectors.front()->frameReady()) tick();
        in = in.subspan(n);
    }
}

void BandDecoder::Impl::pushHistory(std::span<const float> in) {
    for (const float x : in) {
        history[historyPos] = x;
        historyPos = historyPos + 1 == history.size() ? 0 : historyPos + 1;
    }
    historyFill = std::min(history.size(), historyFill + in.size());
}

void BandDecoder::Impl::runReceivers(Slot& slot, std::span<const float> in) {
    for (auto& decoder : slot.decoders) {
        if (decoder->running) decoder->receiver.process(in, decoder->sink);
    }
}

void BandDecoder::Impl::tick() {
    for (auto& slot : slots) {
        if (slot->state == State::Free) continue;
        updateQualities(*slot);
        updatePresence(*slot);
        updateEstimates(*slot);
        if (slot->state == State::Trial) {
            updateSplatter(*slot);
            updateFaster(*slot);
            stepTrial(*slot);
        } else {
            stepActive(*slot);
        }
    }
    removeDuplicates();
    findNewSignals();
    sortChannels();
}

void BandDecoder::Impl::updateFaster(Slot& slot) {
    slot.fasterRead = slot.fasterRead || fasterReadNear(slot);
    // Wide evidence holds until a crowd of signals at the slot's own speed explains it.
    const int wide = fasterWideNear(slot);
    slot.fasterWide = wide > 0 || (slot.fasterWide && wide == 0);
    slot.fasterNearby = slot.fasterRead || (slot.fasterWide && !slot.idled);
    if (slot.speedIndex > 0) {
        countCrowd(slot.crowdFrames, slot.crowd, slowerCrowd(slot.speedIndex, slotFrequency(slot)));
    }
}

void BandDecoder::Impl::updateQualities(Slot& slot) {
    double bpsk = 0.0;
    double qpsk = 0.0;
    for (std::size_t d = 0; d < kDecoders; ++d) {
        const TrialDecoder& decoder = slot.decoder(d);
        if (!decoder.running) continue;
        const auto q = static_cast<double>(decoder.receiver.quality());
        if (d == kBpsk) {
            bpsk = q;
        } else {
            qpsk = std::max(qpsk, q);
        }
    }
    slot.bpskQuality += kQualityWeight * (bpsk - slot.bpskQuality);
    slot.qpskQuality += kQualityWeight * (qpsk - slot.qpskQuality);
}

void BandDecoder::Impl::updatePresence(Slot& slot) {
    const double snrDb = detectorOf(slot).bandSnrDb(slotFrequency(slot));
    const double snr = std::pow(10.0, snrDb / 10.0);
    const bool there = snrDb >= kPresentSnrDb && snrDb >= 10.0 * std::log10(slot.level) - kFadeDb;
    if (there) slot.level += kLevelWeight * (snr - slot.level);
    slot.presence = (slot.presence << 1U) | (there ? 1U : 0U);
    slot.recentSnr[slot.recentPos] = snr;
    slot.recentPos = (slot.recentPos + 1) % kHoldFrames;
    double sum = 0.0;
    for (const double value : slot.recentSnr) sum += value;
    slot.recentMeanSnr = sum / static_cast<double>(kHoldFrames);
}

void BandDecoder::Impl::updateEstimates(Slot& slot) {
    if ((slot.presence & kSnrPresence) == 0) return;
    const SignalMeasurement m = detectorOf(slot).measure(slotFrequency(slot));
    slot.snrFrames += 1.0;
    const double snrWeight = 1.0 / std::min(slot.snrFrames, kSnrFrames);
    slot.signalPower += snrWeight * (m.signalPower - slot.signalPower);
    slot.noisePower += snrWeight * (m.noisePower - slot.noisePower);
    slot.idled = slot.idled || m.idle;
    if (m.idle && m.productsClear) {
        slot.imdFrames += 1.0;
        const double imdWeight = 1.0 / std::min(slot.imdFrames, kImdFrames);
        slot.tonePower += imdWeight * (m.tonePower - slot.tonePower);
        slot.productPower += imdWeight * (m.productPower - slot.productPower);
    }
}

bool BandDecoder::Impl::signalThere(const Slot& slot, std::size_t decoder) const {
    // The faster speeds' decision delays are shorter by their factor: QPSK63's is BPSK31's, and
    // their characters are checked against the newest frame alone.
    const bool late = decoder % kDecoders != kBpsk && factorOf(slot.speedIndex) == 1.0;
    return (slot.presence & (late ? kQpskFrames : kBpskFrames)) != 0;
}

void BandDecoder::Impl::stepTrial(Slot& slot) {
    slot.trialSeconds += kTickSeconds;
    const bool present = (slot.presence & 1U) != 0;
    slot.absentSeconds = present ? 0.0 : slot.absentSeconds + kTickSeconds;
    if (slot.absentSeconds >= kTrialGoneSeconds) {
        freeSlot(slot);
        return;
    }
    bool otherMode = false;
    if (const std::optional<std::size_t> winner = decide(slot, kDecideChars, otherMode)) {
        switch (judge(slot, *winner)) {
            case Verdict::Station:
                activate(slot, *winner);
                return;
            case Verdict::Image:
                drop(slot, kBlockOtherModeSeconds);
                return;
            case Verdict::Splatter:
                drop(slot, kBlockUndecidedSeconds);
                return;
            case Verdict::Wait:
                break;
        }
    } else if (otherMode) {
        drop(slot, kBlockOtherModeSeconds);
        return;
    }
    // A receiver at a faster speed than the signal's reads garbage, or nothing fit for a mode:
    // a slower signal is left to the slower speed.
    if (slot.speedIndex > 0 &&
        ((slot.trialSeconds >= kSilentTrialSeconds && trialFitChars(slot) == 0) ||
         trialScore(slot) <= -kSplatterTextScore)) {
        drop(slot, kBlockOtherModeSeconds);
        return;
    }
    const bool unreadable = slot.trialSeconds >= kSplatterTrialSeconds &&
                            std::max(slot.bpskQuality, slot.qpskQuality) < kBpskFitQuality &&
                            slot.splatter;
    if (slot.trialSeconds >= kMaxTrialSeconds || unreadable) {
        drop(slot, kBlockUndecidedSeconds);
    }
}

void BandDecoder::Impl::stepActive(Slot& slot) {
    const Receiver& receiver = slot.decoders[slot.winner]->receiver;
    const double frequencyHz = receiver.frequencyHz();
    const double smoothed = slot.winner % kDecoders == kBpsk ? slot.bpskQuality : slot.qpskQuality;
    const bool present = (slot.presence & 1U) != 0 || smoothed >= kPresentQuality ||
                         slot.recentMeanSnr >= std::pow(10.0, kHoldSnrDb / 10.0);
    if (!present) {
        slot.absentSeconds += kTickSeconds;
        if (slot.absentSeconds >= config.retireSeconds) endChannel(slot);
        return;
    }
    slot.absentSeconds = 0.0;
    const bool mismatch =
        smoothed < kMismatchQuality && slot.level >= std::pow(10.0, kMismatchLevelDb / 10.0);
    slot.mismatchSeconds = mismatch ? slot.mismatchSeconds + kTickSeconds : 0.0;
    if (slot.mismatchSeconds >= kMismatchSeconds) {
        endChannel(slot);
        return;
    }
    slot.frequencyHz = frequencyHz;
    slot.qualitySum += static_cast<double>(receiver.quality());
    ++slot.qualityCount;
    if (config.searchRangeHz > 0.0 && std::abs(frequencyHz - slot.centreHz) > kRecentreHz &&
        smoothed >= kPresentQuality) {
        slot.centreHz = frequencyHz;
        slot.decoders[slot.winner]->receiver.setFrequency(frequencyHz, config.searchRangeHz);
    }
}

void BandDecoder::Impl::removeDuplicates() {
    for (std::size_t i = 0; i < slots.size(); ++i) {
        Slot& a = *slots[i];
        if (a.state == State::Free) continue;
        for (std::size_t j = i + 1; j < slots.size() && a.state != State::Free; ++j) {
            Slot& b = *slots[j];
            const double apartHz =
                kDuplicateHz * std::max(factorOf(a.speedIndex), factorOf(b.speedIndex));
            if (b.state == State::Free ||
                std::abs(slotFrequency(a) - slotFrequency(b)) >= apartHz) {
                continue;
            }
            bool keepA = false;
            if (a.speedIndex != b.speedIndex) {
                // Slots on one signal at different speeds: while both are examined, the wrong
                // speed reads garbage and goes; a running channel holds it against one being
                // examined, and of two channels the faster speed's (it started only once its
                // text read as text).
                if (a.state == State::Trial && b.state == State::Trial) continue;
                keepA = a.state == State::Active &&
                        (b.state != State::Active || a.speedIndex > b.speedIndex);
            } else {
                // Keep a running channel over one being examined, and the older of two channels.
                keepA = a.state == State::Active && (b.state != State::Active || a.id < b.id);
            }
            Slot& loser = keepA ? b : a;
            if (loser.state == State::Active) {
                endChannel(loser);
            } else {
                freeSlot(loser);
            }
        }
    }
}

bool BandDecoder::Impl::taken(std::size_t speedIndex, double frequencyHz) const {
    const double spacingHz = detectors[speedIndex]->minSpacingHz();
    return std::any_of(slots.begin(), slots.end(), [&](const auto& slot) {
        if (slot->state == State::Free) return false;
        const double apartHz = std::abs(slotFrequency(*slot) - frequencyHz);
        if (slot->speedIndex == speedIndex) return apartHz < spacingHz;
        // A channel at another speed holds what lies within half the two spacings added: the
        // faster signal's own lines and lobe, not a slower neighbour beside it.
        return slot->state == State::Active &&
               apartHz < (spacingHz + detectorOf(*slot).minSpacingHz()) / 2.0;
    });
}

double BandDecoder::Impl::reachHz(const Slot& slot, std::size_t speedIndex) const {
    return (detectors[speedIndex]->minSpacingHz() + detectorOf(slot).minSpacingHz()) / 2.0;
}

void BandDecoder::Impl::countCrowd(int& frames, bool& crowd, bool now) {
    frames = now ? frames + 1 : 0;
    crowd = crowd || frames >= kCrowdFrames;
}

bool BandDecoder::Impl::slowerCrowd(std::size_t speedIndex, double frequencyHz) const {
    const double lobeHz = SignalDetector::kSignalHalfWidthHz * factorOf(speedIndex);
    const SignalDetector& detector = *detectors[speedIndex - 1];
    int count = 0;
    bool idle = false;
    for (const DetectedSignal& signal : detector.signals()) {
        if (std::abs(signal.frequencyHz - frequencyHz) >= lobeHz) continue;
        ++count;
        idle = idle || detector.measure(signal.frequencyHz).idle;
    }
    return count >= 2 || idle;
}

bool BandDecoder::Impl::fasterReadNear(const Slot& slot) const {
    const double f = slotFrequency(slot);
    return std::any_of(slots.begin(), slots.end(), [&](const auto& other) {
        return other->speedIndex > slot.speedIndex &&
               std::abs(slotFrequency(*other) - f) < reachHz(slot, other->speedIndex) &&
               (other->state == State::Active || (other->state == State::Trial && !other->crowd &&
                                                  trialScore(*other) >= kFasterTextScore));
    });
}

int BandDecoder::Impl::fasterWideNear(const Slot& slot) const {
    const std::size_t next = slot.speedIndex + 1;
    if (next >= detectors.size()) return 0;
    const double f = slotFrequency(slot);
    const auto near = [&](double hz) { return std::abs(hz - f) < reachHz(slot, next); };
    // The next faster speed's signal seen wide now, or before (at its start while it idled:
    // while it sends text it looks as narrow as a slower one), which its slot or candidate
    // remembers. (The detectors of the speeds faster still, whose windows span hundreds of
    // hertz, see a crowd of slower signals as one wide signal.)
    bool wide = std::any_of(detectors[next]->signals().begin(), detectors[next]->signals().end(),
                            [&](const DetectedSignal& signal) {
                                return wideAt(next, signal) && near(signal.frequencyHz) &&
                                       !slowerCrowd(next, signal.frequencyHz);
                            });
    bool crowd = false;
    const auto weigh = [&](std::size_t speedIndex, double hz, bool seenWide, bool onCrowd) {
        if (speedIndex != next || !near(hz)) return;
        crowd = crowd || onCrowd;
        wide = wide || seenWide;
    };
    for (const auto& other : slots) {
        if (other->state == State::Trial) {
            weigh(other->speedIndex, slotFrequency(*other), other->wide, other->crowd);
        }
    }
    for (const Candidate& c : candidates) weigh(c.speedIndex, c.frequencyHz, c.wide, c.crowd);
    return crowd ? -1 : (wide ? 1 : 0);
}

void BandDecoder::Impl::findNewSignals() {
    for (Candidate& c : candidates) c.seen = false;
    for (std::size_t speedIndex = 0; speedIndex < detectors.size(); ++speedIndex) {
        for (const DetectedSignal& signal : detectors[speedIndex]->signals()) {
            const double f = signal.frequencyHz;
            // The detectors of PSK125 and faster, whose windows span hundreds of hertz, see a
            // crowd of slower signals as one wide signal; a signal at their speed looks wide to
            // the next slower speed's detector as well (PSK31's takes no wider ones).
            const bool wide =
                wideAt(speedIndex, signal) &&
                (speedIndex < 2 ||
                 std::any_of(detectors[speedIndex - 1]->signals().begin(),
                             detectors[speedIndex - 1]->signals().end(),
                             [&](const DetectedSignal& slower) {
                                 return wideAt(speedIndex - 1, slower) &&
                                        std::abs(slower.frequencyHz - f) <
                                            (detectors[speedIndex]->minSpacingHz() +
                                             detectors[speedIndex - 1]->minSpacingHz()) /
                                                2.0;
                             }));
            if (f < config.lowHz || f > config.highHz || isBlocked(speedIndex, f) ||
                taken(speedIndex, f)) {
                continue;
            }
            const bool crowd = speedIndex > 0 && slowerCrowd(speedIndex, f);
            auto match =
                std::find_if(candidates.begin(), candidates.end(), [&](const Candidate& c) {
                    return !c.seen && c.speedIndex == speedIndex &&
                           std::abs(c.frequencyHz - f) <= kCandidateMatchHz * factorOf(speedIndex);
                });
            if (match != candidates.end()) {
                match->frequencyHz = f;
                ++match->hits;
                match->misses = 0;
                match->seen = true;
                match->wide = match->wide || wide;
                countCrowd(match->crowdFrames, match->crowd, crowd);
            } else if (candidates.size() < kMaxCandidates) {
                candidates.push_back(
                    {speedIndex, f, samples, 1, 0, true, wide, false, crowd ? 1 : 0});
            }
        }
    }
    // Forget candidates that keep missing; start on those seen often enough.
    std::size_t kept = 0;
    for (std::size_t i = 0; i < candidates.size(); ++i) {
        Candidate c = candidates[i];
        if (!c.seen && ++c.misses > kCandidateMaxMisses) continue;
        // (Every signal the second speed's detector finds, PSK63's: see kSilentTrialSeconds.)
        if (c.hits >= kCandidateHits && ((c.wide && !c.crowd) || c.speedIndex == 1) &&
            startTrial(c)) {
            continue;
        }
        candidates[kept++] = c;
    }
    candidates.resize(kept);
}

bool BandDecoder::Impl::startTrial(const Candidate& candidate) {
    // A signal started on this frame may have taken the place already.
    if (taken(candidate.speedIndex, candidate.frequencyHz)) return true;
    const auto free = std::find_if(slots.begin(), slots.end(),
                                   [](const auto& slot) { return slot->state == State::Free; });
    if (free == slots.end()) return false;  // keep the candidate until a slot frees up
    Slot& slot = **free;
    slot.state = State::Trial;
    slot.speedIndex = candidate.speedIndex;
    slot.base = candidate.speedIndex * kDecoders;
    slot.centreHz = candidate.frequencyHz;
    slot.frequencyHz = candidate.frequencyHz;
    slot.startSample = candidate.firstSample;
    slot.presence = ~0U;   // the detector has just seen it
    slot.splatter = true;  // until the comparison with its neighbours says otherwise
    slot.level = std::pow(10.0, detectorOf(slot).bandSnrDb(candidate.frequencyHz) / 10.0);
    slot.recentSnr.fill(slot.level);
    slot.recentMeanSnr = slot.level;
    slot.fasterRead = fasterRemembered(slot.speedIndex, candidate.frequencyHz);
    slot.fasterWide = false;
    slot.fasterNearby = slot.fasterRead;
    slot.wide = candidate.wide;
    slot.crowd = candidate.crowd;
    slot.crowdFrames = candidate.crowdFrames;
    // Every mode is tried even when one is given: a signal in another mode is left alone.
    for (std::size_t d = 0; d < kDecoders; ++d) {
        TrialDecoder& decoder = slot.decoder(d);
        decoder.running = true;
        decoder.receiver.setFrequency(candidate.frequencyHz, config.searchRangeHz);
    }
    catchUp(slot);
    return true;
}

void BandDecoder::Impl::catchUp(Slot& slot) {
    // The history, oldest first, in detector-frame pieces with the qualities followed after
    // each piece as they would have been live.
    std::size_t start = (historyPos + history.size() - historyFill) % history.size();
    std::size_t left = historyFill;
    const std::size_t replay = std::min(historyFill, kReplaySamples);
    while (left > 0) {
        const std::size_t piece = left > replay ? left - replay : left;
        const std::size_t n = std::min({piece, kTickSamples, history.size() - start});
        slot.settling = left > replay;
        receiverClock = samples - (left - n);
        runReceivers(slot, std::span<const float>(history).subspan(start, n));
        updateQualities(slot);
        start = (start + n) % history.size();
        left -= n;
    }
    slot.settling = false;
    receiverClock = samples;
}

std::optional<std::size_t> BandDecoder::Impl::decide(const Slot& slot, int minChars,
                                                     bool& otherMode) const {
    otherMode = false;
    const TrialDecoder& bpsk = slot.decoder(kBpsk);
    const TrialDecoder& usb = slot.decoder(kUsb);
    const TrialDecoder& lsb = slot.decoder(kLsb);
    const int bpskChars = bpsk.running ? bpsk.fitChars : 0;
    const int usbChars = usb.running ? usb.fitChars : 0;
    const int lsbChars = lsb.running ? lsb.fitChars : 0;
    const int qpskChars = std::max(usbChars, lsbChars);

    if (bpskChars >= minChars && bpskChars >= kDecideRatio * qpskChars) {
        if (config.mode && *config.mode != Mode::Bpsk) {
            otherMode = true;
            return std::nullopt;
        }
        return slot.base + kBpsk;
    }
    if (qpskChars >= minChars && qpskChars >= kDecideRatio * bpskChars) {
        const double lead = usb.score - lsb.score;
        if (std::abs(lead) >= kSidebandMargin ||
            (qpskChars >= kSidebandForceChars && lead != 0.0) || minChars < kDecideChars) {
            const std::size_t sideband = lead >= 0.0 ? kUsb : kLsb;
            if (config.mode && *config.mode != kDecoderModes[sideband]) {
                otherMode = true;
                return std::nullopt;
            }
            return slot.base + sideband;
        }
    }
    return std::nullopt;
}

BandDecoder::Impl::Verdict BandDecoder::Impl::judge(const Slot& slot, std::size_t winner) const {
    Verdict verdict = Verdict::Station;
    for (const auto& other : slots) {
        if (other.get() == &slot || other->state == State::Free) continue;
        const Verdict v = harmonicOf(slot, winner, *other);
        if (v == Verdict::Image) return v;
        if (v == Verdict::Wait) verdict = v;
    }
    // A signal that may be splatter, or that may be at another speed than the slot's, must read
    // as text first: a signal found at one of the faster speeds always (a receiver at a faster
    // speed than the signal's reads garbage of it at a fine quality), one at the slowest speed
    // looked for only where a faster signal was seen, so that a PSK31 signal alone starts as
    // soon as its mode is known, as with PSK31 alone.
    const bool otherSpeed = slot.speedIndex > 0 || slot.fasterNearby;
    if (verdict == Verdict::Station && (slot.splatter || otherSpeed)) {
        const double score = slot.decoders[winner]->score;
        if (score <= -kSplatterTextScore) return Verdict::Splatter;
        if (score < kSplatterTextScore || slot.decoders[winner]->fitChars < kSplatterTextChars) {
            verdict = Verdict::Wait;
        }
    }
    return verdict;
}

void BandDecoder::Impl::updateSplatter(Slot& slot) {
    // The signal whose sidebands would put the most power here.
    const double f = slotFrequency(slot);
    const Slot* masker = nullptr;
    double skirt = 0.0;
    for (const auto& other : slots) {
        if (other.get() == &slot || other->state == State::Free) continue;
        // A faster signal counts once it has shown to be one: the detector of a faster speed
        // sees a crowd of slower signals as one, with their power together.
        if (other->speedIndex > slot.speedIndex && other->state == State::Trial &&
            (other->crowd || trialScore(*other) < kFasterTextScore)) {
            continue;
        }
        const double d = std::abs(slotFrequency(*other) - f);
        if (d < detectorOf(slot).minSpacingHz()) continue;
        const double power = other->signalPower * kSplatterIdlePower / (d * d);
        if (power > skirt) {
            skirt = power;
            masker = other.get();
        }
    }
    const double margin = std::pow(10.0, kSplatterMarginDb / 10.0);
    if (masker == nullptr || !(slot.signalPower < margin * skirt)) {
        slot.splatter = false;
        slot.maskerHz = 0.0;
        return;
    }
    // Both must be on the air for the comparison; otherwise the last verdict stands.
    if ((slot.presence & masker->presence & 1U) == 0) return;
    const double maskerHz = slotFrequency(*masker);
    if (std::abs(maskerHz - slot.maskerHz) >= kDuplicateHz) {
        slot.maskerHz = maskerHz;
        slot.mirrorFrames = 0.0;
        slot.mirrorPower = 0.0;
    }
    const double mirrorHz = 2.0 * maskerHz - f;
    if (mirrorHz < kMinMirrorHz || mirrorHz > kMaxMirrorHz) {
        slot.splatter = true;  // nothing to compare with: take it for splatter
        return;
    }
    slot.mirrorFrames += 1.0;
    const double weight = 1.0 / std::min(slot.mirrorFrames, kSnrFrames);
    slot.mirrorPower +=
        weight * (detectorOf(slot).measure(mirrorHz).signalPower - slot.mirrorPower);
    // Splatter unless the signal stands clear above the noise with its mirror far weaker.
    const bool clear =
        slot.signalPower >= kSignalBandShare * factorOf(slot.speedIndex) * slot.noisePower;
    slot.splatter = !(clear && slot.mirrorPower < kMirrorShare * slot.signalPower);
}

BandDecoder::Impl::Verdict BandDecoder::Impl::harmonicOf(const Slot& slot, std::size_t winner,
                                                         const Slot& other) const {
    const double f = slotFrequency(slot);
    const double fundamentalHz = slotFrequency(other);
    if (!(other.signalPower > slot.signalPower) || !(fundamentalHz > 0.0)) return Verdict::Station;
    const double k = std::round(f / fundamentalHz);
    if (k < 2.0 || k > kMaxHarmonic || std::abs(f - k * fundamentalHz) > k * kHarmonicHz) {
        return Verdict::Station;
    }
    const std::vector<std::uint8_t>& chars = slot.decoders[winner]->chars;
    if (chars.size() < kImageMinChars) return Verdict::Wait;
    // Whether enough pieces of the candidate's text turn up in [first, last).
    const auto repeats = [&](auto first, auto last) {
        std::size_t pieces = 0;
        std::size_t found = 0;
        for (auto piece = chars.begin(); piece + kImageGram <= chars.end(); ++piece) {
            ++pieces;
            const auto same = [](auto a, std::uint8_t b) {
                return static_cast<std::uint8_t>(a) == b;
            };
            if (std::search(first, last, piece, piece + kImageGram, same) != last) ++found;
        }
        return static_cast<double>(found) >= kImageShare * static_cast<double>(pieces);
    };
    if (other.state == State::Active) {
        const std::string_view text = other.text;
        const std::string_view newest =
            text.substr(text.size() - std::min(text.size(), kImageTextChars));
        if (newest.size() < kImageMinChars) {
            return newest.size() * kImageLeadFactor < chars.size() ? Verdict::Station
                                                                   : Verdict::Wait;
        }
        return repeats(newest.begin(), newest.end()) ? Verdict::Image : Verdict::Station;
    }
    // The stronger signal is being examined too: its decoders' text so far.
    std::size_t longest = 0;
    for (const auto& decoder : other.decoders) {
        if (!decoder->running) continue;
        longest = std::max(longest, decoder->chars.size());
        if (decoder->chars.size() >= kImageMinChars &&
            repeats(decoder->chars.begin(), decoder->chars.end())) {
            return Verdict::Image;
        }
    }
    return longest >= kImageMinChars || longest * kImageLeadFactor < chars.size() ? Verdict::Station
                                                                                  : Verdict::Wait;
}

void BandDecoder::Impl::activate(Slot& slot, std::size_t winner) {
    slot.state = State::Active;
    slot.winner = winner;
    slot.id = nextId++;
    slot.absentSeconds = 0.0;
    for (std::size_t d = 0; d < slot.decoders.size(); ++d) {
        if (d != winner) slot.decoders[d]->running = false;
    }
    TrialDecoder& decoder = *slot.decoders[winner];
    decoder.receiver.setSquelch(config.squelchThreshold, config.squelchSpeed);
    slot.frequencyHz = decoder.receiver.frequencyHz();
    sortChannels();
    listener->channelStarted(view(slot));
    // What was received while the mode was being decided, through the squelch, less what the
    // receiver made of the signal's start while it locked on.
    const std::size_t count = decoder.chars.size();
    const auto passes = [&](std::size_t i) {
        return decoder.qualities[i] >= config.squelchThreshold;
    };
    std::size_t first = 0;
    while (first < count && !passes(first)) ++first;
    std::size_t group = 0;
    for (std::size_t i = first, last = first; i < count; ++i) {
        if (!passes(i)) continue;
        if (group > 0 && decoder.stamps[i] - decoder.stamps[last] >= kOnsetGapSamples) {
            first = i;
            break;
        }
        if (++group > kOnsetChars || decoder.stamps[i] > slot.startSample + kOnsetSamples) break;
        last = i;
    }
    for (std::size_t i = first; i < count; ++i) {
        if (passes(i)) {
            appendText(slot, decoder.chars[i]);
            listener->character(view(slot), decoder.chars[i]);
        }
    }
}

void BandDecoder::Impl::endChannel(Slot& slot) {
    listener->channelEnded(view(slot));
    freeSlot(slot);
    sortChannels();
}

void BandDecoder::Impl::drop(Slot& slot, double blockSeconds) {
    block(slot.speedIndex, slot.centreHz, blockSeconds);
    if (slot.fasterNearby) {
        remember(fasterPlaces,
                 Blocked{slot.speedIndex, slot.centreHz, afterSeconds(kFasterMemorySeconds)});
    }
    freeSlot(slot);
}

void BandDecoder::Impl::freeSlot(Slot& slot) {
    slot.state = State::Free;
    slot.trialSeconds = 0.0;
    slot.absentSeconds = 0.0;
    slot.mismatchSeconds = 0.0;
    slot.bpskQuality = 0.0;
    slot.qpskQuality = 0.0;
    slot.qualitySum = 0.0;
    slot.qualityCount = 0;
    slot.signalPower = 0.0;
    slot.noisePower = 0.0;
    slot.snrFrames = 0.0;
    slot.tonePower = 0.0;
    slot.productPower = 0.0;
    slot.imdFrames = 0.0;
    slot.maskerHz = 0.0;
    slot.mirrorPower = 0.0;
    slot.mirrorFrames = 0.0;
    slot.splatter = false;
    slot.fasterNearby = false;
    slot.fasterRead = false;
    slot.fasterWide = false;
    slot.idled = false;
    slot.wide = false;
    slot.crowd = false;
    slot.crowdFrames = 0;
    slot.text.clear();
    for (auto& decoder : slot.decoders) {
        decoder->running = false;
        decoder->chars.clear();
        decoder->qualities.clear();
        decoder->stamps.clear();
        decoder->fitChars = 0;
        decoder->score = 0.0;
        decoder->previous = ' ';
        decoder->receiver.setSquelch(0, config.squelchSpeed);
    }
}

void BandDecoder::Impl::block(std::size_t speedIndex, double frequencyHz, double seconds) {
    remember(blocked, Blocked{speedIndex, frequencyHz, afterSeconds(seconds)});
}

bool BandDecoder::Impl::isBlocked(std::size_t speedIndex, double frequencyHz) const {
    return std::any_of(blocked.begin(), blocked.end(), [&](const Blocked& b) {
        return b.speedIndex == speedIndex && b.untilSample > samples &&
               std::abs(b.frequencyHz - frequencyHz) < kBlockedHz * factorOf(speedIndex);
    });
}

bool BandDecoder::Impl::fasterRemembered(std::size_t speedIndex, double frequencyHz) const {
    return std::any_of(fasterPlaces.begin(), fasterPlaces.end(), [&](const Blocked& b) {
        return b.speedIndex == speedIndex && b.untilSample > samples &&
               std::abs(b.frequencyHz - frequencyHz) < kBlockedHz * factorOf(speedIndex);
    });
}

double BandDecoder::Impl::slotFrequency(const Slot& slot) const {
    return slot.state == State::Active ? slot.decoders[slot.winner]->receiver.frequencyHz()
                                       : slot.centreHz;
}

void BandDecoder::Impl::sortChannels() {
    active.clear();
    for (std::size_t i = 0; i < slots.size(); ++i) {
        if (slots[i]->state == State::Active) active.push_back(i);
    }
    std::sort(active.begin(), active.end(), [&](std::size_t a, std::size_t b) {
        return slots[a]->frequencyHz < slots[b]->frequencyHz;
    });
}

void BandDecoder::Impl::onCharacter(Slot& slot, std::size_t decoder, std::uint8_t code) {
    if (slot.state == State::Trial) {
        if (slot.settling) return;
        TrialDecoder& trial = *slot.decoders[decoder];
        if (!signalThere(slot, decoder)) return;
        if (trial.chars.size() < kTrialChars) {
            trial.chars.push_back(code);
            trial.qualities.push_back(
                static_cast<std::uint8_t>(std::clamp(trial.receiver.quality(), 0, 100)));
            trial.stamps.push_back(receiverClock);
        }
        if (fits(slot, decoder)) {
            ++trial.fitChars;
            trial.score += textScore.score(code, trial.previous);
        }
        trial.previous = code;
    } else if (slot.state == State::Active && decoder == slot.winner &&
               signalThere(slot, decoder)) {
        appendText(slot, code);
        listener->character(view(slot), code);
    }
}

bool BandDecoder::Impl::fits(const Slot& slot, std::size_t decoder) const {
    if (decoder % kDecoders == kBpsk) {
        return slot.bpskQuality >= kBpskFitQuality &&
               slot.bpskQuality + kBpskFitTolerance >= slot.qpskQuality;
    }
    return slot.qpskQuality >= slot.bpskQuality + kQpskFitMargin;
}

void BandDecoder::Impl::appendText(Slot& slot, std::uint8_t code) {
    // Keep the newest characters: when full, the older half goes (no allocation).
    if (slot.text.size() >= kTextCapacity) slot.text.erase(0, kTextCapacity / 2);
    slot.text.push_back(static_cast<char>(code));
}

BandChannel BandDecoder::Impl::view(const Slot& slot) const {
    const Receiver& receiver = slot.decoders[slot.winner]->receiver;
    BandChannel channel;
    channel.id = slot.id;
    channel.frequencyHz = slot.frequencyHz;
    channel.mode = kDecoderModes[slot.winner % kDecoders];
    channel.speed = speeds[slot.winner / kDecoders];
    channel.quality = receiver.quality();
    channel.meanQuality = slot.qualityCount > 0
                              ? static_cast<int>(std::lround(
                                    slot.qualitySum / static_cast<double>(slot.qualityCount)))
                              : channel.quality;
    channel.startSeconds = static_cast<double>(slot.startSample) / kSampleRateHz;
    if (slot.noisePower > 0.0) {
        const double floor = slot.noisePower * std::pow(10.0, kMinSnrDb / 10.0);
        channel.snrDb = 10.0 * std::log10(std::max(slot.signalPower, floor) / slot.noisePower);
    }
    if (slot.imdFrames > 0.0 && slot.tonePower > 0.0) {
        const double floor = slot.tonePower * std::pow(10.0, kMinImdDb / 10.0);
        channel.imdDb = 10.0 * std::log10(std::max(slot.productPower, floor) / slot.tonePower);
    }
    channel.text = slot.text;
    return channel;
}

BandDecoder::BandDecoder(const BandDecoderConfig& config) : impl_(std::make_unique<Impl>(config)) {}

BandDecoder::~BandDecoder() = default;

const BandDecoderConfig& BandDecoder::config() const {
    return impl_->config;
}

void BandDecoder::reset() {
    impl_->reset();
}

void BandDecoder::process(std::span<const float> in, BandListener& listener) {
    impl_->listener = &listener;
    impl_->process(in);
}

void BandDecoder::finish(BandListener& listener) {
    Impl& s = *impl_;
    s.listener = &listener;
    // A signal still on the air when the input ends has its last characters in its receivers'
    // decision delay: they come out first, so that they count for the decision and reach the
    // listener before their channel ends. (One that went off earlier has only noise there.)
    for (auto& slot : s.slots) {
        if (slot->state == Impl::State::Free || (slot->presence & 1U) == 0) continue;
        for (auto& decoder : slot->decoders) {
            if (decoder->running) decoder->receiver.finish(decoder->sink);
        }
    }
    for (auto& slot : s.slots) {
        if (slot->state != Impl::State::Trial) continue;
        bool otherMode = false;
        const auto winner = s.decide(*slot, kFinishDecideChars, otherMode);
        if (winner && s.judge(*slot, *winner) == Impl::Verdict::Station) {
            s.activate(*slot, *winner);
        } else {
            s.freeSlot(*slot);
        }
    }
    s.sortChannels();
    // By frequency: endChannel() re-sorts, so take the first each time.
    while (!s.active.empty()) s.endChannel(*s.slots[s.active.front()]);
    s.candidates.clear();
}

std::size_t BandDecoder::channelCount() const {
    return impl_->active.size();
}

BandChannel BandDecoder::channel(std::size_t index) const {
    const Impl& s = *impl_;
    if (index >= s.active.size()) throw std::out_of_range("BandDecoder::channel");
    return s.view(*s.slots[s.active[index]]);
}

std::size_t BandDecoder::pendingCount() const {
    return static_cast<std::size_t>(
        std::count_if(impl_->slots.begin(), impl_->slots.end(),
                      [](const auto& slot) { return slot->state == Impl::State::Trial; }));
}

double BandDecoder::seconds() const {
    return static_cast<double>(impl_->samples) / kSampleRateHz;
}

}  // namespace pskmodem
