#pragma once

// What quorvin-decode --all prints for each signal, as plain functions so that they can be tested
// without running the program.

#include <cstdint>
#include <string>
#include <string_view>

#include "pskmodem/types.h"

namespace quorvin::decode {

// `bytes` (8-bit character codes, read as Windows-1252) as a JSON string with its quotes, in pure
// ASCII: quote and backslash escaped, \b \f \n \r \t for those controls, every other character
// outside printable ASCII as \uXXXX (lower-case hex) of its code point.
std::string jsonString(std::string_view bytes);

// Frequencies are printed rounded to whole hertz.
// "1520 Hz BPSK31 q=87:\n" + text + "\n\n", the text as raw character codes.
std::string textReport(double frequencyHz, pskmodem::Mode mode, int quality, std::string_view text);
// {"frequency_hz":1520,"mode":"bpsk31","quality":87,"text":"..."} and a line break.
std::string jsonReport(double frequencyHz, pskmodem::Mode mode, int quality, std::string_view text);

}  // namespace quorvin::decode
