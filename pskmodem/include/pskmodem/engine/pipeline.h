#pragma once

#include <cstdint>
#include <span>

#include "pskmodem/dsp/receiver.h"
#include "pskmodem/dsp/waterfall_fft.h"

namespace pskmodem {

// What the pipeline produces, in the order it produces it.
class PipelineListener {
  public:
    virtual ~PipelineListener() = default;
    // A new spectrum frame is in spectrum.levels(); the receiver's state is current.
    virtual void spectrumReady(const WaterfallFft& spectrum, const Receiver& receiver) = 0;
    virtual void character(std::uint8_t code) = 0;
};

// The whole receive-side processing of 8 kHz audio, single-threaded: spectrum and receiver.
// The engine runs it on its DSP thread; tools and benchmarks run it directly.
class Pipeline {
  public:
    Receiver& receiver() { return receiver_; }
    WaterfallFft& spectrum() { return spectrum_; }
    const Receiver& receiver() const { return receiver_; }
    const WaterfallFft& spectrum() const { return spectrum_; }

    void reset();
    void process(std::span<const float> in, PipelineListener& listener);
    // The end of the input: the receiver's last characters (see Receiver::finish).
    void finish(PipelineListener& listener);

  private:
    Receiver receiver_;
    WaterfallFft spectrum_;
};

}  // namespace pskmodem
