#include "band_report.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <optional>
#include <string>
#include <string_view>

#include "pskmodem/codec/windows1252.h"

namespace quorvin::decode {
namespace {

using pskmodem::windows1252ToUnicode;

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

TEST(BandReport, Windows1252CodePoints) {
    EXPECT_EQ(windows1252ToUnicode('A'), U'A');
    EXPECT_EQ(windows1252ToUnicode(0x00), U'\0');
    EXPECT_EQ(windows1252ToUnicode(0x80), U'\u20ac');  // euro sign
    EXPECT_EQ(windows1252ToUnicode(0x85), U'\u2026');  // ellipsis
    EXPECT_EQ(windows1252ToUnicode(0x9F), U'\u0178');  // Y with diaeresis
    EXPECT_EQ(windows1252ToUnicode(0xA0), U'\u00a0');
    EXPECT_EQ(windows1252ToUnicode(0xE9), U'\u00e9');
    EXPECT_EQ(windows1252ToUnicode(0xFF), U'\u00ff');
    for (const int undefined : {0x81, 0x8D, 0x8F, 0x90, 0x9D}) {
        EXPECT_EQ(windows1252ToUnicode(static_cast<std::uint8_t>(undefined)),
                  static_cast<char32_t>(undefined));
    }
}

TEST(BandReport, TextAndJsonReports) {
    EXPECT_EQ(textReport({1520.4, pskmodem::Mode::Bpsk, 87, kNaN, kNaN, "CQ CQ\r\n", {}}),
              "1520 Hz BPSK31 q=87:\nCQ CQ\r\n\n\n");
    EXPECT_EQ(textReport({999.5, pskmodem::Mode::QpskLsb, 0, kNaN, kNaN, "", {}}),
              "1000 Hz QPSK31 LSB q=0:\n\n\n");
    EXPECT_EQ(
        jsonReport({1520.4, pskmodem::Mode::Bpsk, 87, kNaN, kNaN, "CQ \"DX\"\r\n", {}}),
        "{\"frequency_hz\":1520,\"dial_hz\":null,\"rf_hz\":null,\"mode\":\"bpsk31\",\"quality\":87,"
        "\"snr_db\":null,\"imd_db\":null,\"calls\":[],"
        "\"text\":\"CQ \\\"DX\\\"\\r\\n\"}\n");
    EXPECT_EQ(jsonReport({2999.6, pskmodem::Mode::QpskUsb, 100, kNaN, kNaN, "\xe4", {}}),
              "{\"frequency_hz\":3000,\"dial_hz\":null,\"rf_hz\":null,\"mode\":\"qpsk31-usb\","
              "\"quality\":100,"
              "\"snr_db\":null,\"imd_db\":null,\"calls\":[],\"text\":\"\\u00e4\"}\n");
    // The faster speeds name their speed in both.
    EXPECT_EQ(
        textReport(
            {1000.0, pskmodem::Mode::QpskLsb, 50, kNaN, kNaN, "", {}, pskmodem::Speed::Psk125}),
        "1000 Hz QPSK125 LSB q=50:\n\n\n");
    EXPECT_EQ(
        jsonReport({800.0, pskmodem::Mode::Bpsk, 90, kNaN, kNaN, "", {}, pskmodem::Speed::Psk63}),
        "{\"frequency_hz\":800,\"dial_hz\":null,\"rf_hz\":null,\"mode\":\"bpsk63\",\"quality\":90,"
        "\"snr_db\":null,\"imd_db\":null,\"calls\":[],\"text\":\"\"}\n");
}

// With the rig's dial the frequency on the air leads the text report and fills the JSON's
// dial_hz and rf_hz: the dial plus the audio frequency on the upper sideband, minus it on the
// lower.
TEST(BandReport, FrequencyOnTheAirWithADial) {
    const struct {
        station::DialReading dial;
        pskmodem::Mode mode;
        std::string_view textHeader;
        std::string_view jsonStart;
    } cases[] = {
        {{.dialHz = 14'070'000, .mode = "USB", .sideband = station::Sideband::Upper},
         pskmodem::Mode::Bpsk,
         "14.071.520 (1520 Hz) BPSK31 q=87:",
         "{\"frequency_hz\":1520,\"dial_hz\":14070000,\"rf_hz\":14071520,\"mode\":\"bpsk31\""},
        {{.dialHz = 7'040'000, .mode = "LSB", .sideband = station::Sideband::Lower},
         pskmodem::Mode::QpskUsb,
         "7.038.480 (1520 Hz) QPSK31 USB q=87:",
         "{\"frequency_hz\":1520,\"dial_hz\":7040000,\"rf_hz\":7038480,"
         "\"mode\":\"qpsk31-usb\""},
        {{.dialHz = 10'000'000'000, .mode = "USB", .sideband = station::Sideband::Upper},
         pskmodem::Mode::Bpsk,
         "10.000.001.520 (1520 Hz) BPSK31 q=87:",
         "{\"frequency_hz\":1520,\"dial_hz\":10000000000,\"rf_hz\":10000001520,"
         "\"mode\":\"bpsk31\""},
    };
    for (const auto& c : cases) {
        const SignalReport report{1520.0, c.mode, 87, kNaN, kNaN, "", c.dial};
        EXPECT_EQ(textReport(report), std::string(c.textHeader) + "\n\n\n");
        EXPECT_EQ(jsonReport(report).rfind(c.jsonStart, 0), 0u) << jsonReport(report);
    }
}

// The signal's S/N and IMD, each printed only when known, and the call signs of its text.
TEST(BandReport, SignalFiguresAndCalls) {
    struct Case {
        double snrDb;
        double imdDb;
        std::string_view text;
        std::string_view textHeader;  // textReport's first line
        std::string_view jsonFields;  // jsonReport from snr_db to the text
    };
    const Case cases[] = {
        {12.34, -27.6, "", "1520 Hz BPSK31 q=87 S/N 12.3 dB IMD -28 dB:",
         "\"snr_db\":12.3,\"imd_db\":-28,\"calls\":[]"},
        {-3.05, kNaN, "",
         "1520 Hz BPSK31 q=87 S/N -3.0 dB:", "\"snr_db\":-3.0,\"imd_db\":null,\"calls\":[]"},
        {0.0, -0.4, "",
         "1520 Hz BPSK31 q=87 S/N 0.0 dB IMD 0 dB:", "\"snr_db\":0.0,\"imd_db\":0,\"calls\":[]"},
        {kNaN, -31.5, "",
         "1520 Hz BPSK31 q=87 IMD -32 dB:", "\"snr_db\":null,\"imd_db\":-32,\"calls\":[]"},
        {kInf, -kInf, "", "1520 Hz BPSK31 q=87:", "\"snr_db\":null,\"imd_db\":null,\"calls\":[]"},
        {20.0, -30.0, "CQ CQ de qr9zz QR9ZZ pse k", "1520 Hz BPSK31 q=87 S/N 20.0 dB IMD -30 dB:",
         "\"snr_db\":20.0,\"imd_db\":-30,\"calls\":[\"QR9ZZ\"]"},
        {kNaN, kNaN, "QR9ZZ de VK2/G4ABC\r\nRST 599, rig IC7300. QR9ZZ de VK2/G4ABC KN",
         "1520 Hz BPSK31 q=87:",
         "\"snr_db\":null,\"imd_db\":null,\"calls\":[\"QR9ZZ\",\"VK2/G4ABC\"]"},
    };
    for (const Case& c : cases) {
        const SignalReport report{1520.0, pskmodem::Mode::Bpsk, 87, c.snrDb, c.imdDb, c.text, {}};
        EXPECT_EQ(textReport(report),
                  std::string(c.textHeader) + "\n" + std::string(c.text) + "\n\n");
        EXPECT_EQ(jsonReport(report),
                  "{\"frequency_hz\":1520,\"dial_hz\":null,\"rf_hz\":null,\"mode\":\"bpsk31\","
                  "\"quality\":87," +
                      std::string(c.jsonFields) + ",\"text\":" + jsonString(c.text) + "}\n");
    }
}

}  // namespace
}  // namespace quorvin::decode
