#include "station/stream.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "pskmodem/codec/windows1252.h"

namespace station {
namespace {

using pskmodem::windows1252ToUnicode;

// Reads back a JSON string made by jsonString(): the 8-bit codes it stands for, or nothing when
// it is not a well-formed string of that kind.
std::optional<std::string> readJsonString(std::string_view json) {
    if (json.size() < 2 || json.front() != '"' || json.back() != '"') return std::nullopt;
    std::string out;
    for (std::size_t i = 1; i + 1 < json.size(); ++i) {
        const char c = json[i];
        if (c == '"') return std::nullopt;  // an unescaped quote inside
        if (c != '\\') {
            out += c;
            continue;
        }
        if (++i + 1 >= json.size()) return std::nullopt;
        switch (json[i]) {
            case '"':
                out += '"';
                break;
            case '\\':
                out += '\\';
                break;
            case 'b':
                out += '\b';
                break;
            case 'f':
                out += '\f';
                break;
            case 'n':
                out += '\n';
                break;
            case 'r':
                out += '\r';
                break;
            case 't':
                out += '\t';
                break;
            case 'u': {
                if (i + 4 >= json.size()) return std::nullopt;
                const auto codePoint = static_cast<char32_t>(
                    std::stoul(std::string(json.substr(i + 1, 4)), nullptr, 16));
                i += 4;
                std::optional<int> code;
                for (int b = 0; b < 256 && !code; ++b) {
                    if (windows1252ToUnicode(static_cast<std::uint8_t>(b)) == codePoint) code = b;
                }
                if (!code) return std::nullopt;
                out += static_cast<char>(*code);
                break;
            }
            default:
                return std::nullopt;
        }
    }
    return out;
}

TEST(StreamJson, StringsEscapeEveryByteAsPureAscii) {
    EXPECT_EQ(jsonString(""), "\"\"");
    EXPECT_EQ(jsonString("CQ de QX1ABC"), "\"CQ de QX1ABC\"");
    EXPECT_EQ(jsonString("say \"hi\" \\ bye"), "\"say \\\"hi\\\" \\\\ bye\"");
    EXPECT_EQ(jsonString("a\r\nb\tc\bd\fe"), "\"a\\r\\nb\\tc\\bd\\fe\"");
    EXPECT_EQ(jsonString(std::string_view("\0\x01\x1f\x7f", 4)),
              "\"\\u0000\\u0001\\u001f\\u007f\"");
    EXPECT_EQ(jsonString("\x80\x81\xe9\xff"), "\"\\u20ac\\u0081\\u00e9\\u00ff\"");
    EXPECT_EQ(jsonString("/"), "\"/\"");

    // Every code, in every position, comes back the same, and nothing outside printable ASCII
    // is left in the output.
    std::string all;
    for (int c = 0; c < 256; ++c) all += static_cast<char>(c);
    for (const std::string& text : {all, "x" + all + all + "y"}) {
        const std::string json = jsonString(text);
        for (const char c : json) {
            EXPECT_TRUE(c >= 0x20 && c < 0x7F) << static_cast<int>(static_cast<unsigned char>(c));
        }
        EXPECT_EQ(readJsonString(json), text);
    }
}

TEST(StreamJson, ModeNamesCarryTheSpeedAndTheSideband) {
    using pskmodem::Mode;
    using pskmodem::Speed;
    struct Case {
        Mode mode;
        Speed speed;
        std::string_view name;
    };
    const Case cases[] = {
        {Mode::Bpsk, Speed::Psk31, "bpsk31"},
        {Mode::QpskUsb, Speed::Psk31, "qpsk31-usb"},
        {Mode::QpskLsb, Speed::Psk31, "qpsk31-lsb"},
        {Mode::Bpsk, Speed::Psk63, "bpsk63"},
        {Mode::QpskLsb, Speed::Psk125, "qpsk125-lsb"},
        {Mode::QpskUsb, Speed::Psk250, "qpsk250-usb"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(jsonModeName(c.mode, c.speed), c.name);
    }
}

}  // namespace
}  // namespace station
