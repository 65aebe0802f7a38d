#pragma once

// What the window caption says of the receive mode: nothing at PSK31, the program's own speed,
// and the mode with its speed at the faster ones (" [BPSK63]", " [QPSK125 USB]"), so that a
// receiver left at another speed is never mistaken for one at PSK31.

#include <QString>

#include "platform/mode_names.h"

namespace receiver {

// The notice for `mode` at `speed`: empty at PSK31.
inline QString ModeNotice(pskmodem::Mode mode, pskmodem::Speed speed) {
    if (speed == pskmodem::Speed::Psk31) {
        return {};
    }
    return QStringLiteral(" [") + platform::ModeName(mode, speed) + QStringLiteral("]");
}

// `caption` without any mode notice at its end, with `notice` appended.
inline QString WithModeNotice(QString caption, const QString& notice) {
    for (const pskmodem::Speed speed : platform::kSpeeds) {
        for (const pskmodem::Mode mode :
             {pskmodem::Mode::Bpsk, pskmodem::Mode::QpskUsb, pskmodem::Mode::QpskLsb}) {
            const QString shown = ModeNotice(mode, speed);
            if (!shown.isEmpty() && caption.endsWith(shown)) {
                caption.chop(shown.size());
            }
        }
    }
    return caption + notice;
}

}  // namespace receiver
