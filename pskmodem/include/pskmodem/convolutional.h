#pragma once

#include <cstdint>
#include <span>

#include "pskmodem/types.h"

namespace pskmodem {

// The rate-1/2, constraint-length-5 convolutional code of QPSK31. Each data bit becomes one
// two-bit code symbol, sent as one of four phase changes; an all-zero data stream (idle) gives
// steady phase reversals, as in BPSK31.
class ConvolutionalEncoder {
public:
    // Returns the code symbol (0..3) for the next data bit.
    int encode(int bit);
    void reset();

private:
};

// Phase change, in radians, that carries code `symbol` (0..3) in `mode` (QpskUsb or QpskLsb; the
// lower sideband turns the other way).
double qpskPhaseShiftRad(int symbol, Mode mode);

}  // namespace pskmodem
