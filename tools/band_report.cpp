#include "band_report.h"

#include <cmath>
#include <cstdio>

#include "decode_options.h"
#include "pskmodem/codec/windows1252.h"

namespace quorvin::decode {
namespace {

long roundedHz(double hz) {
    return std::isfinite(hz) ? std::lround(hz) : 0L;
}

}  // namespace

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

std::string textReport(double frequencyHz, pskmodem::Mode mode, int quality,
                       std::string_view text) {
    char header[64];
    std::snprintf(header, sizeof header, "%ld Hz %s q=%d:\n", roundedHz(frequencyHz),
                  std::string(modeDisplayName(mode)).c_str(), quality);
    std::string out = header;
    out += text;
    out += "\n\n";
    return out;
}

std::string jsonReport(double frequencyHz, pskmodem::Mode mode, int quality,
                       std::string_view text) {
    std::string out = "{\"frequency_hz\":" + std::to_string(roundedHz(frequencyHz)) +
                      ",\"mode\":\"" + std::string(modeJsonName(mode)) +
                      "\",\"quality\":" + std::to_string(quality) + ",\"text\":";
    out += jsonString(text);
    out += "}\n";
    return out;
}

}  // namespace quorvin::decode
