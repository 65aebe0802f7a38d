#include "support/recording_sink.h"

#include <algorithm>

namespace pskmodem::test_support {
namespace {

bool isStatus(const Message& m, Status status) {
    return m.id == kMsgStatus && m.wParam == static_cast<std::intptr_t>(status);
}

std::size_t countOf(const std::vector<Message>& all, std::uint32_t id) {
    return static_cast<std::size_t>(
        std::count_if(all.begin(), all.end(), [id](const Message& m) { return m.id == id; }));
}

}  // namespace

void RecordingSink::post(std::uint32_t message, std::intptr_t wParam, std::intptr_t lParam) {
    if (closed_.load()) {
        lateMessages_.fetch_add(1);
    }
    if (message == kMsgSpectrum && holdSpectrum_.load()) {
        std::unique_lock lock(mutex_);
        held_ = true;
        changed_.notify_all();
        changed_.wait(lock, [this] { return !holdSpectrum_.load(); });
        held_ = false;
    }
    const std::lock_guard lock(mutex_);
    messages_.push_back({message, wParam, lParam});
    changed_.notify_all();
}

std::vector<Message> RecordingSink::messages() const {
    const std::lock_guard lock(mutex_);
    return messages_;
}

std::size_t RecordingSink::count(std::uint32_t id) const {
    const std::lock_guard lock(mutex_);
    return countOf(messages_, id);
}

int RecordingSink::spectra() const {
    return static_cast<int>(count(kMsgSpectrum));
}

std::vector<Status> RecordingSink::statuses() const {
    const std::lock_guard lock(mutex_);
    std::vector<Status> result;
    for (const Message& m : messages_) {
        if (m.id == kMsgStatus) {
            result.push_back(static_cast<Status>(m.wParam));
        }
    }
    return result;
}

bool RecordingSink::hasStatus(Status status) const {
    const std::lock_guard lock(mutex_);
    return std::any_of(messages_.begin(), messages_.end(),
                       [status](const Message& m) { return isStatus(m, status); });
}

std::string RecordingSink::text() const {
    const std::lock_guard lock(mutex_);
    std::string result;
    for (const Message& m : messages_) {
        if (m.id == kMsgCharacter) {
            result.push_back(static_cast<char>(static_cast<unsigned char>(m.wParam)));
        }
    }
    return result;
}

bool RecordingSink::waitFor(const std::function<bool(const std::vector<Message>&)>& done,
                            std::chrono::milliseconds timeout) const {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, timeout, [&] { return done(messages_); });
}

bool RecordingSink::waitForCount(std::uint32_t id, std::size_t n,
                                 std::chrono::milliseconds timeout) const {
    return waitFor([&](const std::vector<Message>& all) { return countOf(all, id) >= n; }, timeout);
}

bool RecordingSink::waitForStatus(Status status, std::chrono::milliseconds timeout) const {
    return waitFor(
        [status](const std::vector<Message>& all) {
            return std::any_of(all.begin(), all.end(),
                               [status](const Message& m) { return isStatus(m, status); });
        },
        timeout);
}

bool RecordingSink::waitForMoreSpectra(int count, std::chrono::milliseconds timeout) const {
    std::unique_lock lock(mutex_);
    const std::size_t target = countOf(messages_, kMsgSpectrum) + static_cast<std::size_t>(count);
    return changed_.wait_for(lock, timeout,
                             [&] { return countOf(messages_, kMsgSpectrum) >= target; });
}

bool RecordingSink::waitUntilHeld(std::chrono::milliseconds timeout) {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, timeout, [this] { return held_; });
}

void RecordingSink::release() {
    const std::lock_guard lock(mutex_);
    holdSpectrum_.store(false);
    changed_.notify_all();
}

}  // namespace pskmodem::test_support
