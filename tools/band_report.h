#pragma once

// What quorvin-decode --all prints for each signal, as plain functions so that they can be tested
// without running the program.

#include <cstdint>
#include <limits>
#include <optional>
#include <string>
#include <string_view>

#include "pskmodem/types.h"
#include "station/dial.h"
#include "station/stream.h"

namespace quorvin::decode {

// JSON strings are written as the live stream writes them.
using station::jsonString;

// What is reported of one signal.
struct SignalReport {
    double frequencyHz = 0.0;
    pskmodem::Mode mode = pskmodem::Mode::Bpsk;
    int quality = 0;
    double snrDb = std::numeric_limits<double>::quiet_NaN();  // NaN: not known
    double imdDb = std::numeric_limits<double>::quiet_NaN();  // NaN: not known
    std::string_view text;
    // The rig's dial when the signal was heard; `mode` is then the mode on the air.
    std::optional<station::DialReading> dial;
    pskmodem::Speed speed = pskmodem::Speed::Psk31;
};

// Frequencies are printed rounded to whole hertz, the S/N to a tenth of a dB, the IMD to whole
// dB; an unknown S/N or IMD is left out.
// "1520 Hz BPSK31 q=87 S/N 12.3 dB IMD -28 dB:\n" + text + "\n\n", the text as raw character
// codes; with a dial the frequency on the air comes first: "14.071.520 (1520 Hz) BPSK31 ...".
std::string textReport(const SignalReport& report);
// {"frequency_hz":1520,"dial_hz":14070000,"rf_hz":14071520,"mode":"bpsk31","quality":87,
// "snr_db":12.3,"imd_db":-28,"calls":["QR9ZZ","QX2ABC"],"text":"..."} and a line break: dial_hz
// and rf_hz are null without a dial, snr_db and imd_db when not known, calls are the call signs
// pskmodem::findCallSigns finds in the text.
std::string jsonReport(const SignalReport& report);

}  // namespace quorvin::decode
