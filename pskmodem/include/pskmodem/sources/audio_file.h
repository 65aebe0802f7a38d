#pragma once

#include <limits>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace pskmodem {

// Reading and writing whole audio files (WAV, FLAC, OGG) for the tools, the tests and the
// benchmarks. Samples are floats with full scale +-1, channels interleaved.

enum class WavSampleFormat { Pcm16, Float32 };

// Writes `samples` (interleaved when channels > 1). The container follows the file name's
// extension: .wav (16-bit PCM unless `wavFormat` asks for 32-bit float), .flac (16-bit) or .ogg
// (Vorbis). Samples beyond full scale are clipped in the integer formats. Returns false when the
// extension is unknown or the file cannot be written.
bool writeAudioFile(const std::string& path, std::span<const float> samples, int sampleRateHz,
                    int channels = 1, WavSampleFormat wavFormat = WavSampleFormat::Pcm16);

struct AudioData {
    std::vector<float> samples;  // interleaved
    int sampleRateHz = 0;
    int channels = 0;
};

// The sample rates a recording may have. 7000 Hz is the lowest whose Nyquist frequency (3500 Hz)
// still holds the whole band the receiver tunes, 100 to 3500 Hz; 768000 Hz is the highest rate
// sound hardware offers. Outside these the header is nonsense or the file useless, and converting
// it to the engine's 8000 Hz would be ruinous: a header saying 1 Hz turns every sample into 8000.
inline constexpr int kMinAudioFileRateHz = 7000;
inline constexpr int kMaxAudioFileRateHz = 768000;

// Why audio at `sampleRateHz` is refused ("its sample rate of 1 Hz is outside ..."); empty
// within the limits above.
std::string audioFileRateProblem(int sampleRateHz);

// Why `path` is refused for what it is: only regular files (or links to them) are read, since a
// pipe blocks until a writer comes and a device never ends. Names what it is instead ("it is a
// pipe, not a regular file"); empty for a regular file and for a name that does not exist
// (opening it then says why).
std::string audioFileKindProblem(const std::string& path);

// Why `path` cannot be decoded: it is not a regular file, libsndfile cannot open it (in its
// words), it holds no channel, or its sample rate is outside the limits above; empty when it can.
// Reads only the file's header.
std::string audioFileProblem(const std::string& path);

// How readAudioFile gives the channels: interleaved as the file holds them, or averaged into one
// as they are read (so a file of many channels costs no more memory than one of a single channel).
enum class AudioChannels { AsInFile, MixedToOne };

// Reads a regular file that libsndfile understands, at any rate, block by block up to its real
// end or up to `maxSeconds` of audio, whichever comes first. The frame count of the header is not
// trusted: a damaged one may claim far more than the file holds (a FLAC header can claim 2^36
// frames in 42 bytes). nullopt when it cannot be read, or when what it holds does not fit in
// memory.
std::optional<AudioData> readAudioFile(const std::string& path,
                                       double maxSeconds = std::numeric_limits<double>::infinity(),
                                       AudioChannels channels = AudioChannels::AsInFile);

}  // namespace pskmodem
