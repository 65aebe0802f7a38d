#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace pskmodem {

// The Varicode alphabet of PSK31: codes 0..127 as published with the mode, codes 128..255 the
// next valid code words in order of length and then value. Each code word starts and ends with
// a 1 bit and contains no two consecutive 0 bits; on air every word is followed by "00".
// Returns the code word of `code` as a string of '0' and '1' characters.
std::string_view varicodeBits(std::uint8_t code);

// Character code for a complete code word (without the trailing "00"), if it is one.
std::optional<std::uint8_t> varicodeLookup(std::string_view bits);

// Place in a Varicode word, as a sequence decoder follows it bit by bit: 0 = in the gap between
// words; 1..12 = that many bits into a word, the last a one; 13..24 = 2..13 bits, the last a
// zero (which may be the first of the gap); 25, 26 = a word longer than any character, the last
// bit a one or a zero. Two zeros end a word; no character is longer than 12 bits.
inline constexpr int kVaricodeMaxCharacterBits = 12;
inline constexpr int kVaricodeGap = 0;
inline constexpr int kVaricodeWordStates = 3 + 2 * kVaricodeMaxCharacterBits;
inline constexpr int kVaricodeOverlongOne = kVaricodeWordStates - 2;
inline constexpr int kVaricodeOverlongZero = kVaricodeWordStates - 1;
// Place after data bit `bit` from place `state` (-1 for a state out of range).
int nextVaricodeWordState(int state, int bit);

// Bit-serial Varicode decoder: feed demodulated bits one at a time; two zero bits in a row end a
// word. Words that are not in the alphabet, and over-long runs of ones, are dropped.
class VaricodeDecoder {
  public:
    // Returns the character completed by this bit, if any.
    std::optional<std::uint8_t> pushBit(int bit);
    void reset();

  private:
    std::uint32_t word_ = 0;  // bits of the word so far, first bit most significant
    int length_ = 0;          // bits in word_ (a pending zero not counted)
    bool pendingZero_ = false;
    bool overflow_ = false;  // the word grew longer than any code word
};

}  // namespace pskmodem
