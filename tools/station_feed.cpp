#include "station_feed.h"

#include <cmath>
#include <utility>

#include "pskmodem/band/call_signs.h"

namespace quorvin::decode {

station::Spot makeSpot(const std::string& call, const pskmodem::BandChannel& channel,
                       pskmodem::Mode onAir, const station::DialReading& dial,
                       std::int64_t timeUnix) {
    station::Spot spot;
    spot.call = call;
    spot.rfHz =
        std::llround(station::rfFrequencyHz(dial.dialHz, channel.frequencyHz, dial.sideband));
    spot.mode = station::reportModeName(onAir, channel.speed);
    spot.snrDb = std::isfinite(channel.snrDb) ? static_cast<int>(std::lround(channel.snrDb)) : 0;
    if (std::isfinite(channel.imdDb)) {
        spot.imdDb = static_cast<int>(std::lround(channel.imdDb));
    }
    spot.timeUnix = timeUnix;
    return spot;
}

station::StreamSignal streamSignal(const pskmodem::BandChannel& channel, pskmodem::Mode onAir,
                                   const std::optional<station::DialReading>& dial,
                                   std::string text) {
    station::StreamSignal signal;
    signal.frequencyHz = channel.frequencyHz;
    if (dial) {
        signal.rfHz =
            std::llround(station::rfFrequencyHz(dial->dialHz, channel.frequencyHz, dial->sideband));
    }
    signal.mode = onAir;
    signal.speed = channel.speed;
    signal.snrDb = channel.snrDb;
    signal.imdDb = channel.imdDb;
    signal.calls = pskmodem::findCallSigns(text);
    signal.text = std::move(text);
    return signal;
}

std::optional<std::string> ErrorWatch::update(const std::string& error) {
    if (error == told_) {
        return std::nullopt;
    }
    told_ = error;
    if (error.empty()) {
        return std::nullopt;
    }
    return what_ + ": " + error;
}

StationFeed::StationFeed(Sinks sinks, DialNow dial, station::UnixClock clock, double bandSeconds)
    : sinks_(std::move(sinks)),
      dial_(std::move(dial)),
      clock_(std::move(clock)),
      bandSeconds_(bandSeconds),
      nextBand_(bandSeconds) {}

pskmodem::Mode StationFeed::onAir(pskmodem::Mode heard,
                                  const std::optional<station::DialReading>& dial) {
    // On the lower sideband the audio is the air's mirrored.
    return dial && dial->sideband == station::Sideband::Lower ? pskmodem::mirroredMode(heard)
                                                              : heard;
}

void StationFeed::character(const pskmodem::BandChannel& channel, std::uint8_t code) {
    if (sinks_.spot) {
        const char c = static_cast<char>(code);
        spots(channel, confirmer_.add(channel.id, std::string_view(&c, 1)));
    }
    if (!sinks_.stream) {
        return;
    }
    std::string& text = lines_[channel.id];
    if (code == '\r' || code == '\n') {
        line(channel, text);
        return;
    }
    text.push_back(static_cast<char>(code));
    if (text.size() >= kMaxStreamLine) {
        line(channel, text);
    }
}

void StationFeed::channelEnded(const pskmodem::BandChannel& channel) {
    if (sinks_.spot) {
        spots(channel, confirmer_.end(channel.id));
    }
    if (const auto open = lines_.find(channel.id); open != lines_.end()) {
        line(channel, open->second);
        lines_.erase(open);
    }
}

void StationFeed::spots(const pskmodem::BandChannel& channel,
                        const std::vector<std::string>& calls) {
    if (calls.empty()) {
        return;
    }
    const std::optional<station::DialReading> dial = dial_();
    if (!dial) {
        return;  // a spot needs the frequency on the air
    }
    const std::int64_t now = clock_();
    for (const std::string& call : calls) {
        sinks_.spot(makeSpot(call, channel, onAir(channel.mode, dial), *dial, now));
    }
}

// Sends `text` as a line of `channel` unless it is empty, and clears it.
void StationFeed::line(const pskmodem::BandChannel& channel, std::string& text) {
    if (text.empty() || !sinks_.stream) {
        text.clear();
        return;
    }
    const std::optional<station::DialReading> dial = dial_();
    sinks_.stream(station::streamLineJson(
        streamSignal(channel, onAir(channel.mode, dial), dial, std::move(text)), clock_()));
    text.clear();
}

void StationFeed::audio(const pskmodem::BandDecoder& decoder) {
    if (!sinks_.stream || decoder.seconds() < nextBand_) {
        return;
    }
    std::vector<pskmodem::BandChannel> channels;
    for (std::size_t i = 0; i < decoder.channelCount(); ++i) {
        channels.push_back(decoder.channel(i));
    }
    audio(decoder.seconds(), channels);
}

void StationFeed::audio(double audioSeconds, const std::vector<pskmodem::BandChannel>& channels) {
    if (!sinks_.stream || audioSeconds < nextBand_) {
        return;
    }
    while (nextBand_ <= audioSeconds) {
        nextBand_ += bandSeconds_;
    }
    const std::optional<station::DialReading> dial = dial_();
    std::vector<station::StreamSignal> signals;
    for (const pskmodem::BandChannel& channel : channels) {
        const std::string_view text = channel.text;
        const std::size_t from =
            text.size() > kSnapshotTextChars ? text.size() - kSnapshotTextChars : 0;
        signals.push_back(
            streamSignal(channel, onAir(channel.mode, dial), dial, std::string(text.substr(from))));
    }
    sinks_.stream(station::streamBandJson(
        signals, dial ? std::optional(dial->dialHz) : std::nullopt, clock_()));
}

}  // namespace quorvin::decode
