#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <span>

#include "pskmodem/types.h"

namespace pskmodem {

// Receives decoded characters from a Receiver.
class CharSink {
  public:
    virtual ~CharSink() = default;
    virtual void character(std::uint8_t code) = 0;
};

// One PSK receive channel at 8000 samples/s for one speed (PSK31 unless set otherwise): NCO mix
// to the receive frequency, decimation, filtering matched to the keying pulse, symbol-timing
// recovery, phase detection, Varicode decoding, AFC within the search range, squelch and a quality
// figure.
//
// Signal path (as for PSK31; the faster speeds are decimated less, so that every block after the
// decimator sees them as it sees PSK31, and every time constant counts in symbols):
// DC blocker -> mixer -> lowpass, decimation by 8 -> 1000 Hz complex baseband ->
// filter matched to the two-symbol raised-cosine keying pulse -> symbol strobes from a
// square-law timing loop (fast acquisition, then a narrow loop that learns the sender's clock).
// Each symbol sample feeds
//  - a frequency-assisted third-order carrier loop (phase, frequency and drift); while it holds
//    lock on a steady signal, BPSK31 is decided coherently by a sequence detector that undoes the
//    matched filter's intersymbol interference and never decides a word Varicode has no
//    character for (a symbol error that joins two characters would lose both);
//  - a symbol-rate equaliser for that interference; on a fading signal (or without lock) BPSK31
//    is decided from the equalised samples by sequence detectors that predict the fading
//    channel from the symbols they have decided (three, for slower and faster fading; the one
//    that predicts best has the say), which follow the carrier's phase through deep fades where
//    comparing each symbol with the one before fails; QPSK31 on a fading signal likewise, by a
//    Viterbi decoder whose survivors each predict the channel;
//  - the phase change from the previous symbol (corrected for the residual carrier offset; for
//    QPSK31 between equalised samples): the squelch's quality measure, the tuning indicator and
//    the soft input of the QPSK31 Viterbi decoder while the carrier loop does not hold the
//    signal;
//  - for QPSK31 on a steady signal, the equalised sample with the carrier's phase taken off: the
//    input of a decoder on the joint trellis of carrier quadrant and encoder state, which meets
//    the noise of one symbol rather than of two and whose decisions, a few symbols back, steer
//    the carrier loop.
// The AFC finds carriers within the search range as lines in the spectrum of the squared (BPSK)
// or fourth-power (QPSK) baseband, steps the mixer onto the strongest, and then lets the mixer
// follow the carrier loop.
//
// Input of any level from about -60 dBFS to full scale works the same (every estimate is scale
// free); non-finite samples count as silence. The output does not depend on how the input is cut
// into blocks. process() never allocates, locks or does I/O.
class Receiver {
  public:
    explicit Receiver(Speed speed = Speed::Psk31);
    ~Receiver();
    Receiver(const Receiver&) = delete;
    Receiver& operator=(const Receiver&) = delete;

    void reset();

    // Tunes to `centreHz`; the AFC may move up to `searchRangeHz` either side (0 = AFC off).
    void setFrequency(double centreHz, double searchRangeHz);
    void setMode(Mode mode);
    // Changes the symbol rate: the signal path starts afresh, tuned, in the mode and with the
    // squelch as before. Unlike the other settings this allocates.
    void setSpeed(Speed speed);
    Mode mode() const;
    Speed speed() const;
    // threshold 0..99 against quality() (0 = always open); speed 1 = slow, 0 = fast.
    void setSquelch(int threshold, int speed);

    // Processes 8 kHz mono samples (full scale +-1); every decoded character passes the squelch
    // and goes to `out`.
    void process(std::span<const float> in, CharSink& out);
    // The end of the input: the characters whose symbols have come in but are still within the
    // decoders' decision delay (up to about a second) go to `out` as well, judged by the squelch
    // as it stood at the last symbol, as far as the symbols received decide their bits: where the
    // decoder's survivors still dispute a bit with odds under 1000:1, it and what follows are
    // dropped. The receiver then starts afresh on the next input, still tuned where it was.
    void finish(CharSink& out);

    // Frequency the receiver sits on now, after AFC.
    double frequencyHz() const;
    // Signal quality 0..100: near 0 on noise, near 100 on a clean signal.
    int quality() const;
    // The last kVectorValues / 2 (eight) symbols as points of the 44 x 44 tuning indicator in
    // 1/52 units around (22, 22): element 2i is x, 2i + 1 is y of point i, oldest first.
    std::array<std::int32_t, kVectorValues> vectors() const;
    bool squelchOpen() const;

  private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace pskmodem
