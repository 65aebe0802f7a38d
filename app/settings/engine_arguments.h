#pragma once

// Settings as the engine and the timers take them.

#include <cstdint>

namespace KVXmodules {

// The interval of Timer1 and Timer2: ProgramTimerInterval when it lies in 1..100 ms,
// otherwise 10.
inline constexpr std::int16_t kDefaultTimerIntervalMs = 10;
constexpr std::int16_t ValidTimerInterval(std::int16_t programTimerInterval) noexcept {
    return programTimerInterval < 1 || programTimerInterval > 100 ? kDefaultTimerIntervalMs
                                                                  : programTimerInterval;
}

// A setting held as a general number, as a 32-bit engine argument: rounded to the nearest
// integer, halves to the even neighbour; beyond the 32-bit range it saturates, NaN gives 0.
std::int32_t EngineArgument(double value) noexcept;

}  // namespace KVXmodules
