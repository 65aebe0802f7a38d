// The receive path of a recording on any bytes: libsndfile reads them from memory (virtual
// I/O), the first channel goes through the sample-rate conversion to 8000 Hz and into the
// receiver, as the program's file input takes it. Rates the program refuses are refused here
// too; at most a few seconds of audio are processed, to keep each input quick.

#include <sndfile.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

#include "pskmodem/dsp/receiver.h"
#include "pskmodem/dsp/resampler.h"
#include "pskmodem/sources/audio_file.h"

namespace {

constexpr sf_count_t kMaxFrames = 4 * 48000;
constexpr std::size_t kBlockFrames = 1024;

struct Memory {
    const std::uint8_t* data;
    sf_count_t size;
    sf_count_t position = 0;
};

sf_count_t Length(void* user) {
    return static_cast<Memory*>(user)->size;
}

sf_count_t Seek(sf_count_t offset, int whence, void* user) {
    auto* m = static_cast<Memory*>(user);
    const sf_count_t base = whence == SEEK_CUR ? m->position : whence == SEEK_END ? m->size : 0;
    const sf_count_t to = base + offset;
    if (to < 0 || to > m->size) {
        return -1;
    }
    m->position = to;
    return to;
}

sf_count_t Read(void* out, sf_count_t count, void* user) {
    auto* m = static_cast<Memory*>(user);
    const sf_count_t n = std::clamp<sf_count_t>(m->size - m->position, 0, count);
    std::memcpy(out, m->data + m->position, static_cast<std::size_t>(n));
    m->position += n;
    return n;
}

sf_count_t Write(const void*, sf_count_t, void*) {
    return 0;
}

sf_count_t Tell(void* user) {
    return static_cast<Memory*>(user)->position;
}

class Discard final : public pskmodem::CharSink {
  public:
    void character(std::uint8_t) override {}
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Memory memory{data, static_cast<sf_count_t>(size)};
    SF_VIRTUAL_IO io{Length, Seek, Read, Write, Tell};
    SF_INFO info{};
    const std::unique_ptr<SNDFILE, int (*)(SNDFILE*)> file(
        sf_open_virtual(&io, SFM_READ, &info, &memory), sf_close);
    if (!file || info.channels < 1 || info.samplerate < pskmodem::kMinAudioFileRateHz ||
        info.samplerate > pskmodem::kMaxAudioFileRateHz) {
        return 0;
    }
    pskmodem::Resampler resampler(info.samplerate, pskmodem::kSampleRateHz, 0.0, kBlockFrames);
    pskmodem::Receiver receiver;
    receiver.setFrequency(1000.0, 50.0);
    Discard discard;
    std::vector<float> frames(kBlockFrames * static_cast<std::size_t>(info.channels));
    std::vector<float> first(kBlockFrames);
    for (sf_count_t done = 0; done < kMaxFrames;) {
        const sf_count_t got = sf_readf_float(file.get(), frames.data(), kBlockFrames);
        if (got <= 0) {
            break;
        }
        for (sf_count_t i = 0; i < got; ++i) {
            first[static_cast<std::size_t>(i)] =
                frames[static_cast<std::size_t>(i) * static_cast<std::size_t>(info.channels)];
        }
        receiver.process(resampler.process(std::span(first).first(static_cast<std::size_t>(got))),
                         discard);
        done += got;
    }
    for (auto tail = resampler.flush(); !tail.empty(); tail = resampler.flush()) {
        receiver.process(tail, discard);
    }
    return 0;
}
