#include "report/band_listener.h"

#include <algorithm>
#include <cmath>
#include <set>
#include <utility>

#include "platform/rig_dial.h"

namespace report {
namespace {

bool IsLineEnd(char c) {
    return c == '\r' || c == '\n';
}

std::vector<std::string> Words(const std::string& text) {
    std::vector<std::string> words;
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = std::min(text.find(' ', start), text.size());
        if (end > start) {
            words.push_back(text.substr(start, end - start));
        }
        start = end + 1;
    }
    return words;
}

// The newest text as one line: line breaks as blanks.
std::string OneLine(std::string text) {
    std::replace_if(text.begin(), text.end(), IsLineEnd, ' ');
    return text;
}

bool IsBlank(const std::string& text) {
    return std::all_of(text.begin(), text.end(), [](char c) { return c == ' '; });
}

}  // namespace

station::StreamSignal StreamSignalOf(const pskmodem::ActiveSignal& signal,
                                     const std::optional<station::DialReading>& dial,
                                     std::string text, std::vector<std::string> calls) {
    station::StreamSignal out;
    out.frequencyHz = signal.frequencyHz;
    if (dial) {
        out.rfHz =
            std::llround(station::rfFrequencyHz(dial->dialHz, signal.frequencyHz, dial->sideband));
    }
    out.mode = platform::HeardMode(signal.mode, dial);
    out.speed = signal.speed;
    out.snrDb = signal.snrDb;
    out.imdDb = signal.imdDb;
    out.calls = std::move(calls);
    out.text = std::move(text);
    return out;
}

void BandListener::endLine(const pskmodem::ActiveSignal& signal, Followed& followed,
                           const std::optional<station::DialReading>& dial, std::int64_t timeUnix,
                           Heard& heard) {
    std::string line = std::exchange(followed.line, {});
    if (IsBlank(line)) {
        return;
    }
    std::vector<std::string> calls = station::confirmedCalls(line);
    if (dial) {
        for (const std::string& call : calls) {
            station::Spot spot;
            spot.call = call;
            spot.rfHz = std::llround(
                station::rfFrequencyHz(dial->dialHz, signal.frequencyHz, dial->sideband));
            spot.mode =
                station::reportModeName(platform::HeardMode(signal.mode, dial), signal.speed);
            spot.snrDb = static_cast<int>(std::lround(signal.snrDb));
            if (!std::isnan(signal.imdDb)) {
                spot.imdDb = static_cast<int>(std::lround(signal.imdDb));
            }
            spot.timeUnix = timeUnix;
            heard.spots.push_back(std::move(spot));
        }
    }
    heard.lines.push_back(StreamSignalOf(signal, dial, std::move(line), std::move(calls)));
}

Heard BandListener::take(const pskmodem::BandActivitySnapshot& snapshot,
                         const std::optional<station::DialReading>& dial, std::int64_t timeUnix) {
    Heard heard;
    std::set<int> present;
    for (const pskmodem::ActiveSignal& signal : snapshot.signals) {
        present.insert(signal.id);
        Followed& followed = signals_[signal.id];
        if (signal.characters < followed.characters) {
            followed = {};  // the decoding started anew and gave the id to another signal
        }
        // Only what is new since the last snapshot, at most what the snapshot still holds.
        const std::size_t fresh = static_cast<std::size_t>(std::min<std::uint64_t>(
            signal.characters - followed.characters, signal.recentText.size()));
        followed.characters = signal.characters;
        for (const char c :
             std::string_view(signal.recentText).substr(signal.recentText.size() - fresh)) {
            if (IsLineEnd(c)) {
                endLine(signal, followed, dial, timeUnix, heard);
                continue;
            }
            followed.line.push_back(c);
            if (followed.line.size() >= kMaxLineCharacters) {
                endLine(signal, followed, dial, timeUnix, heard);
            }
        }
        if (!signal.live) {
            endLine(signal, followed, dial, timeUnix, heard);
        }
        last_[signal.id] = signal;
        heard.band.push_back(
            StreamSignalOf(signal, dial, OneLine(signal.recentText), Words(signal.calls)));
    }
    for (auto it = signals_.begin(); it != signals_.end();) {
        if (present.contains(it->first)) {
            ++it;
            continue;
        }
        if (const auto seen = last_.find(it->first); seen != last_.end()) {
            endLine(seen->second, it->second, dial, timeUnix, heard);
            last_.erase(seen);
        }
        it = signals_.erase(it);
    }
    return heard;
}

}  // namespace report
