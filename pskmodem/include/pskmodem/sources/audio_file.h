#pragma once

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

// Why `path` cannot be decoded as audio, in libsndfile's words (or because it holds no channel
// or no sample rate); empty when it can. Reads only the file's header.
std::string audioFileProblem(const std::string& path);

// Reads a whole file that libsndfile understands; nullopt when it cannot.
std::optional<AudioData> readAudioFile(const std::string& path);

}  // namespace pskmodem
