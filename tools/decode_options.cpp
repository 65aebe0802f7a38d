#include "decode_options.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <string>
#include <system_error>

#include "station/stream.h"

namespace quorvin::decode {
namespace {

// A whole argument as a decimal number ("1500", "12.5", "1.5e3"), or nothing. A number too large
// for a double (1e999) or infinity comes back infinite, so that it is reported as out of range
// rather than as no number; one too small for a double is zero.
std::optional<double> parseNumber(std::string_view text) {
    if (text.empty() || text.front() == '+') {
        return std::nullopt;
    }
    double value = 0.0;
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, value, std::chars_format::general);
    if (ptr != end || std::isnan(value)) {
        return std::nullopt;
    }
    if (ec == std::errc::result_out_of_range) {
        // The digits are valid; strtod tells an overflow (infinity) from an underflow (zero).
        // The tool keeps the C locale, so strtod reads the same decimal point.
        value = std::strtod(std::string(text).c_str(), nullptr);
    } else if (ec != std::errc()) {
        return std::nullopt;
    }
    return value;
}

std::string quoted(std::string_view text) {
    std::string result;
    result.reserve(text.size() + 2);
    result += '"';
    result += text;
    result += '"';
    return result;
}

std::string formatNumber(double value) {
    std::string text = std::to_string(value);
    text.erase(text.find_last_not_of('0') + 1);
    if (!text.empty() && text.back() == '.') {
        text.pop_back();
    }
    return text;
}

// A number option's value, checked against its range; sets `error` when it does not fit. A
// value that is a number but out of range is told so, however large it is.
std::optional<double> numberInRange(std::string_view option, std::string_view text, double low,
                                    double high, std::string& error) {
    const std::optional<double> value = parseNumber(text);
    if (!value) {
        error = std::string(option) + " needs a number, not " + quoted(text);
        return std::nullopt;
    }
    if (!(*value >= low && *value <= high)) {
        error = std::string(option) + " must be between " + formatNumber(low) + " and " +
                formatNumber(high) + ", not " + std::string(text);
        return std::nullopt;
    }
    return value;
}

// The longest text a report carries in one field.
constexpr std::size_t kMaxReportText = 254;

// Printable ASCII without spaces, at least one character.
bool isPrintableWord(std::string_view text) {
    return !text.empty() &&
           std::all_of(text.begin(), text.end(), [](char c) { return c > 0x20 && c < 0x7F; });
}

}  // namespace

bool isLocator(std::string_view text) {
    if (text.size() != 4 && text.size() != 6 && text.size() != 8) {
        return false;
    }
    const auto upper = [](char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c; };
    const auto letterUpTo = [&](char c, char last) { return upper(c) >= 'A' && upper(c) <= last; };
    const auto digit = [](char c) { return c >= '0' && c <= '9'; };
    // Field (A..R), square (0..9), subsquare (A..X), extended square (0..9).
    return letterUpTo(text[0], 'R') && letterUpTo(text[1], 'R') && digit(text[2]) &&
           digit(text[3]) &&
           (text.size() < 6 || (letterUpTo(text[4], 'X') && letterUpTo(text[5], 'X'))) &&
           (text.size() < 8 || (digit(text[6]) && digit(text[7])));
}

StationPlan stationPlan(const DecodeOptions& options) {
    StationPlan plan;
    const bool wanted[] = {!options.myCall.empty(), !options.adif.empty()};
    const char* const what[] = {"reception reports are sent", "the heard log is written"};
    const char* const none[] = {"none are sent", "nothing is logged"};
    bool* const on[] = {&plan.report, &plan.adif};
    for (int i = 0; i < 2; ++i) {
        if (!wanted[i]) {
            continue;
        }
        const std::string start = what[i];
        if (!options.live()) {
            plan.notes.push_back(start +
                                 " only for what a sound card receives (--device), never for "
                                 "a recording or the demo: " +
                                 none[i]);
        } else if (!options.all) {
            plan.notes.push_back(start + " only with --all: " + none[i]);
        } else if (!options.dial && !options.rig) {
            plan.notes.push_back(start +
                                 " only with the rig's dial (--dial or --rig), which gives each "
                                 "station's frequency on the air: " +
                                 none[i]);
        } else {
            *on[i] = true;
        }
    }
    return plan;
}

std::optional<ModeAtSpeed> modeAtSpeedFromName(std::string_view name) {
    using pskmodem::Mode;
    using pskmodem::Speed;
    if (name == "bpsk") {
        return ModeAtSpeed{Mode::Bpsk, Speed::Psk31};
    }
    if (name == "qpsk-usb") {
        return ModeAtSpeed{Mode::QpskUsb, Speed::Psk31};
    }
    if (name == "qpsk-lsb") {
        return ModeAtSpeed{Mode::QpskLsb, Speed::Psk31};
    }
    for (const Speed speed : {Speed::Psk31, Speed::Psk63, Speed::Psk125, Speed::Psk250}) {
        for (const Mode mode : {Mode::Bpsk, Mode::QpskUsb, Mode::QpskLsb}) {
            if (name == modeJsonName(mode, speed)) {
                return ModeAtSpeed{mode, speed};
            }
        }
    }
    return std::nullopt;
}

std::optional<pskmodem::Mode> modeFromName(std::string_view name) {
    const std::optional<ModeAtSpeed> found = modeAtSpeedFromName(name);
    return found ? std::optional(found->mode) : std::nullopt;
}

std::string modeDisplayName(pskmodem::Mode mode, pskmodem::Speed speed) {
    const std::string number = std::to_string(pskmodem::speedNumber(speed));
    switch (mode) {
        case pskmodem::Mode::Bpsk:
            return "BPSK" + number;
        case pskmodem::Mode::QpskUsb:
            return "QPSK" + number + " USB";
        case pskmodem::Mode::QpskLsb:
            return "QPSK" + number + " LSB";
    }
    return "BPSK" + number;
}

std::string modeJsonName(pskmodem::Mode mode, pskmodem::Speed speed) {
    return station::jsonModeName(mode, speed);
}

std::string usageText() {
    return "Usage: quorvin-decode FILE --freq HZ [options]\n"
           "       quorvin-decode --all FILE [--json] [options]\n"
           "       quorvin-decode --demo [--all] [--freq HZ] [--seconds N] [options]\n"
           "       quorvin-decode --device NAME|default --all [--json] [--seconds N] [options]\n"
           "       quorvin-decode --list-devices\n"
           "\n"
           "Decodes PSK31 (and PSK63, PSK125, PSK250) from an audio file (any format\n"
           "libsndfile reads, a regular file at\n"
           "7000 to 768000 samples/s; the left channel is used) or from the built-in band\n"
           "simulator. With --freq it receives one signal and writes its text to standard\n"
           "output as raw 8-bit character codes as it comes. With --all it finds every signal\n"
           "from 100 to 3000 Hz, tells its speed, BPSK from QPSK and the QPSK sideband by\n"
           "itself,\n"
           "receives them all at once, and prints each signal's text when the signal ends or\n"
           "the input does.\n"
           "\n"
           "Options:\n"
           "  --freq HZ        receive frequency, 100..3500 (required for a file without --all;\n"
           "                   the demo tunes to its strongest signal unless given)\n"
           "  --mode MODE      bpsk (default), qpsk-usb or qpsk-lsb for PSK31, or the faster\n"
           "                   speeds: bpsk63, qpsk63-usb, qpsk63-lsb, bpsk125, qpsk125-usb,\n"
           "                   qpsk125-lsb, bpsk250, qpsk250-usb, qpsk250-lsb (bpsk31, qpsk31-usb\n"
           "                   and qpsk31-lsb name PSK31 too); with --all only signals in this\n"
           "                   mode and at this speed are received (default: every mode at\n"
           "                   every speed)\n"
           "  --search HZ      AFC search range either side, 0..200 (default 50, 0 = off);\n"
           "                   with --all 0..40 (default 15)\n"
           "  --squelch N      squelch threshold 0..99 (default 0: every character is\n"
           "                   printed; with --all default 10)\n"
           "  --all            decode every signal at once\n"
           "  --json           with --all: print one JSON object per line and signal instead\n"
           "                   of text blocks (see below)\n"
           "  --realtime       play the file at real-time pace instead of as fast as possible\n"
           "  --demo           decode the built-in simulated band, at real-time pace\n"
           "  --seconds N      stop after N seconds of audio (the demo and a sound card run\n"
           "                   until interrupted otherwise)\n"
           "  --device NAME    capture from a sound card instead of a file: default (the\n"
           "                   system's default input) or a name as --list-devices prints it,\n"
           "                   alone or as \"NAME [HOST API]\". Runs until interrupted\n"
           "                   (Ctrl+C, SIGTERM: what is pending is printed and sent). A lost\n"
           "                   device is opened again every 2 s until it is back.\n"
           "  --list-devices   print the input devices, one a line: card number, name, host\n"
           "                   API and \"default\" for the system's default, separated by tabs\n"
           "  --dial HZ[,usb|lsb]  the radio's dial frequency in Hz (14070000 or 14.070.000)\n"
           "                   and sideband (default usb) when the audio was received: the\n"
           "                   signals are reported at their frequency on the air\n"
           "  --rig HOST:PORT  read the dial and sideband from rigctld at HOST:PORT\n"
           "  --rig-model N    read them from the rig of hamlib model N (1 is the dummy rig)\n"
           "  --rig-port DEV   its serial device or path (with --rig-model)\n"
           "  --rig-speed BAUD its serial speed (with --rig-model; default the model's)\n"
           "                   The rig is only read, never set. On the lower sideband the\n"
           "                   audio spectrum is inverted: --mode and the modes reported are\n"
           "                   the signals' modes on the air.\n"
           "  --my-call CALL   send reception reports of the stations heard, as CALL, to the\n"
           "                   reception-report network: only with --device, --all and a dial\n"
           "                   (--dial or a rig); a station only once its call was sent twice\n"
           "                   after \"de\", \"cq\" or \"qrz\" in one line, at most once per\n"
           "                   band in 30 minutes; reports go out every five minutes\n"
           "  --my-locator LOC your Maidenhead locator (JO31 or JO31le) for the reports\n"
           "  --antenna TEXT   your antenna, for the reports\n"
           "  --report HOST:PORT  where the reports go (default report.pskreporter.info:4739)\n"
           "  --adif FILE      log the stations reported, as ADIF, in FILE (with the same\n"
           "                   conditions as the reports; one record per call and band an hour)\n"
           "  --stream HOST:PORT  send each received line, and every 5 s the signals on the\n"
           "                   air, as one JSON object per UDP datagram (see below)\n"
           "  --help           show this text\n"
           "  --version        show the version\n"
           "\n"
           "Output of --all, per signal, in the order the signals end (those still on the air\n"
           "at the end of the input by frequency):\n"
           "  text:  a line \"1520 Hz BPSK31 q=87 S/N 12.3 dB IMD -28 dB:\", the text as raw\n"
           "         8-bit character codes, and an empty line. q is the signal's mean quality,\n"
           "         0..100; S/N is over the noise in 3000 Hz; IMD is left out until known.\n"
           "         With a dial the line starts with the frequency on the air:\n"
           "         \"14.071.520 (1520 Hz) BPSK31 q=87 ...\".\n"
           "  JSON:  {\"frequency_hz\":1520,\"dial_hz\":14070000,\"rf_hz\":14071520,\n"
           "         \"mode\":\"bpsk31\",\"quality\":87,\"snr_db\":12.3,\"imd_db\":-28,\n"
           "         \"calls\":[\"QR9ZZ\"],\"text\":\"...\"} (null where unknown; dial_hz and\n"
           "         rf_hz without a dial)\n"
           "         mode is bpsk31, qpsk31-usb or qpsk31-lsb. The output is pure ASCII: the\n"
           "         character codes are read as Windows-1252 and every character outside\n"
           "         printable ASCII is escaped (\\r, \\n, \\t, \\b, \\f, others as \\uXXXX of\n"
           "         their Unicode code point, e.g. code 128 as \\u20ac; the five codes that\n"
           "         Windows-1252 leaves undefined as \\u0081, \\u008d, \\u008f, \\u0090 and\n"
           "         \\u009d).\n"
           "\n"
           "The stream (--stream), one JSON object per datagram, pure ASCII as above:\n"
           "  {\"type\":\"line\",\"time\":\"2026-12-08T14:03:07Z\",\"frequency_hz\":1520,\n"
           "   \"rf_hz\":14071520,\"mode\":\"bpsk31\",\"snr_db\":12.3,\"imd_db\":-28,\n"
           "   \"calls\":[\"QR9ZZ\"],\"text\":\"...\"} for each line a signal completes, and\n"
           "  {\"type\":\"band\",\"time\":\"...\",\"dial_hz\":14070000,\"signals\":[{...}]}\n"
           "   every 5 s of audio, each signal with the fields of a line and its newest text\n"
           "  (rf_hz and dial_hz null without a dial, snr_db and imd_db when not known).\n"
           "\n"
           "Exit status: 0 when the input was decoded, 2 for bad arguments, an unreadable\n"
           "file or a rig that does not answer, 1 for any other failure.\n";
}

ParseResult parseDecodeOptions(std::span<const std::string_view> args) {
    ParseResult result;
    DecodeOptions& options = result.options;
    std::string& error = result.error;
    bool haveFile = false;
    bool optionsEnded = false;
    std::optional<std::string> rigDaemon;
    std::optional<int> rigModel;
    std::optional<std::string> rigPort;
    std::optional<int> rigSpeed;
    bool myLocatorGiven = false;
    bool antennaGiven = false;
    bool reportGiven = false;

    for (std::size_t i = 0; i < args.size() && error.empty(); ++i) {
        const std::string_view arg = args[i];
        const bool looksLikeOption = arg.size() > 1 && arg.front() == '-';
        if (optionsEnded || !looksLikeOption) {
            if (haveFile) {
                error = "only one file can be decoded at a time (got " + quoted(options.file) +
                        " and " + quoted(arg) + ")";
                break;
            }
            if (arg.empty()) {
                error = "the file name is empty";
                break;
            }
            options.file = std::string(arg);
            haveFile = true;
            continue;
        }
        if (arg == "--") {
            optionsEnded = true;
            continue;
        }

        // Split "--name=value".
        std::string_view name = arg;
        std::optional<std::string_view> inlineValue;
        if (const std::size_t eq = arg.find('='); eq != std::string_view::npos) {
            name = arg.substr(0, eq);
            inlineValue = arg.substr(eq + 1);
        }

        const auto flag = [&](bool& target) {
            if (inlineValue) {
                error = std::string(name) + " takes no value";
                return;
            }
            target = true;
        };
        // The option's value: inline or the next argument.
        const auto value = [&]() -> std::optional<std::string_view> {
            if (inlineValue) {
                return inlineValue;
            }
            if (i + 1 >= args.size()) {
                error = std::string(name) + " needs a value";
                return std::nullopt;
            }
            return args[++i];
        };

        if (name == "--help" || name == "-h") {
            flag(options.help);
        } else if (name == "--version") {
            flag(options.version);
        } else if (name == "--demo") {
            flag(options.demo);
        } else if (name == "--realtime") {
            flag(options.realtime);
        } else if (name == "--all") {
            flag(options.all);
        } else if (name == "--json") {
            flag(options.json);
        } else if (name == "--freq") {
            if (const auto text = value()) {
                if (const auto hz =
                        numberInRange(name, *text, kMinFrequencyHz, kMaxFrequencyHz, error)) {
                    options.frequencyHz = *hz;
                }
            }
        } else if (name == "--search") {
            if (const auto text = value()) {
                if (const auto hz = numberInRange(name, *text, 0.0, kMaxSearchHz, error)) {
                    options.searchHz = *hz;
                }
            }
        } else if (name == "--seconds") {
            if (const auto text = value()) {
                if (const auto s = numberInRange(name, *text, 0.0, kMaxSeconds, error)) {
                    if (*s <= 0.0) {
                        error = "--seconds must be more than 0, not " + std::string(*text);
                    } else {
                        options.seconds = *s;
                    }
                }
            }
        } else if (name == "--squelch") {
            if (const auto text = value()) {
                // Any number is first checked against the range, so that 1e99 is out of range
                // rather than no whole number.
                if (const auto n = numberInRange(name, *text, 0.0, kMaxSquelch, error)) {
                    if (*n != std::floor(*n)) {
                        error = "--squelch needs a whole number, not " + quoted(*text);
                    } else {
                        options.squelch = static_cast<int>(*n);
                    }
                }
            }
        } else if (name == "--dial") {
            if (const auto text = value()) {
                options.dial = station::parseDial(*text);
                if (!options.dial) {
                    error = "--dial needs HZ or HZ,usb or HZ,lsb, not " + quoted(*text);
                }
            }
        } else if (name == "--rig") {
            if (const auto text = value()) {
                if (!station::parseHostPort(*text)) {
                    error = "--rig needs HOST:PORT, not " + quoted(*text);
                } else {
                    rigDaemon = std::string(*text);
                }
            }
        } else if (name == "--rig-model") {
            if (const auto text = value()) {
                if (const auto n = numberInRange(name, *text, 1.0, 999999.0, error)) {
                    if (*n != std::floor(*n)) {
                        error = "--rig-model needs a whole number, not " + quoted(*text);
                    } else {
                        rigModel = static_cast<int>(*n);
                    }
                }
            }
        } else if (name == "--rig-port") {
            if (const auto text = value()) {
                if (text->empty()) {
                    error = "--rig-port needs a device";
                } else {
                    rigPort = std::string(*text);
                }
            }
        } else if (name == "--rig-speed") {
            if (const auto text = value()) {
                if (const auto n = numberInRange(name, *text, 50.0, 4000000.0, error)) {
                    if (*n != std::floor(*n)) {
                        error = "--rig-speed needs a whole number, not " + quoted(*text);
                    } else {
                        rigSpeed = static_cast<int>(*n);
                    }
                }
            }
        } else if (name == "--device") {
            if (const auto text = value()) {
                if (text->empty()) {
                    error = "--device needs a device name or default (see --list-devices)";
                } else {
                    options.device = std::string(*text);
                }
            }
        } else if (name == "--list-devices") {
            flag(options.listDevices);
        } else if (name == "--my-call") {
            if (const auto text = value()) {
                if (!isPrintableWord(*text) || text->size() > kMaxReportText) {
                    error = "--my-call needs a call sign without spaces, not " + quoted(*text);
                } else {
                    options.myCall = std::string(*text);
                }
            }
        } else if (name == "--my-locator") {
            if (const auto text = value()) {
                if (!isLocator(*text)) {
                    error =
                        "--my-locator needs a locator such as JO31 or JO31le, not " + quoted(*text);
                } else {
                    options.myLocator = std::string(*text);
                    myLocatorGiven = true;
                }
            }
        } else if (name == "--antenna") {
            if (const auto text = value()) {
                if (text->size() > kMaxReportText ||
                    std::any_of(text->begin(), text->end(), [](char c) {
                        return static_cast<unsigned char>(c) < 0x20 || c == 0x7F;
                    })) {
                    error = "--antenna needs one line of at most " +
                            std::to_string(kMaxReportText) + " characters";
                } else {
                    options.antenna = std::string(*text);
                    antennaGiven = true;
                }
            }
        } else if (name == "--report") {
            if (const auto text = value()) {
                if (const auto address = station::parseHostPort(*text)) {
                    options.report = *address;
                    reportGiven = true;
                } else {
                    error = "--report needs HOST:PORT, not " + quoted(*text);
                }
            }
        } else if (name == "--stream") {
            if (const auto text = value()) {
                options.stream = station::parseHostPort(*text);
                if (!options.stream) {
                    error = "--stream needs HOST:PORT, not " + quoted(*text);
                }
            }
        } else if (name == "--adif") {
            if (const auto text = value()) {
                if (text->empty()) {
                    error = "--adif needs a file name";
                } else {
                    options.adif = std::string(*text);
                }
            }
        } else if (name == "--mode") {
            if (const auto text = value()) {
                const std::optional<ModeAtSpeed> found = modeAtSpeedFromName(*text);
                if (found) {
                    options.mode = found->mode;
                    options.speed = found->speed;
                } else {
                    error =
                        "--mode must be bpsk, qpsk-usb or qpsk-lsb, or one of bpsk63, "
                        "qpsk63-usb, qpsk63-lsb, bpsk125, qpsk125-usb, qpsk125-lsb, bpsk250, "
                        "qpsk250-usb, qpsk250-lsb (or bpsk31, ...), not " +
                        quoted(*text);
                }
            }
        } else {
            error = "unknown option " + quoted(name) + " (see --help)";
        }
    }

    if (!error.empty() || options.help || options.version || options.listDevices) {
        return result;
    }
    if (rigDaemon) {
        options.rig = station::RigAddress::daemon(*rigDaemon);
    } else if (rigModel) {
        options.rig = station::RigAddress{
            .model = *rigModel, .port = rigPort.value_or(""), .speed = rigSpeed.value_or(0)};
    }
    if (rigDaemon && (rigModel || rigPort || rigSpeed)) {
        error = "give either --rig HOST:PORT or --rig-model, not both";
    } else if (!rigModel && (rigPort || rigSpeed)) {
        error = std::string(rigPort ? "--rig-port" : "--rig-speed") + " needs --rig-model";
    } else if (options.rig && options.dial) {
        error = "give either --dial or a rig, not both";
    } else if (options.demo && haveFile) {
        error = "give either a file or --demo, not both";
    } else if (options.device && haveFile) {
        error = "give either a file or --device, not both";
    } else if (options.device && options.demo) {
        error = "give either --demo or --device, not both";
    } else if (!options.demo && !haveFile && !options.device) {
        error = "no input: give an audio file, --device or --demo (see --help)";
    } else if (options.myCall.empty() && (myLocatorGiven || antennaGiven || reportGiven)) {
        error = std::string(myLocatorGiven ? "--my-locator"
                            : antennaGiven ? "--antenna"
                                           : "--report") +
                " needs --my-call, which turns reception reports on";
    } else if (options.all && options.frequencyHz) {
        error = "--freq cannot be given with --all, which decodes every signal";
    } else if (options.json && !options.all) {
        error = "--json needs --all";
    } else if (options.all && options.searchHz && *options.searchHz > kMaxAllSearchHz) {
        error = "--search must be between 0 and " + formatNumber(kMaxAllSearchHz) +
                " with --all, not " + formatNumber(*options.searchHz);
    } else if (!options.demo && !options.all && !options.frequencyHz) {
        error = options.device ? "--freq HZ is required when decoding a sound card (or give --all)"
                               : "--freq HZ is required when decoding a file (or give --all)";
    }
    return result;
}

}  // namespace quorvin::decode
