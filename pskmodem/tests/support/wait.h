#pragma once

// Waiting in tests for what no one signals, without fixed sleeps: a condition is polled until it
// holds or a deadline passes, so that a busy machine only makes a test slower, never wrong.

#include <chrono>
#include <thread>

namespace pskmodem::test_support {

// Polls `done` every millisecond until it returns true or `timeout` has passed; returns its last
// answer. For a condition that must hold, give a generous timeout; for one that must not come
// to hold (a message after stop()), the timeout is how long to watch for it.
template <typename Predicate>
bool waitUntil(Predicate done, std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!done()) {
        if (std::chrono::steady_clock::now() >= deadline) {
            return done();
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

}  // namespace pskmodem::test_support
