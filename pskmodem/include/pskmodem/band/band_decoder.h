#pragma once

#include <cstddef>
#include <cstdint>
#include <limits>
#include <memory>
#include <optional>
#include <span>
#include <string_view>

#include "pskmodem/types.h"

namespace pskmodem {

// One signal the band decoder receives.
struct BandChannel {
    int id = 0;                  // 1, 2, 3 ... in the order the channels start
    double frequencyHz = 0.0;    // carrier, as the channel's receiver follows it
    Mode mode = Mode::Bpsk;      // the mode the signal was found to use (or was given)
    Speed speed = Speed::Psk31;  // and its speed
    int quality = 0;             // the receiver's quality figure now, 0..100
    int meanQuality = 0;         // average quality while the signal was there
    double startSeconds = 0.0;   // audio time at which the signal was first seen
    // Signal-to-noise ratio: the signal's mean power over the noise power in 3000 Hz, in dB.
    double snrDb = 0.0;
    // Third-order intermodulation: the products at +-46.875 Hz over the idle tones at
    // +-15.625 Hz, in dB (negative; -30 is a clean signal); NaN until an idle period was seen.
    double imdDb = std::numeric_limits<double>::quiet_NaN();
    // The text received so far: the newest BandDecoder::kTextCapacity characters.
    std::string_view text;
};

// What the band decoder reports, in the order it happens. A channel's `text` holds the
// characters reported up to the call.
class BandListener {
  public:
    virtual ~BandListener() = default;
    // A signal has been found and its mode is known. Its characters follow as character() calls,
    // starting with those received while the mode was being decided.
    virtual void channelStarted(const BandChannel& channel) = 0;
    virtual void character(const BandChannel& channel, std::uint8_t code) = 0;
    // The signal has gone (or finish() was called); the channel is not reported again.
    virtual void channelEnded(const BandChannel& channel) = 0;
};

struct BandDecoderConfig {
    // Carriers are looked for from lowHz to highHz (within the receivers' 100..3500 Hz).
    double lowHz = 100.0;
    double highHz = 3000.0;
    // The mode to receive; unset = every mode, each signal's own found by trial decoding.
    std::optional<Mode> mode;
    // The speed to receive; unset (the default) = every speed, each signal's own found from its
    // spectrum (a detector per speed) and by trial decoding. A signal found at one of the faster
    // speeds gets its channel only once its text reads as text (a receiver at another speed than
    // the signal's makes garbage of it at a fine quality), so that it starts some seconds later
    // with all of its text; so does a PSK31 one where a faster signal was seen. Slower signals
    // packed closer than a faster speed's spacing, or one idling between neighbours, look to that
    // speed's detector like one wide signal; where the slower speed's detector tells them apart
    // or sees the idle lines of its own speed, they count as no faster signal, so that PSK31
    // signals 50 to 60 Hz apart start as soon as with PSK31 alone. A signal that reads as garbage
    // at every speed gets no channel.
    std::optional<Speed> speed;
    // AFC search range of each channel's receiver, either side (small, so that neighbours
    // cannot pull a receiver off its signal).
    double searchRangeHz = 15.0;
    // Squelch of each channel (Receiver::setSquelch): characters received while the quality is
    // below the threshold are not reported.
    int squelchThreshold = 10;
    int squelchSpeed = 1;
    // A channel ends when its signal has been gone from the spectrum, and its quality low, for
    // this long.
    double retireSeconds = 5.0;
    // Signals received at once, those being examined included.
    int maxChannels = 48;
};

// Decodes every PSK signal in a band of 8 kHz audio at once (of the speeds looked for).
//
// A SignalDetector looks for signals in the spectrum. Each signal it reports for a few frames in a
// row gets receivers, tuned to it with a small AFC search range, which first run over the last
// seconds of audio so that the text from the signal's start is not lost (a few characters and a
// pause just as the signal starts, what a receiver makes of it while locking on, are left out).
// The signal is then examined with trial decoders for BPSK31 and both sidebands of QPSK31 (also
// when a mode is given, so that signals in other modes can be told apart):
//   - BPSK31 or QPSK31: a BPSK31 signal's phase changes are all 0 or 180 degrees, so the BPSK
//     receiver's quality stays at least as high as the QPSK one's; QPSK31 text turns the phase by
//     +-90 degrees as well, which drives the BPSK quality down while the QPSK one stays up.
//     Characters a trial decoder produces while its mode fits the signal so count for that mode.
//   - The sideband of QPSK31 (both give the same quality): the decoder on the right one produces
//     readable text, the other garbled characters. Each character is scored by how much likelier
//     it is in text (English letter frequencies, call signs, digits, punctuation) than in the
//     output of a decoder fed with garbled bits (which favours characters with short Varicode
//     words); runs of blanks count against.
// When one mode has the evidence, the channel starts and the other decoders stop; with a mode
// given, a signal found to use another one is dropped. A signal that fits no mode within 30 s is
// dropped too, and its frequency left alone for a while; one that vanishes meanwhile is
// forgotten. A strong station does not bring channels of its own defects:
//   - Splatter: a signal no stronger than what the keying sidebands of a hard-keyed transmitter
//     put at its distance from a stronger signal, with about as much power at the mirror
//     frequency on the stronger one's other side (keying sidebands are symmetric), starts only
//     once its text scores as text, so the garbage decoded from a splattering station's skirt
//     gets no channel while a real station beside it, however weak, does.
//   - Harmonics: a signal at about twice to five times a stronger one's frequency whose text
//     repeats that station's is its harmonic (an overdriven audio stage) and is dropped.
//
// Characters are reported only while the spectrum frame that saw them sent shows the signal, so
// the noise after a transmission, until the squelch closes, prints nothing. A channel whose
// signal has gone from the spectrum, with its quality low, for retireSeconds ends; a signal
// counts as there for a channel already running at a lower level than the one needed to find
// it (the mean of the last 2 s), so a weak station that the spectrum loses now and then keeps
// its channel. A channel whose quality stays low for several seconds while a signal well above
// the noise is there ends too: another station, in another mode, has taken the frequency, and
// is examined afresh (on a weak signal a low quality is the noise's doing). A channel follows a
// drifting signal beyond its search range by being tuned anew. Two channels that end up on the same
// signal are merged, the older kept.
//
// process() never allocates, locks or does I/O (every receiver and buffer is made by the
// constructor); the listener's calls come from inside it.
class BandDecoder {
  public:
    static constexpr std::size_t kTextCapacity = 8192;

    // Throws std::invalid_argument for an unusable configuration.
    explicit BandDecoder(const BandDecoderConfig& config = {});
    ~BandDecoder();
    BandDecoder(const BandDecoder&) = delete;
    BandDecoder& operator=(const BandDecoder&) = delete;

    const BandDecoderConfig& config() const;

    // Forgets every channel and all history without reporting anything.
    void reset();
    // Processes 8 kHz mono samples (full scale +-1).
    void process(std::span<const float> in, BandListener& listener);
    // The end of the input: signals still being examined are decided if the evidence allows,
    // then every channel ends.
    void finish(BandListener& listener);

    // Channels running now, by frequency.
    std::size_t channelCount() const;
    BandChannel channel(std::size_t index) const;
    // Signals being examined, not yet reported as channels.
    std::size_t pendingCount() const;
    // Audio processed since construction or reset(), in seconds.
    double seconds() const;

  private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace pskmodem
