#pragma once

// The names the program gives the receive modes at their speeds, where the band activity window
// and the main window's caption show them.

#include <QString>

#include "pskmodem/types.h"

namespace platform {

// Every speed, slowest first, as the Speed submenu lists them.
inline constexpr pskmodem::Speed kSpeeds[] = {pskmodem::Speed::Psk31, pskmodem::Speed::Psk63,
                                              pskmodem::Speed::Psk125, pskmodem::Speed::Psk250};

// "PSK31", "PSK63", "PSK125", "PSK250".
QString SpeedName(pskmodem::Speed speed);
// "BPSK31", "QPSK63 USB", "QPSK125 LSB", ...
QString ModeName(pskmodem::Mode mode, pskmodem::Speed speed);

}  // namespace platform
