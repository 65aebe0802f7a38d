#include "pskmodem/codec/varicode.h"

#include <array>
#include <cstddef>
#include <cstdint>

namespace pskmodem {

namespace {

// Codes 0..127 of the PSK31 alphabet, as published with the mode.
constexpr std::array<std::string_view, 128> kPublishedCodes = {
    "1010101011", "1011011011", "1011101101", "1101110111",  // NUL SOH STX ETX
    "1011101011", "1101011111", "1011101111", "1011111101",  // EOT ENQ ACK BEL
    "1011111111", "11101111",   "11101",      "1101101111",  // BS HT LF VT
    "1011011101", "11111",      "1101110101", "1110101011",  // FF CR SO SI
    "1011110111", "1011110101", "1110101101", "1110101111",  // DLE DC1 DC2 DC3
    "1101011011", "1101101011", "1101101101", "1101010111",  // DC4 NAK SYN ETB
    "1101111011", "1101111101", "1110110111", "1101010101",  // CAN EM SUB ESC
    "1101011101", "1110111011", "1011111011", "1101111111",  // FS GS RS US
    "1",          "111111111",  "101011111",  "111110101",   // space ! " #
    "111011011",  "1011010101", "1010111011", "101111111",   // $ % & '
    "11111011",   "11110111",   "101101111",  "111011111",   // ( ) * +
    "1110101",    "110101",     "1010111",    "110101111",   // , - . /
    "10110111",   "10111101",   "11101101",   "11111111",    // 0 1 2 3
    "101110111",  "101011011",  "101101011",  "110101101",   // 4 5 6 7
    "110101011",  "110110111",  "11110101",   "110111101",   // 8 9 : ;
    "111101101",  "1010101",    "111010111",  "1010101111",  // < = > ?
    "1010111101", "1111101",    "11101011",   "10101101",    // @ A B C
    "10110101",   "1110111",    "11011011",   "11111101",    // D E F G
    "101010101",  "1111111",    "111111101",  "101111101",   // H I J K
    "11010111",   "10111011",   "11011101",   "10101011",    // L M N O
    "11010101",   "111011101",  "10101111",   "1101111",     // P Q R S
    "1101101",    "101010111",  "110110101",  "101011101",   // T U V W
    "101110101",  "101111011",  "1010101101", "111110111",   // X Y Z [
    "111101111",  "111111011",  "1010111111", "101101101",   // \ ] ^ _
    "1011011111", "1011",       "1011111",    "101111",      // ` a b c
    "101101",     "11",         "111101",     "1011011",     // d e f g
    "101011",     "1101",       "111101011",  "10111111",    // h i j k
    "11011",      "111011",     "1111",       "111",         // l m n o
    "111111",     "110111111",  "10101",      "10111",       // p q r s
    "101",        "110111",     "1111011",    "1101011",     // t u v w
    "11011111",   "1011101",    "111010101",  "1010110111",  // x y z {
    "110111011",  "1010110101", "1011010111", "1110110101",  // | } ~ DEL
};

// Longest code word of the full 256-code alphabet; codes 128..255 reach 12 bits.
constexpr int kMaxBits = 12;
constexpr int kNoCode = -1;

// A code word of `length` bits held as an integer, first bit most significant, is valid when it
// starts and ends with 1 and has no two consecutive zeros.
constexpr bool isValidWord(std::uint32_t value, int length) {
    const std::uint32_t top = 1u << (length - 1);
    if ((value & top) == 0 || (value & 1u) == 0) return false;
    const std::uint32_t mask = (1u << length) - 1u;
    const std::uint32_t zeros = ~value & mask;
    return (zeros & (zeros >> 1)) == 0;
}

// Index into the word lookup: a leading marker bit above the word keeps words of different
// lengths apart ("1" and "01" would otherwise share the value 1).
constexpr std::size_t wordKey(std::uint32_t value, int length) {
    return static_cast<std::size_t>((1u << length) | value);
}

struct Alphabet {
    std::array<std::array<char, kMaxBits + 1>, 256> bits{};  // NUL-terminated code words
    std::array<std::uint8_t, 256> length{};
    std::array<std::int16_t, std::size_t{1} << (kMaxBits + 1)> codeByKey{};
};

constexpr Alphabet buildAlphabet() {
    Alphabet a{};
    for (auto& entry : a.codeByKey) entry = kNoCode;

    auto assign = [&a](int code, std::uint32_t value, int length) {
        const auto index = static_cast<std::size_t>(code);
        for (int i = 0; i < length; ++i) {
            const bool one = ((value >> (length - 1 - i)) & 1u) != 0;
            a.bits[index][static_cast<std::size_t>(i)] = one ? '1' : '0';
        }
        a.bits[index][static_cast<std::size_t>(length)] = '\0';
        a.length[index] = static_cast<std::uint8_t>(length);
        a.codeByKey[wordKey(value, length)] = static_cast<std::int16_t>(code);
    };

    for (int code = 0; code < 128; ++code) {
        const std::string_view word = kPublishedCodes[static_cast<std::size_t>(code)];
        std::uint32_t value = 0;
        for (char c : word) value = (value << 1) | (c == '1' ? 1u : 0u);
        assign(code, value, static_cast<int>(word.size()));
    }

    // The upper half continues with the unused valid words, shortest first, then by value.
    int next = 128;
    for (int length = 1; length <= kMaxBits && next < 256; ++length) {
        for (std::uint32_t value = 1u << (length - 1); value < (1u << length) && next < 256;
             ++value) {
            if (!isValidWord(value, length)) continue;
            if (a.codeByKey[wordKey(value, length)] != kNoCode) continue;
            assign(next, value, length);
            ++next;
        }
    }
    return a;
}

constexpr Alphabet kAlphabet = buildAlphabet();

static_assert(kAlphabet.length[255] != 0, "the upper half of the alphabet must be complete");
static_assert(kAlphabet.length[255] <= kMaxBits);

std::optional<std::uint8_t> lookupWord(std::uint32_t value, int length) {
    if (length < 1 || length > kMaxBits) return std::nullopt;
    const std::int16_t code = kAlphabet.codeByKey[wordKey(value, length)];
    if (code == kNoCode) return std::nullopt;
    return static_cast<std::uint8_t>(code);
}

}  // namespace

std::string_view varicodeBits(std::uint8_t code) {
    return {kAlphabet.bits[code].data(), kAlphabet.length[code]};
}

std::optional<std::uint8_t> varicodeLookup(std::string_view bits) {
    if (bits.empty() || bits.size() > static_cast<std::size_t>(kMaxBits)) return std::nullopt;
    std::uint32_t value = 0;
    for (char c : bits) {
        if (c != '0' && c != '1') return std::nullopt;
        value = (value << 1) | (c == '1' ? 1u : 0u);
    }
    return lookupWord(value, static_cast<int>(bits.size()));
}

std::optional<std::uint8_t> VaricodeDecoder::pushBit(int bit) {
    if (bit != 0) {
        if (pendingZero_) {
            // The zero before this one was a single zero inside the word.
            word_ <<= 1;
            ++length_;
            pendingZero_ = false;
        }
        word_ = (word_ << 1) | 1u;
        ++length_;
        if (length_ > kMaxBits) {
            // Too long for any code word: keep counting but never decode it.
            overflow_ = true;
            length_ = kMaxBits + 1;
            word_ = 0;
        }
        return std::nullopt;
    }

    if (length_ == 0) {
        // Zeros between words (idle) carry nothing.
        pendingZero_ = false;
        return std::nullopt;
    }
    if (!pendingZero_) {
        pendingZero_ = true;
        return std::nullopt;
    }

    // Second zero in a row: the word is complete.
    const std::uint32_t word = word_;
    const int length = length_;
    const bool overflow = overflow_;
    reset();
    if (overflow) return std::nullopt;
    return lookupWord(word, length);
}

void VaricodeDecoder::reset() {
    word_ = 0;
    length_ = 0;
    pendingZero_ = false;
    overflow_ = false;
}

int nextVaricodeWordState(int state, int bit) {
    constexpr int kMax = kVaricodeMaxCharacterBits;
    if (state < 0 || state >= kVaricodeWordStates) return -1;
    if (state == kVaricodeGap) return bit != 0 ? 1 : kVaricodeGap;
    if (state == kVaricodeOverlongOne)
        return bit != 0 ? kVaricodeOverlongOne : kVaricodeOverlongZero;
    if (state == kVaricodeOverlongZero) return bit != 0 ? kVaricodeOverlongOne : kVaricodeGap;
    // Bits of the word so far, and whether the last is a one.
    const bool lastIsOne = state <= kMax;
    const int bits = lastIsOne ? state : state - kMax + 1;
    if (bit == 0) return lastIsOne ? kMax + bits : kVaricodeGap;
    return bits + 1 <= kMax ? bits + 1 : kVaricodeOverlongOne;
}

}  // namespace pskmodem
