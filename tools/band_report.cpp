#include "band_report.h"

#include <array>
#include <cmath>
#include <cstdio>

#include "decode_options.h"

namespace quorvin::decode {
namespace {

// Code points of Windows-1252 codes 0x80..0x9F; the rest of the upper half is Latin-1.
constexpr std::array<char16_t, 32> kHighControls = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,  // 80..87
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,  // 88..8F
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 90..97
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,  // 98..9F
};

long roundedHz(double hz) {
    return std::isfinite(hz) ? std::lround(hz) : 0L;
}

}  // namespace

char32_t windows1252ToUnicode(std::uint8_t code) {
    if (code >= 0x80 && code <= 0x9F) return kHighControls[static_cast<std::size_t>(code - 0x80)];
    return code;
}

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
                      static_cast<unsigned>(windows1252ToUnicode(code)));
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
