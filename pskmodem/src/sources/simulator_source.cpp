// The built-in band simulator as an audio source.

#include <exception>
#include <memory>
#include <string>
#include <utility>

#include "pskmodem/sources/audio_source.h"
#include "pskmodem/types.h"
#include "sources/pacer.h"

namespace pskmodem {
namespace {

class SimulatorSource final : public AudioSource {
  public:
    SimulatorSource(SimulatorConfig config, Pace pace) : config_(std::move(config)), pace_(pace) {}

    int start() override {
        if (simulator_) {
            return 0;
        }
        error_.clear();
        try {
            // A fresh simulator per start: the same configuration gives the same band.
            simulator_ = std::make_unique<BandSimulator>(config_);
        } catch (const std::exception& e) {
            error_ = std::string("The signal simulator cannot start: ") + e.what();
            return toInt(SourceError::Failed);
        }
        pacer_.start(kSampleRateHz, pace_);
        return 0;
    }

    void stop() override { simulator_.reset(); }

    double sampleRateHz() const override { return kSampleRateHz; }

    ReadResult read(std::span<float> out, std::chrono::milliseconds timeout) override {
        if (!simulator_) {
            return {0, ReadStatus::EndOfInput};
        }
        const std::size_t count = pacer_.admit(out.size(), timeout);
        simulator_->generate(out.first(count));
        pacer_.delivered(count);
        return {count, ReadStatus::Ok};
    }

    std::string lastError() const override { return error_; }

  private:
    SimulatorConfig config_;
    Pace pace_;
    std::unique_ptr<BandSimulator> simulator_;
    detail::Pacer pacer_;
    std::string error_;
};

}  // namespace

std::unique_ptr<AudioSource> makeSimulatorSource(SimulatorConfig config, Pace pace) {
    return std::make_unique<SimulatorSource>(std::move(config), pace);
}

}  // namespace pskmodem
