#pragma once

// Command line of quorvin-decode, parsed without side effects so that it can be tested.

#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "pskmodem/types.h"

namespace quorvin::decode {

inline constexpr double kMinFrequencyHz = 100.0;
inline constexpr double kMaxFrequencyHz = 3500.0;
inline constexpr double kDefaultSearchHz = 50.0;
inline constexpr double kMaxSearchHz = 200.0;
inline constexpr int kMaxSquelch = 99;
// Longest run --seconds accepts: a year, far beyond any use, small enough to count in samples.
inline constexpr double kMaxSeconds = 366.0 * 24.0 * 3600.0;

struct DecodeOptions {
    bool help = false;
    bool demo = false;
    std::string file;                    // the recording to decode (not with --demo)
    std::optional<double> frequencyHz;   // required for a file; the demo picks a signal
    std::optional<pskmodem::Mode> mode;  // BPSK unless given (the demo: the signal's mode)
    double searchHz = kDefaultSearchHz;  // AFC range either side, 0 = off
    int squelch = 0;                     // 0 = every character is printed
    bool realtime = false;               // play a file at real-time pace
    std::optional<double> seconds;       // stop after this much audio
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

// "bpsk", "qpsk-usb", "qpsk-lsb" and the names the header line uses ("BPSK31", ...).
std::optional<pskmodem::Mode> modeFromName(std::string_view name);
std::string_view modeDisplayName(pskmodem::Mode mode);

}  // namespace quorvin::decode
