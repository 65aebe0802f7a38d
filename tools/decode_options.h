#pragma once

// Command line of quorvin-decode, parsed without side effects so that it can be tested.

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "pskmodem/types.h"
#include "station/dial.h"
#include "station/report.h"
#include "station/rig.h"

namespace quorvin::decode {

// The receive frequency and the AFC range are those the receiver takes.
using pskmodem::kMaxFrequencyHz;
using pskmodem::kMinFrequencyHz;
inline constexpr double kDefaultSearchHz = 50.0;
inline constexpr double kMaxSearchHz = pskmodem::kMaxSearchRangeHz;
// With --all every signal has its own receiver, whose AFC must not reach its neighbours.
inline constexpr double kDefaultAllSearchHz = 15.0;
inline constexpr double kMaxAllSearchHz = 40.0;
// With --all the squelch is on unless set: noise between the signals is not printed.
inline constexpr int kDefaultAllSquelch = 10;
inline constexpr int kMaxSquelch = 99;
// Longest run --seconds accepts: a year, far beyond any use, small enough to count in samples.
inline constexpr double kMaxSeconds = 366.0 * 24.0 * 3600.0;

struct DecodeOptions {
    bool help = false;
    bool version = false;
    bool demo = false;
    bool all = false;                    // decode every signal in the band
    bool json = false;                   // with --all: one JSON object per signal
    std::string file;                    // the recording to decode (not with --demo)
    std::optional<double> frequencyHz;   // required for a file without --all; the demo picks one
    std::optional<pskmodem::Mode> mode;  // one channel: BPSK unless given (the demo: the signal's
                                         // mode); --all: only signals of this mode
    pskmodem::Speed speed = pskmodem::Speed::Psk31;  // the speed --mode names (PSK31 unless
                                                     // the name has another)
    std::optional<double> searchHz;  // AFC range either side, 0 = off (default 50, --all 15)
    std::optional<int> squelch;      // 0 = every character is printed (default 0, --all 10)
    bool realtime = false;           // play a file at real-time pace
    std::optional<double> seconds;   // stop after this much audio
    // The rig's dial, for frequencies on the air: given (--dial, a recording made at a known
    // dial) or read from the rig (--rig HOST:PORT, or --rig-model N with --rig-port and
    // --rig-speed). On the lower sideband --mode and the modes reported are those on the air.
    std::optional<station::DialReading> dial;
    std::optional<station::RigAddress> rig;
    // A sound card instead of a file or the demo: "default" (the system's default input) or a
    // device's name as --list-devices prints it, alone or with its host API in brackets.
    std::optional<std::string> device;
    bool listDevices = false;  // print the input devices and exit
    // Reception reports (on when myCall is given), the heard-stations log and the live stream.
    std::string myCall;
    std::string myLocator;
    std::string antenna;
    station::HostPort report{station::kDefaultReportHost, station::kDefaultReportPort};
    std::string adif;                         // the heard log's file; empty: none
    std::optional<station::HostPort> stream;  // where the live stream goes

    bool live() const { return device.has_value(); }

    double searchOrDefault() const {
        return searchHz.value_or(all ? kDefaultAllSearchHz : kDefaultSearchHz);
    }
    int squelchOrDefault() const { return squelch.value_or(all ? kDefaultAllSquelch : 0); }
};

struct ParseResult {
    DecodeOptions options;
    std::string error;  // empty when the command line is valid; otherwise one line, no prefix
    bool ok() const { return error.empty(); }
};

// Parses the arguments after the program name. Accepts "--name value" and "--name=value"; the
// last of a repeated option wins; "--" ends the options.
ParseResult parseDecodeOptions(std::span<const std::string_view> args);

// The text --help prints.
std::string usageText();

// What the run does with the stations it hears, and the lines it says about what it leaves out.
// Reports and the heard log need a live sound card (never a recording or the demo: playback is not
// reception), --all and the rig's dial (--dial or a rig), since a station is reported on its
// frequency on the air.
struct StationPlan {
    bool report = false;
    bool adif = false;
    std::vector<std::string> notes;  // one line each, no prefix
};
StationPlan stationPlan(const DecodeOptions& options);

// A Maidenhead locator of 4, 6 or 8 characters ("JO31", "JO31le", "JO31le52"), any case.
bool isLocator(std::string_view text);

// A mode at a speed, as --mode and the output name it.
struct ModeAtSpeed {
    pskmodem::Mode mode = pskmodem::Mode::Bpsk;
    pskmodem::Speed speed = pskmodem::Speed::Psk31;
    bool operator==(const ModeAtSpeed&) const = default;
};

// --mode's names: "bpsk", "qpsk-usb", "qpsk-lsb" (PSK31) and the names of the JSON output, which
// carry the speed: "bpsk31", "qpsk31-usb", "qpsk31-lsb", "bpsk63", "qpsk63-usb", ... "bpsk250",
// "qpsk250-usb", "qpsk250-lsb".
std::optional<ModeAtSpeed> modeAtSpeedFromName(std::string_view name);
// The mode of such a name, whatever its speed.
std::optional<pskmodem::Mode> modeFromName(std::string_view name);
// The names the header line uses ("BPSK31", "QPSK63 USB", ...) and those of the JSON output
// ("bpsk31", "qpsk63-usb", ...).
std::string modeDisplayName(pskmodem::Mode mode, pskmodem::Speed speed = pskmodem::Speed::Psk31);
std::string modeJsonName(pskmodem::Mode mode, pskmodem::Speed speed = pskmodem::Speed::Psk31);

}  // namespace quorvin::decode
