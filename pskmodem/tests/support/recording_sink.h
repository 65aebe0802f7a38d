#pragma once

// A message sink for the engine's tests that records every message, lets a test wait for the
// messages it expects, and can hold the DSP thread inside a spectrum message.

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "pskmodem/engine/message_sink.h"

namespace pskmodem::test_support {

struct Message {
    std::uint32_t id;
    std::intptr_t wParam;
    std::intptr_t lParam;
};

class RecordingSink final : public MessageSink {
  public:
    void post(std::uint32_t message, std::intptr_t wParam, std::intptr_t lParam) override;

    std::vector<Message> messages() const;
    std::size_t count(std::uint32_t id) const;
    // The number of spectrum messages.
    int spectra() const;
    // The Status values posted, in order.
    std::vector<Status> statuses() const;
    bool hasStatus(Status status) const;
    // The decoded characters, in order.
    std::string text() const;

    // Waits until `done` holds for the recorded messages; false when `timeout` passed first.
    bool waitFor(const std::function<bool(const std::vector<Message>&)>& done,
                 std::chrono::milliseconds timeout) const;
    // Waits until there are at least `n` messages `id`.
    bool waitForCount(std::uint32_t id, std::size_t n, std::chrono::milliseconds timeout) const;
    bool waitForStatus(Status status, std::chrono::milliseconds timeout) const;
    // Waits for `count` more spectrum messages than there are now.
    bool waitForMoreSpectra(int count, std::chrono::milliseconds timeout) const;

    // From now on, a spectrum message holds the posting thread until release().
    void holdSpectrumMessages() { holdSpectrum_.store(true); }
    // Waits until a spectrum message is being held.
    bool waitUntilHeld(std::chrono::milliseconds timeout);
    void release();

    // Any message after close() is counted as late.
    void close() { closed_.store(true); }
    int lateMessages() const { return lateMessages_.load(); }

  private:
    mutable std::mutex mutex_;
    mutable std::condition_variable changed_;
    std::vector<Message> messages_;
    std::atomic<bool> holdSpectrum_{false};
    bool held_ = false;
    std::atomic<bool> closed_{false};
    std::atomic<int> lateMessages_{0};
};

}  // namespace pskmodem::test_support
