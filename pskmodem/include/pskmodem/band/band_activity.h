#pragma once

#include <cstddef>
#include <cstdint>
#include <limits>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "pskmodem/band/band_decoder.h"
#include "pskmodem/types.h"

namespace pskmodem {

// One signal of the band as the operator follows it: a frequency where a station was heard,
// with what it sent lately. A station that pauses and comes back on (about) the same frequency
// stays the same signal, so the two sides of a QSO on one frequency share one.
struct ActiveSignal {
    int id = 0;                // 1, 2, 3 ... in the order signals are first heard
    double frequencyHz = 0.0;  // carrier, as the channel's receiver last followed it
    Mode mode = Mode::Bpsk;
    Speed speed = Speed::Psk31;
    double snrDb = 0.0;                                       // as BandChannel::snrDb
    double imdDb = std::numeric_limits<double>::quiet_NaN();  // as BandChannel::imdDb
    // The call signs heard in it, upper case, blank-separated, in the order first heard.
    std::string calls;
    // The newest characters received, up to BandActivity::kRecentCharacters (8-bit codes; CR and
    // LF as received, other control codes as blanks).
    std::string recentText;
    // Characters received in all, so that a reader can tell how many of recentText are new.
    std::uint64_t characters = 0;
    // Audio time (seconds since the activity started) when the station was last received.
    double lastHeardSeconds = 0.0;
    // Whether a receiver is on it now (false: it went quiet and is remembered).
    bool live = false;
};

// The state of the band at one moment, for a reader on another thread.
struct BandActivitySnapshot {
    double seconds = 0.0;               // audio time of the snapshot
    std::uint64_t serial = 0;           // 0: none yet; grows with each snapshot
    std::vector<ActiveSignal> signals;  // by frequency
};

// Every PSK signal of the band (a BandDecoder), kept per frequency: its mode and speed, S/N,
// IMD, the call signs heard, its latest text and when it was last heard. Signals quiet for longer
// than forgetSeconds are dropped. Single-threaded: the engine runs it on its DSP thread and hands
// out snapshots.
class BandActivity {
  public:
    static constexpr std::size_t kRecentCharacters = 160;
    static constexpr std::size_t kMaxSignals = 64;
    // A new channel within this distance of a remembered signal continues it.
    static constexpr double kSameSignalHz = 12.0;
    static constexpr double kDefaultForgetSeconds = 180.0;

    explicit BandActivity(const BandDecoderConfig& config = {},
                          double forgetSeconds = kDefaultForgetSeconds);
    ~BandActivity();
    BandActivity(const BandActivity&) = delete;
    BandActivity& operator=(const BandActivity&) = delete;

    void reset();
    // Processes 8 kHz mono samples.
    void process(std::span<const float> in);
    // Writes the state into `out`, reusing its storage; bumps its serial.
    void snapshot(BandActivitySnapshot& out);
    double seconds() const;

  private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace pskmodem
