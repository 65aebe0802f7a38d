#include "support/capture_thread.h"

#include <utility>

namespace pskmodem::test_support {

void CaptureThread::start(std::chrono::duration<double> period, std::function<bool()> deliver) {
    stop();
    running_.store(true);
    const auto step = std::chrono::duration_cast<std::chrono::steady_clock::duration>(period);
    thread_ = std::thread([this, step, deliver = std::move(deliver)] {
        auto next = std::chrono::steady_clock::now();
        while (running_.load()) {
            if (!deliver()) {
                return;
            }
            next += step;
            std::this_thread::sleep_until(next);
        }
    });
}

bool CaptureThread::stop() {
    if (!thread_.joinable()) {
        return false;
    }
    running_.store(false);
    thread_.join();
    return true;
}

}  // namespace pskmodem::test_support
