#include "station/heard.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace station {
namespace {

using Calls = std::vector<std::string>;

TEST(ConfirmedCalls, ACallSentTwiceAfterDeCqOrQrz) {
    struct Case {
        std::string_view line;
        Calls calls;
    };
    const Case cases[] = {
        {"CQ CQ de QR9ZZ QR9ZZ pse k", {"QR9ZZ"}},
        {"QX2ABC de QR9ZZ k", {}},
        {"QX2ABC QX2ABC de QR9ZZ k", {}},  // twice, but before the word
        {"QX2ABC de QR9ZZ QR9ZZ k", {"QR9ZZ"}},
        {"cq cq de qr9zz qr9zz", {"QR9ZZ"}},
        {"QRZ? QR9ZZ QR9ZZ", {"QR9ZZ"}},
        {"Qrz QX2ABC/P QX2ABC/P", {"QX2ABC/P"}},
        {"CQ QR9ZZ QX2ABC QX2ABC QR9ZZ k", {"QR9ZZ", "QX2ABC"}},
        {"de QR9ZZ QR9ZZ QR9ZZ", {"QR9ZZ"}},
        {"<de>QR9ZZ,QR9ZZ.", {"QR9ZZ"}},      // punctuation separates words
        {"de\xe9QR9ZZ\x80QR9ZZ", {"QR9ZZ"}},  // so do 8-bit characters
        {"QR9ZZ QR9ZZ", {}},                  // no word to stand after
        {"dear QR9ZZ QR9ZZ", {}},             // "de" only as a whole word
        {"de JO22 JO22 599 599", {}},         // locators and reports are no calls
        {"de QR9ZZQR9ZZ", {}},
        {"", {}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(confirmedCalls(c.line), c.calls) << c.line;
    }
}

TEST(CallConfirmer, LinesEndAtCrOrLfPerSignal) {
    CallConfirmer confirmer;
    EXPECT_EQ(confirmer.add(1, "CQ CQ de QR9"), Calls{});
    EXPECT_EQ(confirmer.add(2, "de QX2ABC QX2"), Calls{});
    EXPECT_EQ(confirmer.add(1, "ZZ QR9ZZ"), Calls{});  // the line is not over yet
    EXPECT_EQ(confirmer.add(1, "\r\nde QX2ABC QX2ABC\r"), (Calls{"QR9ZZ", "QX2ABC"}));
    EXPECT_EQ(confirmer.add(2, "ABC k\n"), Calls{"QX2ABC"});
    // Each line stands alone: the first sending of the call was in the line before.
    EXPECT_EQ(confirmer.add(3, "de QR7AA\nQR7AA\n"), Calls{});
    EXPECT_EQ(confirmer.add(4, "de QR7AA QR7A"), Calls{});
    EXPECT_EQ(confirmer.end(4), Calls{});
    EXPECT_EQ(confirmer.add(4, "A"), Calls{});  // a new line after the end
    EXPECT_EQ(confirmer.add(5, "de QR7AA QR7AA"), Calls{});
    EXPECT_EQ(confirmer.end(5), Calls{"QR7AA"});
    EXPECT_EQ(confirmer.end(5), Calls{});
    EXPECT_EQ(confirmer.end(99), Calls{});
}

TEST(CallConfirmer, AnEndlessLineIsReadInPiecesWithoutCuttingAWord) {
    CallConfirmer confirmer;
    Calls found;
    // Much longer than the line bound, never a line break, a confirmation every few words.
    for (int i = 0; i < 300; ++i) {
        for (const std::string& call : confirmer.add(7, "de QR9ZZ QR9ZZ ")) found.push_back(call);
        for (const std::string& call : confirmer.add(7, "de QX2ABC QX")) found.push_back(call);
        for (const std::string& call : confirmer.add(7, "2ABC ")) found.push_back(call);
    }
    // Each piece confirms the calls once; a call cut in two would have lost one confirmation.
    EXPECT_GE(found.size(), 2u * 300u * 15u / 512u);
    for (const std::string& call : found) {
        EXPECT_TRUE(call == "QR9ZZ" || call == "QX2ABC") << call;
    }
    EXPECT_EQ(std::count(found.begin(), found.end(), "QX2ABC"),
              std::count(found.begin(), found.end(), "QR9ZZ"));
}

TEST(BandName, AdifBandsByFrequencyEdgesIncluded) {
    struct Case {
        std::int64_t hz;
        std::string_view band;
    };
    const Case cases[] = {
        {136'000, "2190m"},      {135'699, ""},           {475'000, "630m"},
        {1'838'000, "160m"},     {1'800'000, "160m"},     {2'000'000, "160m"},
        {2'000'001, ""},         {3'580'000, "80m"},      {5'366'000, "60m"},
        {7'040'000, "40m"},      {7'070'000, "40m"},      {10'142'000, "30m"},
        {14'070'000, "20m"},     {14'350'000, "20m"},     {14'350'001, ""},
        {18'100'000, "17m"},     {21'070'000, "15m"},     {24'920'000, "12m"},
        {28'120'000, "10m"},     {29'700'000, "10m"},     {50'290'000, "6m"},
        {54'000'000, "6m"},      {60'000'000, "5m"},      {70'100'000, "4m"},
        {144'138'000, "2m"},     {222'100'000, "1.25m"},  {432'100'000, "70cm"},
        {1'296'000'000, "23cm"}, {10'368'000'000, "3cm"}, {0, ""},
        {-14'070'000, ""},       {100'000'000, ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(bandName(c.hz), c.band) << c.hz;
    }
}

TEST(ReportModeName, AdifSubmodeNamesWithoutTheSideband) {
    using pskmodem::Mode;
    using pskmodem::Speed;
    struct Case {
        Mode mode;
        Speed speed;
        std::string_view name;
    };
    const Case cases[] = {
        {Mode::Bpsk, Speed::Psk31, "PSK31"},       {Mode::QpskUsb, Speed::Psk31, "QPSK31"},
        {Mode::QpskLsb, Speed::Psk31, "QPSK31"},   {Mode::Bpsk, Speed::Psk63, "PSK63"},
        {Mode::QpskUsb, Speed::Psk63, "QPSK63"},   {Mode::Bpsk, Speed::Psk125, "PSK125"},
        {Mode::QpskLsb, Speed::Psk125, "QPSK125"}, {Mode::Bpsk, Speed::Psk250, "PSK250"},
        {Mode::QpskUsb, Speed::Psk250, "QPSK250"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(reportModeName(c.mode, c.speed), c.name);
    }
}

}  // namespace
}  // namespace station
