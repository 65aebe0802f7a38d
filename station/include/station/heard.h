#pragma once

// From decoded text to stations heard: which call signs a signal's text confirms, the band of a
// frequency on the air and the names reports and logs give a mode.

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "pskmodem/types.h"

namespace station {

// One station heard, as it is reported and logged.
struct Spot {
    std::string call;           // as confirmed in the text, upper case
    std::int64_t rfHz = 0;      // the carrier's frequency on the air
    std::string mode;           // reportModeName: "PSK31", "QPSK31", "PSK63", ...
    int snrDb = 0;              // rounded to whole dB
    std::optional<int> imdDb;   // when the IMD was read
    std::string locator;        // the sender's, when known; may be empty
    std::int64_t timeUnix = 0;  // when it was heard, Unix seconds (UTC)

    bool operator==(const Spot&) const = default;
};

// The call signs `line` (one line of received text, without its line break) confirms, upper
// case, each once, in order: a call sign that stands after "de", "cq" or "qrz" (any case) and is
// sent twice in the line after that word ("CQ CQ de QR9ZZ QR9ZZ pse k" confirms QR9ZZ;
// "QX2ABC de QR9ZZ k" confirms nothing).
std::vector<std::string> confirmedCalls(std::string_view line);

// Collects each signal's text and hands out the calls confirmed as its lines end. Signals are told
// apart by an id (a band channel's). Not thread-safe.
class CallConfirmer {
  public:
    // Adds received characters of signal `id` (8-bit codes; CR or LF end a line). Returns the
    // calls confirmed by the lines this text completed.
    std::vector<std::string> add(int id, std::string_view text);
    // The signal ended: its unfinished line counts as ended too. Returns what it confirms.
    std::vector<std::string> end(int id);

  private:
    std::map<int, std::string> lines_;  // each signal's unfinished line, bounded in length
};

// The ADIF band of a frequency on the air ("160m", "80m", "60m", "40m", "30m", "20m", "17m",
// "15m", "12m", "10m", "6m", "2m", "70cm"...); empty outside the amateur bands.
std::string bandName(std::int64_t rfHz);

// The mode as reports and the ADIF submode name it: "PSK31", "QPSK31", "PSK63", "QPSK63",
// "PSK125", "QPSK125", "PSK250", "QPSK250" (QPSK's sideband is not part of the name).
std::string reportModeName(pskmodem::Mode mode, pskmodem::Speed speed);

}  // namespace station
