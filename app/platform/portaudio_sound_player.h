#pragma once

// The program's sound player: the file is read with libsndfile (mixed down to one channel)
// and played on the system's default output through PortAudio, converted to the device's own
// rate when the device does not take the file's.
//
// play() only hands the file name to a thread of the player, which reads the file, stops the
// sound still playing, and starts the new one; so it returns at once, whatever the audio
// system does. The audio system is opened at the first play() and released when the player
// goes; a finished sound gives its output back.

#include <QString>
#include <memory>
#include <span>
#include <vector>

#include "platform/sound_player.h"

namespace platform {

// A sound ready to play: mono samples at their rate.
struct SoundClip {
    std::vector<float> samples;  // full scale +-1
    double sampleRateHz = 0.0;
};

// The longest sound played; the rest of a longer file is left unread.
inline constexpr double kMaxClipSeconds = 10.0;

// Reads a sound file (WAV, FLAC, OGG ...) up to its real end or kMaxClipSeconds, whatever its
// header claims, and mixes its channels to one; nothing when the file is missing, unreadable or
// not a regular file, holds no samples, or has a sample rate outside those a recording may have
// (pskmodem::kMinAudioFileRateHz to kMaxAudioFileRateHz).
std::unique_ptr<SoundClip> LoadSoundClip(const QString& path);

// `clip` at `outputRateHz` (a copy when the rates agree); empty when the conversion fails.
std::vector<float> ConvertRate(const SoundClip& clip, double outputRateHz);

class PortAudioSoundPlayer final : public SoundPlayer {
  public:
    PortAudioSoundPlayer();
    // Stops the sound and releases the audio system.
    ~PortAudioSoundPlayer() override;

    void play(const QString& path) override;

  private:
    class Worker;
    std::unique_ptr<Worker> worker_;
};

}  // namespace platform
