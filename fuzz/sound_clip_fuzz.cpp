// The alarm sound's reader on any bytes: they are written to a file, which is read as the alarm
// player reads it (to its real end or the longest clip, mixed to one channel) and converted to a
// usual output rate. Whatever the header claims, the memory used follows what the file holds.

#include <unistd.h>

#include <QFile>
#include <QString>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <system_error>

#include "platform/portaudio_sound_player.h"

namespace {

// The scratch file the inputs go through, removed when the process ends.
class ScratchFile {
  public:
    ScratchFile()
        : path_(std::filesystem::temp_directory_path() /
                ("sound_clip_fuzz_" + std::to_string(::getpid()) + ".snd")) {}
    ~ScratchFile() {
        std::error_code ignored;
        std::filesystem::remove(path_, ignored);
    }
    ScratchFile(const ScratchFile&) = delete;
    ScratchFile& operator=(const ScratchFile&) = delete;

    QString write(const std::uint8_t* data, std::size_t size) const {
        std::ofstream(path_, std::ios::binary | std::ios::trunc)
            .write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
        return QFile::decodeName(path_.c_str());
    }

  private:
    std::filesystem::path path_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const ScratchFile scratch;
    const std::unique_ptr<platform::SoundClip> clip =
        platform::LoadSoundClip(scratch.write(data, size));
    if (clip) {
        platform::ConvertRate(*clip, 48000.0);
    }
    return 0;
}
