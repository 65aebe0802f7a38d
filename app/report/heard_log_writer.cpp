#include "report/heard_log_writer.h"

#include <utility>

#include "station/heard_log.h"

namespace report {

HeardLogWriter::HeardLogWriter(std::filesystem::path file, std::string programVersion)
    : thread_([this, file = std::move(file), version = std::move(programVersion)]() mutable {
          run(std::move(file), std::move(version));
      }) {}

HeardLogWriter::~HeardLogWriter() {
    {
        const std::lock_guard lock(mutex_);
        stop_ = true;
    }
    wake_.notify_all();
    thread_.join();
}

void HeardLogWriter::add(station::Spot spot) {
    {
        const std::lock_guard lock(mutex_);
        if (queue_.size() >= kMaxQueued) {
            queue_.pop_front();
        }
        queue_.push_back(std::move(spot));
    }
    wake_.notify_all();
}

std::uint64_t HeardLogWriter::taken() const {
    const std::lock_guard lock(mutex_);
    return taken_;
}

std::string HeardLogWriter::lastError() const {
    const std::lock_guard lock(mutex_);
    return lastError_;
}

void HeardLogWriter::flush() {
    std::unique_lock lock(mutex_);
    idle_.wait(lock, [this] { return queue_.empty() && !busy_; });
}

void HeardLogWriter::run(std::filesystem::path file, std::string programVersion) {
    station::HeardLog log(std::move(file), std::move(programVersion));
    std::unique_lock lock(mutex_);
    while (true) {
        idle_.notify_all();
        wake_.wait(lock, [this] { return stop_ || !queue_.empty(); });
        if (queue_.empty()) {
            return;  // stopped with nothing left to write
        }
        const station::Spot spot = std::move(queue_.front());
        queue_.pop_front();
        busy_ = true;
        lock.unlock();
        std::string error = log.add(spot);
        lock.lock();
        busy_ = false;
        ++taken_;
        lastError_ = std::move(error);
    }
}

}  // namespace report
