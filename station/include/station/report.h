#pragma once

// Reception reports to the public reception-report network: IPFIX messages (RFC 7011) over UDP.
// The sending side runs on a thread of its own, so that the decoder and the user interface never
// wait on name resolution or the network.

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "station/heard.h"
#include "station/resolve.h"

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
    std::string lastError;    // the latest network failure, empty when none (cleared by a send)
    std::int64_t nextSendUnix = 0;  // when the next datagram that is not full may go
};

// Unix seconds now; tests inject their own.
using UnixClock = std::function<std::int64_t()>;
std::int64_t systemUnixSeconds();

// The reporter's rules.
inline constexpr std::int64_t kReportIntervalSeconds = 300;     // one datagram, unless full
inline constexpr std::int64_t kReportRepeatSeconds = 1800;      // a call once per band
inline constexpr std::int64_t kTemplateIntervalSeconds = 3600;  // templates again
inline constexpr int kTemplateDatagrams = 3;                    // the first with templates
inline constexpr std::size_t kMaxPendingSpots = 1000;

// How a reporter runs; the defaults are the program's, tests fix what is random or slow.
struct ReporterOptions {
    // false: no thread; the reporter acts only in poll(), on the caller's thread.
    bool threaded = true;
    // The first datagram goes this many seconds after the start at the earliest; random in
    // [0, kReportIntervalSeconds) when not set, so that reporters do not all send on the clock.
    std::optional<std::int64_t> firstSendAfterSeconds;
    // The session's observation domain; random when not set.
    std::optional<std::uint32_t> observationDomainId;
    HostResolver resolve = resolveHost;
    // How long the destructor waits for the pending spots to go (a resolution that hangs is
    // left behind after it).
    std::chrono::milliseconds closeTimeout{2000};
};

// Sends spots: each call at most once per band in 30 minutes, at most one datagram every five
// minutes unless one is full, the first at a random moment of the first five minutes; what is
// pending goes out when the reporter is destroyed (a clean exit). The queue is bounded. Network
// errors are kept in the status, never thrown; decoding goes on. One UDP socket, bound once, so
// that the session keeps one source port; the templates go in the first three datagrams and then
// hourly, the receiver's record in every one.
class SpotReporter {
  public:
    explicit SpotReporter(ReportSettings settings, UnixClock clock = systemUnixSeconds,
                          ReporterOptions options = {});
    ~SpotReporter();
    SpotReporter(const SpotReporter&) = delete;
    SpotReporter& operator=(const SpotReporter&) = delete;

    // Queues `spot` unless the call was reported on its band within 30 minutes (by the spots'
    // times), the queue is full, or it has no call or no frequency that fits the report; returns
    // whether it was queued. Any thread; never blocks on the network.
    bool offer(const Spot& spot);
    ReportStatus status() const;
    // Looks at the clock now: sends what is due. Without a thread it does so on the caller's
    // thread before it returns; with one it wakes the thread (for a clock that jumps).
    void poll();

  private:
    struct Worker;
    std::shared_ptr<Worker> worker_;  // shared with its thread, which may outlive a hung close
};

}  // namespace station
