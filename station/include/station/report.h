#pragma once

// Reception reports to the public reception-report network: IPFIX messages (RFC 7011) over UDP.
// The sending side runs on a thread of its own, so that the decoder and the user interface never
// wait on name resolution or the network.

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "station/heard.h"

namespace station {

inline constexpr char kDefaultReportHost[] = "report.pskreporter.info";
inline constexpr int kDefaultReportPort = 4739;

// The listening station, sent in every datagram.
struct ReceiverInfo {
    std::string call;      // the listener's call sign (a short-wave listener's own form is fine)
    std::string locator;   // Maidenhead locator, may be empty
    std::string software;  // "Quorvin 0.1.0"
    std::string antenna;   // free text, may be empty
};

struct ReportSettings {
    ReceiverInfo receiver;
    std::string host = kDefaultReportHost;
    int port = kDefaultReportPort;
};

// What the reporter has done so far, for a status line.
struct ReportStatus {
    std::uint64_t spotsSent = 0;
    std::uint64_t datagramsSent = 0;
    std::size_t pending = 0;  // spots waiting for the next datagram
    std::string lastError;    // the latest network failure, empty when none
};

// Unix seconds now; tests inject their own.
using UnixClock = std::function<std::int64_t()>;
std::int64_t systemUnixSeconds();

// Sends spots: each call at most once per band in 30 minutes, at most one datagram every five
// minutes unless one is full, the first at a random moment of the first five minutes; what is
// pending goes out when the reporter is destroyed (a clean exit). The queue is bounded. Network
// errors are kept in the status, never thrown; decoding goes on.
class SpotReporter {
  public:
    explicit SpotReporter(ReportSettings settings, UnixClock clock = systemUnixSeconds);
    ~SpotReporter();
    SpotReporter(const SpotReporter&) = delete;
    SpotReporter& operator=(const SpotReporter&) = delete;

    // Queues `spot` unless the call was reported on its band within 30 minutes or the queue is
    // full; returns whether it was queued. Any thread; never blocks on the network.
    bool offer(const Spot& spot);
    ReportStatus status() const;

  private:
    struct Worker;
    std::unique_ptr<Worker> worker_;
};

}  // namespace station
