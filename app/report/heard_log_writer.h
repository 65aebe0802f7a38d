#pragma once

// The heard-stations log written on a thread of its own: each record replaces the whole file in
// one synced step, which may take a while on a slow disk and grows with the log, so the UI thread
// only hands the spots over.

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <filesystem>
#include <mutex>
#include <string>
#include <thread>

#include "station/heard.h"

namespace report {

class HeardLogWriter {
  public:
    // Spots waiting beyond this many are dropped, the oldest first.
    static constexpr std::size_t kMaxQueued = 1000;

    // Opens the log (reading what it holds) on its own thread.
    HeardLogWriter(std::filesystem::path file, std::string programVersion);
    // Writes what is queued, then ends its thread.
    ~HeardLogWriter();
    HeardLogWriter(const HeardLogWriter&) = delete;
    HeardLogWriter& operator=(const HeardLogWriter&) = delete;

    // Hands `spot` to the log; never waits on the disk.
    void add(station::Spot spot);
    // Spots the log has taken so far (a call within the hour on its band is taken, not written).
    std::uint64_t taken() const;
    // Why the file could not be written the last time, or empty.
    std::string lastError() const;
    // Waits until everything handed over is taken (tests).
    void flush();

  private:
    void run(std::filesystem::path file, std::string programVersion);

    mutable std::mutex mutex_;
    std::condition_variable wake_;
    std::condition_variable idle_;
    std::deque<station::Spot> queue_;
    bool busy_ = false;
    bool stop_ = false;
    std::uint64_t taken_ = 0;
    std::string lastError_;
    std::thread thread_;
};

}  // namespace report
