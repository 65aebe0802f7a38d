#include "pskmodem/codec/windows1252.h"

#include <gtest/gtest.h>

#include <cstdint>

namespace pskmodem {
namespace {

TEST(Windows1252, EveryCodeComesBackFromItsCodePoint) {
    for (int code = 0; code < 256; ++code) {
        const auto byte = static_cast<std::uint8_t>(code);
        EXPECT_EQ(unicodeToWindows1252(windows1252ToUnicode(byte)), byte) << code;
    }
}

TEST(Windows1252, LatinOneOutsideTheTypographicRange) {
    EXPECT_EQ(windows1252ToUnicode(0x7F), U'\u007f');
    EXPECT_EQ(windows1252ToUnicode(0xA0), U'\u00a0');
    EXPECT_EQ(windows1252ToUnicode(0xFF), U'\u00ff');
    EXPECT_EQ(windows1252ToUnicode(0x8A), U'\u0160');  // S caron
    EXPECT_EQ(windows1252ToUnicode(0x96), U'\u2013');  // en dash
}

TEST(Windows1252, CharactersWithoutACodeHaveNone) {
    // The C1 controls that Windows-1252 puts typographic characters in place of.
    EXPECT_FALSE(unicodeToWindows1252(U'\u0080'));
    EXPECT_FALSE(unicodeToWindows1252(U'\u009f'));
    // Beyond Latin-1 only the 27 typographic characters have a code.
    EXPECT_EQ(unicodeToWindows1252(U'\u20ac'), std::uint8_t{0x80});  // euro sign
    EXPECT_FALSE(unicodeToWindows1252(U'\u0100'));
    EXPECT_FALSE(unicodeToWindows1252(U'\u2028'));
    EXPECT_FALSE(unicodeToWindows1252(U'\U0001F600'));
}

}  // namespace
}  // namespace pskmodem
