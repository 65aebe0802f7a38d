#include "pskmodem/engine/pipeline.h"

namespace pskmodem {
namespace {

class ForwardCharacters final : public CharSink {
  public:
    explicit ForwardCharacters(PipelineListener& listener) : listener_(listener) {}
    void character(std::uint8_t code) override { listener_.character(code); }

  private:
    PipelineListener& listener_;
};

}  // namespace

void Pipeline::reset() {
    receiver_.reset();
    spectrum_.reset();
}

void Pipeline::process(std::span<const float> in, PipelineListener& listener) {
    ForwardCharacters chars(listener);
    // Cut the input at spectrum frame boundaries so that each spectrum message carries the
    // receiver state as it stood at the end of that frame.
    while (!in.empty()) {
        const std::size_t used = spectrum_.consume(in);
        receiver_.process(in.first(used), chars);
        in = in.subspan(used);
        if (spectrum_.frameReady()) {
            listener.spectrumReady(spectrum_, receiver_);
        }
    }
}

void Pipeline::finish(PipelineListener& listener) {
    ForwardCharacters chars(listener);
    receiver_.finish(chars);
}

}  // namespace pskmodem
