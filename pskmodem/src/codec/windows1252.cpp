#include "pskmodem/codec/windows1252.h"

#include <array>
#include <cstddef>

namespace pskmodem {
namespace {

// Code points of Windows-1252 codes 0x80..0x9F; the rest of the upper half is Latin-1.
constexpr std::array<char16_t, 32> kHighControls = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,  // 80..87
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,  // 88..8F
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 90..97
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,  // 98..9F
};

constexpr std::uint8_t kFirstHigh = 0x80;
constexpr std::uint8_t kLastHigh = 0x9F;

}  // namespace

char32_t windows1252ToUnicode(std::uint8_t code) noexcept {
    if (code >= kFirstHigh && code <= kLastHigh) {
        return kHighControls[static_cast<std::size_t>(code - kFirstHigh)];
    }
    return code;
}

std::optional<std::uint8_t> unicodeToWindows1252(char32_t codePoint) noexcept {
    if (codePoint < kFirstHigh || (codePoint > kLastHigh && codePoint <= 0xFF)) {
        return static_cast<std::uint8_t>(codePoint);
    }
    for (std::size_t i = 0; i < kHighControls.size(); ++i) {
        if (kHighControls[i] == codePoint) {
            return static_cast<std::uint8_t>(kFirstHigh + i);
        }
    }
    return std::nullopt;
}

}  // namespace pskmodem
