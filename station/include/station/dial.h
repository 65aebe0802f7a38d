#pragma once

// The rig's dial and the arithmetic from an audio frequency to the frequency on the air.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace station {

// Which side of the carrier the rig's receiver passes. On the lower sideband the audio spectrum is
// the air's mirrored: a tone f Hz above the audio's zero lies f Hz below the dial.
enum class Sideband { Upper, Lower };

// What the rig says it is tuned to.
struct DialReading {
    std::int64_t dialHz = 0;
    std::string mode;  // hamlib's name of the rig's mode: "USB", "LSB", "PKTLSB", ...
    Sideband sideband = Sideband::Upper;

    bool operator==(const DialReading&) const = default;
};

// The lower sidebands among hamlib's mode names (LSB, PKTLSB, ECSSLSB); every other mode is
// taken as the upper sideband.
Sideband sidebandOfMode(std::string_view mode);

// The frequency on the air of an audio tone: dial + audio on the upper sideband, dial - audio on
// the lower.
double rfFrequencyHz(std::int64_t dialHz, double audioHz, Sideband sideband);

// A frequency as radio amateurs write it, whole hertz in groups of three digits separated by dots:
// 14070000 as "14.070.000", 7040500 as "7.040.500". Rounded to the hertz; a negative frequency
// keeps its sign.
std::string formatDialHz(double hz);

// What the main window and the band window show of the dial: "14.070.000 USB".
std::string formatDial(const DialReading& reading);

// "--dial HZ[,usb|lsb]": a whole number of hertz (1..10 GHz, also written with the dots of
// formatDialHz) and the sideband, upper unless given. Nothing when the text is not one.
std::optional<DialReading> parseDial(std::string_view text);

// "HOST:PORT" of a rig daemon: a host name or IPv4 address, a port 1..65535. Nothing otherwise.
struct HostPort {
    std::string host;
    int port = 0;
};
std::optional<HostPort> parseHostPort(std::string_view text);

}  // namespace station
