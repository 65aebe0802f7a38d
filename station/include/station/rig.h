#pragma once

// The rig's dial through hamlib, read-only: the frequency and mode are read, never set, so that a
// monitor never retunes a rig that other programs share.

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "station/dial.h"

namespace station {

// hamlib's model numbers of its dummy rig (in-process, no hardware) and of its network client of
// the rig daemon (rigctld).
inline constexpr int kDummyRigModel = 1;
inline constexpr int kNetworkRigModel = 2;

// Which rig to read: a hamlib model with its port (a serial device and its speed, or a USB or
// network path), or the rig daemon at HOST:PORT (the network model).
struct RigAddress {
    int model = 0;
    std::string port;  // device or path; HOST:PORT for the network model; empty for the dummy
    int speed = 0;     // serial speed in baud, 0 = the model's default

    // The rig daemon at `hostPort` ("127.0.0.1:4532").
    static RigAddress daemon(std::string hostPort) {
        return RigAddress{.model = kNetworkRigModel, .port = std::move(hostPort), .speed = 0};
    }
    // How a message names the rig: "rigctld at 127.0.0.1:4532", "rig model 1 on /dev/ttyUSB0".
    std::string describe() const;
    bool operator==(const RigAddress&) const = default;
};

// One model hamlib drives.
struct RigModel {
    int model = 0;
    std::string maker;
    std::string name;
};

// Every model of this hamlib, by maker and name.
std::vector<RigModel> rigModels();

// A reading, or why there is none.
struct RigRead {
    std::optional<DialReading> reading;
    std::string error;  // one line, when there is no reading
};

// One connection to a rig, used from one thread at a time. It opens the rig at the first read and
// after a failed one, so that a rig that comes back is found again. A rig that does not answer
// fails a read within about `timeout` (twice that for a serial rig that is tried again once).
class RigConnection {
  public:
    explicit RigConnection(RigAddress address,
                           std::chrono::milliseconds timeout = std::chrono::milliseconds(1000));
    ~RigConnection();
    RigConnection(const RigConnection&) = delete;
    RigConnection& operator=(const RigConnection&) = delete;

    // Reads the dial frequency and mode; on a failure the rig is closed.
    RigRead read();
    void close();
    bool isOpen() const { return rig_ != nullptr; }
    const RigAddress& address() const { return address_; }

  private:
    std::string open();  // empty when the rig opened

    RigAddress address_;
    std::chrono::milliseconds timeout_;
    void* rig_ = nullptr;  // hamlib's RIG, kept out of this header
};

// What the poller knows of the rig.
struct RigStatus {
    enum class State { Starting, Answering, NotAnswering };
    State state = State::Starting;
    std::optional<DialReading> reading;  // the last reading while answering
    std::string error;                   // why it does not answer

    bool operator==(const RigStatus&) const = default;
};

// Reads the rig about every `interval` on a thread of its own, opening it again after a failure.
// `changed` is called on that thread whenever the status changes (a new dial or mode, the rig
// no longer answering or answering again); status() gives the latest at any time without
// waiting on the rig. The destructor stops the thread within one rig timeout.
class RigPoller {
  public:
    using Listener = std::function<void(const RigStatus&)>;

    RigPoller(RigAddress address, std::chrono::milliseconds interval, Listener changed,
              std::chrono::milliseconds timeout = std::chrono::milliseconds(1000));
    ~RigPoller();
    RigPoller(const RigPoller&) = delete;
    RigPoller& operator=(const RigPoller&) = delete;

    RigStatus status() const;
    // Reads performed so far (for measurements and tests).
    std::uint64_t polls() const;

  private:
    void run();

    RigConnection connection_;
    std::chrono::milliseconds interval_;
    Listener changed_;
    mutable std::mutex mutex_;
    std::condition_variable wake_;
    bool stopping_ = false;
    RigStatus status_;
    std::uint64_t polls_ = 0;
    std::thread thread_;  // last: starts after everything it uses
};

}  // namespace station
