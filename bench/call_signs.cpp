// Call signs heard on a busy band: a simulated band of 30 PSK31 stations (BPSK31 and a few
// QPSK31, 200..2900 Hz, +5..+20 dB) in contacts with each other, each sending typical contact
// text (CQ calls, reports, names, rigs, 73) with its own made-up call sign and its partner's, is
// decoded by one BandDecoder; then the call signs are looked for in every channel's text. It
// prints per signal what was found, and in sum: the calls sent at least twice that were found,
// those missed, and the words taken for calls that no station sent.
//
//     bench_call_signs [SECONDS]      (default 180 s of audio)

#include "pskmodem/band/call_signs.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <map>
#include <set>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "pskmodem/band/band_decoder.h"
#include "pskmodem/codec/varicode.h"
#include "pskmodem/signals/simulator.h"
#include "pskmodem/types.h"

namespace {

using namespace pskmodem;

constexpr int kSignals = 30;
constexpr double kLowestHz = 200.0;
constexpr double kHighestHz = 2900.0;
constexpr std::size_t kBlock = 512;
// Channels found within this distance of a carrier belong to it.
constexpr double kMatchHz = 10.0;

// How the simulator lays out each signal in time: silence that grows with the signal's index
// (the stations come up one after another), then its text again and again, with idle between.
constexpr int kLeadSilenceSymbols = 16;
constexpr int kLeadSilencePerSignal = 24;
constexpr int kGapSymbols = 48;
// A call counts as sent when its last character left the transmitter this long before the end.
constexpr double kSentMarginSeconds = 1.0;

// The stations' own calls: the fictitious Q-prefixed kind and made-up ones in real formats
// (digit prefixes, two-letter prefixes, four-letter suffixes, portable).
const char* const kCalls[kSignals] = {
    "QR9ZZ",  "QX2ABC", "QT5MK",  "QA7XYZ", "QH1JK",     "QB4NN", "QD3PQ",  "QE8RT",
    "9A1XX",  "QF6LM",  "3D2XX",  "QG2WX",  "4X4XX",     "QJ4KT", "2E0XXA", "QK9BD",
    "VK2XX",  "QL1MF",  "JA1XXB", "QM5ZR",  "OH2XX",     "QN7HV", "VE3XXC", "QP0GS",
    "W1XX/P", "QS3YN",  "QU8CW",  "QV2DL",  "KH6/QY1AB", "QW6FB",
};
// Stations mentioned in passing, not in a call position.
const char* const kThirdCalls[] = {"QZ1AA", "QZ2BB", "QZ3CC", "QZ4DD", "QZ5EE"};
const char* const kNames[] = {"Pat", "Robin", "Sam", "Alex", "Kim", "Lou", "Jo", "Chris"};
const char* const kPlaces[] = {"Lake Ardmoor", "Northfell", "Brackwater",
                               "Elmsby",       "Greyhaven", "Oldcastle"};
const char* const kLocators[] = {"JO22DC", "FN31PR", "IO91WM", "KN05QF", "JN48OS"};

// Contact texts. {MY} is the station's call, {PEER} its partner's, {NAME}/{PNAME} their names,
// {QTH}, {LOC} and {THIRD} as they read. The rigs, reports, locators and bands are words of
// call-sign-like form that must not be taken for calls.
const char* const kTemplates[] = {
    "CQ CQ CQ de {MY} {MY} {MY}\r\nCQ CQ CQ de {MY} {MY} {MY} pse K\r\n",
    "{PEER} {PEER} de {MY} {MY} {MY}\r\nGood evening {PNAME}, tnx for the call. Ur RST is 599 "
    "599.\r\nName here is {NAME}, QTH {QTH}, loc {LOC}.\r\nHow copy? {PEER} de {MY} KN\r\n",
    "{PEER} de {MY}\r\nR R tnx {PNAME}, ur 5NN. Rig here is an IC7300 at 50W into a G5RV at 12 m, "
    "the PC runs PSK31.\r\nWX cloudy, 14 C. {PEER} de {MY} KN\r\n",
    "{PEER} de {MY}\r\nTnx fer the fine QSO {PNAME}. QSL via bureau, worked {THIRD} earlier on "
    "20M.\r\n73 and gud DX es hpe cuagn. {PEER} de {MY} SK\r\n",
    "CQ DX CQ DX de {MY} {MY} {MY}\r\nCQ DX de {MY} {MY} DX only K\r\n",
    "{PEER} de {MY} {MY}\r\nRST 579 579 in {QTH}, name {NAME}, rig FT817ND 5W, ant vertical, loc "
    "{LOC}. BTU {PEER} de {MY} K\r\n",
};

std::string replaceAll(std::string text, std::string_view key, std::string_view value) {
    for (std::size_t at = text.find(key); at != std::string::npos;
         at = text.find(key, at + value.size())) {
        text.replace(at, key.size(), value);
    }
    return text;
}

struct Station {
    SimulatedSignal signal;
    std::string call;
};

std::vector<Station> stations() {
    std::vector<Station> out;
    for (int i = 0; i < kSignals; ++i) {
        const auto u = static_cast<std::size_t>(i);
        const std::size_t peer = u ^ 1U;  // stations work each other in pairs
        // The CQ templates for some, contact texts for the others.
        const std::size_t shape = (u * 5 + u / 6) % std::size(kTemplates);
        std::string text = kTemplates[shape];
        text = replaceAll(text, "{MY}", kCalls[u]);
        text = replaceAll(text, "{PEER}", kCalls[peer]);
        text = replaceAll(text, "{NAME}", kNames[u % std::size(kNames)]);
        text = replaceAll(text, "{PNAME}", kNames[peer % std::size(kNames)]);
        text = replaceAll(text, "{QTH}", kPlaces[u % std::size(kPlaces)]);
        text = replaceAll(text, "{LOC}", kLocators[u % std::size(kLocators)]);
        text = replaceAll(text, "{THIRD}", kThirdCalls[u % std::size(kThirdCalls)]);

        Station station;
        station.call = kCalls[u];
        SimulatedSignal& s = station.signal;
        // About 93 Hz apart, moved by up to +-12 Hz so that the spacing is not regular.
        s.carrierHz = kLowestHz + (kHighestHz - kLowestHz) * i / (kSignals - 1) +
                      static_cast<double>((i * 37) % 25 - 12);
        s.carrierHz = std::clamp(s.carrierHz, kLowestHz, kHighestHz);
        s.mode = i % 6 == 3 ? (i % 12 == 3 ? Mode::QpskUsb : Mode::QpskLsb) : Mode::Bpsk;
        s.snrDb = 5.0 + 15.0 * ((i * 7) % kSignals) / (kSignals - 1);
        s.text = text;
        out.push_back(station);
    }
    return out;
}

bool isWordChar(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '/';
}

// How often each word of the stations' texts was sent in full within `seconds`, following the
// simulator's timing: every character takes its Varicode bits and two zeros, one symbol each.
std::map<std::string, int> sentWords(const std::vector<Station>& band, double seconds) {
    std::map<std::string, int> sent;
    const double lastSymbol = (seconds - kSentMarginSeconds) * kSymbolRateBaud;
    for (std::size_t i = 0; i < band.size(); ++i) {
        const std::string& text = band[i].signal.text;
        double symbol = kLeadSilenceSymbols + kLeadSilencePerSignal * static_cast<double>(i);
        while (symbol < lastSymbol) {
            symbol += kGapSymbols;
            std::string word;
            for (const char c : text) {
                symbol +=
                    static_cast<double>(varicodeBits(static_cast<std::uint8_t>(c)).size() + 2);
                if (isWordChar(c)) {
                    word += c;
                    continue;
                }
                if (!word.empty() && symbol <= lastSymbol) ++sent[word];
                word.clear();
            }
        }
    }
    return sent;
}

struct Channel {
    double frequencyHz = 0.0;
    Mode mode = Mode::Bpsk;
    std::string text;
};

class Collector final : public BandListener {
  public:
    void channelStarted(const BandChannel& c) override {
        channels[c.id].frequencyHz = c.frequencyHz;
    }
    void character(const BandChannel& c, std::uint8_t code) override {
        channels[c.id].text.push_back(static_cast<char>(code));
    }
    void channelEnded(const BandChannel& c) override {
        channels[c.id].frequencyHz = c.frequencyHz;
        channels[c.id].mode = c.mode;
    }
    std::map<int, Channel> channels;  // by id, in the order they started
};

const char* modeName(Mode mode) {
    switch (mode) {
        case Mode::Bpsk:
            return "BPSK31";
        case Mode::QpskUsb:
            return "QPSK31 USB";
        case Mode::QpskLsb:
            return "QPSK31 LSB";
    }
    return "?";
}

std::string joined(const std::vector<std::string>& words) {
    std::string out;
    for (const std::string& w : words) {
        if (!out.empty()) out += ' ';
        out += w;
    }
    return out.empty() ? "-" : out;
}

}  // namespace

int main(int argc, char** argv) {
    double seconds = 180.0;
    if (argc > 1) {
        const std::string_view arg = argv[1];
        const auto [ptr, ec] = std::from_chars(arg.data(), arg.data() + arg.size(), seconds);
        if (ec != std::errc() || ptr != arg.data() + arg.size() || !(seconds >= 10.0) ||
            seconds > 3600.0) {
            std::fprintf(stderr, "bench_call_signs: SECONDS must be a number from 10 to 3600\n");
            return 2;
        }
    }

    const std::vector<Station> band = stations();
    SimulatorConfig config;
    config.noiseRms = 0.02;
    config.seed = 4242;
    for (const Station& s : band) config.signals.push_back(s.signal);

    const auto count = static_cast<std::size_t>(seconds * kSampleRateHz);
    std::vector<float> audio(count);
    {
        BandSimulator simulator(config);
        simulator.generate(audio);
    }
    BandDecoder decoder;
    Collector result;
    for (std::size_t at = 0; at < count; at += kBlock) {
        decoder.process(std::span<const float>(audio).subspan(at, std::min(kBlock, count - at)),
                        result);
    }
    decoder.finish(result);

    std::printf("%.0f s of a band of %d stations (%.0f..%.0f Hz, +5..+20 dB)\n\n", seconds,
                kSignals, kLowestHz, kHighestHz);
    std::printf("  carrier  mode        SNR   station     chars  calls found\n");
    std::vector<bool> matched(result.channels.size(), false);
    std::vector<std::string> found;  // every call found, in order, once
    const auto addFound = [&](const std::vector<std::string>& calls) {
        for (const std::string& c : calls) {
            if (std::find(found.begin(), found.end(), c) == found.end()) found.push_back(c);
        }
    };
    for (const Station& station : band) {
        std::size_t chars = 0;
        std::vector<std::string> calls;
        std::size_t index = 0;
        for (const auto& [id, channel] : result.channels) {
            if (std::abs(channel.frequencyHz - station.signal.carrierHz) <= kMatchHz) {
                matched[index] = true;
                chars += channel.text.size();
                for (const std::string& c : findCallSigns(channel.text)) {
                    if (std::find(calls.begin(), calls.end(), c) == calls.end()) calls.push_back(c);
                }
            }
            ++index;
        }
        addFound(calls);
        std::printf("  %7.1f  %-10s %+5.1f   %-10s %6zu  %s\n", station.signal.carrierHz,
                    modeName(station.signal.mode), station.signal.snrDb, station.call.c_str(),
                    chars, joined(calls).c_str());
    }
    // Channels on no station's carrier are searched too: what they find counts as well.
    std::size_t index = 0;
    int stray = 0;
    for (const auto& [id, channel] : result.channels) {
        if (!matched[index++]) {
            ++stray;
            const std::vector<std::string> calls = findCallSigns(channel.text);
            std::printf("  %7.1f  (on no station)    %6zu  %s\n", channel.frequencyHz,
                        channel.text.size(), joined(calls).c_str());
            addFound(calls);
        }
    }

    // The stations' own calls stand in call positions in every text; the calls mentioned in
    // passing do not, so they need not be found, and are no error when they are.
    const std::map<std::string, int> sent = sentWords(band, seconds);
    const auto timesSent = [&](const std::string& word) {
        const auto it = sent.find(word);
        return it == sent.end() ? 0 : it->second;
    };
    const auto isFound = [&](const std::string& call) {
        return std::find(found.begin(), found.end(), call) != found.end();
    };
    std::vector<std::string> missed;
    int wanted = 0;
    int hits = 0;
    for (const char* call : kCalls) {
        if (timesSent(call) < 2) continue;
        ++wanted;
        if (isFound(call)) {
            ++hits;
        } else {
            missed.push_back(call);
        }
    }
    int passing = 0;
    int passingFound = 0;
    for (const char* call : kThirdCalls) {
        if (timesSent(call) == 0) continue;
        ++passing;
        if (isFound(call)) ++passingFound;
    }
    std::set<std::string> allCalls;
    for (const char* c : kCalls) allCalls.insert(c);
    for (const char* c : kThirdCalls) allCalls.insert(c);
    std::vector<std::string> wrong;
    int sentOnce = 0;
    for (const std::string& call : found) {
        if (allCalls.count(call) == 0 || timesSent(call) == 0) {
            wrong.push_back(call);
        } else if (timesSent(call) < 2) {
            ++sentOnce;
        }
    }
    std::printf("\nchannels on no station: %d\n", stray);
    std::printf("calls sent at least twice: %d, found: %d\n", wanted, hits);
    std::printf("missed: %zu  %s\n", missed.size(), joined(missed).c_str());
    std::printf("found but sent only once: %d\n", sentOnce);
    std::printf("calls mentioned in passing: %d, found: %d\n", passing, passingFound);
    std::printf("found but no call sent: %zu  %s\n", wrong.size(), joined(wrong).c_str());
    // Where each of those came from, to tell a decoding error from a word taken for a call.
    for (const std::string& word : wrong) {
        for (const auto& [id, channel] : result.channels) {
            // The word on its own, not inside a longer one.
            std::size_t at = channel.text.find(word);
            while (at != std::string::npos && ((at > 0 && isWordChar(channel.text[at - 1])) ||
                                               (at + word.size() < channel.text.size() &&
                                                isWordChar(channel.text[at + word.size()])))) {
                at = channel.text.find(word, at + 1);
            }
            if (at == std::string::npos) continue;
            const std::size_t from = at >= 40 ? at - 40 : 0;
            std::string context = channel.text.substr(from, word.size() + 80);
            for (char& c : context) {
                if (static_cast<unsigned char>(c) < 0x20 || static_cast<unsigned char>(c) > 0x7E) {
                    c = '_';
                }
            }
            std::printf("  %s at %.1f Hz: \"%s\"\n", word.c_str(), channel.frequencyHz,
                        context.c_str());
            break;
        }
    }
    return 0;
}
