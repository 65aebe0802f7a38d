#pragma once

// The live stream: one JSON object per UDP datagram, for other programs to follow what is decoded.
//   {"type":"line","time":"2026-12-08T14:03:07Z","frequency_hz":1520,"rf_hz":14071520,
//    "mode":"bpsk31","snr_db":12.3,"imd_db":-28,"calls":["QR9ZZ"],"text":"..."}
//   {"type":"band","time":"...","dial_hz":14070000,"signals":[{"frequency_hz":...,"rf_hz":...,
//    "mode":...,"snr_db":...,"imd_db":...,"calls":[...],"text":"..."}, ...]}
// rf_hz and dial_hz are null without a dial, snr_db and imd_db when not known.

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "pskmodem/types.h"
#include "station/resolve.h"

namespace station {

// `bytes` (8-bit character codes, read as Windows-1252) as a JSON string with its quotes, in pure
// ASCII: quote and backslash escaped, \b \f \n \r \t for those controls, every other character
// outside printable ASCII as \uXXXX (lower-case hex) of its code point.
std::string jsonString(std::string_view bytes);

// "bpsk31", "qpsk31-usb", "qpsk63-lsb", ...: the mode names of the JSON output.
std::string jsonModeName(pskmodem::Mode mode, pskmodem::Speed speed);

// One signal as the stream tells it.
struct StreamSignal {
    double frequencyHz = 0.0;                    // audio
    std::optional<std::int64_t> rfHz;            // on the air, when the dial is known
    pskmodem::Mode mode = pskmodem::Mode::Bpsk;  // on the air
    pskmodem::Speed speed = pskmodem::Speed::Psk31;
    double snrDb = std::numeric_limits<double>::quiet_NaN();
    double imdDb = std::numeric_limits<double>::quiet_NaN();
    std::vector<std::string> calls;
    std::string text;  // a line, or the newest text of a band snapshot
};

// The messages, without a line break. Frequencies in whole hertz, the S/N to a tenth of a dB, the
// IMD in whole dB, the time in UTC to the second. Each fits in kMaxStreamDatagramBytes: a text
// too long keeps its newest part; a band of so many signals that even their other fields do not
// fit keeps its first ones.
std::string streamLineJson(const StreamSignal& signal, std::int64_t timeUnix);
std::string streamBandJson(const std::vector<StreamSignal>& signals,
                           std::optional<std::int64_t> dialHz, std::int64_t timeUnix);

// The live stream's datagrams stay below this size: a band snapshot's texts are cut (their
// newest part kept) to fit.
inline constexpr std::size_t kMaxStreamDatagramBytes = 60000;

// How a stream sender runs; tests replace the resolution and shorten the waits.
struct StreamOptions {
    HostResolver resolve = resolveHost;
    std::size_t maxQueued = 256;                   // the oldest message goes beyond this
    std::chrono::milliseconds retryAfter{10'000};  // after a failed resolution
    std::chrono::milliseconds closeTimeout{1000};  // the destructor's wait for the queue
};

// Sends each message as one UDP datagram to HOST:PORT from a thread of its own (the host is
// resolved there); a bounded queue, oldest dropped when the receiver side cannot keep up. What is
// queued at the end is sent within a bounded wait.
class StreamSender {
  public:
    StreamSender(std::string host, int port, StreamOptions options = {});
    ~StreamSender();
    StreamSender(const StreamSender&) = delete;
    StreamSender& operator=(const StreamSender&) = delete;

    void send(std::string message);  // any thread, never blocks
    std::uint64_t sent() const;
    std::uint64_t dropped() const;  // messages that the full queue lost
    std::string lastError() const;

  private:
    struct Worker;
    std::shared_ptr<Worker> worker_;  // shared with its thread, which may outlive a hung close
};

}  // namespace station
