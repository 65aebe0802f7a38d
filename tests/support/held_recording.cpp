#include "support/held_recording.h"

#include <algorithm>
#include <chrono>
#include <thread>
#include <utility>

#include "pskmodem/sources/audio_file.h"

namespace testing_support {

HeldRecording::HeldRecording(const std::string& path,
                             std::shared_ptr<const std::atomic<bool>> released,
                             std::shared_ptr<std::atomic<bool>> ended)
    : file_(pskmodem::makeFileSource(path, pskmodem::Pace::AsFastAsPossible)),
      released_(std::move(released)),
      ended_(std::move(ended)) {}

int HeldRecording::start() {
    return file_->start();
}

void HeldRecording::stop() {
    file_->stop();
}

double HeldRecording::sampleRateHz() const {
    return file_->sampleRateHz();
}

pskmodem::ReadResult HeldRecording::read(std::span<float> out, std::chrono::milliseconds timeout) {
    if (!released_->load()) {
        std::this_thread::sleep_for(std::min(timeout, std::chrono::milliseconds(1)));
        return {0, pskmodem::ReadStatus::Ok};
    }
    if (ended_ && ended_->load()) {
        std::fill(out.begin(), out.end(), 0.0f);
        std::this_thread::sleep_for(
            std::chrono::duration<double>(static_cast<double>(out.size()) / file_->sampleRateHz()));
        return {out.size(), pskmodem::ReadStatus::Ok};
    }
    pskmodem::ReadResult result = file_->read(out, timeout);
    if (ended_ && result.status == pskmodem::ReadStatus::EndOfInput) {
        ended_->store(true);
        result.status = pskmodem::ReadStatus::Ok;
    }
    return result;
}

std::string HeldRecording::lastError() const {
    return file_->lastError();
}

}  // namespace testing_support
