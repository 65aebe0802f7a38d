#pragma once

// From the engine's band snapshots to what is reported, without widgets: each signal's text new
// since the snapshot before, cut into lines; the calls each ended line confirms; a spot for each
// such call when the rig's dial gives its frequency on the air; and the band as the stream
// tells it.

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "pskmodem/band/band_activity.h"
#include "station/dial.h"
#include "station/heard.h"
#include "station/stream.h"

namespace report {

// What one snapshot brought.
struct Heard {
    std::vector<station::Spot> spots;          // calls confirmed, with a dial only
    std::vector<station::StreamSignal> lines;  // each line ended, its text and calls confirmed
    std::vector<station::StreamSignal> band;   // every signal of the snapshot
};

class BandListener {
  public:
    // A line that grows this long without a line break counts as ended (as long as the station
    // library lets a line grow before it looks at it in pieces).
    static constexpr std::size_t kMaxLineCharacters = 512;

    // Takes the signals' new text from `snapshot`, heard with `dial` at `timeUnix`. A signal
    // gone quiet or gone from the snapshot ends its unfinished line.
    Heard take(const pskmodem::BandActivitySnapshot& snapshot,
               const std::optional<station::DialReading>& dial, std::int64_t timeUnix);
    // Forgets every signal (the band decoding starts anew).
    void reset() { signals_.clear(); }

  private:
    struct Followed {
        std::uint64_t characters = 0;  // the signal's characters already taken
        std::string line;              // its unfinished line
    };

    void endLine(const pskmodem::ActiveSignal& signal, Followed& followed,
                 const std::optional<station::DialReading>& dial, std::int64_t timeUnix,
                 Heard& heard);

    std::map<int, Followed> signals_;
    std::map<int, pskmodem::ActiveSignal> last_;  // each signal as last seen, to end its line
};

// `signal` as the stream tells it, heard with `dial`; `text` and `calls` as given.
station::StreamSignal StreamSignalOf(const pskmodem::ActiveSignal& signal,
                                     const std::optional<station::DialReading>& dial,
                                     std::string text, std::vector<std::string> calls);

}  // namespace report
