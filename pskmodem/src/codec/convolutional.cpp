#include "pskmodem/codec/convolutional.h"

#include <cmath>
#include <numbers>

namespace pskmodem {

int ConvolutionalEncoder::encode(int bit) {
    reg_ = ((reg_ << 1U) | (bit != 0 ? 1U : 0U)) & 0x1FU;
    return convolutionalSymbol(reg_);
}

void ConvolutionalEncoder::reset() {
    reg_ = 0;
}

double qpskPhaseShiftRad(int symbol, Mode mode) {
    constexpr double kPi = std::numbers::pi;
    // Upper-sideband phase change per code symbol 0..3.
    constexpr double kUsb[4] = {kPi, -kPi / 2.0, 0.0, kPi / 2.0};
    const double shift = kUsb[static_cast<unsigned>(symbol) & 3U];
    // On the lower sideband the audio spectrum is inverted, so every phase change turns the
    // other way: +90 and -90 swap, 0 and 180 stay.
    return mode == Mode::QpskLsb ? (shift == kPi ? kPi : -shift) : shift;
}

int qpskQuarterTurns(int symbol, Mode mode) {
    const long turns = std::lround(qpskPhaseShiftRad(symbol, mode) / (std::numbers::pi / 2.0));
    return static_cast<int>(((turns % 4) + 4) % 4);
}

const std::array<std::uint8_t, 32>& qpskRegisterTurns(Mode mode) {
    const auto table = [](Mode m) {
        std::array<std::uint8_t, 32> turns{};
        for (unsigned reg = 0; reg < 32U; ++reg) {
            turns[reg] = static_cast<std::uint8_t>(qpskQuarterTurns(convolutionalSymbol(reg), m));
        }
        return turns;
    };
    static const std::array<std::uint8_t, 32> kUsb = table(Mode::QpskUsb);
    static const std::array<std::uint8_t, 32> kLsb = table(Mode::QpskLsb);
    return mode == Mode::QpskLsb ? kLsb : kUsb;
}

}  // namespace pskmodem
