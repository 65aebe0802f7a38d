#pragma once

// What quorvin-decode hears, handed to the station's links: each call a signal confirms becomes a
// spot (for reception reports and the heard log), each line a signal completes and, every few
// seconds of audio, the signals on the air go to the live stream.

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "pskmodem/band/band_decoder.h"
#include "pskmodem/types.h"
#include "station/dial.h"
#include "station/heard.h"
#include "station/report.h"
#include "station/stream.h"

namespace quorvin::decode {

// How often the stream tells the signals on the air, in seconds of audio.
inline constexpr double kBandSnapshotSeconds = 5.0;
// The newest characters of each signal a band snapshot carries.
inline constexpr std::size_t kSnapshotTextChars = 64;
// A line longer than this goes to the stream in parts.
inline constexpr std::size_t kMaxStreamLine = 512;

// The spot of `call`, heard on `channel` (its mode as on the air) while the rig's dial was `dial`:
// the carrier's frequency on the air rounded to the hertz, the report's mode name, the S/N rounded
// to the dB (0 when not known), the IMD when read.
station::Spot makeSpot(const std::string& call, const pskmodem::BandChannel& channel,
                       pskmodem::Mode onAir, const station::DialReading& dial,
                       std::int64_t timeUnix);

// One signal as the stream tells it, with `text`.
station::StreamSignal streamSignal(const pskmodem::BandChannel& channel, pskmodem::Mode onAir,
                                   const std::optional<station::DialReading>& dial,
                                   std::string text);

// Watches a link's last error so that a failure that repeats at every datagram is told once: the
// line to print when the error has changed to a new one, nothing otherwise (also when it has
// cleared).
class ErrorWatch {
  public:
    explicit ErrorWatch(std::string what) : what_(std::move(what)) {}
    std::optional<std::string> update(const std::string& error);

  private:
    std::string what_;
    std::string told_;
};

class StationFeed {
  public:
    struct Sinks {
        std::function<void(const station::Spot&)> spot;  // empty: no spots are made
        std::function<void(std::string)> stream;         // empty: no stream
    };
    // The rig's dial now; nothing when not known.
    using DialNow = std::function<std::optional<station::DialReading>()>;

    StationFeed(Sinks sinks, DialNow dial, station::UnixClock clock = station::systemUnixSeconds,
                double bandSeconds = kBandSnapshotSeconds);

    // The band decoder's events.
    void character(const pskmodem::BandChannel& channel, std::uint8_t code);
    void channelEnded(const pskmodem::BandChannel& channel);
    // After each block of audio: the band snapshot, when one is due.
    void audio(const pskmodem::BandDecoder& decoder);
    // The same for a single channel of its own, which never ends before the input does.
    void audio(double audioSeconds, const std::vector<pskmodem::BandChannel>& channels);

  private:
    pskmodem::Mode onAir(pskmodem::Mode heard, const std::optional<station::DialReading>& dial);
    void spots(const pskmodem::BandChannel& channel, const std::vector<std::string>& calls);
    void line(const pskmodem::BandChannel& channel, std::string& text);

    Sinks sinks_;
    DialNow dial_;
    station::UnixClock clock_;
    double bandSeconds_;
    double nextBand_;
    station::CallConfirmer confirmer_;
    std::map<int, std::string> lines_;  // each signal's unfinished line, by channel id
};

}  // namespace quorvin::decode
