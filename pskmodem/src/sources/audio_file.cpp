#include "pskmodem/sources/audio_file.h"

#include <sndfile.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <memory>
#include <system_error>

namespace pskmodem {

namespace {

struct SndfileCloser {
    void operator()(SNDFILE* file) const { sf_close(file); }
};
using SndfileHandle = std::unique_ptr<SNDFILE, SndfileCloser>;

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

std::optional<AudioData> readAudioFile(const std::string& path) {
    if (!audioFileKindProblem(path).empty()) {
        return std::nullopt;
    }
    SF_INFO info{};
    SndfileHandle file(sf_open(path.c_str(), SFM_READ, &info));
    if (!file || info.channels <= 0 || info.samplerate <= 0 || info.frames < 0) {
        return std::nullopt;
    }
    AudioData data;
    data.sampleRateHz = info.samplerate;
    data.channels = info.channels;
    data.samples.resize(static_cast<std::size_t>(info.frames) *
                        static_cast<std::size_t>(info.channels));
    const sf_count_t read = sf_readf_float(file.get(), data.samples.data(), info.frames);
    if (read < 0) return std::nullopt;
    // Some containers report an estimate; keep what was actually read.
    data.samples.resize(static_cast<std::size_t>(read) * static_cast<std::size_t>(info.channels));
    return data;
}

}  // namespace pskmodem
