// Audio files through libsndfile.

#include <sndfile.h>

#include <algorithm>
#include <new>
#include <string>
#include <utility>
#include <vector>

#include "pskmodem/sources/audio_file.h"
#include "pskmodem/sources/audio_source.h"
#include "sources/pacer.h"

namespace pskmodem {
namespace {

class FileSource final : public AudioSource {
  public:
    FileSource(std::string path, Pace pace) : path_(std::move(path)), pace_(pace) {}
    ~FileSource() override { stop(); }
    FileSource(const FileSource&) = delete;
    FileSource& operator=(const FileSource&) = delete;

    int start() override {
        if (file_ != nullptr) {
            return 0;
        }
        error_.clear();
        // Checked before opening: opening a pipe would wait for a writer.
        if (const std::string kind = audioFileKindProblem(path_); !kind.empty()) {
            error_ = "The file \"" + path_ + "\" cannot be decoded: " + kind + ".";
            return toInt(SourceError::FileUnreadable);
        }
        SF_INFO info{};
        SNDFILE* file = sf_open(path_.c_str(), SFM_READ, &info);
        if (file == nullptr) {
            error_ = "Cannot read the audio file \"" + path_ + "\": " + sf_strerror(nullptr);
            return toInt(SourceError::FileUnreadable);
        }
        if (info.channels < 1 || info.samplerate < 1) {
            sf_close(file);
            error_ = "The file \"" + path_ + "\" has no usable audio (" +
                     std::to_string(info.channels) + " channels at " +
                     std::to_string(info.samplerate) + " Hz).";
            return toInt(SourceError::FileUnreadable);
        }
        if (const std::string rate = audioFileRateProblem(info.samplerate); !rate.empty()) {
            sf_close(file);
            error_ = "The file \"" + path_ + "\" cannot be decoded: " + rate + ".";
            return toInt(SourceError::FileUnreadable);
        }
        try {
            interleaved_.assign(kChunkFrames * static_cast<std::size_t>(info.channels), 0.0f);
        } catch (const std::bad_alloc&) {
            sf_close(file);
            error_ = "The file \"" + path_ + "\" has too many channels.";
            return toInt(SourceError::FileUnreadable);
        }
        file_ = file;
        channels_ = static_cast<std::size_t>(info.channels);
        rateHz_ = static_cast<double>(info.samplerate);
        ended_ = false;
        pacer_.start(rateHz_, pace_);
        return 0;
    }

    void stop() override {
        if (file_ != nullptr) {
            sf_close(file_);
            file_ = nullptr;
        }
    }

    double sampleRateHz() const override { return rateHz_; }

    ReadResult read(std::span<float> out, std::chrono::milliseconds timeout) override {
        if (file_ == nullptr || ended_) {
            return {0, ReadStatus::EndOfInput};
        }
        const std::size_t wanted = pacer_.admit(std::min(out.size(), kChunkFrames), timeout);
        if (wanted == 0) {
            return {0, ReadStatus::Ok};
        }
        const sf_count_t got =
            sf_readf_float(file_, interleaved_.data(), static_cast<sf_count_t>(wanted));
        if (got <= 0) {
            // The end, or a file that breaks off: either way nothing more comes.
            ended_ = true;
            return {0, ReadStatus::EndOfInput};
        }
        const auto frames = static_cast<std::size_t>(got);
        for (std::size_t i = 0; i < frames; ++i) {
            out[i] = interleaved_[i * channels_];
        }
        pacer_.delivered(frames);
        return {frames, ReadStatus::Ok};
    }

    std::string lastError() const override { return error_; }

  private:
    static constexpr std::size_t kChunkFrames = 4096;

    std::string path_;
    Pace pace_;
    SNDFILE* file_ = nullptr;
    std::size_t channels_ = 1;
    double rateHz_ = 0.0;
    bool ended_ = false;
    std::vector<float> interleaved_;
    detail::Pacer pacer_;
    std::string error_;
};

}  // namespace

std::unique_ptr<AudioSource> makeFileSource(std::string path, Pace pace) {
    return std::make_unique<FileSource>(std::move(path), pace);
}

}  // namespace pskmodem
