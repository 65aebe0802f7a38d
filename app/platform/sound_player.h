#pragma once

// The alarm player: plays a sound file in the background, as a service passed to the window
// that sounds. The program's player plays through the audio system (PortAudioSoundPlayer);
// tests give a fake that records what it is asked to play.

#include <QString>

namespace platform {

class SoundPlayer {
  public:
    SoundPlayer() = default;
    virtual ~SoundPlayer() = default;
    SoundPlayer(const SoundPlayer&) = delete;
    SoundPlayer& operator=(const SoundPlayer&) = delete;

    // Starts playing the sound file `path` and returns at once; a sound still playing stops
    // and this one replaces it. A missing or unreadable file, or a system without a sound
    // output, plays nothing and reports nothing.
    virtual void play(const QString& path) = 0;
};

// A player that never makes a sound.
class SilentSoundPlayer final : public SoundPlayer {
  public:
    void play(const QString& /*path*/) override {}
};

// `player`, or a silent player when there is none.
SoundPlayer& PlayerOrSilence(SoundPlayer* player);

}  // namespace platform
