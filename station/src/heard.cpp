#include "station/heard.h"

#include <algorithm>
#include <array>
#include <cstddef>

#include "pskmodem/band/call_signs.h"

namespace station {
namespace {

// A line longer than this (a station that sends no line breaks) is looked at in pieces.
constexpr std::size_t kMaxLineBytes = 512;

bool isWordCharacter(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '/';
}

std::string upper(std::string_view word) {
    std::string out(word);
    for (char& c : out) {
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    }
    return out;
}

// The words of `line`, upper case.
std::vector<std::string> words(std::string_view line) {
    std::vector<std::string> out;
    std::size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && !isWordCharacter(line[i])) ++i;
        const std::size_t start = i;
        while (i < line.size() && isWordCharacter(line[i])) ++i;
        if (i > start) out.push_back(upper(line.substr(start, i - start)));
    }
    return out;
}

bool isKeyword(const std::string& word) {
    return word == "DE" || word == "CQ" || word == "QRZ";
}

void addOnce(std::vector<std::string>& calls, const std::string& call) {
    if (std::find(calls.begin(), calls.end(), call) == calls.end()) calls.push_back(call);
}

}  // namespace

std::vector<std::string> confirmedCalls(std::string_view line) {
    const std::vector<std::string> all = words(line);
    std::vector<std::string> confirmed;
    // After the first keyword every later keyword only narrows the words after it, so the first
    // one decides: a call sent twice after it is confirmed.
    const auto keyword = std::find_if(all.begin(), all.end(), isKeyword);
    if (keyword == all.end()) return confirmed;
    for (auto word = keyword + 1; word != all.end(); ++word) {
        if (!pskmodem::isCallSign(*word)) continue;
        if (std::count(keyword + 1, all.end(), *word) >= 2) addOnce(confirmed, *word);
    }
    return confirmed;
}

std::vector<std::string> CallConfirmer::add(int id, std::string_view text) {
    std::vector<std::string> found;
    std::string& line = lines_[id];
    for (const char c : text) {
        if (c == '\r' || c == '\n') {
            for (const std::string& call : confirmedCalls(line)) addOnce(found, call);
            line.clear();
            continue;
        }
        line += c;
        if (line.size() < kMaxLineBytes) continue;
        // Too long for one line: what stands before its last word is looked at as a line, the
        // last word (perhaps a call still arriving) starts the next piece.
        std::size_t cut = line.size();
        while (cut > 0 && isWordCharacter(line[cut - 1])) --cut;
        for (const std::string& call : confirmedCalls(std::string_view(line).substr(0, cut))) {
            addOnce(found, call);
        }
        line.erase(0, cut == 0 ? line.size() : cut);
    }
    return found;
}

std::vector<std::string> CallConfirmer::end(int id) {
    const auto it = lines_.find(id);
    if (it == lines_.end()) return {};
    std::vector<std::string> found = confirmedCalls(it->second);
    lines_.erase(it);
    return found;
}

namespace {

struct Band {
    std::int64_t lowHz;
    std::int64_t highHz;
    const char* name;
};

// The band enumeration of ADIF 3.1.4, edges included.
constexpr std::array kBands{
    Band{135'700, 137'800, "2190m"},
    Band{472'000, 479'000, "630m"},
    Band{501'000, 504'000, "560m"},
    Band{1'800'000, 2'000'000, "160m"},
    Band{3'500'000, 4'000'000, "80m"},
    Band{5'060'000, 5'450'000, "60m"},
    Band{7'000'000, 7'300'000, "40m"},
    Band{10'100'000, 10'150'000, "30m"},
    Band{14'000'000, 14'350'000, "20m"},
    Band{18'068'000, 18'168'000, "17m"},
    Band{21'000'000, 21'450'000, "15m"},
    Band{24'890'000, 24'990'000, "12m"},
    Band{28'000'000, 29'700'000, "10m"},
    Band{40'000'000, 45'000'000, "8m"},
    Band{50'000'000, 54'000'000, "6m"},
    Band{54'000'001, 69'900'000, "5m"},
    Band{70'000'000, 71'000'000, "4m"},
    Band{144'000'000, 148'000'000, "2m"},
    Band{222'000'000, 225'000'000, "1.25m"},
    Band{420'000'000, 450'000'000, "70cm"},
    Band{902'000'000, 928'000'000, "33cm"},
    Band{1'240'000'000, 1'300'000'000, "23cm"},
    Band{2'300'000'000, 2'450'000'000, "13cm"},
    Band{3'300'000'000, 3'500'000'000, "9cm"},
    Band{5'650'000'000, 5'925'000'000, "6cm"},
    Band{10'000'000'000, 10'500'000'000, "3cm"},
};

}  // namespace

std::string bandName(std::int64_t rfHz) {
    for (const Band& band : kBands) {
        if (rfHz >= band.lowHz && rfHz <= band.highHz) return band.name;
    }
    return {};
}

std::string reportModeName(pskmodem::Mode mode, pskmodem::Speed speed) {
    return (mode == pskmodem::Mode::Bpsk ? "PSK" : "QPSK") +
           std::to_string(pskmodem::speedNumber(speed));
}

}  // namespace station
