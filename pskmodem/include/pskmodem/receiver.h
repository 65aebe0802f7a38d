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

// One PSK31 receive channel at 8000 samples/s: NCO mix to the receive frequency, decimation,
// filtering matched to the PSK31 pulse, symbol-timing recovery, phase detection, Varicode
// decoding, AFC within the search range, squelch and a quality figure.
// process() never allocates, locks or does I/O.
class Receiver {
  public:
    Receiver();
    ~Receiver();
    Receiver(const Receiver&) = delete;
    Receiver& operator=(const Receiver&) = delete;

    void reset();

    // Tunes to `centreHz`; the AFC may move up to `searchRangeHz` either side (0 = AFC off).
    void setFrequency(double centreHz, double searchRangeHz);
    void setMode(Mode mode);
    // threshold 0..99 against quality() (0 = always open); speed 1 = slow, 0 = fast.
    void setSquelch(int threshold, int speed);

    // Processes 8 kHz mono samples (full scale +-1); every decoded character passes the squelch
    // and goes to `out`.
    void process(std::span<const float> in, CharSink& out);

    // Frequency the receiver sits on now, after AFC.
    double frequencyHz() const;
    // Signal quality 0..100: near 0 on noise, near 100 on a clean signal.
    int quality() const;
    // The last eight symbols as points of the 44 x 44 tuning indicator in 1/52 units around
    // (22, 22): element 2i is x, 2i + 1 is y of point i, oldest first.
    std::array<std::int32_t, 16> vectors() const;
    bool squelchOpen() const;

  private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace pskmodem
