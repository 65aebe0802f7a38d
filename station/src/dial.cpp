#include "station/dial.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdlib>

namespace station {
namespace {

constexpr std::int64_t kMaxDialHz = 10'000'000'000;

std::string lowered(std::string_view text) {
    std::string out(text);
    std::transform(out.begin(), out.end(), out.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return out;
}

// Digits with optional dots between groups of three ("14070000" or "14.070.000").
std::optional<std::int64_t> parseHz(std::string_view text) {
    std::string digits;
    std::size_t group = 0;
    bool dotted = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '.') {
            if (i == 0 || (dotted && group != 3)) {
                return std::nullopt;
            }
            dotted = true;
            group = 0;
            continue;
        }
        if (c < '0' || c > '9') {
            return std::nullopt;
        }
        digits += c;
        ++group;
    }
    if (digits.empty() || digits.size() > 11 || (dotted && group != 3)) {
        return std::nullopt;
    }
    std::int64_t hz = 0;
    std::from_chars(digits.data(), digits.data() + digits.size(), hz);
    if (hz < 1 || hz > kMaxDialHz) {
        return std::nullopt;
    }
    return hz;
}

}  // namespace

Sideband sidebandOfMode(std::string_view mode) {
    const std::string name = lowered(mode);
    return name == "lsb" || name == "pktlsb" || name == "ecsslsb" ? Sideband::Lower
                                                                  : Sideband::Upper;
}

double rfFrequencyHz(std::int64_t dialHz, double audioHz, Sideband sideband) {
    const auto dial = static_cast<double>(dialHz);
    return sideband == Sideband::Lower ? dial - audioHz : dial + audioHz;
}

std::string formatDialHz(double hz) {
    const double rounded = std::isfinite(hz) ? std::round(hz) : 0.0;
    const std::string digits = std::to_string(static_cast<std::int64_t>(std::fabs(rounded)));
    std::string out = rounded < 0.0 ? "-" : "";
    for (std::size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0) {
            out += '.';
        }
        out += digits[i];
    }
    return out;
}

std::string formatDial(const DialReading& reading) {
    std::string out = formatDialHz(static_cast<double>(reading.dialHz));
    if (!reading.mode.empty()) {
        out += ' ';
        out += reading.mode;
    }
    return out;
}

std::optional<DialReading> parseDial(std::string_view text) {
    std::string_view number = text;
    Sideband sideband = Sideband::Upper;
    std::string mode = "USB";
    if (const std::size_t comma = text.find(','); comma != std::string_view::npos) {
        number = text.substr(0, comma);
        const std::string side = lowered(text.substr(comma + 1));
        if (side == "lsb") {
            sideband = Sideband::Lower;
            mode = "LSB";
        } else if (side != "usb") {
            return std::nullopt;
        }
    }
    const std::optional<std::int64_t> hz = parseHz(number);
    if (!hz) {
        return std::nullopt;
    }
    return DialReading{.dialHz = *hz, .mode = mode, .sideband = sideband};
}

std::optional<HostPort> parseHostPort(std::string_view text) {
    const std::size_t colon = text.rfind(':');
    if (colon == std::string_view::npos || colon == 0 || colon + 1 == text.size()) {
        return std::nullopt;
    }
    const std::string_view host = text.substr(0, colon);
    const std::string_view portText = text.substr(colon + 1);
    for (const char c : host) {
        if (!(std::isalnum(static_cast<unsigned char>(c)) || c == '.' || c == '-' || c == '_')) {
            return std::nullopt;
        }
    }
    int port = 0;
    const auto [end, ec] =
        std::from_chars(portText.data(), portText.data() + portText.size(), port);
    if (ec != std::errc() || end != portText.data() + portText.size() || port < 1 || port > 65535) {
        return std::nullopt;
    }
    return HostPort{.host = std::string(host), .port = port};
}

}  // namespace station
