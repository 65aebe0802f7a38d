#include "platform/mode_names.h"

namespace platform {

QString SpeedName(pskmodem::Speed speed) {
    return QStringLiteral("PSK%1").arg(pskmodem::speedNumber(speed));
}

QString ModeName(pskmodem::Mode mode, pskmodem::Speed speed) {
    const QString number = QString::number(pskmodem::speedNumber(speed));
    switch (mode) {
        case pskmodem::Mode::QpskUsb:
            return QStringLiteral("QPSK") + number + QStringLiteral(" USB");
        case pskmodem::Mode::QpskLsb:
            return QStringLiteral("QPSK") + number + QStringLiteral(" LSB");
        case pskmodem::Mode::Bpsk:
            break;
    }
    return QStringLiteral("BPSK") + number;
}

}  // namespace platform
