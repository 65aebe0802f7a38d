#pragma once

// The live stream: one JSON object per UDP datagram, for other programs to follow what is decoded.
//   {"type":"line","time":"2026-12-08T14:03:07Z","frequency_hz":1520,"rf_hz":14071520,
//    "mode":"bpsk31","snr_db":12.3,"imd_db":-28,"calls":["QR9ZZ"],"text":"..."}
//   {"type":"band","time":"...","dial_hz":14070000,"signals":[{"frequency_hz":...,"rf_hz":...,
//    "mode":...,"snr_db":...,"imd_db":...,"calls":[...],"text":"..."}, ...]}
// rf_hz and dial_hz are null without a dial, snr_db and imd_db when not known.

#include <cstdint>
#include <limits>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "pskmodem/types.h"

namespace station {

// `bytes` (8-bit character codes, read as Windows-1252) as a JSON string with its quotes, in pure
// ASCII.
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

std::string streamLineJson(const StreamSignal& signal, std::int64_t timeUnix);
std::string streamBandJson(const std::vector<StreamSignal>& signals,
                           std::optional<std::int64_t> dialHz, std::int64_t timeUnix);

// Sends each message as one UDP datagram to HOST:PORT from a thread of its own (the host is
// resolved there); a bounded queue, oldest dropped when the receiver side cannot keep up.
class StreamSender {
  public:
    StreamSender(std::string host, int port);
    ~StreamSender();
    StreamSender(const StreamSender&) = delete;
    StreamSender& operator=(const StreamSender&) = delete;

    void send(std::string message);  // any thread, never blocks
    std::uint64_t sent() const;
    std::string lastError() const;

  private:
    struct Worker;
    std::unique_ptr<Worker> worker_;
};

}  // namespace station
