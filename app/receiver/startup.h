#pragma once

// The parts of start-up that need no window: the timer interval rule, the remembered-size
// test and the engine's start and configuration sequence.

#include <cstdint>

namespace KVXmodules {
struct SettingsRecord;
}
namespace platform {
class Dialogs;
class PskEngine;
}  // namespace platform
namespace pskmodem {
class MessageSink;
}

namespace receiver {

// The stored window size is applied when RememberScreenSize is set and the stored height
// exceeds 4000 twips and the width 6000 twips (compared as single-precision values).
inline constexpr float kRememberedHeightAboveTwips = 4000.0F;
inline constexpr float kRememberedWidthAboveTwips = 6000.0F;
constexpr bool RememberedSizeApplies(std::int16_t rememberScreenSize, float screenHeigth,
                                     float screenWidth) noexcept {
    return rememberScreenSize != 0 && screenHeigth > kRememberedHeightAboveTwips &&
           screenWidth > kRememberedWidthAboveTwips;
}

// The message box shown when the sound card does not start.
inline constexpr char16_t kSoundCardFailedText[] = u"Unable to initiate soundcard";

// Starts the engine on sound card `cardNumber` (0, the system's default input, unless another
// input was chosen) with messages to `sink` and configures it from the settings: a second
// start with the same arguments, then frequency and search range, BPSK, smoothing and
// sensitivity, squelch, and finally `selectedMode`, the mode the window shows. A sound card
// clock correction (ppm, 0 = none) goes to the engine before the first start. When the first
// start fails, shows the one message box, makes no second start and configures the engine all
// the same, for the sound card it keeps opening. Returns whether the engine runs.
bool StartEngine(platform::PskEngine& engine, pskmodem::MessageSink* sink,
                 const KVXmodules::SettingsRecord& settings, std::int32_t selectedMode,
                 platform::Dialogs& dialogs, std::int32_t cardNumber = 0,
                 std::int32_t clockCorrectionPpm = 0);

}  // namespace receiver
