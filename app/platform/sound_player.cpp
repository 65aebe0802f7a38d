#include "platform/sound_player.h"

namespace platform {

SoundPlayer& PlayerOrSilence(SoundPlayer* player) {
    if (player != nullptr) {
        return *player;
    }
    static SilentSoundPlayer silence;  // holds no state
    return silence;
}

}  // namespace platform
