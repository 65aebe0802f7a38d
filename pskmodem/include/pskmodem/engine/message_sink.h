#pragma once

#include <cstdint>

namespace pskmodem {

// Messages the engine posts to its sink.
inline constexpr std::uint32_t kMsgSpectrum = 2024;   // wParam: receive Hz, lParam: quality 0..100
inline constexpr std::uint32_t kMsgCharacter = 2025;  // wParam: decoded 8-bit character code
inline constexpr std::uint32_t kMsgStatus = 2026;     // wParam: one of the Status values below
inline constexpr std::uint32_t kMsgReserved = 2027;   // wParam: not used by this library

// Values carried by kMsgStatus.
enum class Status : std::intptr_t {
    Started = 1,     // audio flows (again, after Reopening)
    EndOfInput = 2,  // a file source reached its end; the engine is idle
    DeviceLost = 3,  // the capture device disappeared or failed; the flow stopped
    Overrun = 4,     // the DSP thread fell behind and audio was dropped
    Reopening = 5,   // the input could not be opened or was lost; the engine keeps opening it
};

// Where the engine delivers its messages. post() may be called from any thread, including the
// DSP thread, and must not block for long.
class MessageSink {
  public:
    virtual ~MessageSink() = default;
    virtual void post(std::uint32_t message, std::intptr_t wParam, std::intptr_t lParam) = 0;
};

}  // namespace pskmodem
