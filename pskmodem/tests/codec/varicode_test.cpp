#include "pskmodem/codec/varicode.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <numeric>
#include <random>
#include <set>
#include <string>
#include <vector>

namespace pskmodem {
namespace {

bool hasDoubleZero(std::string_view bits) {
    return bits.find("00") != std::string_view::npos;
}

// Feeds every character's word followed by "00" and collects what comes out.
std::vector<int> decodeCodes(const std::vector<int>& codes, VaricodeDecoder& decoder) {
    std::vector<int> out;
    for (int code : codes) {
        std::string bits(varicodeBits(static_cast<std::uint8_t>(code)));
        bits += "00";
        for (char c : bits) {
            if (auto decoded = decoder.pushBit(c == '1' ? 1 : 0)) out.push_back(*decoded);
        }
    }
    return out;
}

TEST(VaricodeTable, EveryWordIsValidAndDistinct) {
    std::set<std::string_view> seen;
    for (int code = 0; code < 256; ++code) {
        const std::string_view bits = varicodeBits(static_cast<std::uint8_t>(code));
        SCOPED_TRACE(code);
        ASSERT_FALSE(bits.empty());
        EXPECT_LE(bits.size(), 12u);
        EXPECT_EQ(bits.front(), '1');
        EXPECT_EQ(bits.back(), '1');
        EXPECT_FALSE(hasDoubleZero(bits));
        EXPECT_TRUE(
            std::all_of(bits.begin(), bits.end(), [](char c) { return c == '0' || c == '1'; }));
        EXPECT_TRUE(seen.insert(bits).second) << "duplicate word " << bits;
    }
}

TEST(VaricodeTable, PublishedWordsOfWellKnownCharacters) {
    EXPECT_EQ(varicodeBits(' '), "1");
    EXPECT_EQ(varicodeBits('e'), "11");
    EXPECT_EQ(varicodeBits('t'), "101");
    EXPECT_EQ(varicodeBits('o'), "111");
    EXPECT_EQ(varicodeBits('a'), "1011");
    EXPECT_EQ(varicodeBits('\n'), "11101");
    EXPECT_EQ(varicodeBits('\r'), "11111");
    EXPECT_EQ(varicodeBits('E'), "1110111");
    EXPECT_EQ(varicodeBits('Q'), "111011101");
    EXPECT_EQ(varicodeBits('Z'), "1010101101");
    EXPECT_EQ(varicodeBits('0'), "10110111");
    EXPECT_EQ(varicodeBits('9'), "110110111");
    EXPECT_EQ(varicodeBits(0), "1010101011");
    EXPECT_EQ(varicodeBits(127), "1110110101");
}

// Each valid word of n bits is one of F(n) Fibonacci-counted words; the published half uses up
// every word of 1..9 bits and 40 of the 55 words of 10 bits, so the table can be checked by count.
TEST(VaricodeTable, PublishedHalfFillsAllShortWords) {
    std::vector<int> countByLength(13, 0);
    for (int code = 0; code < 128; ++code) {
        ++countByLength[varicodeBits(static_cast<std::uint8_t>(code)).size()];
    }
    const std::vector<int> validWords = {0, 1, 1, 2, 3, 5, 8, 13, 21, 34, 55};
    for (std::size_t length = 1; length <= 9; ++length) {
        EXPECT_EQ(countByLength[length], validWords[length]) << length << " bits";
    }
    EXPECT_EQ(countByLength[10], 40);
    EXPECT_EQ(countByLength[11], 0);
}

TEST(VaricodeTable, UpperHalfContinuesByLengthThenValue) {
    // The 15 unused 10-bit words, then all 89 words of 11 bits, then the first 24 of 12 bits.
    EXPECT_EQ(varicodeBits(128).size(), 10u);
    EXPECT_EQ(varicodeBits(142).size(), 10u);
    EXPECT_EQ(varicodeBits(143), "10101010101");  // smallest valid 11-bit word
    EXPECT_EQ(varicodeBits(231).size(), 11u);
    EXPECT_EQ(varicodeBits(232).size(), 12u);
    EXPECT_EQ(varicodeBits(255).size(), 12u);
    for (int code = 129; code < 256; ++code) {
        const auto prev = varicodeBits(static_cast<std::uint8_t>(code - 1));
        const auto cur = varicodeBits(static_cast<std::uint8_t>(code));
        if (code - 1 >= 128) {
            // Same-length binary strings compare like their values.
            EXPECT_TRUE(prev.size() < cur.size() || (prev.size() == cur.size() && prev < cur))
                << code;
        }
    }
}

TEST(VaricodeLookup, InvertsTheTableAndRejectsOtherStrings) {
    for (int code = 0; code < 256; ++code) {
        const auto found = varicodeLookup(varicodeBits(static_cast<std::uint8_t>(code)));
        ASSERT_TRUE(found.has_value()) << code;
        EXPECT_EQ(*found, code);
    }
    EXPECT_FALSE(varicodeLookup(""));
    EXPECT_FALSE(varicodeLookup("0"));
    EXPECT_FALSE(varicodeLookup("01"));             // same value as "1" but not a word
    EXPECT_FALSE(varicodeLookup("1001"));           // contains "00"
    EXPECT_FALSE(varicodeLookup("10"));             // ends with 0
    EXPECT_FALSE(varicodeLookup("11x"));            // not a bit string
    EXPECT_FALSE(varicodeLookup("1111111111111"));  // longer than any word
    EXPECT_FALSE(varicodeLookup("111111111111"));   // valid shape, past the last code
}

TEST(VaricodeDecoder, RoundTripsAllCodesInRandomOrders) {
    std::mt19937_64 rng(20240611);
    std::vector<int> codes(256);
    std::iota(codes.begin(), codes.end(), 0);
    VaricodeDecoder decoder;
    for (int round = 0; round < 20; ++round) {
        std::shuffle(codes.begin(), codes.end(), rng);
        EXPECT_EQ(decodeCodes(codes, decoder), codes) << "round " << round;
    }
}

TEST(VaricodeDecoder, IdleZerosBetweenWordsAreIgnored) {
    VaricodeDecoder decoder;
    std::vector<int> out;
    const std::string stream =
        "0000000"
        "1011"
        "00000000000"
        "11"
        "00"
        "0";
    for (char c : stream) {
        if (auto decoded = decoder.pushBit(c == '1' ? 1 : 0)) out.push_back(*decoded);
    }
    EXPECT_EQ(out, (std::vector<int>{'a', 'e'}));
}

TEST(VaricodeDecoder, DropsOverlongAndUnknownWordsAndRecovers) {
    VaricodeDecoder decoder;
    std::vector<int> out;
    auto feed = [&](std::string_view bits) {
        for (char c : bits) {
            if (auto decoded = decoder.pushBit(c == '1' ? 1 : 0)) out.push_back(*decoded);
        }
    };
    feed(std::string(40, '1'));  // a long run of ones
    feed("00");
    feed(
        "111111111111"
        "00");  // 12-bit word past the end of the alphabet
    feed(
        "1101"
        "00");  // 'i' still decodes afterwards
    EXPECT_EQ(out, (std::vector<int>{'i'}));

    // A reset in the middle of a word forgets it.
    out.clear();
    feed("1011");
    decoder.reset();
    feed(
        "11"
        "00");
    EXPECT_EQ(out, (std::vector<int>{'e'}));
}

TEST(VaricodeDecoder, SurvivesRandomBitsAndResynchronises) {
    std::mt19937_64 rng(7);
    std::bernoulli_distribution coin(0.5);
    VaricodeDecoder decoder;
    int decoded = 0;
    for (int i = 0; i < 200000; ++i) {
        if (decoder.pushBit(coin(rng) ? 1 : 0)) ++decoded;
    }
    EXPECT_GT(decoded, 0);
    // Whatever state the noise left behind, "00" ends it and a clean word then decodes.
    decoder.pushBit(0);
    decoder.pushBit(0);
    std::vector<int> out;
    for (char c : std::string_view("10101"
                                   "00")) {
        if (auto d = decoder.pushBit(c == '1' ? 1 : 0)) out.push_back(*d);
    }
    EXPECT_EQ(out, (std::vector<int>{'r'}));
}

}  // namespace
}  // namespace pskmodem
