#pragma once

#include <array>
#include <bit>
#include <cstdint>
#include <span>

#include "pskmodem/types.h"

namespace pskmodem {

// The rate-1/2, constraint-length-5 convolutional code of QPSK31. Each data bit becomes one
// two-bit code symbol, sent as one of four phase changes; an all-zero data stream (idle) gives
// steady phase reversals, as in BPSK31.
//
// The encoder keeps the last five data bits in a shift register, newest bit in the least
// significant position (bit 0 = newest, bit 4 = four bits ago). The two code bits are the parities
// of the register under the two generator polynomials
//     kConvPolyA = 0x19 = 11001b : newest + 3 bits ago + 4 bits ago
//     kConvPolyB = 0x17 = 10111b : newest + 1 + 2 + 4 bits ago
// and the code symbol is (parityA << 1) | parityB. The four symbols go out as these phase
// changes (upper sideband; the lower sideband mirrors +90 and -90 degrees):
//     symbol 0 (00) -> 180 degrees   (the all-zero register: idle gives reversals)
//     symbol 1 (01) -> -90 degrees
//     symbol 2 (10) ->   0 degrees   (no change)
//     symbol 3 (11) -> +90 degrees
// This reproduces the published 32-entry table of the mode, e.g. register 00001 -> +90,
// 00010 -> -90, 00011 -> 0, 01000 -> 0, 10000 -> +90, 11111 -> 0.
inline constexpr int kConvConstraintLength = 5;
inline constexpr unsigned kConvPolyA = 0x19U;
inline constexpr unsigned kConvPolyB = 0x17U;

// Code symbol (0..3) produced by a five-bit encoder register (newest bit in bit 0).
constexpr int convolutionalSymbol(unsigned reg) {
    const unsigned a = static_cast<unsigned>(std::popcount(reg & kConvPolyA)) & 1U;
    const unsigned b = static_cast<unsigned>(std::popcount(reg & kConvPolyB)) & 1U;
    return static_cast<int>((a << 1U) | b);
}

class ConvolutionalEncoder {
  public:
    // Returns the code symbol (0..3) for the next data bit (any non-zero `bit` counts as 1).
    int encode(int bit);
    // Clears the register to the idle (all-zero) state.
    void reset();

  private:
    unsigned reg_ = 0;  // last five data bits, newest in bit 0
};

// Phase change, in radians, that carries code `symbol` (0..3) in `mode` (QpskUsb or QpskLsb; the
// lower sideband turns the other way). Any mode other than QpskLsb uses the upper-sideband
// mapping. Values: pi, -pi/2, 0, +pi/2 for symbols 0..3 on the upper sideband.
double qpskPhaseShiftRad(int symbol, Mode mode);

// The same phase change in quarter turns counterclockwise, 0..3 (upper sideband: 2, 3, 0, 1 for
// symbols 0..3).
int qpskQuarterTurns(int symbol, Mode mode);

// Quarter turns of the phase change each five-bit encoder register (newest bit in bit 0) gives
// in `mode`: the table the QPSK31 trellis decoders step their quadrant by.
const std::array<std::uint8_t, 32>& qpskRegisterTurns(Mode mode);

}  // namespace pskmodem
