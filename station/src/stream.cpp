#include "station/stream.h"

#include <cstdio>

#include "pskmodem/codec/windows1252.h"

namespace station {

std::string jsonString(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size() + 2);
    out += '"';
    for (const char c : bytes) {
        const auto code = static_cast<std::uint8_t>(c);
        switch (code) {
            case '"':
                out += "\\\"";
                continue;
            case '\\':
                out += "\\\\";
                continue;
            case '\b':
                out += "\\b";
                continue;
            case '\f':
                out += "\\f";
                continue;
            case '\n':
                out += "\\n";
                continue;
            case '\r':
                out += "\\r";
                continue;
            case '\t':
                out += "\\t";
                continue;
            default:
                break;
        }
        if (code >= 0x20 && code < 0x7F) {
            out += c;
            continue;
        }
        char escape[8];
        std::snprintf(escape, sizeof escape, "\\u%04x",
                      static_cast<unsigned>(pskmodem::windows1252ToUnicode(code)));
        out += escape;
    }
    out += '"';
    return out;
}

std::string jsonModeName(pskmodem::Mode mode, pskmodem::Speed speed) {
    const std::string number = std::to_string(pskmodem::speedNumber(speed));
    switch (mode) {
        case pskmodem::Mode::Bpsk:
            return "bpsk" + number;
        case pskmodem::Mode::QpskUsb:
            return "qpsk" + number + "-usb";
        case pskmodem::Mode::QpskLsb:
            return "qpsk" + number + "-lsb";
    }
    return "bpsk" + number;
}

}  // namespace station
