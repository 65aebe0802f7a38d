#include "pskmodem/sources/audio_file.h"

#include <sndfile.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <limits>
#include <memory>
#include <new>
#include <numeric>
#include <stdexcept>
#include <system_error>

namespace pskmodem {

namespace {

struct SndfileCloser {
    void operator()(SNDFILE* file) const { sf_close(file); }
};
using SndfileHandle = std::unique_ptr<SNDFILE, SndfileCloser>;

// Samples read at a time: a quarter of a megabyte, whatever the number of channels.
constexpr std::size_t kReadBlockSamples = 65536;

std::string lowerExtension(const std::string& path) {
    const auto dot = path.find_last_of('.');
    const auto slash = path.find_last_of("/\\");
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return {};
    std::string ext = path.substr(dot + 1);
    std::transform(ext.begin(), ext.end(), ext.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return ext;
}

std::optional<int> formatFor(const std::string& path, WavSampleFormat wavFormat) {
    const std::string ext = lowerExtension(path);
    if (ext == "wav") {
        return SF_FORMAT_WAV |
               (wavFormat == WavSampleFormat::Float32 ? SF_FORMAT_FLOAT : SF_FORMAT_PCM_16);
    }
    if (ext == "flac") return SF_FORMAT_FLAC | SF_FORMAT_PCM_16;
    if (ext == "ogg" || ext == "oga") return SF_FORMAT_OGG | SF_FORMAT_VORBIS;
    return std::nullopt;
}

}  // namespace

bool writeAudioFile(const std::string& path, std::span<const float> samples, int sampleRateHz,
                    int channels, WavSampleFormat wavFormat) {
    if (sampleRateHz <= 0 || channels <= 0) return false;
    if (samples.size() % static_cast<std::size_t>(channels) != 0) return false;
    const auto format = formatFor(path, wavFormat);
    if (!format) return false;

    SF_INFO info{};
    info.samplerate = sampleRateHz;
    info.channels = channels;
    info.format = *format;
    if (sf_format_check(&info) == 0) return false;
    SndfileHandle file(sf_open(path.c_str(), SFM_WRITE, &info));
    if (!file) return false;
    // Clip rather than wrap around when a sample exceeds full scale.
    sf_command(file.get(), SFC_SET_CLIPPING, nullptr, SF_TRUE);

    const auto frames =
        static_cast<sf_count_t>(samples.size() / static_cast<std::size_t>(channels));
    if (sf_writef_float(file.get(), samples.data(), frames) != frames) return false;
    // Closing flushes; a failure there (a full disk) must not pass as success.
    return sf_close(file.release()) == 0;
}

std::string audioFileRateProblem(int sampleRateHz) {
    if (sampleRateHz >= kMinAudioFileRateHz && sampleRateHz <= kMaxAudioFileRateHz) {
        return {};
    }
    return "its sample rate of " + std::to_string(sampleRateHz) + " Hz is outside the usable " +
           std::to_string(kMinAudioFileRateHz) + " to " + std::to_string(kMaxAudioFileRateHz) +
           " Hz";
}

std::string audioFileKindProblem(const std::string& path) {
    std::error_code error;
    const std::filesystem::file_status status = std::filesystem::status(path, error);
    switch (status.type()) {
        case std::filesystem::file_type::regular:
        case std::filesystem::file_type::not_found:
        case std::filesystem::file_type::none:  // status unknown: opening it says why
            return {};
        case std::filesystem::file_type::directory:
            return "it is a folder, not a regular file";
        case std::filesystem::file_type::fifo:
            return "it is a pipe, not a regular file";
        case std::filesystem::file_type::block:
        case std::filesystem::file_type::character:
            return "it is a device, not a regular file";
        default:
            return "it is not a regular file";
    }
}

std::string audioFileProblem(const std::string& path) {
    if (std::string kind = audioFileKindProblem(path); !kind.empty()) {
        return kind;
    }
    SF_INFO info{};
    SndfileHandle file(sf_open(path.c_str(), SFM_READ, &info));
    if (!file) {
        return sf_strerror(nullptr);
    }
    if (info.channels <= 0 || info.samplerate <= 0) {
        return "no usable audio (" + std::to_string(info.channels) + " channels at " +
               std::to_string(info.samplerate) + " Hz)";
    }
    return audioFileRateProblem(info.samplerate);
}

std::optional<AudioData> readAudioFile(const std::string& path, double maxSeconds,
                                       AudioChannels channels) {
    if (!audioFileKindProblem(path).empty()) {
        return std::nullopt;
    }
    SF_INFO info{};
    SndfileHandle file(sf_open(path.c_str(), SFM_READ, &info));
    if (!file || info.channels <= 0 || info.samplerate <= 0) {
        return std::nullopt;
    }
    const auto fileChannels = static_cast<std::size_t>(info.channels);
    const bool mix = channels == AudioChannels::MixedToOne;
    // The limit in frames; beyond what a size can count there is none.
    const double limit = std::max(0.0, maxSeconds) * static_cast<double>(info.samplerate);
    const std::size_t maxFrames =
        limit < 0x1p62 ? static_cast<std::size_t>(limit) : std::numeric_limits<std::size_t>::max();
    AudioData data;
    data.sampleRateHz = info.samplerate;
    data.channels = mix ? 1 : info.channels;
    try {
        const std::size_t blockFrames = std::max<std::size_t>(1, kReadBlockSamples / fileChannels);
        std::vector<float> block(blockFrames * fileChannels);
        for (std::size_t frames = 0; frames < maxFrames;) {
            const std::size_t wanted = std::min(blockFrames, maxFrames - frames);
            const sf_count_t got =
                sf_readf_float(file.get(), block.data(), static_cast<sf_count_t>(wanted));
            if (got <= 0) {
                break;  // the end, or a file that breaks off there
            }
            const auto count = static_cast<std::size_t>(got);
            if (mix) {
                for (std::size_t frame = 0; frame < count; ++frame) {
                    const auto first =
                        block.begin() + static_cast<std::ptrdiff_t>(frame * fileChannels);
                    const float sum = std::accumulate(
                        first, first + static_cast<std::ptrdiff_t>(fileChannels), 0.0F);
                    data.samples.push_back(sum / static_cast<float>(fileChannels));
                }
            } else {
                data.samples.insert(
                    data.samples.end(), block.begin(),
                    block.begin() + static_cast<std::ptrdiff_t>(count * fileChannels));
            }
            frames += count;
        }
    } catch (const std::bad_alloc&) {
        return std::nullopt;
    } catch (const std::length_error&) {
        return std::nullopt;
    }
    return data;
}

}  // namespace pskmodem
